// The registry walk behind the fake registry: each branch with everything it
// touches - counters, exclusion list, report bytes, progress posts, the run's
// result and the worker's exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <ostream>

#include "engine/EngineTestSupport.h"
#include "engine/FakeRegistry.h"
#include "engine/RegKeyTools.h"
#include "engine/SearchContext.h"
#include "engine/SearchMessages.h"
#include "support/ErrorCapture.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFileBytes;
using testsupport::ReportBody;
using testsupport::WriteFileBytes;

const std::string kHkcr = "HKEY_CLASSES_ROOT";
const std::string kHkcu = "HKEY_CURRENT_USER";
const std::string kHklm = "HKEY_LOCAL_MACHINE";
const std::string kHku = "HKEY_USERS";
const std::string kBlank = "\r\n";
const std::string kNote = "\r\n; ** The process of search was interrupted by the user **";

// A literal's bytes including embedded NULs (but not the literal's own).
template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::string KeyLine(const std::string& path) { return "[" + path + "]\r\n"; }

std::string ValueLine(const std::string& name, const std::string& data) {
    return (name.empty() ? std::string("@") : "\"" + name + "\"") + "=\"" + data + "\"\r\n";
}

struct Counts {
    int keys;
    int values;
    int found;
    bool operator==(const Counts& other) const {
        return keys == other.keys && values == other.values && found == other.found;
    }
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
    return out << "{keys " << c.keys << ", values " << c.values << ", found " << c.found << "}";
}

class WalkTest : public ::testing::Test {
protected:
    void TearDown() override {
        tools.reset();
        EXPECT_EQ("", registry.Problems());
        EXPECT_EQ("", wideRegistry.Problems());
    }

    // The engine over the fake registry, with a settings file whose
    // "ExcludeKeys" section holds the given lines. Text "needle", values only.
    void MakeEngine(const std::vector<std::string>& excluded = {}) {
        std::string ini = "[ExcludeKeys]\r\n";
        for (const std::string& line : excluded) ini += line + "\r\n";
        ASSERT_TRUE(WriteFileBytes(dir / "Kestrin.ini", ini));
        tools = std::make_unique<CRegKeyTools>((dir / "Kestrin.ini").c_str(), RegistryPair{registry, wideRegistry});
        Options("needle", 0, 1);
        tools->m_notifyWindow = window.get();
        tools->m_searchCounters = &context.m_counters;
        context.m_notifyWindow = window.get();
        context.m_tools = tools.get();
    }

    void Options(const std::string& text, int keys, int values, int whole = 0, int matchCase = 0) {
        testsupport::SetSearchOptions(*tools, text, {keys, values, whole, matchCase});
    }

    // One search through the worker's routine, on this thread; keeps what it posted.
    DWORD Run() {
        DWORD code = SearchThreadProc(&context);
        progressPosts = window.Take(WM_SEARCH_PROGRESS);
        endPosts = window.Take(WM_SEARCH_END);
        return code;
    }

    Counts Counted() const {
        const SearchCounters& c = context.m_counters;
        return {SearchCounters::Read(c.keys), SearchCounters::Read(c.values), SearchCounters::Read(c.found)};
    }

    // The last run's report below its header block.
    std::string Report() const {
        const char* name = tools->Report().FileName();
        return *name ? ReportBody(ReadFileBytes(name)) : "<no report>";
    }

    std::string ExcludeFile() const {
        std::string path = dir / "ExcludeKeys.txt";
        return FileExists(path) ? ReadFileBytes(path) : "<no file>";
    }

    using List = std::vector<std::string>;

    // The report and ExcludeKeys.txt go to the current directory.
    testsupport::TempDir dir{"engine"};
    testsupport::CurrentDirectoryScope inDir{dir.path()};
    MessageWindow window;
    testsupport::ErrorCapture errors;
    FakeRegistry registry;
    WideFakeRegistry wideRegistry;  // the same tree for /U, where a test fills it
    SearchContext context{};
    std::unique_ptr<CRegKeyTools> tools;
    int progressPosts = 0;
    int endPosts = 0;
};

// ---- A whole run -----------------------------------------------------------

TEST_F(WalkTest, CompleteRunWritesBlocksInPreOrderAndRootOrder) {
    registry.Key(kHklm + "\\Late").Sz("v", "needle late");
    registry.Key(kHkcu + "\\A").Sz("v", "a needle").Sz("n", "nothing");
    registry.Key(kHkcu + "\\A\\B").Sz("w", "NEEDLE");
    registry.Key(kHkcu + "\\C").Sz("x", "no");
    MakeEngine();

    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{8, 5, 3}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\A") + ValueLine("v", "a needle") + kBlank +
                  KeyLine(kHkcu + "\\A\\B") + ValueLine("w", "NEEDLE") + kBlank +
                  KeyLine(kHklm + "\\Late") + ValueLine("v", "needle late") + kBlank,
              Report());
    EXPECT_EQ(0u, ReadFileBytes(tools->Report().FileName()).find("REGEDIT4\r\n"));
    EXPECT_EQ(5, progressPosts);  // the start and each of the four roots
    EXPECT_EQ(1, endPosts);
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
    EXPECT_EQ("<no file>", ExcludeFile());
    EXPECT_EQ(List{}, errors.messages());
}

