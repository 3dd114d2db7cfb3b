// Whole searches of the real registry under Wine: a subtree that the test
// builds under HKEY_CURRENT_USER, searched with every combination of options,
// and the report's blocks for it compared byte for byte with what they must
// be. The subtree shows up twice, under HKEY_CURRENT_USER and again under the
// user's own child of HKEY_USERS, in this root order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "registry/ExpectedReport.h"
#include "support/ErrorCapture.h"
#include "support/RegistryTestKey.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"
#include "registry/LiveRegistry.h"

using namespace testsupport;
using namespace registrytest;

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A key name of exactly 255 characters, the registry's longest.
std::string LongName(const std::string& text) {
    std::string name = "B long " + text + " ";
    for (int digit = 0; name.size() < 255; ++digit) name += static_cast<char>('0' + digit % 10);
    return name;
}

// The subtree and what the report must say about each of its keys. Values
// are created in the order of their names, so that the registry's enumeration
// order is the same whether it keeps creation order or sorts.
class Subtree {
public:
    Subtree() : m_key("registry"), m_text("Kzq" + UniqueSuffix()) {
        const std::string t = m_text;
        const std::string a = "A \"quoted\" " + t + " values";
        m_key.String(a, nullptr, "C:\\Folder\\" + t);
        m_key.String(a, "after terminator", "first" + std::string(1, '\0') + t);
        m_key.String(a, "before terminator", t + std::string(1, '\0') + "tail");
        m_key.Raw(a, "binary", REG_BINARY, t);
        m_key.Raw(a, "dword", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
        m_key.String(a, "empty", "");
        m_key.String(a, "expand", "%TEMP%\\" + t, REG_EXPAND_SZ);
        m_key.String(a, t.c_str(), "plain");
        m_key.String(a, "mixed", "x" + Upper(t) + "y");
        m_key.Raw(a, "multi", REG_MULTI_SZ, t + '\0' + t + '\0' + '\0');
        m_key.Raw(a, "no terminator", REG_SZ, t);
        m_key.Raw(a, "none", REG_NONE, t + '\0');
        m_key.String(a, "quo\"te\\name", "say \"" + t + "\" \\ end");
        m_key.Raw(a, "qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
        m_key.String(a, "sz", t);
        m_key.String(a, "upper", Upper(t));
        m_blocks.push_back({a, Hit::Contains,
                            {{"@=\"C:\\Folder\\" + t + "\"", Hit::Contains},
                             {"\"before terminator\"=\"" + t + "\"", Hit::Exact},
                             {"\"expand\"=\"%TEMP%\\" + t + "\"", Hit::Contains},
                             {"\"mixed\"=\"x" + Upper(t) + "y\"", Hit::ContainsOtherCase},
                             {"\"no terminator\"=\"" + t + "\"", Hit::Exact},
                             {"\"quo\"te\\name\"=\"say \"" + t + "\" \\ end\"", Hit::Contains},
                             {"\"sz\"=\"" + t + "\"", Hit::Exact},
                             {"\"upper\"=\"" + Upper(t) + "\"", Hit::ExactOtherCase}}});

        const std::string b = LongName(t);
        m_key.String(b, "long", t);
        m_blocks.push_back({b, Hit::Contains, {{"\"long\"=\"" + t + "\"", Hit::Exact}}});

        m_key.String(t, "v", "no hit here");
        m_blocks.push_back({t, Hit::Exact, {}});
        m_key.String(t + "\\deeper", "d", Lower(t));
        m_blocks.push_back({t + "\\deeper", Hit::Never, {{"\"d\"=\"" + Lower(t) + "\"", Hit::ExactOtherCase}}});

        m_key.Key("Z nest\\" + Upper(t));
        m_blocks.push_back({"Z nest\\" + Upper(t), Hit::ExactOtherCase, {}});
        m_usersPath = m_key.UsersPath();
    }

    bool ok() const { return m_key.ok() && !m_key.UserHiveName().empty(); }
    const std::string& text() const { return m_text; }

    // The report's body under these options: the blocks below
    // HKEY_CURRENT_USER, then the same below HKEY_USERS.
    std::string ExpectedBody(const RunOptions& o, int* hits) const {
        return registrytest::ExpectedBody(m_blocks, {m_key.CurrentUserPath(), m_usersPath}, o, hits);
    }

private:
    RegistryTestKey m_key;
    std::string m_text;
    std::string m_usersPath;
    std::vector<KeyBlock> m_blocks;
};

// keys/values, whole, case
using Combination = std::tuple<int, bool, bool>;

class RegistrySearch : public ::testing::TestWithParam<Combination> {
protected:
    static void SetUpTestSuite() { s_subtree = std::make_unique<Subtree>(); }
    static void TearDownTestSuite() { s_subtree.reset(); }

    static RunOptions Options() {
        auto [where, whole, matchCase] = GetParam();
        RunOptions o;
        o.keys = where != 1;
        o.values = where != 0;
        o.whole = whole;
        o.matchCase = matchCase;
        return o;
    }

    static std::unique_ptr<Subtree> s_subtree;
};

std::unique_ptr<Subtree> RegistrySearch::s_subtree;

TEST_P(RegistrySearch, ReportHoldsTheSubtreeBlocksInRootOrder) {
    ASSERT_TRUE(s_subtree->ok()) << "the test subtree could not be built";
    const RunOptions o = Options();
    ErrorCapture errors;
    TempDir folder("registry");
    CurrentDirectoryScope cwd(folder.path());
    CRegKeyTools tools((folder / "Kestrin.ini").c_str(), LiveRegistries());
    SearchCounters counters;
    RunSearch(tools, s_subtree->text(), o, counters);

    ASSERT_EQ(0, tools.IsStopped());
    std::vector<std::string> reports = ListFiles(folder.path(), "*.reg");
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ(folder / reports[0], tools.Report().FileName());
    const std::string report = ReadFileBytes(tools.Report().FileName());

    int hits = 0;
    const std::string expected = s_subtree->ExpectedBody(o, &hits);
    EXPECT_EQ(expected, ReportBody(report));
    EXPECT_EQ(hits, SearchCounters::Read(counters.found));
    const std::string header = ReportHeader(report);
    EXPECT_NE(std::string::npos, header.find(OptionsLine(o))) << header;
    EXPECT_NE(std::string::npos, header.find(";    for expression: " + s_subtree->text() + "\r\n\r\n")) << header;
    EXPECT_TRUE(AllLineEndsAreCrLf(report));
    EXPECT_TRUE(errors.messages().empty());
}

std::string CombinationName(const ::testing::TestParamInfo<Combination>& info) {
    static const char* const where[] = {"Keys", "Values", "KeysValues"};
    return std::string(where[std::get<0>(info.param)]) + (std::get<1>(info.param) ? "Whole" : "Part") +
           (std::get<2>(info.param) ? "Case" : "AnyCase");
}

INSTANTIATE_TEST_SUITE_P(AllOptions, RegistrySearch,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Bool(), ::testing::Bool()),
                         CombinationName);

}  // namespace
