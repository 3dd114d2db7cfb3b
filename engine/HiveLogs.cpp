#include "engine/HiveLogs.h"

#include <algorithm>

#include "base/FileBytes.h"
#include "base/Handles.h"
#include "base/WideCase.h"
#include "engine/HiveText.h"

namespace {

constexpr const wchar_t* kLogExtensions[] = {L".LOG", L".LOG1", L".LOG2"};

std::wstring Folded(const std::wstring& text) {
    std::wstring folded;
    FoldOrdinal(text.c_str(), &folded);
    return folded;
}

}  // namespace

std::vector<std::wstring> FindLogs(const std::wstring& file) {
    const size_t cut = file.find_last_of(L"\\/:");
    const std::wstring folder = cut == std::wstring::npos ? L"" : file.substr(0, cut + 1);
    const std::wstring name = file.substr(folder.size());
    std::vector<std::wstring> wanted;
    for (const wchar_t* extension : kLogExtensions) wanted.push_back(Folded(name + extension));
    std::vector<std::wstring> logs;
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"*").c_str(), &found));
    for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.get(), &found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            std::find(wanted.begin(), wanted.end(), Folded(found.cFileName)) != wanted.end())
            logs.push_back(folder + found.cFileName);
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

bool ReplayDirtyHive(const std::wstring& path, MappedFile* mapped, std::vector<uint8_t>* image,
                     hive::ReplayOutcome* outcome, DWORD* error) {
    const hive::ByteView head(mapped->data(), mapped->size());
    outcome->dirty = hive::IsDirty(head);
    if (!outcome->dirty) return true;
    const std::vector<std::wstring> paths = FindLogs(path);
    std::vector<MappedFile> logs(paths.size());
    std::vector<hive::LogFile> views;
    for (size_t i = 0; i < paths.size(); ++i) {
        // A log that cannot be opened is one fewer to choose from.
        DWORD ignored = 0;
        if (logs[i].Open(paths[i].c_str(), &ignored))
            views.push_back({AnsiOf(paths[i].substr(paths[i].find_last_of(L"\\/:") + 1)),
                             hive::ByteView(logs[i].data(), logs[i].size())});
    }
    const hive::LogReplay replay(head, mapped->size(), std::move(views));
    *outcome = replay.Outcome();
    if (outcome->entries == 0) return true;
    // Read once into the buffer that the logs then change in place, rather
    // than mapped and copied.
    *mapped = MappedFile();
    if (!ReadFileBytes(path.c_str(), replay.BufferSize(), image, error)) return false;
    replay.Apply(image);
    return true;
}
