// kestrin-find.exe as a user runs it: a copy in a folder of its own (with
// its own Kestrin.ini) started in another current directory, its standard
// output and error and its exit code.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "base/ExecutableFolder.h"
#include "support/ChildProcess.h"
#include "support/NativeKeys.h"
#include "support/RegistryTestKey.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

constexpr char kUsage[] = "Usage: kestrin-find [/K] [/V] [/N] [/D] [/B] [/W] [/C] [/J] [/R] [/T FROM[..TO]]";
constexpr char kNote[] = "\r\n; ** The process of search was interrupted by the user **";

struct FindRun {
    long exitCode;
    std::string out;
    std::string err;
};

class KestrinFind : public ::testing::Test {
protected:
    KestrinFind() {
        ::CopyFileA((ExecutableFolder() + "\\kestrin-find.exe").c_str(), m_exe.c_str(), FALSE);
    }

    FindRun Find(const std::string& arguments, const std::string& folder = std::string()) {
        return Run("kestrin-find " + arguments, folder);
    }

    // The same with arguments in UTF-16, for text the ANSI code page lacks.
    FindRun FindW(const std::wstring& arguments) { return Run(L"kestrin-find " + arguments, std::string()); }

    template <typename Line>
    FindRun Run(const Line& commandLine, const std::string& folder) {
        ChildProcess child;
        EXPECT_TRUE(child.Start(m_exe, commandLine, folder.empty() ? m_cwd.path() : folder));
        long exitCode = child.Wait();
        return {exitCode, child.Out(), child.Err()};
    }

    // Lists the prefix's own unreadable keys (found by one search, made once
    // per test program) in the Kestrin.ini beside the executable: a run that
    // meets no other such key then exits with exactly 0.
    void ExcludeThePrefixsUnreadableKeys() {
        ASSERT_TRUE(WriteFileBytes(m_ini, "[ExcludeKeys]\r\n" + PrefixsUnreadableKeys() + "\r\n"));
    }

    // The ExcludeKeys.txt of a search that finds nothing.
    const std::string& PrefixsUnreadableKeys() {
        static const std::string unreadable = [this] {
            TempDir survey("find-survey");
            Find("/K Kzq" + UniqueSuffix() + "-nowhere", survey.path());
            return ReadFileBytes(survey / "ExcludeKeys.txt");
        }();
        return unreadable;
    }

    // The report that a run named on its standard output.
    std::string ReportOf(const FindRun& run) {
        EXPECT_EQ("\r\n", run.out.substr(run.out.size() < 2 ? 0 : run.out.size() - 2));
        const std::string path = run.out.substr(0, run.out.find("\r\n"));
        EXPECT_EQ(0u, path.find(m_cwd.path() + "\\Kestrin ")) << path;
        return ReadFileBytes(path);
    }

    TempDir m_bin{"find-bin"};
    TempDir m_cwd{"find-cwd"};
    std::string m_exe = m_bin / "kestrin-find.exe";
    std::string m_ini = m_bin / "Kestrin.ini";
};

TEST_F(KestrinFind, HelpPrintsTheUsageOnStandardOutput) {
    const FindRun run = Find("/?");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(0u, run.out.find(kUsage)) << run.out;
    EXPECT_EQ("", run.err);
}

TEST_F(KestrinFind, UsageErrorsExitWith64AndSearchNothing) {
    for (const char* arguments : {"/K", "/K \"\"", "/K /X text", "/W /C text", "/K one two", "/KV text", "/K text /H"}) {
        SCOPED_TRACE(arguments);
        const FindRun run = Find(arguments);
        EXPECT_EQ(64, run.exitCode);
        EXPECT_EQ("", run.out);
        const size_t usage = run.err.find(kUsage);
        ASSERT_NE(std::string::npos, usage) << run.err;
        EXPECT_GT(usage, std::string("kestrin-find: ").size()) << "a message comes before the usage: " << run.err;
        EXPECT_EQ(0u, run.err.find("kestrin-find: ")) << run.err;
    }
    EXPECT_TRUE(ListFiles(m_cwd.path()).empty()) << "no report, no exclusion file";
    EXPECT_FALSE(FileExists(m_ini)) << "the engine was never built";
}

