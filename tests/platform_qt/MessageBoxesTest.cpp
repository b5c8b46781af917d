// Qt's message boxes: each kind of question shows its buttons in Japanese
// and answers by the button pressed (Esc as the one that declines).
#include "platform/qt/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace platform;

TEST(QtBoxes, ButtonsInJapaneseAndTheAnswerOfEach)
{
    struct Case {
        MsgButtons buttons;
        QStringList labels;
        QString press;   // the label of the button pressed, empty for Esc
        MsgResult answer;
    };
    const Case cases[] = {
        {MsgButtons::Ok, {"OK"}, "OK", MsgResult::Ok},
        {MsgButtons::OkCancel, {"OK", "キャンセル"}, "キャンセル", MsgResult::Cancel},
        {MsgButtons::YesNo, {"いいえ(&N)", "はい(&Y)"}, "はい(&Y)", MsgResult::Yes},
        {MsgButtons::YesNo, {"いいえ(&N)", "はい(&Y)"}, "", MsgResult::No},
        {MsgButtons::YesCancel, {"はい(&Y)", "キャンセル"}, "はい(&Y)", MsgResult::Yes},
        {MsgButtons::YesCancel, {"はい(&Y)", "キャンセル"}, "キャンセル", MsgResult::Cancel},
        {MsgButtons::YesCancel, {"はい(&Y)", "キャンセル"}, "", MsgResult::Cancel},
    };
    QtMessageBoxes boxes;
    for (const Case& c : cases) {
        SCOPED_TRACE((c.labels.join("/") + " " + c.press).toStdString());
        QStringList labels;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            // Their order is the desktop's.
            QAbstractButton* pressed = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                labels << b->text();
                if (b->text() == c.press) pressed = b;
            }
            labels.sort();
            if (pressed) {
                pressed->click();
            } else {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &esc);
            }
        });
        EXPECT_EQ(boxes.Show("よろしいですか？", DefaultCaption, MsgIcon::Question, c.buttons), c.answer);
        EXPECT_EQ(labels, c.labels);
    }
}
