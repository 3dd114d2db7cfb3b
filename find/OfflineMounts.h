#pragma once
// kestrin-find /O ROOT: an offline Windows's hives mounted where the running
// Windows showed them, with its links, and the lines of the report header
// that name it. Which files stand at which keys is OfflineWindows's to say;
// this reads what it needs of the hives for that, and tells the user.
#include <string>

#include "find/HiveMounts.h"
#include "find/HiveReader.h"
#include "hiveregistry/HiveKeyStore.h"

// Mounts and opens ROOT's hives and links, and fills setup's files' exit
// code and header note. False, with setup->failExit and setup->error, when
// ROOT cannot be searched at all: it cannot be opened or is no folder
// (CannotOpen), or it holds neither Windows\System32\config\SYSTEM nor
// SOFTWARE (NotAHive).
bool MountOffline(const std::wstring& root, HiveKeyStore* hives, HiveSetup* setup);

// "ControlSet002" when HKEY_LOCAL_MACHINE\SYSTEM\Select\Current names a set
// that the hive holds, else empty.
std::wstring CurrentControlSet(HiveReader& reader);