// Options given in any case and order reach the engine: the header shows
// them and the hits follow them. Standard error is a pipe here, as in a
// script: it gets one status line at the end, never a line rewritten in place.
TEST_F(KestrinFind, SwitchesWorkInAnyCaseAndOrder) {
    RegistryTestKey key("find");
    const std::string text = "Kzq" + UniqueSuffix();
    key.String(text, "v", text);
    ASSERT_TRUE(key.ok());
    const std::vector<std::string> keyPaths = {key.CurrentUserPath() + "\\" + text, key.UsersPath() + "\\" + text};
    ExcludeThePrefixsUnreadableKeys();

    const FindRun values = Find("/v /W " + text);
    EXPECT_EQ(0, values.exitCode) << values.err;
    EXPECT_TRUE(std::regex_match(values.err, std::regex("Search: Keys [1-9][0-9]*, Values [1-9][0-9]*  Found items: 2\r\n")))
        << values.err;
    std::string report = ReportOf(values);
    EXPECT_NE(std::string::npos, report.find(OptionsLine({0, 1, 1, 0}))) << report;
    EXPECT_EQ("[" + keyPaths[0] + "]\r\n\"v\"=\"" + text + "\"\r\n\r\n[" + keyPaths[1] + "]\r\n\"v\"=\"" + text +
                  "\"\r\n\r\n",
              ReportBody(report));

    const FindRun keys = Find("/c /K /w " + text);
    report = ReportOf(keys);
    EXPECT_NE(std::string::npos, report.find(OptionsLine({1, 0, 1, 1}))) << report;
    EXPECT_EQ("[" + keyPaths[0] + "]\r\n\r\n[" + keyPaths[1] + "]\r\n\r\n", ReportBody(report));
}

TEST_F(KestrinFind, TextIsCutTo259Characters) {
    RegistryTestKey key("find-cut");
    std::string text = "Kzq" + UniqueSuffix() + "-";
    text.resize(300, 'c');
    key.String("", "cut", text.substr(0, 259));
    ASSERT_TRUE(key.ok());

    const FindRun run = Find("/V /W " + text);
    const std::string report = ReportOf(run);
    EXPECT_NE(std::string::npos, report.find(";    for expression: " + text.substr(0, 259) + "\r\n\r\n")) << report;
    EXPECT_EQ("[" + key.CurrentUserPath() + "]\r\n\"cut\"=\"" + text.substr(0, 259) + "\"\r\n\r\n[" + key.UsersPath() +
                  "]\r\n\"cut\"=\"" + text.substr(0, 259) + "\"\r\n\r\n",
              ReportBody(report));
}

// In code page 932 the cut never splits a double-byte character: after an
// even number of letters, 259 bytes would end on a lead byte, which is left
// out with its trail byte.
TEST_F(KestrinFind, TextCutKeepsDoubleByteCharactersWhole) {
    if (::GetACP() != 932) GTEST_SKIP() << "needs code page 932, have " << ::GetACP();
    RegistryTestKey key("find-cut-932");
    std::string text = "Kz" + UniqueSuffix();
    if (text.size() % 2) text += "-";
    const size_t letters = text.size();
    for (int i = 0; i < 150; ++i) text += "\x8C\x9F";
    const std::string cut = text.substr(0, 258);
    ASSERT_EQ(0u, (cut.size() - letters) % 2);
    key.String("", "cut", cut);
    ASSERT_TRUE(key.ok());

    const std::string report = ReportOf(Find("/V /W " + text));
    EXPECT_NE(std::string::npos, report.find(";    for expression: " + cut + "\r\n\r\n")) << report;
    EXPECT_EQ("[" + key.CurrentUserPath() + "]\r\n\"cut\"=\"" + cut + "\"\r\n\r\n[" + key.UsersPath() +
                  "]\r\n\"cut\"=\"" + cut + "\"\r\n\r\n",
              ReportBody(report));
}

