#include "main/FormDatas.h"

#include "platform/qt/EventPump.h"

#include <algorithm>

namespace mainwin {

TFormDatas::TFormDatas(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormDatas");
    setWindowTitle(InitialCaption);
    setFixedSize(ClientWidth, ClientHeight);
    StaticText1 = new QLabel(InitialStatusText, this);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setGeometry(16, 10, ClientWidth - 32, 20);
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setGeometry(16, 36, ClientWidth - 32, 20);
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    swCancel = new QPushButton(CancelCaption, this);
    swCancel->setObjectName("swCancel");
    swCancel->setGeometry((ClientWidth - 90) / 2, 64, 90, 26);
    swCancel->hide();
    connect(swCancel, &QPushButton::clicked, this, [this] { swCancelClick(); });
    core::SetFormDatas(this);
}

TFormDatas::~TFormDatas()
{
    if (&core::FormDatas() == this) core::SetFormDatas(nullptr);
}

void TFormDatas::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }
void TFormDatas::SetStatusText(const std::string& text) { StaticText1->setText(QString::fromStdString(text)); }
std::string TFormDatas::StatusText() const { return StaticText1->text().toStdString(); }

void TFormDatas::SetGauge(long long progress, long long maximum)
{
    if (maximum <= 0) maximum = 1;
    Gauge1->setValue(static_cast<int>(std::clamp(progress, 0LL, maximum) * 100 / maximum));
}

void TFormDatas::SetCancelVisible(bool visible) { swCancel->setVisible(visible); }

void TFormDatas::Show()
{
    show();
    raise();
    platform::PumpEvents(true);
}

void TFormDatas::Hide() { hide(); }

void TFormDatas::ProcessEvents() { platform::PumpEvents(); }

} // namespace mainwin
