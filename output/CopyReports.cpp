#include "output/CopyReports.h"

#include "core/Datas.h"
#include "output/PrintEngine.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>

namespace output {

std::string ProjectTitleForReports;

namespace {

using core::Apertures;
using core::LayerTable;
using platform::FormatInt;

const std::string Blank = " ";
const std::string Rule = "     " + std::string(68, '-');

std::string Real(double v) { return std::isfinite(v) ? platform::FormatReal(v) : std::string(); }

std::string ShapeName(std::int32_t shape)
{
    switch (shape) {
    case core::apCircle: return "CIR";
    case core::apSquare: return "SQR";
    case core::apThermal45: return "THR45°";
    case core::apThermal90: return "THR90°";
    case core::apOval: return "OVAL";
    case core::apRectangle: return "RECT";
    case core::apPolygon: return "POLYGON";
    case core::apMacro: return "MACRO";
    default: return {};
    }
}

bool IsThermal(std::int32_t shape) { return shape == core::apThermal45 || shape == core::apThermal90; }

// The three sizes after the shape: a thermal's outer size first.
std::string Sizes(const core::MyAperture& a)
{
    const double first = IsThermal(a.Shape) ? a.Size2 : a.Size1;
    const double second = IsThermal(a.Shape) ? a.Size1 : a.Size2;
    return "\t\t" + Real(first) + "\t" + Real(second) + "\t" + Real(a.Size3);
}

std::string Head(const char* title, const std::string& date) { return "     " + std::string(title) + "\t\t\t(" + date + ")"; }

// The format statement. The drill report's has one tab where the photo
// report's has two on its name and zero lines, and reads its zero mode the
// other way round.
void AddFormatBlock(std::vector<std::string>& out, const core::MyFormatPara& f, bool drill)
{
    const std::string gap = drill ? "\t" : "\t\t";
    const bool leading = (f.Zero == 0) != drill;
    out.insert(out.end(),
               {Blank, "     FORMAT STATEMENT", Rule, "\tFormat name   = " + f.FormatName + gap + "CODE       = " + f.Code,
                "\tFormat        = " + f.NumberFormat + "\t\tABS or INC = " + (f.AbsInc == 0 ? "ABS." : "INC."),
                std::string(drill ? "\tZero Mode     = " : "\tZero suppress = ") + (leading ? "Leading" : "Trailing") +
                    gap + "Offset X   = " + Real(f.OffsetX),
                "\tUnits         = " + std::string(f.Units == 0 ? "mm" : "inch") + "\t\tOffset Y   = " + Real(f.OffsetY)});
}

// The D-codes and tools of the tables, never past their ends.
int LastDCode() { return std::min<int>(core::MaxDCode, core::MaxApertureCode); }
int LastTool() { return std::min<int>(core::ToolCount, core::MaxToolCode); }

} // namespace

std::vector<std::string> PhotoDataReportLines(const std::string& date)
{
    std::vector<std::string> out{Blank, Head("PHOTO DATAS CONTENTS", date), "     " + ProjectTitleForReports,
                                 Rule, Blank, "     FILE NAME (COMMENT)", Rule};
    for (int k = 1; k <= core::MaxLayers; ++k) {
        const core::MyLayerSet& l = LayerTable[k];
        if (!l.FileName.empty() && (l.FileKind == core::fkRS274D || l.FileKind == core::fkRS274X))
            out.push_back("\t" + l.FileName + " (" + l.Contents + ")" + " " + l.Remarks);
    }
    AddFormatBlock(out, core::GerberFormat, false);
    out.insert(out.end(), {Blank, "     APERTURE LIST  <DCode> <Shape> <$1> <$2> <$3>", Rule});
    for (int d = 10; d <= LastDCode(); ++d) {
        const core::MyAperture& a = Apertures[d];
        if (a.Used != 1) continue;
        std::string line = "\tD" + FormatInt(d) + "\t" + ShapeName(a.Shape);
        line += a.Shape == core::apMacro ? " (" + a.MacroName + ")" : Sizes(a);
        out.push_back(std::move(line));
    }
    return out;
}

std::vector<std::string> DrillDataReportLines(const std::string& date)
{
    std::vector<std::string> out{Blank, Head("DRILL DATAS CONTENTS", date), "     " + ProjectTitleForReports,
                                 Rule, Blank, Blank, "     FILE NAME (COMMENT)", Rule};
    for (int k = 1; k <= core::MaxLayers; ++k) {
        const core::MyLayerSet& l = LayerTable[k];
        if (!l.FileName.empty() && l.FileKind == core::fkNcDrill) out.push_back("\t" + l.FileName + " (" + l.Remarks + ")");
    }
    AddFormatBlock(out, core::DrillFormat, true);
    out.insert(out.end(), {Blank, "     TOOL LIST  <T number> <Count> <Charactor> <Dia> <Comment>", Rule});
    long long hits = 0;
    for (int t = 1; t <= LastTool(); ++t) {
        const core::MyTool& tool = core::Tools[static_cast<std::size_t>(t)];
        if (tool.Used != 1) continue;
        out.push_back("\t" + std::string(t <= 9 ? "T0" : "T") + FormatInt(t) + "\t" + FormatInt(tool.Hits) + "\t" +
                      tool.Symbol + "\t" + tool.Diameter + "\t" + (tool.Comment.empty() ? "-" : tool.Comment));
        hits += tool.Hits;
    }
    out.insert(out.end(), {Blank, "\tTotal hit count = " + FormatInt(hits)});
    return out;
}

std::vector<std::string> StandardApertureReportLines(const std::string& date)
{
    std::vector<std::string> out{Blank, Head("STANDARD APERTURE", date), "\t<DCode>\t<Shape>\t\t<$1>\t<$2>\t<$3>", Blank, Rule};
    for (int d = 10; d <= core::MaxApertureCode; ++d) {
        const core::MyAperture& a = Apertures[d];
        if (a.Shape == core::apNone || !(a.Size1 > 0)) continue;
        std::string line = "\tD" + FormatInt(d) + "\t" + ShapeName(a.Shape);
        line += a.Shape == core::apMacro ? "\t\t" + a.MacroName : Sizes(a);
        out.push_back(std::move(line));
    }
    return out;
}

void WritePhotoDataReport(const std::string& path) { platform::WriteReadableLines(path, PhotoDataReportLines(TodayText())); }
void WriteDrillDataReport(const std::string& path) { platform::WriteReadableLines(path, DrillDataReportLines(TodayText())); }
void WriteStandardApertureReport(const std::string& path)
{
    platform::WriteReadableLines(path, StandardApertureReportLines(TodayText()));
}

} // namespace output
