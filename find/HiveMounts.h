#pragma once
// kestrin-find /H: the command line's hive files mounted, opened and
// checked, their trouble told on standard error, and the run's start keys
// among them.
#include <string>
#include <vector>

#include "hiveregistry/HiveKeyStore.h"
#include "find/ExitCodes.h"
#include "find/FindCommandLine.h"
#include "find/JsonLines.h"

// Sets up the hives of the command line's /H FILE (at
// HKEY_LOCAL_MACHINE\<FILE's name>) and /H:KEY FILE, FILE and KEY as the
// wide command line holds them, and turns the start keys (the /S keys) into
// those to walk. A KEY that names no root, two hives at
// the same key or one inside another, and a /S key outside every hive are
// usage errors: false, with *error saying which, before any file is opened.
// Then the files are opened in order, and each one that cannot be opened or
// is no usable hive, and what replaying each dirty one from its logs gave,
// is told on standard error; from then on every damaged structure that the
// walk meets is told there too. *filesExit: CannotOpen when a file could not
// be opened, else NotAHive when one is no usable hive, else Done. The keys
// to walk are the /S keys less those inside such files, or without /S the
// keys of the hives that opened.
bool SetUpHives(const FindCommandLine& line, HiveKeyStore* hives, std::vector<std::wstring>* startKeys,
                FindExit* filesExit, std::string* error);

// The hives of the run for /J's summary, in the order given.
std::vector<JsonHive> HiveSummaries(const HiveKeyStore& hives);
