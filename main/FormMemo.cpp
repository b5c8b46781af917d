#include "main/FormMemo.h"

#include "main/FormMain.h"
#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"
#include "platform/qt/MessageBoxes.h"

#include <QCloseEvent>
#include <QShowEvent>

#include <algorithm>

#include <filesystem>
#include <system_error>

namespace mainwin {

std::string MemoMode;

namespace {
TFormMemo* memoForm = nullptr;
}

TFormMemo* FormMemo() { return memoForm; }

TFormMemo::TFormMemo(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    memoForm = this;
    setObjectName("FormMemo");
    setWindowTitle(" 覚え書き");
    setModal(false);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

TFormMemo::~TFormMemo()
{
    // FormMemo() must not hand out a window that is gone.
    if (memoForm == this) memoForm = nullptr;
}

void TFormMemo::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Memo1->setGeometry(2, 2, std::max(0, width() - 4), std::max(0, height() - 4));
}

void TFormMemo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    resize(380, 380);
    LoadMemo();
}

void TFormMemo::LoadMemo()
{
    loadFailed_ = false;
    Memo1->setReadOnly(false);
    Memo1->clear();
    if (MemoFileName.empty()) return;
    // A folder or FIFO in the file's place is not read (a FIFO would stop
    // the window) and not replaced.
    const platform::InputProblem problem = platform::CheckInputFile(MemoFileName, true);
    if (problem == platform::InputProblem::Missing) return;
    std::string warning = MemoLoadFailedText;
    if (problem == platform::InputProblem::None) {
        try {
            std::string text;
            bool first = true;
            for (const std::string& line : platform::ReadTextLines(MemoFileName)) {
                if (!first) text += "\n";
                text += line;
                first = false;
            }
            Memo1->setPlainText(QString::fromStdString(text));
            return;
        } catch (const platform::Error&) {
        }
    } else {
        warning += std::string("\n\r") + platform::InputProblemText(problem);
    }
    // Saving now would replace the file with an empty note.
    loadFailed_ = true;
    Memo1->setReadOnly(true);
    platform::ShowWarning(warning);
}

bool TFormMemo::SaveMemo()
{
    if (MemoFileName.empty() || loadFailed_) return true;
    std::string text = Memo1->toPlainText().toStdString();
    std::string probe;
    if (!platform::TryUtf8ToCp932(text, probe)) {
        // Characters the file cannot hold would be lost: the file stays as it was.
        return platform::AskOkCancel(MemoUnsavableText, platform::MsgIcon::Warning);
    }
    try {
        platform::TextFileWriter w(MemoFileName);
        if (!text.empty()) {
            std::size_t start = 0;
            for (;;) {
                std::size_t p = text.find('\n', start);
                w.WriteLine(std::string_view(text).substr(start, p == std::string::npos ? std::string::npos : p - start));
                if (p == std::string::npos) break;
                start = p + 1;
            }
        }
        w.Commit();
    } catch (const platform::Error& e) {
        platform::ShowWarning(e.what());
    }
    return true;
}

void TFormMemo::closeEvent(QCloseEvent* event)
{
    if (SaveMemo()) event->accept();
    else event->ignore();
}

void TFormMemo::reject()
{
    // Escape closes through the same saving.
    close();
}

} // namespace mainwin
