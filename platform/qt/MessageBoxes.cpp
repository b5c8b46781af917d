#include "platform/qt/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

QtMessageBoxes qtBoxes;
MessageBoxes* current = &qtBoxes;

} // namespace

MessageBoxes& Boxes() { return *current; }
void SetMessageBoxes(MessageBoxes* boxes) { current = boxes ? boxes : &qtBoxes; }

ScopedMessageBoxes::ScopedMessageBoxes(MessageBoxes* boxes) : previous_(&Boxes()) { SetMessageBoxes(boxes); }
ScopedMessageBoxes::~ScopedMessageBoxes() { SetMessageBoxes(previous_); }

std::string NormalizeLineBreaks(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\n') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\r') ++i;
        } else if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                out.push_back('\n');
                ++i;
            }
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void ShowInformation(const std::string& text, const std::string& caption)
{
    Boxes().Show(text, caption, MsgIcon::Information, MsgButtons::Ok);
}
void ShowWarning(const std::string& text, const std::string& caption)
{
    Boxes().Show(text, caption, MsgIcon::Warning, MsgButtons::Ok);
}
void ShowError(const std::string& text, const std::string& caption)
{
    Boxes().Show(text, caption, MsgIcon::Error, MsgButtons::Ok);
}
bool AskOkCancel(const std::string& text, MsgIcon icon, const std::string& caption)
{
    return Boxes().Show(text, caption, icon, MsgButtons::OkCancel) == MsgResult::Ok;
}
bool AskYesNo(const std::string& text, MsgIcon icon, const std::string& caption)
{
    return Boxes().Show(text, caption, icon, MsgButtons::YesNo) == MsgResult::Yes;
}
bool AskYesCancel(const std::string& text, MsgIcon icon, const std::string& caption)
{
    return Boxes().Show(text, caption, icon, MsgButtons::YesCancel) == MsgResult::Yes;
}

MsgResult QtMessageBoxes::Show(const std::string& text, const std::string& caption, MsgIcon icon,
                               MsgButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(NormalizeLineBreaks(text)));
    switch (icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::None: break;
    }
    // Japanese button texts, whatever the system language.
    QPushButton* first = nullptr;
    QPushButton* second = nullptr;
    switch (buttons) {
    case MsgButtons::Ok:
        first = box.addButton("OK", QMessageBox::AcceptRole);
        break;
    case MsgButtons::OkCancel:
        first = box.addButton("OK", QMessageBox::AcceptRole);
        second = box.addButton("キャンセル", QMessageBox::RejectRole);
        break;
    case MsgButtons::YesNo:
        first = box.addButton("はい(&Y)", QMessageBox::YesRole);
        second = box.addButton("いいえ(&N)", QMessageBox::NoRole);
        break;
    case MsgButtons::YesCancel:
        first = box.addButton("はい(&Y)", QMessageBox::YesRole);
        second = box.addButton("キャンセル", QMessageBox::RejectRole);
        break;
    }
    box.setDefaultButton(first);
    if (second) box.setEscapeButton(second);
    else box.setEscapeButton(first);
    box.exec();
    const bool positive = box.clickedButton() == first || (!second && box.clickedButton() == nullptr);
    if (buttons == MsgButtons::YesNo) return positive ? MsgResult::Yes : MsgResult::No;
    if (buttons == MsgButtons::YesCancel) return positive ? MsgResult::Yes : MsgResult::Cancel;
    if (buttons == MsgButtons::OkCancel) return positive ? MsgResult::Ok : MsgResult::Cancel;
    return MsgResult::Ok;
}

MsgResult FakeMessageBoxes::Show(const std::string& text, const std::string& caption, MsgIcon icon,
                                 MsgButtons buttons)
{
    shown.push_back({text, caption, icon, buttons});
    if (onShow) onShow();
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    if (buttons == MsgButtons::YesNo) return positiveByDefault ? MsgResult::Yes : MsgResult::No;
    if (buttons == MsgButtons::YesCancel) return positiveByDefault ? MsgResult::Yes : MsgResult::Cancel;
    return positiveByDefault ? MsgResult::Ok : MsgResult::Cancel;
}

} // namespace platform