// The full-width form of printable ASCII: "zebra" becomes "ｚｅｂｒａ", which
// the ANSI code page 1252 turns back into "zebra" by best fit.
std::wstring FullWidth(const std::string& ascii) {
    std::wstring wide;
    for (char c : ascii) wide += static_cast<wchar_t>(0xFF00 + (c - 0x20));
    return wide;
}

// /U reads a key whose name the ANSI code page lacks (Greek under 1252) and
// values named and holding such text; a plain text never matches its
// full-width look-alike, and a full-width text finds only itself. Each
// report is compared byte for byte with blocks written here by hand, and
// the runs end with exit code 0.
TEST_F(KestrinFind, UnicodeSearchReadsWhatTheCodePageCannotSpellAndMatchesExactly) {
    if (::GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, have " << ::GetACP();
    RegistryTestKey key("find-unicode");
    const std::string text = "kzebra" + UniqueSuffix();
    const std::wstring wideText(text.begin(), text.end());
    const std::wstring keyName = L"\u0396\u03ad\u03b2\u03c1\u03b1 " + FullWidth(text);
    const std::wstring omegaName = L"\u03a9" + wideText;
    const std::wstring fullWidthData = L"\u0416 " + FullWidth(text);
    // Created in the order of their names, which is the enumeration order
    // whether the registry keeps creation order or sorts.
    key.StringW(keyName, L"a", fullWidthData);
    key.StringW(keyName, L"b", L"x" + wideText + L"y");
    key.StringW(keyName, omegaName, L"\u03a9");
    ASSERT_TRUE(key.ok());
    const std::string currentUserPath = key.CurrentUserPath(), usersPath = key.UsersPath();
    const std::wstring currentUser(currentUserPath.begin(), currentUserPath.end());
    const std::wstring users(usersPath.begin(), usersPath.end());
    ExcludeThePrefixsUnreadableKeys();

    auto expectReport = [&](const FindRun& run, const std::wstring& searched, const std::wstring& block) {
        EXPECT_EQ(0, run.exitCode) << run.err;
        const std::string report = ReportOf(run);
        const std::string header = WideReportHeader(report);
        EXPECT_EQ(0u, header.find(Utf16Bytes(L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n")));
        EXPECT_NE(std::string::npos, header.find(Utf16Bytes(L";    for expression: " + searched + L"\r\n\r\n")));
        EXPECT_EQ(Utf16Bytes(L"[" + currentUser + L"\\" + keyName + L"]\r\n" + block + L"[" + users + L"\\" +
                             keyName + L"]\r\n" + block),
                  WideReportBody(report));
    };
    const std::wstring plainHits = L"\"b\"=\"x" + wideText + L"y\"\r\n\"" + omegaName + L"\"=\"\u03a9\"\r\n\r\n";
    expectReport(FindW(L"/U /K /V /N " + wideText), wideText, plainHits);
    expectReport(FindW(L"/u /K /V /N " + FullWidth(text)), FullWidth(text), L"\"a\"=\"" + fullWidthData + L"\"\r\n\r\n");
}

// /U and the exclusion list: an entry of a Kestrin.ini saved in UTF-16LE
// names a Greek key in the other case and keeps it out; the keys that /U
// cannot read are those the narrow walk cannot read, less the ones it could
// not name, and go to ExcludeKeys.txt in UTF-16LE after the ini's entries;
// Kestrin.ini keeps its bytes.
TEST_F(KestrinFind, UnicodeExclusionListIsComparedAndSavedInUtf16) {
    if (::GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, have " << ::GetACP();
    RegistryTestKey key("find-unicode-exclude");
    const std::string text = "kzx" + UniqueSuffix();
    const std::wstring wideText(text.begin(), text.end());
    key.StringW(L"\u03a3\u039a\u0399\u0391", L"v", wideText);  // Greek capitals
    key.StringW(L"open", L"v", wideText);
    ASSERT_TRUE(key.ok());
    const std::string currentUserPath = key.CurrentUserPath(), usersPath = key.UsersPath();
    const std::wstring currentUser(currentUserPath.begin(), currentUserPath.end());
    const std::wstring users(usersPath.begin(), usersPath.end());
    const std::wstring entries = currentUser + L"\\\u03c3\u03ba\u03b9\u03b1\r\n" + users + L"\\\u03c3\u03ba\u03b9\u03b1\r\n";
    const std::string ini = Utf16Bytes(L"\xFEFF[ExcludeKeys]\r\n" + entries);
    std::wstring refused;
    for (size_t at = 0, end; (end = PrefixsUnreadableKeys().find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = PrefixsUnreadableKeys().substr(at, end - at);
        if (line.find('?') == std::string::npos) refused += std::wstring(line.begin(), line.end()) + L"\r\n";
    }
    ASSERT_TRUE(WriteFileBytes(m_ini, ini));

    const FindRun run = FindW(L"/U /V " + wideText);
    EXPECT_EQ(refused.empty() ? 0 : 2, run.exitCode) << run.err;
    const std::wstring block = L"]\r\n\"v\"=\"" + wideText + L"\"\r\n\r\n";
    EXPECT_EQ(Utf16Bytes(L"[" + currentUser + L"\\open" + block + L"[" + users + L"\\open" + block),
              WideReportBody(ReportOf(run)));
    EXPECT_EQ(refused.empty() ? "" : Utf16Bytes(L"\xFEFF" + entries + refused), ReadFileBytes(m_cwd / "ExcludeKeys.txt"));
    EXPECT_EQ(ini, ReadFileBytes(m_ini));
}

// Names with a NUL inside, made through ntdll: a key "Hid\0<text>" holding
// a value whose data is the text, and beside it a value "\0<text>". Both
// widths find all three hits: the key is opened by its counted name and
// walked, its name matches after the NUL, it never enters ExcludeKeys.txt,
// the report holds no NUL but the escaped forms under their comment lines,
// and JSON writes \u0000 in the key path and the value name.
TEST_F(KestrinFind, NamesWithANulAreOpenedMatchedAndReportedEscaped) {
    RegistryTestKey key("find-nul");
    ASSERT_TRUE(key.ok());
    const std::string text = "Kzn" + UniqueSuffix();
    const std::wstring wideText(text.begin(), text.end());
    HKEY root = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, key.SoftwarePath().c_str(), 0, KEY_ALL_ACCESS, &root));
    NativeKeys native;
    HKEY hidden = native.Key(root, std::wstring(L"Hid\0", 4) + wideText);
    const bool stored = NativeKeys::String(root, std::wstring(1, L'\0') + L"Run" + wideText, L"x");
    ::RegCloseKey(root);
    ASSERT_NE(nullptr, hidden);
    ASSERT_TRUE(stored);
    ASSERT_TRUE(NativeKeys::String(hidden, L"inside", wideText));
    const std::string base = key.CurrentUserPath();
    const std::string body = "[" + base + "]\r\n; the value name below holds a NUL character, written \\0; a "
                             "backslash in it is written \\\\\r\n\"\\0Run" + text + "\"=\"x\"\r\n\r\n"
                             "; a name in the key path below holds a NUL character, written \\\\0\r\n[" + base +
                             "\\Hid\\\\0" + text + "]\r\n\"inside\"=\"" + text + "\"\r\n\r\n";
    std::string jsonBase = "\"";
    for (char c : base) jsonBase += c == '\\' ? std::string("\\\\") : std::string(1, c);
    const std::string jsonKey = jsonBase + "\\\\Hid\\u0000" + text + "\"";

    for (const char* width : {"", "/U "}) {
        SCOPED_TRACE(width);
        TempDir folder("find-nul-run");
        const FindRun run = Find(std::string(width) + "/K /V /N /J /S \"" + base + "\" " + text, folder.path());
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_NE(std::string::npos, run.out.find("{\"key\": " + jsonKey + ", \"match\": \"key\"")) << run.out;
        EXPECT_NE(std::string::npos, run.out.find("{\"key\": " + jsonBase + "\", \"value\": \"\\u0000Run" + text))
            << run.out;
        EXPECT_NE(std::string::npos, run.out.find("\"keys\": 2, \"values\": 2, \"found\": 3")) << run.out;
        EXPECT_FALSE(FileExists(folder / "ExcludeKeys.txt"));
        const std::vector<std::string> reports = ListFiles(folder.path(), "Kestrin *.reg");
        ASSERT_EQ(1u, reports.size());
        const std::string report = ReadFileBytes(folder / reports[0]);
        EXPECT_EQ(*width ? Utf16Bytes(std::wstring(body.begin(), body.end())) : body,
                  *width ? WideReportBody(report) : ReportBody(report));
    }
}

// A console program has nobody to close a message box: a report that
// cannot be created is explained once on standard error, with its path, and
// the search ends there with exit code 3. The text matches many keys.
// Z:\sys is the Unix /sys, where not even root may create a file.
TEST_F(KestrinFind, ReportThatCannotBeCreatedIsExplainedOnceAndExitsWith3) {
    if (::GetFileAttributesA("Z:\\sys") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no unwritable folder Z:\\sys";
    const FindRun run = Find("/K /V Explorer", "Z:\\sys");
    EXPECT_EQ(3, run.exitCode) << run.err;
    EXPECT_EQ("", run.out);
    // Standard error is a text stream: its line feeds arrive as CR LF.
    const std::string message =
        "Facility = 0, Severity = 0, Scode = 5\r\n in CRegKeyTools::CreateFile [m_fileData.Open()] for file "
        "Z:\\sys\\Kestrin ";
    const size_t first = run.err.find(message);
    EXPECT_NE(std::string::npos, first) << run.err;
    EXPECT_EQ(std::string::npos, run.err.find("CreateFile", first + message.size())) << run.err;
}

// A key that cannot be opened makes the exit code 2 and lands in
// ExcludeKeys.txt in the current directory. Listed in the Kestrin.ini beside
// the executable, those keys are skipped and the run ends with 0; the
// options in that file are used by nobody and never written back.
TEST_F(KestrinFind, ExclusionListComesFromKestrinIniBesideTheExecutable) {
    RegistryTestKey key("find-exclude");
    const std::string unopenable = key.KeyW(L"a\u05D0");
    ASSERT_TRUE(key.ok());
    const std::string nowhere = "Kzq" + UniqueSuffix() + "-nowhere";

    const FindRun first = Find("/K " + nowhere);
    EXPECT_EQ(2, first.exitCode) << first.err;
    EXPECT_EQ("", first.out) << "no hits, no report path";
    EXPECT_EQ("[ExcludeKeys]\r\n\r\n", ReadFileBytes(m_ini)) << "created beside the executable";
    const std::string unreadable = ReadFileBytes(m_cwd / "ExcludeKeys.txt");
    EXPECT_NE(std::string::npos, unreadable.find(key.CurrentUserPath() + "\\" + unopenable + "\r\n")) << unreadable;
    EXPECT_NE(std::string::npos, unreadable.find(key.UsersPath() + "\\" + unopenable + "\r\n")) << unreadable;

    const std::string ini = "[ExcludeKeys]\r\n" + unreadable + "\r\n[Options]\r\nKeys=Off\r\nValues=Off\r\n";
    ASSERT_TRUE(WriteFileBytes(m_ini, ini));
    ASSERT_TRUE(::DeleteFileA((m_cwd / "ExcludeKeys.txt").c_str()));
    const FindRun second = Find("/K " + nowhere);
    EXPECT_EQ(0, second.exitCode) << second.err;
    EXPECT_EQ("", second.out);
    EXPECT_TRUE(ListFiles(m_cwd.path()).empty());
    EXPECT_EQ(ini, ReadFileBytes(m_ini));
}

// Ctrl+C reaches the child through a console of its own, to which the test
// attaches for the moment of the event (ignoring the event itself). The
// search looks for the first root's own name, so its only hit is written
// before the walk's first poll of the stop event, and the report is the
// same wherever the event lands. A walk that ends before the event arrives
// is run again. Until the event the child is searching: it must own no
// window, not even a message-only one (under Wine the first window of a
// process starts a desktop process, and without a display writes into the
// registry).
class KestrinFindStop : public KestrinFind {
protected:
    static bool OwnsAWindow(DWORD process) {
        for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) {
            for (HWND window = ::FindWindowExA(parent, nullptr, nullptr, nullptr); window;
                 window = ::FindWindowExA(parent, window, nullptr, nullptr)) {
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                if (owner == process) return true;
            }
        }
        return false;
    }

    // The exit code of a run, started with these creation flags besides its
    // own console, stopped with event; -2 when the platform cannot send the
    // event at all.
    long RunAndStop(DWORD event, DWORD flags, FindRun* run) {
        for (const std::string& name : ListFiles(m_cwd.path(), "*.reg")) ::DeleteFileA((m_cwd / name).c_str());
        ChildProcess child;
        EXPECT_TRUE(child.Start(m_exe, "kestrin-find /K /W /C HKEY_CLASSES_ROOT", m_cwd.path(),
                                CREATE_NEW_CONSOLE | flags));
        // The report appears with the first hit, after the handler is installed.
        const ULONGLONG deadline = ::GetTickCount64() + 60000;
        while (ListFiles(m_cwd.path(), "*.reg").empty() && child.Running() && ::GetTickCount64() < deadline) {
            child.Pump();
            ::Sleep(10);
        }
        EXPECT_FALSE(OwnsAWindow(child.id()));
        ::FreeConsole();
        // A child in a process group of its own is reached through that group
        // (Wine sends group 0's events to the caller's group only).
        const DWORD group = (flags & CREATE_NEW_PROCESS_GROUP) ? child.id() : 0;
        bool sent = ::AttachConsole(child.id()) && ::SetConsoleCtrlHandler(nullptr, TRUE) &&
                    ::GenerateConsoleCtrlEvent(event, group);
        ::FreeConsole();
        if (!sent) return -2;  // the destructor ends the child
        long exitCode = child.Wait();
        *run = {exitCode, child.Out(), child.Err()};
        return exitCode;
    }

    void ExpectStoppedBy(DWORD event, DWORD flags = 0) {
        FindRun run;
        long exitCode = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            exitCode = RunAndStop(event, flags, &run);
            // Wine 8's server delivers CTRL_C_EVENT only and fails the call
            // for CTRL_BREAK_EVENT; Windows delivers both.
            if (exitCode == -2) GTEST_SKIP() << "GenerateConsoleCtrlEvent(" << event << ") failed: not deliverable here";
            if (exitCode == 1) break;
        }
        ASSERT_EQ(1, exitCode) << run.err;
        EXPECT_EQ(std::string("[HKEY_CLASSES_ROOT]\r\n\r\n") + kNote, ReportBody(ReportOf(run)));
    }
};

TEST_F(KestrinFindStop, CtrlCStopsTheSearchAndTheReportEndsWithTheNote) { ExpectStoppedBy(CTRL_C_EVENT); }

TEST_F(KestrinFindStop, CtrlBreakStopsTheSearchLikeCtrlC) { ExpectStoppedBy(CTRL_BREAK_EVENT); }

// A process started in a new process group begins with Ctrl+C ignored, as a
// script's background job does; kestrin-find turns it back on.
TEST_F(KestrinFindStop, CtrlCStopsAProcessStartedInANewProcessGroup) {
    ExpectStoppedBy(CTRL_C_EVENT, CREATE_NEW_PROCESS_GROUP);
}

}  // namespace
