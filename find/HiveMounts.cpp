#include "find/HiveMounts.h"

#include <windows.h>
#include <cstdio>

#include "base/Mbcs.h"
#include "errors/ReportError.h"
#include "find/ExitCodes.h"

namespace {

// The file's name without its folders (either slash separates them).
std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The platform's text for an error code, or its number.
std::string SystemText(DWORD code) {
    const std::string text = SystemErrorText(static_cast<int32_t>(code));
    return text.empty() ? "error " + std::to_string(code) : text;
}

void TellDamage(const HiveMount& mount, const std::wstring& keyPath, const hive::Damage& damage) {
    std::fprintf(stderr, "kestrin-find: %s: damage at file offset 0x%llx in %s: %s\n", mbcs::FromWide(mount.file).c_str(),
                 static_cast<unsigned long long>(damage.fileOffset), mbcs::FromWide(keyPath).c_str(), damage.what.c_str());
    std::fflush(stderr);
}

// One line for a dirty hive: the log entries replayed, from which logs, and
// where replay stopped if it stopped early; or that there was nothing to
// replay.
void TellReplay(const std::string& file, const hive::ReplayOutcome& replay) {
    if (!replay.dirty) return;
    const std::string why = replay.stop.empty() ? "" : " (" + replay.stop + ")";
    if (replay.entries == 0) {
        std::fprintf(stderr, "kestrin-find: warning: %s is dirty and no usable transaction log was found%s: it is "
                             "searched as it stands, so recent changes may be missing\n",
                     file.c_str(), why.c_str());
        return;
    }
    std::string from;
    for (const std::string& log : replay.from) from += (from.empty() ? "" : ", ") + log;
    const std::string stopped =
        why.empty() ? "" : ", then replay stopped early" + why + ", so the newest changes may be missing";
    std::fprintf(stderr, "kestrin-find: %s%s was dirty: replayed %u log %s from %s%s\n",
                 why.empty() ? "" : "warning: ", file.c_str(), replay.entries,
                 replay.entries == 1 ? "entry" : "entries", from.c_str(), stopped.c_str());
}

// The message of a mount that clashes with mount clash, or names no root.
std::string ClashText(const HiveKeyStore& hives, size_t clash, const std::wstring& file, const std::wstring& key) {
    if (clash == hives.MountCount())
        return "the hive " + mbcs::FromWide(file) + " cannot stand at " + mbcs::FromWide(key) + ": no registry root";
    const HiveMount& other = hives.Mount(clash);
    return "the hives " + mbcs::FromWide(other.file) + " (at " + mbcs::FromWide(other.key) + ") and " + mbcs::FromWide(file) + " (at " +
           mbcs::FromWide(key) + ") would stand at the same key or one inside the other";
}

bool MountHives(const FindCommandLine& line, const std::vector<std::wstring>& startKeys, HiveKeyStore* hives,
                std::string* error) {
    for (const FindCommandLine::HiveSwitch& given : line.hives) {
        const std::wstring& file = given.file;
        const std::wstring key = given.key.empty() ? L"HKEY_LOCAL_MACHINE\\" + FileName(file) : given.key;
        size_t clash = 0;
        if (!hives->AddMount(key, file, &clash)) {
            *error = ClashText(*hives, clash, file, key);
            return false;
        }
    }
    for (const std::wstring& key : startKeys) {
        if (hives->MountHolding(key) == hives->MountCount()) {
            *error = "the start key " + mbcs::FromWide(key) + " lies in no hive given with /H";
            return false;
        }
    }
    return true;
}

// Opens the files and tells what is wrong with them; the files' exit code.
FindExit OpenHives(HiveKeyStore* hives) {
    FindExit exit = FindExit::Done;
    for (size_t index = 0; index < hives->MountCount(); ++index) {
        DWORD error = 0;
        std::string reason;
        const std::string file = mbcs::FromWide(hives->Mount(index).file);
        switch (hives->OpenMount(index, &error, &reason)) {
        case HiveKeyStore::OpenResult::CannotOpen:
            std::fprintf(stderr, "kestrin-find: cannot open the hive file %s: %s\n", file.c_str(),
                         SystemText(error).c_str());
            if (error == ERROR_SHARING_VIOLATION)
                std::fprintf(stderr, "kestrin-find: Windows keeps the hives it has loaded (those under "
                                     "System32\\config, a signed-in user's NTUSER.DAT) locked: search a copy "
                                     "(reg save, or a shadow copy)\n");
            exit = FirstExit({exit, FindExit::CannotOpen});
            break;
        case HiveKeyStore::OpenResult::NotAHive:
            std::fprintf(stderr, "kestrin-find: %s is not a usable hive: %s\n", file.c_str(), reason.c_str());
            exit = FirstExit({exit, FindExit::NotAHive});
            break;
        case HiveKeyStore::OpenResult::Opened:
            TellReplay(file, hives->Mount(index).bytes.replay);
            break;
        }
    }
    std::fflush(stderr);
    hives->SetDamageSink(&TellDamage);
    return exit;
}

// The /S keys less those inside a hive that did not open, or without /S
// the keys of the hives that did, in order.
std::vector<std::wstring> HiveStartKeys(const HiveKeyStore& hives, const std::vector<std::wstring>& startKeys) {
    std::vector<std::wstring> keys;
    for (const std::wstring& key : startKeys)
        if (hives.Mount(hives.MountHolding(key)).open) keys.push_back(key);
    for (size_t index = 0; startKeys.empty() && index < hives.MountCount(); ++index)
        if (hives.Mount(index).open) keys.push_back(hives.Mount(index).key);
    return keys;
}

}  // namespace

bool SetUpHives(const FindCommandLine& line, HiveKeyStore* hives, std::vector<std::wstring>* startKeys,
                FindExit* filesExit, std::string* error) {
    if (!MountHives(line, *startKeys, hives, error)) return false;
    *filesExit = OpenHives(hives);
    *startKeys = HiveStartKeys(*hives, *startKeys);
    return true;
}

std::vector<JsonHive> HiveSummaries(const HiveKeyStore& hives) {
    std::vector<JsonHive> summaries;
    for (size_t index = 0; index < hives.MountCount(); ++index) {
        const HiveMount& mount = hives.Mount(index);
        summaries.push_back({mount.file, mount.bytes.replay.dirty, mount.bytes.replay.entries});
    }
    return summaries;
}
