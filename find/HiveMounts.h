#pragma once
// kestrin-find /H: the command line's hive files mounted, opened and
// checked, their trouble told on standard error, the run's start keys
// among them, and the run's exit code with theirs.
#include <string>
#include <vector>

#include "engine/HiveRegistry.h"
#include "find/FindCommandLine.h"
#include "find/JsonLines.h"

// Sets up the hives of the command line's /H FILE (at
// HKEY_LOCAL_MACHINE\<FILE's name>) and /H:KEY FILE, FILE and KEY as the
// wide command line holds them, and turns the start keys (the /S keys, in
// both widths) into those to walk. A KEY that names no root, two hives at
// the same key or one inside another, and a /S key outside every hive are
// usage errors: false, with *error saying which, before any file is opened.
// Then the files are opened in order, and each one that cannot be opened or
// is no usable hive, and what replaying each dirty one from its logs gave,
// is told on standard error; from then on every damaged structure that the
// walk meets is told there too.
// *filesExit: 66 when a file could not be opened, else 65 when one is no
// usable hive, else 0. The keys to walk are the /S keys less those inside
// such files, or without /S the keys of the hives that opened.
bool SetUpHives(const FindCommandLine& line, const wchar_t* const* wideArgv, HiveRegistry* hives,
                std::vector<std::wstring>* wideStartKeys, std::vector<std::string>* narrowStartKeys, int* filesExit,
                std::string* error);

// The hives of the run for /J's summary, in the order given.
std::vector<JsonHive> HiveSummaries(const HiveRegistry& hives);

// The exit code of a run with /H, the most pressing first: the report could
// not be written (3), the search was stopped (1), a file could not be
// opened (66), a file is no usable hive (65), keys could not be read or a
// hive is damaged (2).
int HiveRunExit(int searchExit, int filesExit, bool damaged);
