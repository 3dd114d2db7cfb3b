#include "find/HiveMounts.h"

#include <windows.h>
#include <algorithm>
#include <cstdio>

#include "base/Mbcs.h"
#include "errors/ReportError.h"
#include "base/WideCase.h"
#include "find/ExitCodes.h"
#include "find/HiveReader.h"
#include "find/OfflineMounts.h"
#include "hiveregistry/HiveRegistry.h"
#include "registry/RootKeys.h"

namespace {

// The file's name without its folders (either slash separates them).
std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void TellDamage(const HiveMount& mount, const std::wstring& keyPath, const hive::Damage& damage) {
    std::fprintf(stderr, "kestrin-find: %s: damage at file offset 0x%llx in %s: %s\n", mbcs::FromWide(mount.file).c_str(),
                 static_cast<unsigned long long>(damage.fileOffset), mbcs::FromWide(keyPath).c_str(), damage.what.c_str());
    std::fflush(stderr);
}

// Not damage: the narrow walk reads names through the ANSI code page, as the
// live registry's ANSI calls do, and cannot open a key that lost letters.
void TellUnspellable(const HiveMount& mount, const std::wstring& parentPath, uint64_t fileOffset) {
    std::fprintf(stderr, "kestrin-find: %s: a key in %s has a name outside code page %u (key node at file offset "
                         "0x%llx), so it was not searched: /U searches it\n",
                 mbcs::FromWide(mount.file).c_str(), mbcs::FromWide(parentPath).c_str(), ::GetACP(),
                 static_cast<unsigned long long>(fileOffset));
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
    const std::string stopped =
        why.empty() ? "" : ", then replay stopped early" + why + ", so the newest changes may be missing";
    std::fprintf(stderr, "kestrin-find: %s%s was dirty: %s%s\n", why.empty() ? "" : "warning: ", file.c_str(),
                 hive::ReplayedFrom(replay).c_str(), stopped.c_str());
}

void TellCannotOpen(const HiveMount& mount, DWORD error, bool offline) {
    const std::string file = mbcs::FromWide(mount.file);
    // Opening a folder fails with "Access denied.", which sends one looking
    // for a missing right.
    const DWORD attributes = ::GetFileAttributesW(mount.file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "kestrin-find: %s is a folder, not a hive file: give a hive file inside it, or the "
                             "folder that holds an offline Windows with /O\n",
                     file.c_str());
        return;
    }
    std::fprintf(stderr, "kestrin-find: cannot open the hive file %s: %s\n", file.c_str(), SystemText(error).c_str());
    if (error != ERROR_SHARING_VIOLATION) return;
    if (offline)
        std::fprintf(stderr, "kestrin-find: that Windows is running and keeps its hives locked: search a shadow "
                             "copy of the volume with /O, or the live registry without /O\n");
    else
        std::fprintf(stderr, "kestrin-find: Windows keeps the hives it has loaded (those under "
                             "System32\\config, a signed-in user's NTUSER.DAT) locked: search a copy "
                             "(reg save, or a shadow copy)\n");
}

// The message of a mount that clashes with mount clash, or names no root.
std::string ClashText(const HiveKeyStore& hives, size_t clash, const std::wstring& file, const std::wstring& key) {
    if (clash == hives.MountCount())
        return "the hive " + mbcs::FromWide(file) + " cannot stand at " + mbcs::FromWide(key) + ": no registry root";
    const HiveMount& other = hives.Mount(clash);
    return "the hives " + mbcs::FromWide(other.file) + " (at " + mbcs::FromWide(other.key) + ") and " + mbcs::FromWide(file) + " (at " +
           mbcs::FromWide(key) + ") would stand at the same key or one inside the other";
}

bool MountHives(const FindCommandLine& line, HiveKeyStore* hives, std::string* error) {
    for (const FindCommandLine::HiveSwitch& given : line.hives) {
        const std::wstring& file = given.file;
        const std::wstring key = given.key.empty() ? L"HKEY_LOCAL_MACHINE\\" + FileName(file) : given.key;
        size_t clash = 0;
        if (!hives->AddMount(key, file, &clash)) {
            *error = ClashText(*hives, clash, file, key);
            return false;
        }
    }
    return true;
}

bool CheckStartKeys(const HiveKeyStore& hives, const std::vector<std::wstring>& startKeys, std::string* error) {
    for (const std::wstring& key : startKeys) {
        if (hives.MountHolding(key) == hives.MountCount()) {
            *error = "the start key " + mbcs::FromWide(key) + " lies in no hive given with /H or found by /O";
            return false;
        }
    }
    return true;
}

// The SYSTEM hive's CurrentControlSet, which a running Windows makes at
// boot: the control set that Select\Current names.
void LinkCurrentControlSet(HiveKeyStore* hives, bool offline) {
    const std::wstring system = L"HKEY_LOCAL_MACHINE\\SYSTEM";
    const size_t index = hives->MountHolding(system);
    if (index == hives->MountCount() || hives->Mount(index).key.size() != system.size() || !hives->Mount(index).open)
        return;
    HiveRegistry<wchar_t> registry(*hives);
    HiveReader reader(registry);
    const std::wstring set = CurrentControlSet(reader);
    size_t clash = 0;
    if (set.empty()) {
        if (offline)
            std::fprintf(stderr, "kestrin-find: %s names no control set that it holds (SYSTEM\\Select\\Current): "
                                 "there is no HKLM\\SYSTEM\\CurrentControlSet\n",
                         mbcs::FromWide(hives->Mount(index).file).c_str());
    } else if (hives->AddLink(hives->Mount(index).key + L"\\CurrentControlSet", index, set, &clash)) {
        OpenHives(hives, hives->MountCount() - 1, offline);
    }
}

