#pragma once
// The memo window: a note kept in "Memo.txt" (Shift-JIS) in the program folder.
#include <QDialog>
#include <QPlainTextEdit>

#include <string>

namespace mainwin {

inline constexpr const char* MemoLoadFailedText =
    "覚え書き（Memo.txt）を読み込めませんでした。\n\r"
    "ファイルを守るため、この覚え書きは保存されません。";
inline constexpr const char* MemoUnsavableText =
    "覚え書きに Shift-JIS で保存できない文字があります。\n\r"
    "保存せずに閉じますか？\n\r"
    "（［キャンセル］で覚え書きに戻ります。）";

extern std::string MemoMode;

class TFormMemo final : public QDialog {
    Q_OBJECT
public:
    explicit TFormMemo(QWidget* parent = nullptr);
    ~TFormMemo() override;

    QPlainTextEdit* Memo1 = nullptr;

    // Loads the memo file (FormShow) and saves it (FormClose).
    void LoadMemo();
    // True when the window may close.
    bool SaveMemo();
    bool LoadFailed() const { return loadFailed_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

private:
    bool loadFailed_ = false;
};

// The memo window of the program (nullptr before it is made).
TFormMemo* FormMemo();

} // namespace mainwin
