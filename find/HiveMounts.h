#pragma once
// kestrin-find /H and /O: the hives mounted, opened and checked, their
// trouble told on standard error, and the run's start keys among them.
#include <string>
#include <vector>

#include "hiveregistry/HiveKeyStore.h"
#include "find/ExitCodes.h"
#include "find/FindCommandLine.h"
#include "find/JsonLines.h"

// What setting up the hives gave.
struct HiveSetup {
    // In: the /S keys; out: the keys to walk.
    std::vector<std::wstring> startKeys;
    // CannotOpen when a file could not be opened, else NotAHive when one is
    // no usable hive, else Done.
    FindExit filesExit = FindExit::Done;
    // When nothing can be searched: Usage, or why /O's ROOT cannot be.
    FindExit failExit = FindExit::Usage;
    std::string error;
    // With /O: the report header's lines naming the offline Windows.
    std::wstring headerNote;
};

// Sets up /O ROOT's hives (OfflineMounts.h), then the command line's /H
// FILE (at HKEY_LOCAL_MACHINE\<FILE's name>) and /H:KEY FILE, FILE and KEY
// as the wide command line holds them, and turns the start keys into those
// to walk. A KEY that names no root, two hives at the same key or one
// inside another, and a /S key outside every hive are usage errors: false,
// with setup->error saying which, before any /H file is opened. Each file
// that cannot be opened or is no usable hive, and what replaying each dirty
// one from its logs gave, is told on standard error; from then on every
// damaged structure that the walk meets is told there too. A hive at
// HKEY_LOCAL_MACHINE\SYSTEM gets the link CurrentControlSet to the control
// set its Select key names. The keys to walk are the /S keys less those
// inside hives that did not open, or without /S the keys of the hives that
// did (with /O sorted: HKEY_LOCAL_MACHINE's first, each root's by name).
bool SetUpHives(const FindCommandLine& line, HiveKeyStore* hives, HiveSetup* setup);

// Opens the mounts from first on and tells what is wrong with them; the
// files' exit code. offline: the files are an offline Windows's (/O), for
// the advice on locked hives.
FindExit OpenHives(HiveKeyStore* hives, size_t first, bool offline);

// The platform's text for an error code, or its number.
std::string SystemText(DWORD code);

// The hive files of the run for /J's summary, in the order mounted, each
// with the links that show its keys.
std::vector<JsonHive> HiveSummaries(const HiveKeyStore& hives);
