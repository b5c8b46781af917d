// The measuring tools in the main window: the hooks the clicks on the
// picture reach, the labels of their values over the drawing and the
// dimension ruler's image under the pointer. What they measure and draw is
// in MeasureTools.
#include "main/FormMain.h"
#include "main/FormParts.h"
#include "main/MainHooks.h"
#include "view/MeasureTools.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"
#include "view/WorkerPool.h"
#include "platform/qt/EventPump.h"

namespace mainwin {

namespace {

// A static text that takes a press.
class ClickLabel final : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnMouseDown;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        event->accept();
        if (OnMouseDown) Guarded([&] { OnMouseDown(); });
    }
};

// The window of the program when it has one.
template <class Fn>
void WithForm(Fn&& fn)
{
    if (TFormMain* form = FormMain()) fn(*form);
}

} // namespace

void TFormMain::CreateMeasureControls()
{
    QPalette pal;
    pal.setColor(QPalette::Window, platform::ToQColor(PanelFaceColor));
    pal.setColor(QPalette::WindowText, Qt::black);
    auto makeLabel = [&](const char* name) {
        auto* l = new ClickLabel(DspPanel);
        l->setObjectName(name);
        l->setFont(platform::ToQFont({"ＭＳ Ｐゴシック", -15}));
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignCenter);
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        l->setAutoFillBackground(true);
        l->setPalette(pal);
        // A click on a value steps the measure back, as a right click does.
        l->OnMouseDown = [] {
            if (!platform::BusyGuard::Active()) MeasureClick(0, 0, MouseButton::Right);
        };
        l->hide();
        return l;
    };
    LabelX = makeLabel("LabelX");
    LabelY = makeLabel("LabelY");
    LabelL = makeLabel("LabelL");

    // Over the picture alone: the pan frame around it stays as it is.
    RulerImage = new platform::SurfaceWidget(Image1);
    RulerImage->setObjectName("RulerImage");
    RulerImage->SetTransparentBlack(true);
    RulerImage->SetPicture(&RulerPicture);
    // The clicks go through to the picture under it.
    RulerImage->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    RulerImage->hide();

    MeasureClick = [](int x, int y, MouseButton button) {
        WithForm([&](TFormMain& f) {
            const std::string hint = MeasureClickAt(x, y, button, Picture());
            f.Image1->update();
            f.PlaceToolLabels();
            if (!hint.empty()) f.StatusBar1->SetPanelText(2, hint);
        });
    };
    RectRulerClick = [](int x, int y, MouseButton button) {
        WithForm([&](TFormMain& f) {
            RectRulerClickAt(x, y, button, Picture(), PoolRunner());
            f.Image1->update();
            f.PlaceToolLabels();
        });
    };
    GapClick = [](int x, int y, MouseButton button) {
        WithForm([&](TFormMain& f) { f.ShowGapState(GapClickAt(x, y, button, Picture())); });
    };
    NextGapCandidate = [] {
        WithForm([](TFormMain& f) {
            NextGapCandidateStep(Picture());
            f.ShowGapState({});
        });
    };
    AdjustRuler = [](MouseButton button) {
        WithForm([&](TFormMain& f) {
            AdjustRulerSetting(button);
            f.DrawParamList();
            f.ShowDimensionRuler();
        });
    };
    DrawDimensionRuler = [] { WithForm([](TFormMain& f) { f.ShowDimensionRuler(); }); };
}

void TFormMain::ShowGapState(const std::string& hint)
{
    Image1->update();
    Image2->update();
    Image2->setVisible(Highlight.Visible);
    sw3->setEnabled(GapHasAlternatives());
    PlaceToolLabels();
    if (!hint.empty()) StatusBar1->SetPanelText(2, hint);
}

void TFormMain::PlaceToolLabels()
{
    // A label's size for one line of its text: the text, its frame and a
    // blank on either side, so that no digit is ever cut.
    const QFontMetrics fm(LabelX->font());
    const int chrome = 2 * LabelX->frameWidth() + 6;
    auto measure = [&](const std::string& text) {
        return platform::TextSize{fm.horizontalAdvance(QString::fromStdString(text)) + chrome, fm.height() + chrome};
    };
    const ToolLabels labels = LayoutToolLabels(ActiveTool(), Timer2->isActive(), measure);
    for (auto [label, place] : {std::pair{LabelX, &labels.X}, std::pair{LabelY, &labels.Y}, std::pair{LabelL, &labels.L}}) {
        if (!place->Shown) {
            label->hide();
            continue;
        }
        label->setText(QString::fromStdString(place->Text));
        label->setGeometry(Image1->x() + place->Left, Image1->y() + place->Top, place->Width, place->Height);
        label->show();
        label->raise();
    }
}

void TFormMain::ShowDimensionRuler()
{
    RulerOffset = DrawDimensionRulerImage(RulerPicture, RulerAngle, RulerMinTick, View.Scale, Image1->width(), Image1->height());
    RulerImage->setGeometry(Navigation.LastX - RulerOffset.x, Navigation.LastY - RulerOffset.y, RulerPicture.Width(),
                            RulerPicture.Height());
    RulerImage->update();
    RulerImage->show();
    RulerImage->raise();
}

void TFormMain::TrackToolPointer(int x, int y)
{
    if (ActiveTool() == ToolButton::Ruler)
        RulerImage->move(x - RulerOffset.x, y - RulerOffset.y);
    // Long work may be drawing the picture.
    if ((RubberLine.Active || RubberRect.Active) && !platform::BusyGuard::Active()) {
        TrackPointer(x, y, Picture());
        Image1->update();
    }
}

void TFormMain::ShowSkippedOverlays()
{
    if (ActiveTool() != ToolButton::Gap || GapState.Step < 1) return;
    DrawToolOverlays(Picture(), ToolButton::Gap, false);
    ShowGapState({});
}

} // namespace mainwin
