#include "dialogs/qt/FormPara.h"

#include "core/Datas.h"
#include "dialogs/JobPages.h"
#include "dialogs/PagePainters.h"
#include "dialogs/qt/Components.h"
#include "platform/qt/EventPump.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace dialogs {

namespace {

TFormPara* paraForm = nullptr;

int X(QMouseEvent* e) { return static_cast<int>(e->position().x()); }
int Y(QMouseEvent* e) { return static_cast<int>(e->position().y()); }

// Pixels of the face colour let the page show through: the balloon is seen
// (and clicked) only within its outline.
void MaskFaceColour(QWidget* w, const platform::RasterCanvas& picture, bool on)
{
    if (on) platform::MaskColour(w, picture, PageFaceColor);
    else w->clearMask();
}

} // namespace

TFormPara* FormPara() { return paraForm; }

TFormPara::TFormPara(QWidget* parent) : OwnerDrawnDialog(parent, "FormPara")
{
    paraForm = this;
    setWindowTitle(QString::fromUtf8(InitialParaCaption));

    Image1 = new platform::SurfaceWidget(this);
    Image1->setObjectName("Image1");
    Image3 = new platform::SurfaceWidget(this);
    Image3->setObjectName("Image3");
    Image3->hide();
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName("ScrollBar1");
    ScrollBar1->hide();
    Edit1 = MakeEdit(this, "Edit1");
    Edit2 = MakeEdit(this, "Edit2");
    Image2 = new platform::SurfaceWidget(this);
    Image2->setObjectName("Image2");
    Image2->hide();

    static const std::array<std::pair<const char*, const char*>, ParaButtonCount> buttons{{
        {"sw1", "OK"}, {"sw2", "閉じる"}, {"sw3", "ファイルから検出"}, {"sw5", "キャンセル"},
        {"sw6", "設定ファイルを開く"}, {"swNew", "初期化"}, {"swOpen", "開く"}, {"swSave", "保存"}}};
    for (int i = 0; i < ParaButtonCount; ++i) {
        QToolButton*& b = Buttons[static_cast<std::size_t>(i)];
        const ParaButton id = static_cast<ParaButton>(i);
        const QSize size = MakeButton(b, buttons[static_cast<std::size_t>(i)].first, buttons[static_cast<std::size_t>(i)].second);
        SetButtonSize(id, size.width(), size.height());
        connect(b, &QToolButton::clicked, this, [this, id] {
            ButtonClick(id);
            Sync();
        });
    }
    ButtonOf(ParaButton::swNew)->setToolTip("初期化");
    ButtonOf(ParaButton::swOpen)->setToolTip("ファイルを開く");
    ButtonOf(ParaButton::swSave)->setToolTip("ファイルに保存");

    // The pages' questions and file choices; what was waiting runs before
    // a chosen file is read or written.
    AskParaYesNo = [](const std::string& question) { return platform::AskYesNo(question); };
    ChooseParaFile = [](bool save, const std::string& filter) {
        std::string path;
        if (save) {
            platform::SaveRequest request;
            request.filter = filter;
            const platform::SaveAnswer answer = platform::Dialogs().SaveFile(request);
            if (answer.accepted) path = answer.path;
        } else {
            platform::OpenRequest request;
            request.filter = filter;
            request.multiSelect = false;
            const platform::OpenAnswer answer = platform::Dialogs().OpenFiles(request);
            if (answer.accepted && !answer.paths.empty()) path = answer.paths.front();
        }
        if (!path.empty()) platform::PumpEvents(true);
        return path;
    };

    // Each picture hands its pointer to its handlers, in its own pixels.
    auto route = [this](platform::SurfaceWidget* image, void (*move)(int, int), void (*up)(int, int)) {
        image->OnMouseMove = [this, move](QMouseEvent* e) {
            move(X(e), Y(e));
            Sync();
        };
        image->OnMouseUp = [this, up](QMouseEvent* e) {
            if (e->button() != Qt::LeftButton) return;
            up(X(e), Y(e));
            Sync();
        };
        image->OnWheel = [this](QWheelEvent* e) { Wheel(e); };
    };
    route(Image1, Image1MouseMove, Image1MouseUp);
    route(Image2, Image2MouseMove, Image2MouseUp);
    route(Image3, Image3MouseMove, Image3MouseUp);
    connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit1Change(text.toStdString());
        Sync();
    });
    connect(Edit2, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit2Change(text.toStdString());
        Sync();
    });
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int position) {
        ScrollBar1Change(position);
        Sync();
    });

    // "設定ファイルを開く": a settings file chosen where the job's files are.
    ImportFolderSettings = [] {
        platform::OpenRequest request;
        request.filter = SettingsFileFilter;
        request.multiSelect = false;
        if (core::LayerCount > 0) request.initialFolder = core::LayerTable[1].Folder;
        const platform::OpenAnswer answer = platform::Dialogs().OpenFiles(request);
        if (!answer.accepted || answer.paths.empty()) return;
        platform::PumpEvents(true);
        ImportSettingsFile(answer.paths.front());
    };
}

