#pragma once
#include "registry/Registry.h"

// The process's real registry in both widths, through the ANSI and the wide
// registry functions, with the process heap.
RegistryPair LiveRegistries();
