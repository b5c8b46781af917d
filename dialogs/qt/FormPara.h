#pragma once
// The parameters dialog's window: it shows the pictures, edit boxes, scroll
// bar and buttons of the dialog's state (dialogs/ParaForm.h) and hands every
// pointer, key and text event to its handlers. Enter and Esc go to the
// pages: there is no default button.
#include "dialogs/ParaForm.h"
#include "dialogs/qt/Components.h"
#include "platform/qt/SurfaceWidget.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

#include <array>

namespace dialogs {

class TFormPara final : public OwnerDrawnDialog {
    Q_OBJECT
public:
    explicit TFormPara(QWidget* parent = nullptr);
    ~TFormPara() override;

    platform::SurfaceWidget* Image1 = nullptr;   // the page
    platform::SurfaceWidget* Image2 = nullptr;   // the balloon
    platform::SurfaceWidget* Image3 = nullptr;   // the table
    QScrollBar* ScrollBar1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    // sw1 "OK", sw2 "閉じる", sw3 "ファイルから検出", sw5 "キャンセル",
    // sw6 "設定ファイルを開く", swNew "初期化", swOpen "開く", swSave "保存".
    std::array<QToolButton*, ParaButtonCount> Buttons{};
    QToolButton* ButtonOf(ParaButton b) const { return Buttons[static_cast<std::size_t>(b)]; }

    // Shows the window modally for ParaRequest.Mode; ParaRequest.Cancelled
    // then holds the answer.
    void ShowModal();
    // Shows the dialog's state; closes the window when it asks to.
    void Sync();

protected:
    void EscapePressed() override;
    void EnterPressed(QLineEdit* edit) override;
    void WheelTurned(int notches) override;
    bool TabPressed(QLineEdit* edit) override;
};

// The parameters dialog of the program (nullptr before it is made).
TFormPara* FormPara();

} // namespace dialogs