// One tree for the fake of either width: string values, a key and a value
// name that match, and binary data that never does.
template <typename Char>
void FillBothWidthsTree(BasicFakeRegistry<Char>& fake) {
    const struct {
        const char* path;
        const char* name;
        const char* text;  // null: REG_BINARY "needle"
    } entries[] = {
        {"HKEY_CLASSES_ROOT\\.needle", "", "plain"},   {"HKEY_CURRENT_USER\\A", "v", "a NEEDLE here"},
        {"HKEY_CURRENT_USER\\A\\B", "needleName", "x"}, {"HKEY_CURRENT_USER\\A\\B\\C", "w", "none"},
        {"HKEY_LOCAL_MACHINE\\Soft\\needle", "", "needle"}, {"HKEY_USERS\\U", "bin", nullptr},
    };
    for (const auto& entry : entries) {
        auto& key = fake.Key(Widened<Char>(entry.path));
        if (entry.text)
            key.Sz(Widened<Char>(entry.name), Widened<Char>(entry.text));
        else
            key.Raw(Widened<Char>(entry.name), REG_BINARY, "needle");
    }
}

// The wide walk (/U) over the same tree opens the same keys, counts the same
// and writes the same report body, in UTF-16.
TEST_F(WalkTest, WideWalkFindsWhatTheNarrowWalkFinds) {
    FillBothWidthsTree(registry);
    FillBothWidthsTree(wideRegistry);
    MakeEngine();
    Options("needle", 1, 1);
    tools->m_lookAtNames = 1;
    EXPECT_EQ(0u, Run());
    const Counts narrow = Counted();
    EXPECT_EQ((Counts{11, 6, 5}), narrow);
    const std::string narrowBody = Report();

    tools->m_unicode = 1;
    std::wcscpy(tools->m_searchTextWide, L"needle");
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(narrow, Counted());
    EXPECT_EQ(testsupport::Utf16Bytes(Widened<wchar_t>(narrowBody.c_str())),
              testsupport::WideReportBody(ReadFileBytes(tools->Report().FileName())));
    std::vector<std::wstring> narrowOpened;
    for (const std::string& path : registry.Opened()) narrowOpened.push_back(Widened<wchar_t>(path.c_str()));
    EXPECT_EQ(narrowOpened, wideRegistry.Opened());
}

TEST_F(WalkTest, SearchSucceedsOnlyWhenEveryRootWasWalked) {
    registry.Key(kHkcu + "\\A");
    MakeEngine();
    EXPECT_EQ(1, tools->Search());
    registry.Key(kHklm).failOpen = true;
    EXPECT_EQ(0, tools->Search());
    EXPECT_EQ(0, tools->IsStopped());
}

TEST_F(WalkTest, FreshRootHandlesAreClosedAndPredefinedOnesNever) {
    registry.HandBackNewRootHandles(true);
    registry.Key(kHkcu + "\\A\\B");
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((List{kHkcr, kHkcu, kHkcu + "\\A", kHkcu + "\\A\\B", kHklm, kHku}), registry.Opened());
    // TearDown checks that all six handles were closed.
}

TEST_F(WalkTest, WorkerWithoutContextOrEngineExitsWithThreeAndPostsNothing) {
    EXPECT_EQ(3u, SearchThreadProc(nullptr));
    SearchContext empty{};
    empty.m_notifyWindow = window.get();
    EXPECT_EQ(3u, SearchThreadProc(&empty));
    EXPECT_EQ(0, window.Take(WM_SEARCH_PROGRESS));
    EXPECT_EQ(0, window.Take(WM_SEARCH_END));
}

// ---- Report lines ----------------------------------------------------------

TEST_F(WalkTest, ValueLinesAreUnescapedAndTheDefaultValueIsAnAtSign) {
    registry.Key(kHkcu + "\\Paths").Sz("", "C:\\needle\\dir").Sz("say \"hi\"", "needle \"q\"");
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(KeyLine(kHkcu + "\\Paths") + "@=\"C:\\needle\\dir\"\r\n" +
                  "\"say \"hi\"\"=\"needle \"q\"\"\r\n" + kBlank,
              Report());
}

