#pragma once
// Message boxes behind an interface, so that tests answer the questions.
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// The caption every box of the program carries unless told otherwise.
inline constexpr const char* DefaultCaption = "テッセル２";

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Texts may hold "\n\r" or "\r\n" line breaks as the program's messages do.
    virtual MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon,
                           MsgButtons buttons) = 0;
};

// The boxes in use: Qt's unless a test set its own.
MessageBoxes& Boxes();
void SetMessageBoxes(MessageBoxes* boxes);

// Short forms.
void ShowInformation(const std::string& text, const std::string& caption = DefaultCaption);
void ShowWarning(const std::string& text, const std::string& caption = DefaultCaption);
void ShowError(const std::string& text, const std::string& caption = DefaultCaption);
// True for OK.
bool AskOkCancel(const std::string& text, MsgIcon icon = MsgIcon::Question,
                 const std::string& caption = DefaultCaption);
// True for Yes.
bool AskYesNo(const std::string& text, MsgIcon icon = MsgIcon::Question,
              const std::string& caption = DefaultCaption);
// True for Yes.
bool AskYesCancel(const std::string& text, MsgIcon icon = MsgIcon::Question,
                  const std::string& caption = DefaultCaption);

// "\n\r" and "\r\n" as one line break, a lone "\r" dropped.
std::string NormalizeLineBreaks(const std::string& text);

// Qt's message boxes.
class QtMessageBoxes final : public MessageBoxes {
public:
    MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) override;
};

// For tests: records every box and answers from a script (then the default).
class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        std::string text, caption;
        MsgIcon icon;
        MsgButtons buttons;
    };
    std::vector<Shown> shown;
    std::deque<MsgResult> answers;
    // Boxes with OK alone take nothing from the script. Answer when the
    // script is used up: the first button (OK or Yes).
    bool positiveByDefault = true;
    // Runs as each box shows: what the window holds meanwhile.
    std::function<void()> onShow;

    MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon, MsgButtons buttons) override;
};

// Installs a box set for the lifetime of the object (tests).
class ScopedMessageBoxes {
public:
    explicit ScopedMessageBoxes(MessageBoxes* boxes);
    ~ScopedMessageBoxes();
    ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
    ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

private:
    MessageBoxes* previous_;
};

} // namespace platform
