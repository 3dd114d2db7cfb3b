#include "find/ProvenanceNote.h"

#include <windows.h>

#include "base/Mbcs.h"

namespace {

constexpr wchar_t kLineStart[] = L";    ";

// One argument as CommandLineToArgvW reads it back: as it is when it holds
// no blank or quote and is not empty, else between quotes, where each quote
// is escaped and the backslashes before a quote, or before the closing one,
// are doubled.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

// A path given relative to the current folder, made whole: the report may
// be read far from where the search ran.
std::wstring FullPath(const std::wstring& path) {
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
    if (written == 0 || written >= length) return path;
    full.resize(written);
    return full;
}

// Clean, or what replaying the logs into a dirty hive gave.
std::wstring ReplayText(const hive::ReplayOutcome& replay) {
    if (!replay.dirty) return L"clean";
    const std::wstring why = replay.stop.empty() ? L"" : L" (" + mbcs::ToWide(replay.stop.data(), replay.stop.size()) + L")";
    if (replay.entries == 0) return L"dirty, no log replayed" + why;
    const std::string replayed = hive::ReplayedFrom(replay);
    return L"dirty, " + mbcs::ToWide(replayed.data(), replayed.size()) +
           (why.empty() ? L"" : L", then replay stopped early" + why);
}

// A file that did not open was told on standard error, and its keys were
// not searched.
std::wstring HiveLine(const HiveMount& mount) {
    std::wstring line = kLineStart + (L"Hive: " + FullPath(mount.file)) + L" at " + mount.key;
    if (!mount.open) return line + L", not searched\r\n";
    const std::string& sha256 = mount.bytes.sha256;
    line += L", " + std::to_wstring(mount.bytes.fileSize) + L" bytes, SHA-256 " +
            (sha256.empty() ? L"unavailable" : mbcs::ToWide(sha256.data(), sha256.size()));
    return line + L", " + ReplayText(mount.bytes.replay) + L"\r\n";
}

}  // namespace

std::wstring QuotedArguments(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) line += (line.empty() ? L"" : L" ") + Quoted(argument);
    return line;
}

std::wstring ProvenanceNote(const HiveKeyStore& hives, const std::vector<std::wstring>& arguments) {
    std::wstring note;
    for (size_t index = 0; index < hives.MountCount(); ++index)
        if (!hives.Mount(index).link) note += HiveLine(hives.Mount(index));
    return note + kLineStart + L"Command line: kestrin-find " + QuotedArguments(arguments) + L"\r\n";
}
