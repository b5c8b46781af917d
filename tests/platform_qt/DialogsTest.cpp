// Filters of the open dialog and the scripted message boxes of the tests.
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(OpenFilter, EveryFileMeansEveryFileAndQtGetsItsOwnPatterns)
{
    const std::string filter =
        "すべてのファイル (*.*)|*.*|ガーバーデータ (*.*)|*.*|NCドリルデータ (*.*)|*.*|"
        "テッセル２ファイル (*.tsn)|*.tsn|テッセルファイル (*.tso)|*.tso";
    const std::vector<FilterEntry> entries = ParseFilter(filter);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].patterns, std::vector<std::string>{"*"});
    EXPECT_EQ(entries[3].patterns, std::vector<std::string>{"*.tsn"});
    const std::vector<std::string> qt = QtNameFilters(entries);
    EXPECT_EQ(qt[0], "すべてのファイル (*)");
    EXPECT_EQ(qt[2], "NCドリルデータ (*)");
    EXPECT_EQ(qt[4], "テッセルファイル (*.tso)");
    EXPECT_TRUE(ParseFilter("").empty());
}

TEST(MessageText, WindowsLineBreaksBecomeOne)
{
    EXPECT_EQ(NormalizeLineBreaks("データ範囲エラー。\n\rフォーマット"), "データ範囲エラー。\nフォーマット");
    EXPECT_EQ(NormalizeLineBreaks("a\r\nb\rc\n"), "a\nbc\n");
}

TEST(FakeBoxes, RecordQuestionsAndAnswerFromTheScript)
{
    FakeMessageBoxes fake;
    ScopedMessageBoxes scope(&fake);
    fake.answers = {MsgResult::Cancel, MsgResult::No};
    ShowWarning("w");   // takes nothing from the script
    EXPECT_FALSE(AskOkCancel("q1"));
    EXPECT_FALSE(AskYesNo("q2"));
    EXPECT_TRUE(AskYesNo("q3"));   // script used up: the first button
    ASSERT_EQ(fake.shown.size(), 4u);
    EXPECT_EQ(fake.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(fake.shown[1].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(fake.shown[2].caption, "テッセル２");
}
