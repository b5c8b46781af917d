#include "ProbeRender.h"

#include "ProbeLoad.h"

#include "core/Datas.h"
#include "view/Redraw.h"
#include "view/ViewTransform.h"
#include "platform/NumberText.h"
#include "platform/RasterCanvas.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace probe {

namespace {

// Text on the picture through a painter on the same memory.
class PainterText : public platform::RasterTextHook {
public:
    void TextOut(platform::RasterCanvas& c, int x, int y, std::string_view text) override
    {
        QImage image(reinterpret_cast<uchar*>(c.Bits()), c.Width(), c.Height(), QImage::Format_RGB32);
        QPainter p(&image);
        p.setFont(FontOf(c));
        const platform::Color col = c.Font().FontColor;
        p.setPen(QColor(platform::RedOf(col), platform::GreenOf(col), platform::BlueOf(col)));
        p.drawText(x, y + QFontMetrics(p.font()).ascent(), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    platform::TextSize TextExtent(const platform::RasterCanvas& c, std::string_view text) override
    {
        const QFontMetrics m(FontOf(c));
        return {m.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))), m.height()};
    }

private:
    static QFont FontOf(const platform::RasterCanvas& c)
    {
        QFont f(QString::fromStdString(c.Font().Name));
        f.setPixelSize(std::max(1, std::abs(c.Font().Height)));
        return f;
    }
};

} // namespace

int Render(std::vector<std::string> args)
{
    int chosen = core::fkAuto;
    if (!TakeChosenKind(args, chosen)) return 2;
    std::vector<std::string> plain;
    double zoom = 0, cx = 0, cy = 0;
    bool centre = false, letters = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if ((a == "--zoom" || a == "--centre") && k + 1 < args.size()) {
            const std::string& v = args[++k];
            if (a == "--zoom" ? !platform::TryParseReal(v, zoom) : !(centre = ParsePair(v, cx, cy))) {
                std::fprintf(stderr, "bad value: %s %s\n", a.c_str(), v.c_str());
                return 2;
            }
        } else if (a == "--mirror") {
            mainwin::Options.MIRR = true;
        } else if (a == "--outline") {
            mainwin::Options.PAINT = false;
        } else if (a == "--drill-letters") {
            mainwin::Options.DRILLCHR = true;
            letters = true;
        } else {
            plain.push_back(a);
        }
    }
    long long w = 0, h = 0;
    if (plain.size() < 4 || !platform::TryParseInt(plain[1], w) || !platform::TryParseInt(plain[2], h) || w < 1 || h < 1 ||
        w > 20000 || h > 20000) {
        std::fprintf(stderr, "usage: tessel2-probe render OUT.png WIDTH HEIGHT FILE... [--zoom Z] [--centre X,Y] [--mirror] "
                             "[--outline] [--drill-letters] [--as drill|gerber]\n");
        return 2;
    }
    const int status = LoadFiles(std::vector<std::string>(plain.begin() + 3, plain.end()), chosen);
    if (letters) GiveToolLetters();
    const core::MyExtents& ext = core::Extents;

    mainwin::ClientWidth = static_cast<int>(w);
    mainwin::ClientHeight = static_cast<int>(h);
    mainwin::FitViewExtents();
    mainwin::SetViewZoom(false, 0, 0, -1.0);
    if (zoom > 0 || centre) mainwin::SetViewZoom(centre, cx, cy, zoom > 0 ? -zoom : 1.0);

    // Letters need fonts: a headless application for them.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char arg0[] = "tessel2-probe";
    char* argv[] = {arg0, nullptr};
    std::unique_ptr<QGuiApplication> app;
    PainterText text;
    if (letters) {
        app = std::make_unique<QGuiApplication>(argc, argv);
        platform::SetRasterTextHook(&text);
    }
    mainwin::RedrawView();
    platform::SetRasterTextHook(nullptr);

    const platform::RasterCanvas& pic = mainwin::Picture();
    QImage image(reinterpret_cast<const uchar*>(pic.Bits()), pic.Width(), pic.Height(), QImage::Format_RGB32);
    if (!image.save(QString::fromStdString(plain[0]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", plain[0].c_str());
        return 1;
    }
    const std::string line = "scale=" + platform::FormatReal(mainwin::View.Scale) + " origin=" + platform::FormatReal(mainwin::View.OriginX) +
                             "," + platform::FormatReal(mainwin::View.OriginY) + " left=" + platform::FormatReal(ext.ViewLeft) +
                             " top=" + platform::FormatReal(ext.ViewTop) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return status;
}

} // namespace probe
