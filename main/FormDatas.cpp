#include "main/FormDatas.h"

#include "platform/qt/EventPump.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace mainwin {

TFormDatas::TFormDatas(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormDatas");
    setWindowTitle(InitialCaption);
    setFixedSize(ClientWidth, ClientHeight);
    StaticText1 = new QLabel(InitialStatusText, this);
    StaticText1->setObjectName("StaticText1");
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    swCancel = new QPushButton(CancelCaption, this);
    swCancel->setObjectName("swCancel");
    swCancel->hide();
    status_ = InitialStatusText;
    Place(ClientWidth);
    connect(swCancel, &QPushButton::clicked, this, [this] { swCancelClick(); });
    core::SetFormDatas(this);
}

TFormDatas::~TFormDatas()
{
    if (&core::FormDatas() == this) core::SetFormDatas(nullptr);
}

void TFormDatas::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }
void TFormDatas::Place(int width)
{
    if (isVisible() && width != this->width()) move(x() - (width - this->width()) / 2, y());
    setFixedSize(width, ClientHeight);
    StaticText1->setGeometry(16, 10, width - 32, 20);
    Gauge1->setGeometry(16, 36, width - 32, 20);
    swCancel->setGeometry((width - 90) / 2, 64, 90, 26);
}

void TFormDatas::SetStatusText(const std::string& text)
{
    status_ = text;
    // The name of the file being written is told whole: the window widens to
    // its text, as far as the screen allows; beyond that the middle of the
    // text gives way, so that the file's own name at its end still shows.
    const QString t = QString::fromStdString(text);
    const QFontMetrics fm = StaticText1->fontMetrics();
    int width = std::max(ClientWidth, fm.horizontalAdvance(t) + 32 + 4);
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        width = std::min(width, std::max(ClientWidth, screen->availableGeometry().width() - 40));
    Place(width);
    StaticText1->setText(fm.elidedText(t, Qt::ElideMiddle, StaticText1->width()));
    StaticText1->setToolTip(StaticText1->text() == t ? QString() : t);
}

std::string TFormDatas::StatusText() const { return status_; }

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
