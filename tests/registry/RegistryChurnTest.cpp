// A whole search of the real registry while another process adds and
// deletes values and sub-keys in one key of the test's subtree. That key was
// readable the whole time: it must not land in the exclusion list, no hit in
// the stable keys beside it may be lost, and every block of the report closes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ExecutableFolder.h"
#include "base/Handles.h"
#include "support/ChildProcess.h"
#include "support/ErrorCapture.h"
#include "support/RegistryTestKey.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"
#include "registry/LiveRegistry.h"

using namespace testsupport;

namespace {

// Each block: a key line below one of roots, value lines, a blank line.
::testing::AssertionResult BlocksClose(const std::string& body, const std::vector<std::string>& roots) {
    bool inBlock = false;
    size_t at = 0;
    for (size_t end; (end = body.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = body.substr(at, end - at);
        bool keyLine = false;
        for (const std::string& root : roots)
            keyLine = keyLine || (line.compare(0, root.size() + 2, "[" + root + "\\") == 0 && line.back() == ']');
        if (!inBlock && !keyLine) return ::testing::AssertionFailure() << "not a key line: " << line;
        if (inBlock && !line.empty() && line[0] != '"' && line[0] != '@')
            return ::testing::AssertionFailure() << "not a value line: " << line;
        inBlock = !inBlock || !line.empty();
    }
    if (inBlock || at != body.size()) return ::testing::AssertionFailure() << "the last block is open";
    return ::testing::AssertionSuccess();
}

TEST(RegistryChurn, KeysChangedDuringTheWalkAreNeitherExcludedNorLoseTheirNeighboursHits) {
    RegistryTestKey key("churn");
    const std::string text = "Kzq" + UniqueSuffix();
    // Sub-keys enumerate by name: one stable key before the churned one and
    // one after it. The churned key's fixed values make its value pass long
    // enough for the other process to change the list under it.
    key.String("a stable " + text, "v", text);
    key.String("a stable " + text + "\\deeper", "w", "x" + text + "y");
    for (int i = 0; i < 64; ++i) key.String("m churned", ("s" + std::to_string(i)).c_str(), "filler");
    key.String("z stable", "v", text);
    ASSERT_TRUE(key.ok());

    const std::string stopName = "KestrinChurnStop " + UniqueSuffix();
    UniqueKernelHandle stop(::CreateEventA(nullptr, TRUE, FALSE, stopName.c_str()));
    TempDir folder("churn");
    ChildProcess churn;
    ASSERT_TRUE(churn.Start(ExecutableFolder() + "\\registry_churn.exe",
                            "registry_churn \"" + key.SoftwarePath() + "\\m churned\" " + text + " \"" +
                                stopName + "\"",
                            folder.path()));
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    for (churn.Pump(); churn.Out().find("churning") == std::string::npos && churn.Running() &&
                       ::GetTickCount64() < deadline;
         churn.Pump())
        ::Sleep(5);
    ASSERT_NE(std::string::npos, churn.Out().find("churning")) << churn.Err();

    ErrorCapture errors;
    CurrentDirectoryScope cwd(folder.path());
    CRegKeyTools tools((folder / "Kestrin.ini").c_str(), LiveRegistries());
    SearchCounters counters;
    RunSearch(tools, text, RunOptions{1, 1, 0, 0}, counters);
    ::SetEvent(stop.get());
    EXPECT_EQ(0, churn.Wait()) << churn.Out() << churn.Err();

    for (const std::string& entry : tools.Exclusions().Entries())
        EXPECT_EQ(std::string::npos, entry.find(key.name())) << entry << " (after " << churn.Out() << ")";
    const std::string body = ReportBody(ReadFileBytes(tools.Report().FileName()));
    const std::vector<std::string> roots = {key.CurrentUserPath(), key.UsersPath()};
    for (const std::string& root : roots) {
        const std::string a = root + "\\a stable " + text;
        EXPECT_NE(std::string::npos, body.find("[" + a + "]\r\n\"v\"=\"" + text + "\"\r\n\r\n[" + a +
                                               "\\deeper]\r\n\"w\"=\"x" + text + "y\"\r\n\r\n"))
            << body;
        EXPECT_NE(std::string::npos, body.find("[" + root + "\\z stable]\r\n\"v\"=\"" + text + "\"\r\n\r\n"))
            << body;
    }
    EXPECT_TRUE(BlocksClose(body, roots));
    EXPECT_EQ(std::vector<std::string>{}, errors.messages());
}

}  // namespace
