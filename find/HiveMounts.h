#pragma once
// kestrin-find /H: the command line's hive files mounted, opened and
// checked, their trouble told on standard error, the run's start keys
// among them, and the run's exit code with theirs.
#include <string>
#include <vector>

#include "engine/HiveRegistry.h"
#include "find/FindCommandLine.h"
#include "find/JsonLines.h"

// Mounts each /H FILE (at HKEY_LOCAL_MACHINE\<FILE's name>) and /H:KEY FILE,
// FILE and KEY as the wide command line holds them. False, with *error
// saying why, when a KEY names no root, two hives clash, or one of the
// start keys (the /S keys) lies in no hive: usage errors.
bool MountHives(const FindCommandLine& line, const wchar_t* const* wideArgv, const std::vector<std::wstring>& startKeys,
                HiveRegistry* hives, std::string* error);

// Opens the mounted files in order, telling on standard error each one that
// cannot be opened or is no usable hive, and what replaying each dirty one
// from its logs gave; from then on
// every damaged structure that the walk meets is told there too. The exit
// code of the files: 66 when one could not be opened, else 65 when one is
// no usable hive, else 0.
int OpenHives(HiveRegistry* hives);

// The hives of the run for /J's summary, in the order given.
std::vector<JsonHive> HiveSummaries(const HiveRegistry& hives);

// The keys to walk: the /S keys (startKeys) less those inside a hive that
// did not open, or without /S the keys of the hives that did, in order.
std::vector<std::wstring> HiveStartKeys(const HiveRegistry& hives, const std::vector<std::wstring>& startKeys);

// The exit code of a run with /H, the most pressing first: the report could
// not be written (3), the search was stopped (1), a file could not be
// opened (66), a file is no usable hive (65), keys could not be read or a
// hive is damaged (2).
int HiveRunExit(int searchExit, int filesExit, bool damaged);
