#pragma once
// The progress window shown while projects are written.
#include "core/Datas.h"

#include <string>

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace mainwin {

class TFormDatas final : public QDialog, public core::TFormDatas {
    Q_OBJECT
public:
    explicit TFormDatas(QWidget* parent = nullptr);
    ~TFormDatas() override;

    QProgressBar* Gauge1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QPushButton* swCancel = nullptr;

    void SetCaption(const std::string& caption) override;
    void SetStatusText(const std::string& text) override;
    std::string StatusText() const override;
    void SetGauge(long long progress, long long maximum) override;
    void SetCancelVisible(bool visible) override;
    void Show() override;
    void Hide() override;
    void ProcessEvents() override;

private:
    // The controls laid out for a window this wide.
    void Place(int width);
    std::string status_;
};

} // namespace mainwin
