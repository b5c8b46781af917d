#include "ProbePrint.h"

#include "ProbeLoad.h"

#include "core/Datas.h"
#include "output/DataSheets.h"
#include "output/PrintEngine.h"
#include "output/QtPrintDevice.h"
#include "platform/NumberText.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/MessageBoxes.h"
#include "view/CodeTables.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace probe {

namespace {

bool ParseOffset(const std::string& text, long long& x, long long& y)
{
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && platform::TryParseInt(std::string_view(text).substr(0, comma), x) &&
           platform::TryParseInt(std::string_view(text).substr(comma + 1), y) && std::llabs(x) <= 10000 && std::llabs(y) <= 10000;
}

// Messages the engine would show go to stderr.
class StderrBoxes final : public platform::MessageBoxes {
public:
    platform::MsgResult Show(const std::string& text, const std::string&, platform::MsgIcon, platform::MsgButtons) override
    {
        std::fprintf(stderr, "%s\n", platform::NormalizeLineBreaks(text).c_str());
        return platform::MsgResult::Cancel;
    }
};

constexpr const char* Usage =
    "usage: tessel2-probe print OUT.pdf FILE... [--scale P] [--mirror] [--offset X,Y] [--mode 0..3] "
    "[--sheets gerber,drill,aperture]\n";

} // namespace

int PrintToPdf(const std::vector<std::string>& args)
{
    output::ResetPrintSettings();
    output::MyPrintSet& ps = output::PrintSettings;
    std::vector<std::string> plain;
    bool sheets = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        const bool valued = a == "--scale" || a == "--offset" || a == "--mode" || a == "--sheets";
        if (valued && k + 1 >= args.size()) {
            std::fprintf(stderr, "%s", Usage);
            return 2;
        }
        long long v = 0, x = 0, y = 0;
        bool ok = true;
        if (a == "--scale") {
            ok = platform::TryParseInt(args[++k], v) && v >= 1 && v <= 1000;
            ps.ScalePercent = static_cast<int>(v);
        } else if (a == "--mode") {
            ok = platform::TryParseInt(args[++k], v) && v >= 0 && v <= 3;
            ps.ColorMode = static_cast<int>(v);
            ps.PageColor = v == output::pmInverted ? output::Black : output::White;
        } else if (a == "--offset") {
            ok = ParseOffset(args[++k], x, y);
            ps.OffsetX = static_cast<int>(x), ps.OffsetY = static_cast<int>(y);
        } else if (a == "--sheets") {
            sheets = true;
            const std::string list = "," + args[++k] + ",";
            ps.GerberSheet = list.find(",gerber,") != std::string::npos;
            ps.DrillSheet = list.find(",drill,") != std::string::npos;
            ps.ApertureSheet = list.find(",aperture,") != std::string::npos;
        } else if (a == "--mirror") {
            ps.Mirror = 1;
        } else {
            plain.push_back(a);
        }
        if (!ok) {
            std::fprintf(stderr, "bad value: %s %s\n", a.c_str(), args[k].c_str());
            return 2;
        }
    }
    if (plain.size() < 2) {
        std::fprintf(stderr, "%s", Usage);
        return 2;
    }
    // Drill hits print as their tools' letters; the drill sheet counts them.
    const int status = LoadFiles(std::vector<std::string>(plain.begin() + 1, plain.end()));
    output::PrintArea = core::Extents;
    core::ToolCount = mainwin::CountUsedDrillTools(core::Tools);
    GiveToolLetters();

    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char arg0[] = "tessel2-probe";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    StderrBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);

    output::QtPrintDevice device;
    device.SetPdfFile(std::filesystem::absolute(plain[0]));
    device.PushA4Portrait();   // A4 for the layers as well
    int pages = 0;
    if (sheets) {
        output::WriteSheetScripts();
        pages = output::PrintDataSheets(device);
    } else {
        pages = output::PrintLayers(device);
    }
    const output::MyPrintTransform& t = output::PrintTransform;
    const std::string line = "pages=" + std::to_string(pages) + " scale=" + platform::FormatReal(t.ScaleX) + "," +
                             platform::FormatReal(t.ScaleY) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return pages > 0 ? status : 1;
}

} // namespace probe