TEST_F(WalkTest, KeyWhoseNameAndTwoValuesMatchGetsOneKeyLine) {
    registry.Key(kHkcu + "\\needles").Sz("a", "needle 1").Sz("b", "other").Sz("c", "needle 3");
    MakeEngine();
    Options("needle", 1, 1);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{5, 3, 3}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\needles") + ValueLine("a", "needle 1") + ValueLine("c", "needle 3") + kBlank,
              Report());
}

TEST_F(WalkTest, OnlyStringValuesMatchButEveryValueCounts) {
    registry.Key(kHkcu + "\\Types")
        .Raw("multi", REG_MULTI_SZ, Bytes("needle\0needle\0\0"))
        .Raw("dword", REG_DWORD, Bytes("need"))
        .Raw("binary", REG_BINARY, "needle")
        .Raw("expand", REG_EXPAND_SZ, Bytes("%needle%\0"));
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{5, 4, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\Types") + ValueLine("expand", "%needle%") + kBlank, Report());
}

TEST_F(WalkTest, StringDataEndsAtItsFirstTerminator) {
    registry.Key(kHkcu + "\\Nul")
        .Raw("late", REG_SZ, Bytes("before\0needle\0"))
        .Raw("early", REG_SZ, Bytes("needle\0after\0"));
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{5, 2, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\Nul") + ValueLine("early", "needle") + kBlank, Report());
}

TEST_F(WalkTest, DataWithoutTerminatorEndsAtItsSize) {
    // The first value lands in a fresh buffer full of junk, the second on
    // the first one's bytes: both must end where their data ends.
    registry.Key(kHkcu + "\\Raw").Raw("long", REG_SZ, "needle and more").Raw("short", REG_SZ, "needle");
    MakeEngine();
    Options("needle", 0, 1, 1);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(KeyLine(kHkcu + "\\Raw") + ValueLine("short", "needle") + kBlank, Report());
    Options("needle", 0, 1, 0);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(KeyLine(kHkcu + "\\Raw") + ValueLine("long", "needle and more") +
                  ValueLine("short", "needle") + kBlank,
              Report());
}

TEST_F(WalkTest, EmptyDataMatchesAnEmptyWholeText) {
    registry.Key(kHkcu + "\\Empty").Raw("none", REG_SZ, "").Raw("nul", REG_SZ, Bytes("\0")).Sz("text", "x");
    MakeEngine();
    Options("", 0, 1, 1);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{5, 3, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\Empty") + ValueLine("none", "") + ValueLine("nul", "") + kBlank, Report());
}

TEST_F(WalkTest, ValuesOffReadsNoValueButKeyNamesStillMatch) {
    registry.Key(kHkcu + "\\needle").Sz("v", "needle");
    MakeEngine();
    Options("needle", 1, 0);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{5, 0, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\needle") + kBlank, Report());
}

TEST_F(WalkTest, RootsAreMatchedAndReportedByTheirBareNames) {
    MakeEngine();
    Options("HKEY_U", 1, 0);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{4, 0, 1}), Counted());
    EXPECT_EQ(KeyLine(kHku) + kBlank, Report());

    Options("hkey_", 1, 0);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(KeyLine(kHkcr) + kBlank + KeyLine(kHkcu) + kBlank + KeyLine(kHklm) + kBlank + KeyLine(kHku) + kBlank,
              Report());
}

// ---- Keys that cannot be read ----------------------------------------------

TEST_F(WalkTest, KeyThatCannotBeOpenedBelowARootIsReportedByNameAndExcluded) {
    FakeKey& locked = registry.Key(kHkcu + "\\needleLocked");
    locked.failOpen = true;
    locked.Add("inside").Sz("v", "needle");
    registry.Key(kHkcu + "\\after").Sz("v", "needle");
    MakeEngine();
    Options("needle", 1, 1);

    EXPECT_EQ(2u, Run());
    EXPECT_EQ((Counts{5, 1, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\needleLocked") + kBlank + KeyLine(kHkcu + "\\after") +
                  ValueLine("v", "needle") + kBlank,
              Report());
    EXPECT_EQ(List{kHkcu + "\\needleLocked"}, tools->Exclusions().Entries());
    EXPECT_EQ(kHkcu + "\\needleLocked\r\n", ExcludeFile());
    EXPECT_FALSE(registry.WasOpened(kHkcu + "\\needleLocked\\inside"));
}

TEST_F(WalkTest, RootThatCannotBeOpenedEndsOnlyItsOwnWalkAndAddsNothing) {
    registry.Key(kHklm).failOpen = true;
    registry.Key(kHklm + "\\inside").Sz("v", "needle");
    registry.Key(kHku + "\\later").Sz("v", "needle");
    MakeEngine();
    EXPECT_EQ(2u, Run());
    EXPECT_EQ((Counts{4, 1, 1}), Counted());
    EXPECT_EQ(KeyLine(kHku + "\\later") + ValueLine("v", "needle") + kBlank, Report());
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
    EXPECT_EQ("<no file>", ExcludeFile());
    EXPECT_EQ(5, progressPosts);
}

TEST_F(WalkTest, KeyWhoseInformationCannotBeReadIsCountedClosedAndExcluded) {
    FakeKey& key = registry.Key(kHkcu + "\\needleQuery");
    key.failQuery = true;
    key.Sz("v", "needle").Add("child").Sz("v", "needle");
    registry.Key(kHkcu + "\\after").Sz("v", "needle");
    MakeEngine();
    Options("needle", 1, 1);

    EXPECT_EQ(2u, Run());
    EXPECT_EQ((Counts{6, 1, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\needleQuery") + kBlank + KeyLine(kHkcu + "\\after") +
                  ValueLine("v", "needle") + kBlank,
              Report());
    EXPECT_EQ(List{kHkcu + "\\needleQuery"}, tools->Exclusions().Entries());
    EXPECT_FALSE(registry.WasOpened(kHkcu + "\\needleQuery\\child"));
}

TEST_F(WalkTest, RootWhoseInformationCannotBeReadAddsNothing) {
    registry.Key(kHkcr).failQuery = true;
    registry.Key(kHkcr + "\\inside").Sz("v", "needle");
    registry.Key(kHkcu + "\\x").Sz("v", "needle");
    MakeEngine();
    EXPECT_EQ(2u, Run());
    EXPECT_EQ((Counts{5, 1, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\x") + ValueLine("v", "needle") + kBlank, Report());
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
}

TEST_F(WalkTest, ValueReadFailureBelowARootEndsTheValuePassButNotTheSubKeys) {
    FakeKey& key = registry.Key(kHkcu + "\\K");
    key.Sz("v0", "needle 0").Sz("v1", "needle 1").Sz("v2", "needle 2").failValueAt = 1;
    key.Add("C").Sz("w", "needle");
    MakeEngine();

    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{6, 2, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\K") + ValueLine("v0", "needle 0") + kBlank + KeyLine(kHkcu + "\\K\\C") +
                  ValueLine("w", "needle") + kBlank,
              Report());
    EXPECT_EQ(List{kHkcu + "\\K"}, tools->Exclusions().Entries());
    EXPECT_EQ(kHkcu + "\\K\r\n", ExcludeFile());
}

TEST_F(WalkTest, ValueReadFailureAtARootSkipsOnlyThatValue) {
    FakeKey& root = registry.Key(kHkcu);
    root.Sz("v0", "needle 0").Sz("v1", "needle 1").Sz("v2", "needle 2").failValueAt = 1;
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{4, 2, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu) + ValueLine("v0", "needle 0") + ValueLine("v2", "needle 2") + kBlank, Report());
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
}

TEST_F(WalkTest, SubKeyNameReadFailureBelowARootEndsItsParentsPass) {
    FakeKey& parent = registry.Key(kHkcu + "\\P");
    for (const char* name : {"C0", "C1", "C2"}) parent.Add(name).Sz("v", "needle");
    parent.failSubKeyAt = 1;
    registry.Key(kHkcu + "\\Q").Sz("v", "needle");
    MakeEngine();

    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{7, 2, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\P\\C0") + ValueLine("v", "needle") + kBlank + KeyLine(kHkcu + "\\Q") +
                  ValueLine("v", "needle") + kBlank,
              Report());
    EXPECT_EQ(List{kHkcu + "\\P"}, tools->Exclusions().Entries());
    EXPECT_FALSE(registry.WasOpened(kHkcu + "\\P\\C2"));
}

TEST_F(WalkTest, SubKeyNameReadFailureAtARootSkipsOnlyThatSubKey) {
    FakeKey& root = registry.Key(kHkcu);
    for (const char* name : {"C0", "C1", "C2"}) root.Add(name).Sz("v", "needle");
    root.failSubKeyAt = 1;
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{6, 2, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\C0") + ValueLine("v", "needle") + kBlank + KeyLine(kHkcu + "\\C2") +
                  ValueLine("v", "needle") + kBlank,
              Report());
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
}

// ---- Keys that other programs change during the walk -----------------------

TEST_F(WalkTest, ChangesDuringTheWalkEndPassesOrAreReadAgainAndExcludeNothing) {
    FakeKey& deleted = registry.Key(kHkcu + "\\Deleted");  // deleted once opened
    deleted.Sz("v", "needle").failQuery = true;
    deleted.failCode = ERROR_KEY_DELETED;
    FakeKey& fewer = registry.Key(kHkcu + "\\Fewer");  // lists that got shorter
    fewer.Sz("v0", "needle 0").Sz("v1", "needle 1").failCode = ERROR_NO_MORE_ITEMS;
    fewer.Add("C0").Sz("v", "needle");
    fewer.Add("C1").Sz("v", "needle");
    fewer.failValueAt = fewer.failSubKeyAt = 1;
    FakeKey& dropped = registry.Key(kHkcu + "\\Dropped");  // deleted between reads
    dropped.Sz("v", "needle").Add("C").Sz("v", "needle");
    dropped.failValueAt = dropped.failSubKeyAt = 0;
    dropped.failCode = ERROR_KEY_DELETED;
    FakeKey& grows = registry.Key(kHkcu + "\\Grows");  // a value that grows as often as is retried
    grows.Sz("v0", "needle 0").Sz("v1", "needle 1").growValueAt = 1;
    grows.growths = kMoreDataRetries;
    FakeKey& longer = registry.Key(kHkcu + "\\Longer");  // a longer sub-key name, as often
    longer.Add("C0");
    longer.Add("C1").Sz("v", "needle");
    longer.growSubKeyAt = 1;
    longer.growths = kMoreDataRetries;

    // Deleted after it was enumerated; alone in its list, so that no sibling
    // moves up unseen.
    FakeKey& gone = registry.Key(kHkcu + "\\after").Sz("v", "needle").Add("needleGone");
    gone.vanishOnOpen = true;
    gone.Add("inside").Sz("v", "needle");
    MakeEngine();
    Options("needle", 1, 1);

    EXPECT_EQ(0u, Run());
    const std::string grownName = Grown(Grown(Grown(Grown(std::string("v1")))));
    const std::string grownKey = kHkcu + "\\Longer\\" + Grown(Grown(Grown(Grown(std::string("C1")))));
    EXPECT_EQ(KeyLine(kHkcu + "\\Fewer") + ValueLine("v0", "needle 0") + kBlank + KeyLine(kHkcu + "\\Fewer\\C0") +
                  ValueLine("v", "needle") + kBlank + KeyLine(kHkcu + "\\Grows") + ValueLine("v0", "needle 0") +
                  ValueLine(grownName, "needle 1") + kBlank + KeyLine(grownKey) + ValueLine("v", "needle") + kBlank +
                  KeyLine(kHkcu + "\\after") + ValueLine("v", "needle") + kBlank,
              Report());
    EXPECT_EQ((Counts{13, 6, 6}), Counted());  // the gone key is in none of them
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
    EXPECT_EQ("<no file>", ExcludeFile());
    EXPECT_EQ(List{}, errors.messages());
}

// One growth more than is retried: the key counts as unreadable, as a
// refused read does. So does a key that its parent still lists although
// its name does not open (a name the code page cannot spell).
TEST_F(WalkTest, KeysThatStayUnreadableDespiteTheRetriesAreExcluded) {
    FakeKey& unspellable = registry.Key(kHkcu + "\\a?b");
    unspellable.failOpen = true;
    unspellable.failCode = ERROR_FILE_NOT_FOUND;
    FakeKey& grows = registry.Key(kHkcu + "\\Grows");
    grows.Sz("v0", "needle 0").Sz("v1", "needle 1").growValueAt = 1;
    grows.growths = kMoreDataRetries + 1;
    grows.Add("C").Sz("v", "needle");
    FakeKey& longer = registry.Key(kHkcu + "\\Longer");
    for (const char* name : {"C0", "C1", "C2"}) longer.Add(name).Sz("v", "needle");
    longer.growSubKeyAt = 1;
    longer.growths = kMoreDataRetries + 1;
    MakeEngine();

    EXPECT_EQ(2u, Run());
    EXPECT_EQ(KeyLine(kHkcu + "\\Grows") + ValueLine("v0", "needle 0") + kBlank + KeyLine(kHkcu + "\\Grows\\C") +
                  ValueLine("v", "needle") + kBlank + KeyLine(kHkcu + "\\Longer\\C0") + ValueLine("v", "needle") +
                  kBlank,
              Report());
    EXPECT_EQ((List{kHkcu + "\\a?b", kHkcu + "\\Grows", kHkcu + "\\Longer"}), tools->Exclusions().Entries());
}

// ---- Out of memory ---------------------------------------------------------

// Calls 2 to 4 are the three value buffers of HKCU\K: call 1 is HKCU's own
// sub-key name buffer (the empty HKEY_CLASSES_ROOT allocates nothing).
class ValueBufferAllocationTest : public WalkTest, public ::testing::WithParamInterface<int> {};

TEST_P(ValueBufferAllocationTest, FailureSkipsTheValuePassSilently) {
    registry.Key(kHkcu + "\\K").Sz("v", "needle");
    registry.Key(kHkcu + "\\K\\C").Sz("w", "needle");
    registry.FailAllocationCall(GetParam());
    MakeEngine();

    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{6, 1, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\K\\C") + ValueLine("w", "needle") + kBlank, Report());
    EXPECT_EQ(List{}, errors.messages());
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
}

INSTANTIATE_TEST_SUITE_P(EachOfTheThree, ValueBufferAllocationTest, ::testing::Values(2, 3, 4));

TEST_F(WalkTest, ValueBufferTooLargeToAllocateSkipsOnlyThatKeysValues) {
    registry.Key(kHkcu + "\\Big").Sz("big", std::string(4000, 'n') + "needle").Sz("small", "needle");
    registry.Key(kHkcu + "\\Small").Sz("v", "needle");
    registry.FailAllocationsFrom(4000);
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{6, 1, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\Small") + ValueLine("v", "needle") + kBlank, Report());
    EXPECT_EQ(List{}, errors.messages());
}

TEST_F(WalkTest, SubKeyBufferAllocationFailureIsReportedAndSkipsTheSubKeys) {
    // Only K's sub-key name buffer is this large.
    const std::string longName(200, 'c');
    registry.Key(kHkcu + "\\K").Sz("v", "needle").Add(longName).Sz("v", "needle");
    registry.Key(kHkcu + "\\L").Sz("v", "needle");
    registry.FailAllocationsFrom(longName.size() + 1);
    MakeEngine();

    EXPECT_EQ(2u, Run());
    EXPECT_EQ((Counts{6, 2, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\K") + ValueLine("v", "needle") + kBlank + KeyLine(kHkcu + "\\L") +
                  ValueLine("v", "needle") + kBlank,
              Report());
    ASSERT_EQ(1u, errors.messages().size());
    const std::string& message = errors.messages()[0];
    EXPECT_EQ("Out of memory", message.substr(message.size() - 13)) << message;
    EXPECT_FALSE(registry.WasOpened(kHkcu + "\\K\\" + longName));
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
}

// ---- Stop ------------------------------------------------------------------

class StopTest : public WalkTest {
protected:
    void SetUp() override { stopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    void TearDown() override {
        EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(stopEvent, 0)) << "the walk leaves the event reset";
        ::CloseHandle(stopEvent);
        WalkTest::TearDown();
    }
    HANDLE stopEvent = nullptr;
};

TEST_F(StopTest, StopSeenAtAPollVisitsNoFurtherKeyAndEndsWithTheNote) {
    registry.Key(kHkcu + "\\A").Sz("v", "needle");
    registry.Key(kHkcu + "\\A\\A1").Sz("v", "needle");
    registry.Key(kHkcu + "\\A\\A2").Sz("v", "needle");
    registry.Key(kHkcu + "\\B").Sz("v", "needle");
    registry.Key(kHklm + "\\M").Sz("v", "needle");
    registry.SignalOnEnumKey(3, stopEvent);  // the call that reads A2
    MakeEngine();
    tools->m_stopEvent = stopEvent;

    EXPECT_EQ(1u, Run());
    EXPECT_EQ(1, tools->IsStopped());
    EXPECT_EQ(3, registry.EnumKeyCalls());
    EXPECT_EQ((List{kHkcr, kHkcu, kHkcu + "\\A", kHkcu + "\\A\\A1"}), registry.Opened());
    EXPECT_EQ((Counts{4, 2, 2}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\A") + ValueLine("v", "needle") + kBlank + KeyLine(kHkcu + "\\A\\A1") +
                  ValueLine("v", "needle") + kBlank + kNote,
              Report());
    EXPECT_EQ(3, progressPosts);  // the start, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER
    EXPECT_EQ(1, endPosts);
}

TEST_F(StopTest, StopBeforeTheFirstHitLeavesNoReportButSavesTheGrownList) {
    registry.Key(kHkcr + "\\locked").failOpen = true;
    registry.Key(kHkcu + "\\A").Sz("v", "needle");
    registry.SignalOnEnumKey(2, stopEvent);  // HKEY_CURRENT_USER's first sub-key
    MakeEngine();
    tools->m_stopEvent = stopEvent;

    EXPECT_EQ(1u, Run());
    EXPECT_STREQ("", tools->Report().FileName());
    EXPECT_EQ(List{}, testsupport::ListFiles(dir.path(), "*.reg"));
    EXPECT_FALSE(registry.WasOpened(kHkcu + "\\A"));
    EXPECT_EQ(kHkcr + "\\locked\r\n", ExcludeFile());
}

// ---- A report that cannot be created -----------------------------------------

// Z:\sys is the Unix /sys, where not even root may create a file. The first
// hit's creation fails: one message, and the walk ends right there.
TEST_F(WalkTest, ReportThatCannotBeCreatedIsShownOnceAndEndsTheWalk) {
    registry.Key(kHkcu + "\\A").Sz("v", "needle").Sz("w", "needle");
    registry.Key(kHkcu + "\\A\\B").Sz("v", "needle");
    registry.Key(kHklm + "\\M").Sz("v", "needle");
    MakeEngine();
    if (!::SetCurrentDirectoryA("Z:\\sys")) GTEST_SKIP() << "no unwritable folder Z:\\sys here";

    EXPECT_EQ(4u, Run());
    EXPECT_EQ(1u, errors.messages().size());
    EXPECT_EQ((List{kHkcr, kHkcu, kHkcu + "\\A"}), registry.Opened());
    EXPECT_EQ((Counts{3, 1, 1}), Counted());
    EXPECT_EQ(0, tools->IsStopped());
    EXPECT_EQ(1, endPosts);

    // The next run may write again.
    ASSERT_TRUE(::SetCurrentDirectoryA(dir.path().c_str()));
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(KeyLine(kHkcu + "\\A") + ValueLine("v", "needle") + ValueLine("w", "needle") + kBlank +
                  KeyLine(kHkcu + "\\A\\B") + ValueLine("v", "needle") + kBlank + KeyLine(kHklm + "\\M") +
                  ValueLine("v", "needle") + kBlank,
              Report());
    EXPECT_EQ(1u, errors.messages().size());
}

// ---- Exclusion list --------------------------------------------------------

TEST_F(WalkTest, ExcludedKeyAndItsSubtreeAreNeitherOpenedCountedNorReported) {
    registry.Key(kHkcu + "\\Skipped").Sz("v", "needle").Add("needle").Sz("v", "needle");
    registry.Key(kHkcu + "\\needleKept").Sz("v", "x");
    // Case is ignored; an entry that names only a root has no effect.
    MakeEngine({"hkey_current_user\\SKIPPED", kHkcu});
    Options("needle", 1, 1);

    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{5, 1, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\needleKept") + kBlank, Report());
    EXPECT_FALSE(registry.WasOpened(kHkcu + "\\Skipped"));
    EXPECT_TRUE(registry.WasOpened(kHkcu));
    EXPECT_EQ((List{"hkey_current_user\\SKIPPED", kHkcu}), tools->Exclusions().Entries());
    EXPECT_EQ("<no file>", ExcludeFile());
}

TEST_F(WalkTest, ExcludeKeysFileListsLoadedThenNewEntriesAndIsWrittenOnlyAfterGrowth) {
    registry.Key(kHkcu + "\\bad").failQuery = true;
    registry.Key(kHkcu + "\\bad2").failOpen = true;
    MakeEngine({kHklm + "\\Loaded"});

    EXPECT_EQ(2u, Run());
    EXPECT_EQ(kHklm + "\\Loaded\r\n" + kHkcu + "\\bad\r\n" + kHkcu + "\\bad2\r\n", ExcludeFile());

    // The next run skips both keys, adds nothing and leaves the file alone.
    ASSERT_TRUE(WriteFileBytes(dir / "ExcludeKeys.txt", "sentinel"));
    EXPECT_EQ(0u, Run());
    EXPECT_EQ("sentinel", ExcludeFile());
    EXPECT_EQ(1, std::count(registry.Opened().begin(), registry.Opened().end(), kHkcu + "\\bad"));
}

// ---- Progress --------------------------------------------------------------

// Keys are counted as they are opened: HKEY_CLASSES_ROOT is 1,
// HKEY_CURRENT_USER 2, its sub-keys L1, L2, ... 3, 4, ...
void AddLeaves(FakeRegistry& registry, int count) {
    for (int i = 1; i <= count; ++i) registry.Key(kHkcu + "\\L" + std::to_string(i));
}

TEST_F(WalkTest, HundredthKeyWithoutSubKeysPostsProgressWhenItEnds) {
    AddLeaves(registry, 97);
    registry.Key(kHkcu + "\\Hundredth");
    registry.Key(kHkcu + "\\Tail");
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(103, Counted().keys);
    EXPECT_EQ(5 + 1, progressPosts);
}

TEST_F(WalkTest, HundredthKeyWithSubKeysPostsNothingSinceItEndsLater) {
    AddLeaves(registry, 97);
    registry.Key(kHkcu + "\\Hundredth\\Child");
    registry.Key(kHkcu + "\\Tail");
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ(104, Counted().keys);
    EXPECT_EQ(5, progressPosts);
}

TEST_F(WalkTest, ProgressComesOnlyFromKeysThatMovedACounter) {
    AddLeaves(registry, 98);                                 // L98 ends at 100: posts
    registry.Key(kHkcu + "\\Excluded");                      // not counted: no post
    registry.Key(kHkcu + "\\needleLocked").failOpen = true;  // found moved: posts
    registry.Key(kHkcu + "\\locked").failOpen = true;        // nothing moved: no post
    registry.Key(kHkcu + "\\Tail");
    MakeEngine({kHkcu + "\\Excluded"});
    Options("needle", 1, 0);
    EXPECT_EQ(2u, Run());
    EXPECT_EQ((Counts{103, 0, 1}), Counted());
    EXPECT_EQ(5 + 2, progressPosts);
}

// ---- Long paths ------------------------------------------------------------

// HKEY_CURRENT_USER and six levels of 200 characters: 1223 characters.
std::string DeepPath() {
    std::string path = kHkcu;
    for (char c : std::string("abcdef")) path += "\\" + std::string(200, c);
    return path;
}

TEST_F(WalkTest, PathOf1299CharactersIsWalkedAndReported) {
    const std::string fits = DeepPath() + "\\" + std::string(75, 'x');
    ASSERT_EQ(1299u, fits.size());
    registry.Key(fits).Sz("v", "needle");
    registry.Key(DeepPath() + "\\after").Sz("v", "needle");
    MakeEngine();
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{12, 2, 2}), Counted());
    EXPECT_EQ(KeyLine(fits) + ValueLine("v", "needle") + kBlank + KeyLine(DeepPath() + "\\after") +
                  ValueLine("v", "needle") + kBlank,
              Report());
}

TEST_F(WalkTest, LongerPathIsSkippedAndTheWalkGoesOnWithItsSiblings) {
    const std::string tooLong = DeepPath() + "\\" + std::string(76, 'y');
    ASSERT_EQ(1300u, tooLong.size());
    registry.Key(tooLong).Sz("v", "needle").Add("below").Sz("v", "needle");
    registry.Key(DeepPath() + "\\after").Sz("v", "needle");
    MakeEngine();
    Options("y", 1, 1, 0, 1);  // the long name itself would match
    EXPECT_EQ(2u, Run());
    EXPECT_EQ((Counts{11, 1, 0}), Counted());
    EXPECT_FALSE(registry.WasOpened(tooLong));
    EXPECT_STREQ("", tools->Report().FileName());

    Options("needle", 1, 1);
    EXPECT_EQ(2u, Run());
    EXPECT_EQ(KeyLine(DeepPath() + "\\after") + ValueLine("v", "needle") + kBlank, Report());
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
}

// ---- Double-byte names (ANSI code page 932) --------------------------------

class DoubleByteWalkTest : public WalkTest {
protected:
    void SetUp() override {
        if (::GetACP() != 932) GTEST_SKIP() << "needs ANSI code page 932";
    }
};

// "\x95\x5C" is one character whose trail byte is a backslash.
const std::string kTable = "\x95\x5C";
const std::string kTableA = "\x95\x5C\x83\x41";

TEST_F(DoubleByteWalkTest, NamesAreReadWholeAndThePathIsCutBackByCharacters) {
    // The registry gives 2 characters as the longest name; the name takes 4 bytes.
    registry.Key(kHkcu + "\\" + kTableA).Sz("\x95\x5C\x8E\xA6", "needle");
    registry.Key(kHkcu + "\\" + kTableA + "\\sub").Sz("v", "needle");
    registry.Key(kHkcu + "\\Z").Sz("v", "needle");
    MakeEngine();

    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{7, 3, 3}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\" + kTableA) + ValueLine("\x95\x5C\x8E\xA6", "needle") + kBlank +
                  KeyLine(kHkcu + "\\" + kTableA + "\\sub") + ValueLine("v", "needle") + kBlank +
                  KeyLine(kHkcu + "\\Z") + ValueLine("v", "needle") + kBlank,
              Report());
    EXPECT_EQ(List{}, tools->Exclusions().Entries());
}

TEST_F(DoubleByteWalkTest, LongestKeyNameIsMatchedUpToItsLastCharacter) {
    std::string name;
    for (int i = 0; i < 254; ++i) name += "\x83\x41";
    name += "\x83\x94";  // 255 characters, 510 bytes
    registry.Key(kHkcu + "\\" + name);
    MakeEngine();
    Options("\x83\x94", 1, 0);
    EXPECT_EQ(0u, Run());
    EXPECT_EQ((Counts{5, 0, 1}), Counted());
    EXPECT_EQ(KeyLine(kHkcu + "\\" + name) + kBlank, Report());
}

TEST_F(DoubleByteWalkTest, ExclusionEntryWithADoubleByteNameSkipsThatKeyOnly) {
    registry.Key(kHkcu + "\\" + kTable).Sz("v", "needle");
    registry.Key(kHkcu + "\\" + kTableA).Sz("v", "needle");
    MakeEngine({"hkey_current_user\\" + kTable});
    EXPECT_EQ(0u, Run());
    EXPECT_FALSE(registry.WasOpened(kHkcu + "\\" + kTable));
    EXPECT_EQ(KeyLine(kHkcu + "\\" + kTableA) + ValueLine("v", "needle") + kBlank, Report());
}

}  // namespace
