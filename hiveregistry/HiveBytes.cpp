#include "hiveregistry/HiveBytes.h"

#include <algorithm>

#include "base/FileBytes.h"
#include "base/Mbcs.h"
#include "base/Sha256.h"
#include "base/Handles.h"
#include "base/WideCase.h"

namespace {

constexpr const wchar_t* kLogExtensions[] = {L".LOG", L".LOG1", L".LOG2"};

}  // namespace

std::vector<std::wstring> FindLogs(const std::wstring& file) {
    const size_t cut = file.find_last_of(L"\\/:");
    const std::wstring folder = cut == std::wstring::npos ? L"" : file.substr(0, cut + 1);
    const std::wstring name = file.substr(folder.size());
    std::vector<std::wstring> wanted;
    for (const wchar_t* extension : kLogExtensions) wanted.push_back(FoldedOrdinal(name + extension));
    std::vector<std::wstring> logs;
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"*").c_str(), &found));
    for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.get(), &found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            std::find(wanted.begin(), wanted.end(), FoldedOrdinal(found.cFileName)) != wanted.end())
            logs.push_back(folder + found.cFileName);
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

namespace {

// The logs beside path, mapped, as the replay names them; a log that cannot
// be opened is one fewer to choose from.
std::vector<hive::LogFile> MapLogs(const std::wstring& path, std::vector<MappedFile>* logs) {
    const std::vector<std::wstring> paths = FindLogs(path);
    logs->resize(paths.size());
    std::vector<hive::LogFile> views;
    for (size_t i = 0; i < paths.size(); ++i) {
        DWORD ignored = 0;
        if ((*logs)[i].Open(paths[i].c_str(), &ignored))
            views.push_back({mbcs::FromWide(paths[i].substr(paths[i].find_last_of(L"\\/:") + 1)),
                             hive::ByteView((*logs)[i].data(), (*logs)[i].size())});
    }
    return views;
}

// A hive that fits in its file: mapped again copy-on-write and replayed
// there. False when the file no longer holds what the replay needs.
bool ReplayInMapping(const std::wstring& path, const hive::LogReplay& replay, HiveBytes* bytes, DWORD* error) {
    if (replay.BufferSize() > bytes->mapped.size() || !bytes->mapped.Open(path.c_str(), error, true) ||
        replay.BufferSize() > bytes->mapped.size())
        return false;
    const hive::Replayed replayed =
        replay.Apply({bytes->mapped.Writable(), bytes->mapped.size()}, bytes->mapped.size());
    bytes->replay = replayed.outcome;
    bytes->view = hive::ByteView(bytes->mapped.data(), replayed.size);
    return true;
}

}  // namespace

bool OpenHiveBytes(const std::wstring& path, HiveBytes* bytes, DWORD* error) {
    if (!bytes->mapped.Open(path.c_str(), error)) return false;
    bytes->view = hive::ByteView(bytes->mapped.data(), bytes->mapped.size());
    // Hashed from the mapping the search reads, so the file is read once.
    bytes->fileSize = bytes->mapped.size();
    bytes->sha256 = Sha256Hex(bytes->mapped.data(), bytes->mapped.size());
    bytes->replay.dirty = hive::IsDirty(bytes->view);
    if (!bytes->replay.dirty) return true;
    std::vector<MappedFile> logs;
    const hive::LogReplay replay(bytes->view, bytes->view.size(), MapLogs(path, &logs));
    bytes->replay = replay.Outcome();
    if (replay.Outcome().entries == 0 || ReplayInMapping(path, replay, bytes, error)) return true;
    // Grown past the file: read once into the buffer that the logs change.
    bytes->mapped = MappedFile();
    if (!ReadFileBytes(path.c_str(), replay.BufferSize(), &bytes->grown, error)) return false;
    const uint64_t read = bytes->grown.size();
    bytes->grown.resize(std::max<uint64_t>(read, replay.BufferSize()));
    const hive::Replayed replayed = replay.Apply({bytes->grown.data(), bytes->grown.size()}, read);
    bytes->replay = replayed.outcome;
    bytes->grown.resize(replayed.size);
    bytes->view = hive::ByteView(bytes->grown.data(), bytes->grown.size());
    return true;
}
