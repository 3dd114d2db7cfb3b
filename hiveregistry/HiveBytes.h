#pragma once
// A hive file's bytes as kestrin-find /H searches them: mapped as they
// stand, or, for a dirty hive, replayed from the transaction logs beside it.
// The logs are FILE.LOG, FILE.LOG1 and FILE.LOG2 in the file's folder, with
// any case of the name and the extension (SOFTWARE.LOG1, ntuser.dat.LOG2,
// SYSTEM.log): the folder is listed and the names compared
// case-insensitively, since under Wine a Linux folder is case-sensitive.
// Files are only read; nothing is written or created.
#include <windows.h>
#include <string>
#include <vector>

#include "base/MappedFile.h"
#include "hive/LogReplay.h"

// The paths of the logs beside file, in the order of their names.
std::vector<std::wstring> FindLogs(const std::wstring& file);

struct HiveBytes {
    MappedFile mapped;
    std::vector<uint8_t> grown;  // the file read into memory, when its logs grow it
    hive::ByteView view;         // what the reader reads
    hive::ReplayOutcome replay;
    // The file as it was read, before any log changed it.
    uint64_t fileSize = 0;
    std::string sha256;  // lower-case hex; empty when the platform could not hash
};

// Maps the file at path, hashes it as read and, when its hive is dirty,
// replays its logs. A
// replayed hive that fits in the file stays mapped, copy-on-write, so that
// only the pages that the logs write become the process's own; one that
// grows past the file is read once into *grown, which the logs then change
// in place. False, with *error the platform's code, when the file cannot be
// opened, mapped or read.
bool OpenHiveBytes(const std::wstring& path, HiveBytes* bytes, DWORD* error);
