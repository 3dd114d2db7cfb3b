#pragma once
// A dirty hive file replayed from the transaction logs beside it
// (kestrin-find /H). The logs are FILE.LOG, FILE.LOG1 and FILE.LOG2 in the
// file's folder, with any case of the name and the extension
// (SOFTWARE.LOG1, ntuser.dat.LOG2, SYSTEM.log): the folder is listed and the
// names compared case-insensitively, since under Wine a Linux folder is
// case-sensitive. The logs are only read; nothing is written or created.
#include <windows.h>
#include <string>
#include <vector>

#include "base/MappedFile.h"
#include "hive/LogReplay.h"

// The paths of the logs beside file, in the order of their names.
std::vector<std::wstring> FindLogs(const std::wstring& file);

// When the hive in *mapped (the file at path) is dirty, replays its logs:
// the file is then read once into *image, the mapping let go, and the logs
// applied there; *outcome says what happened. A dirty hive without a usable
// log entry stays mapped as it stands. False, with *error the platform's
// code, when the file cannot be read into memory.
bool ReplayDirtyHive(const std::wstring& path, MappedFile* mapped, std::vector<uint8_t>* image,
                     hive::ReplayOutcome* outcome, DWORD* error);
