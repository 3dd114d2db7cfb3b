// When the Find button may be pressed: a text and at least one of Keys,
// Values and Data; the two match options and the Enter key change nothing.
#include "ui/DialogTest.h"

namespace ui {
namespace {

using FindRuleTest = DialogTest;

TEST_F(FindRuleTest, FindNeedsATextAndOneOfKeysValuesOrData) {
    Start(SettingsFile("Off", "Off", "Off", "Off", "Off"));
    Type("a");
    Settle();
    EXPECT_FALSE(Enabled(kFindStop)) << "a text alone is not enough";

    Click(Control(kKeys));
    EXPECT_TRUE(WaitFor([&] { return Enabled(kFindStop); })) << "one character and Keys";
    Type("");
    EXPECT_TRUE(WaitFor([&] { return !Enabled(kFindStop); })) << "the text was deleted";
    Type("b");
    EXPECT_TRUE(WaitFor([&] { return Enabled(kFindStop); }));
    Click(Control(kKeys));
    EXPECT_TRUE(WaitFor([&] { return !Enabled(kFindStop); })) << "Keys, Values and Data all clear";
    Click(Control(kValues));
    EXPECT_TRUE(WaitFor([&] { return Enabled(kFindStop); })) << "Values alone";
}

TEST_F(FindRuleTest, DataTickedInTheSettingsFileCountsForFind) {
    Start(SettingsFile("Off", "Off", "On", "Off", "Off"));
    Type("a");
    EXPECT_TRUE(WaitFor([&] { return Enabled(kFindStop); }));
}

TEST_F(FindRuleTest, MatchOptionsLeaveFindAsItIs) {
    Start(SettingsFile("Off", "Off", "Off", "Off", "Off"));
    Type("a");
    Click(Control(kWholeString));
    Click(Control(kMatchCase));
    Settle();
    EXPECT_TRUE(IsChecked(Control(kWholeString)));
    EXPECT_FALSE(Enabled(kFindStop)) << "no look-at box is ticked";

    Click(Control(kValues));
    ASSERT_TRUE(WaitFor([&] { return Enabled(kFindStop); }));
    Type("");
    ASSERT_TRUE(WaitFor([&] { return !Enabled(kFindStop); }));
    Click(Control(kWholeString));
    Click(Control(kMatchCase));
    Settle();
    EXPECT_FALSE(Enabled(kFindStop)) << "no text";
}

TEST_F(FindRuleTest, EnterStartsNothing) {
    Start(kFreshSettings);
    Type("Kestrin");
    ASSERT_TRUE(WaitFor([&] { return Enabled(kFindStop); }));
    PressKey(Control(kSearchText), VK_RETURN);
    Settle();
    EXPECT_EQ(ControlText(kFindStop), "&Find");
    EXPECT_EQ(ControlText(kStateLine), "") << "no search reported progress";
    EXPECT_FALSE(m_kestrin->HasExited());
}

}  // namespace
}  // namespace ui
