// The memo keeps its Shift-JIS file intact: read and written back as it
// was, never overwritten after a failed read or with characters it cannot hold.
#include "main/FormMain.h"
#include "main/FormMemo.h"
#include "platform/InputFile.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/platform/FifoWatchdog.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace mainwin;
using platform::MsgResult;

namespace {

class Memo : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = fs::path(dir.path().toStdString()) / "Memo.txt";
        MemoFileName = file.string();
    }
    void TearDown() override { MemoFileName.clear(); }

    QTemporaryDir dir;
    fs::path file;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scope{&boxes};
};

} // namespace

TEST_F(Memo, ReadAndWrittenBackUnchanged)
{
    const std::string bytes = platform::Utf8ToCp932("検図メモ：Ｄ１０ を確認\r\n\r\n二行目 ①\r\n");
    platform::WriteFileBytes(file, bytes);
    TFormMemo memo;
    memo.show();
    EXPECT_EQ(memo.size(), QSize(380, 380));
    EXPECT_EQ(memo.Memo1->toPlainText().toStdString(), "検図メモ：Ｄ１０ を確認\n\n二行目 ①");
    EXPECT_TRUE(memo.close());
    EXPECT_EQ(platform::ReadFileBytes(file), bytes);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Memo, NoFileGivesAnEmptyMemoSavedOnClose)
{
    TFormMemo memo;
    memo.show();
    EXPECT_TRUE(memo.Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(memo.close());
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);
}

TEST_F(Memo, FailedReadIsNeverSavedOver)
{
    const std::string bytes = "abc\x81";   // a lead byte without its trail
    platform::WriteFileBytes(file, bytes);
    TFormMemo memo;
    memo.show();
    ASSERT_TRUE(memo.LoadFailed());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, MemoLoadFailedText);
    EXPECT_TRUE(memo.Memo1->isReadOnly());
    EXPECT_TRUE(memo.close());
    EXPECT_EQ(platform::ReadFileBytes(file), bytes);
}

TEST_F(Memo, FifoInTheFilesPlaceIsNotWaitedOnNorReplaced)
{
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    TFormMemo memo;
    {
        testsupport::FifoWatchdog watchdog(file);
        memo.show();
        EXPECT_FALSE(watchdog.fired);
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              std::string(MemoLoadFailedText) + "\n\r" + platform::InputProblemText(platform::InputProblem::NotRegular));
    EXPECT_TRUE(memo.Memo1->isReadOnly());
    EXPECT_TRUE(memo.close());
    EXPECT_TRUE(fs::is_fifo(file));
}

TEST_F(Memo, TextShiftJisCannotHoldIsNotWritten)
{
    const std::string bytes = platform::Utf8ToCp932("元の覚え書き\r\n");
    platform::WriteFileBytes(file, bytes);
    TFormMemo memo;
    memo.show();
    memo.Memo1->setPlainText(QString::fromUtf8("絵文字 \xF0\x9F\x98\x80"));
    boxes.answers = {MsgResult::Cancel};
    EXPECT_FALSE(memo.close());   // back to the memo
    EXPECT_TRUE(memo.isVisible());
    boxes.answers = {MsgResult::Ok};
    EXPECT_TRUE(memo.close());    // closed without saving
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, MemoUnsavableText);
    EXPECT_EQ(platform::ReadFileBytes(file), bytes);
}