TFormPara::~TFormPara()
{
    if (paraForm == this) {
        paraForm = nullptr;
        ImportFolderSettings = nullptr;
    }
}

void TFormPara::ShowModal()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    FormShow(area.width(), area.height());
    Sync();
    if (Para.CentreOnScreen) {
        move(area.left() + Para.Left, area.top() + Para.Top);
    } else if (const QWidget* owner = parentWidget()) {
        const QRect g = owner->frameGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
    RunModal();
    HideEdits();
    HideBalloon();
}

void TFormPara::Sync()
{
    setWindowTitle(QString::fromStdString(Para.Caption));
    setFixedSize(Para.ClientWidth, Para.ClientHeight);

    Image1->setGeometry(ToQRect(Para.Image1.Bounds));
    Image1->SetPicture(&Para.Image1.Picture);
    Image1->setVisible(Para.Image1.Visible);

    Image3->setVisible(Para.Image3.Visible);
    if (Para.Image3.Visible) {
        Image3->setGeometry(ToQRect(Para.Image3.Bounds));
        Image3->SetPicture(&Para.Image3.Picture);
        MaskFaceColour(Image3, Para.Image3.Picture, ParaTable.Balloon);
    }

    {
        const QSignalBlocker blocker(ScrollBar1);
        const ScrollState& s = Para.ScrollBar1;
        ScrollBar1->setGeometry(ToQRect(s.Bounds));
        ScrollBar1->setRange(s.Minimum, s.Maximum);
        ScrollBar1->setValue(s.Position);
        ScrollBar1->setVisible(s.Visible);
    }

    SyncEdit(Edit1, Para.Edit1);
    SyncEdit(Edit2, Para.Edit2);

    Image2->setVisible(Para.Image2.Visible);
    if (Para.Image2.Visible) {
        Image2->setGeometry(ToQRect(Para.Image2.Bounds));
        Image2->SetPicture(&Para.Image2.Picture);
        MaskFaceColour(Image2, Para.Image2.Picture, true);
        Image2->raise();
    }

    for (int i = 0; i < ParaButtonCount; ++i) SyncButton(Buttons[static_cast<std::size_t>(i)], Para.Buttons[static_cast<std::size_t>(i)]);

    FocusAndSelect(Edit1, Para.Edit1, Para.Focus == ParaWindow::FocusOn::Edit1);
    FocusAndSelect(Edit2, Para.Edit2, Para.Focus == ParaWindow::FocusOn::Edit2);
    Para.Focus = ParaWindow::FocusOn::None;

    ShowPendingWarning(Para.Warning);
    if (Para.CloseRequested) {
        Para.CloseRequested = false;
        done(ParaRequest.Cancelled ? QDialog::Rejected : QDialog::Accepted);
    }
}

void TFormPara::EscapePressed()
{
    FormKeyEscape();
    Sync();
}

void TFormPara::EnterPressed(QLineEdit* edit)
{
    if (edit == Edit1) Edit1KeyEnter();
    else Edit2KeyEnter();
    Sync();
}

bool TFormPara::TabPressed(QLineEdit*)
{
    EditKeyTab();
    Sync();
    return true;
}

void TFormPara::WheelTurned(int notches)
{
    // The window takes the wheel wherever the pointer is.
    FormMouseWheel(notches);
    Sync();
}

} // namespace dialogs