// Without /S the keys of the hives that opened and the links that stand on
// their own: a link inside a hive is walked as one of its keys.
std::vector<std::wstring> HiveStartKeys(const HiveKeyStore& hives, const std::vector<std::wstring>& startKeys) {
    std::vector<std::wstring> keys;
    for (const std::wstring& key : startKeys)
        if (hives.Mount(hives.MountHolding(key)).open) keys.push_back(key);
    for (size_t index = 0; startKeys.empty() && index < hives.MountCount(); ++index) {
        const HiveMount& mount = hives.Mount(index);
        if (mount.open && mount.inside == HiveMount::kNone) keys.push_back(mount.key);
    }
    return keys;
}

// As a running Windows enumerates its roots and their keys.
void SortAsWindows(std::vector<std::wstring>* keys) {
    const auto rank = [](const std::wstring& key) {
        const wchar_t* below = nullptr;
        const RootKey* root = FindRootOf(key.c_str(), &below);
        return std::make_pair(root ? root - g_rootKeys : 0, FoldedOrdinal(below ? below : L""));
    };
    std::stable_sort(keys->begin(), keys->end(),
                     [&](const std::wstring& a, const std::wstring& b) { return rank(a) < rank(b); });
}

// HKCR and HKCU are views of the signed-in user, and offline there is none.
bool CheckOfflineRoots(const std::vector<std::wstring>& startKeys, std::string* error) {
    for (const std::wstring& key : startKeys) {
        const wchar_t* below = nullptr;
        const RootKey* root = FindRootOf(key.c_str(), &below);
        if (!root || (root->key != HKEY_CLASSES_ROOT && root->key != HKEY_CURRENT_USER)) continue;
        *error = "the start key " + mbcs::FromWide(key) +
                 " lies in a view of the signed-in user, which an offline Windows lacks: "
                 "search HKU\\<SID> (and HKU\\<SID>_Classes) instead";
        return false;
    }
    return true;
}

}  // namespace

std::string SystemText(DWORD code) {
    const std::string text = SystemErrorText(static_cast<int32_t>(code));
    return text.empty() ? "error " + std::to_string(code) : text;
}

FindExit OpenHives(HiveKeyStore* hives, size_t first, bool offline) {
    hives->SetDamageSink(&TellDamage);
    hives->SetUnspellableSink(&TellUnspellable);
    FindExit exit = FindExit::Done;
    for (size_t index = first; index < hives->MountCount(); ++index) {
        DWORD error = 0;
        std::string reason;
        const HiveMount& mount = hives->Mount(index);
        const std::string file = mbcs::FromWide(mount.file);
        switch (hives->OpenMount(index, &error, &reason)) {
        case HiveKeyStore::OpenResult::CannotOpen:
            TellCannotOpen(mount, error, offline);
            exit = FirstExit({exit, FindExit::CannotOpen});
            break;
        case HiveKeyStore::OpenResult::NotAHive:
            std::fprintf(stderr, "kestrin-find: %s is not a usable hive: %s\n", file.c_str(), reason.c_str());
            exit = FirstExit({exit, FindExit::NotAHive});
            break;
        case HiveKeyStore::OpenResult::NoKey:
            std::fprintf(stderr, "kestrin-find: no link at %s: %s\n", mbcs::FromWide(mount.key).c_str(),
                         reason.c_str());
            break;
        case HiveKeyStore::OpenResult::Opened:
            if (!mount.link) TellReplay(file, mount.bytes.replay);
            break;
        }
    }
    std::fflush(stderr);
    return exit;
}

bool SetUpHives(const FindCommandLine& line, HiveKeyStore* hives, HiveSetup* setup) {
    const bool offline = !line.offlineRoot.empty();
    if (offline && !CheckOfflineRoots(setup->startKeys, &setup->error)) return false;
    if (offline && !MountOffline(line.offlineRoot, hives, setup)) return false;
    const size_t first = hives->MountCount();
    if (!MountHives(line, hives, &setup->error) || !CheckStartKeys(*hives, setup->startKeys, &setup->error))
        return false;
    setup->filesExit = FirstExit({setup->filesExit, OpenHives(hives, first, offline)});
    LinkCurrentControlSet(hives, offline);
    setup->startKeys = HiveStartKeys(*hives, setup->startKeys);
    if (offline) SortAsWindows(&setup->startKeys);
    return true;
}

std::vector<JsonHive> HiveSummaries(const HiveKeyStore& hives) {
    std::vector<JsonHive> summaries;
    std::vector<size_t> files(hives.MountCount());
    for (size_t index = 0; index < hives.MountCount(); ++index) {
        const HiveMount& mount = hives.Mount(index);
        if (mount.link) continue;
        files[index] = summaries.size();
        summaries.push_back({mount.file, mount.key, mount.open, mount.bytes.fileSize, mount.bytes.sha256,
                             mount.bytes.replay.dirty, mount.bytes.replay.entries, {}});
    }
    for (size_t index = 0; index < hives.MountCount(); ++index) {
        const HiveMount& mount = hives.Mount(index);
        if (mount.link && mount.open) summaries[files[mount.source]].links.push_back(mount.key);
    }
    return summaries;
}
