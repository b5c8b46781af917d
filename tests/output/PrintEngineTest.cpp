#include "output/PrintEngine.h"

#include "FakePrintDevice.h"
#include "output/DataSheets.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/core/FlashTables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace output;
using platform::Color;
using platform::RGB;
using printtest::FakePrintDevice;

namespace {

class PrintEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::ResetTables();
        ResetPrintSettings();
        PrintArea = {};
        work_ = std::filesystem::temp_directory_path() / ("tessel2-print-" + std::to_string(::getpid()));
        std::filesystem::create_directories(work_);
        core::DataFolder = work_.string();
    }
    void TearDown() override
    {
        core::ResetTables();
        std::error_code ec;
        std::filesystem::remove_all(work_, ec);
    }

    // Slot s holding a file, shown or not, with a page letter.
    static void Slot(int s, bool shown, const std::string& letter = {}, const std::string& contents = {})
    {
        core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(s)];
        l.FileName = "f" + std::to_string(s) + ".gbr";
        l.Active = shown ? 1 : 0;
        l.Contents = contents;
        if (!letter.empty()) l.PageLetter = letter;
        core::LayerCount = std::max(core::LayerCount, s);
    }
    static void Add(int layer, int kind, int code, double x1, double y1, double x2, double y2, int group = 0, std::uint8_t clear = 0)
    {
        core::DataElement e;
        e.Layer = layer, e.Kind = kind, e.Code = code, e.Group = group, e.Clear = clear;
        e.X1 = x1, e.Y1 = y1, e.X2 = x2, e.Y2 = y2, e.X3 = x2, e.Y3 = y2;
        core::AppendElement(e);
    }
    // A square region run of layer l from (x0, y0) to (x1, y1).
    static void Square(int layer, double x0, double y0, double x1, double y1, int group, std::uint8_t clear = 0)
    {
        Add(layer, core::dkRegionLine, 0, x0, y0, x1, y0, group, clear);
        Add(layer, core::dkRegionLine, 0, x1, y0, x1, y1, group, clear);
        Add(layer, core::dkRegionLine, 0, x1, y1, x0, y1, group, clear);
        Add(layer, core::dkRegionLine, 0, x0, y1, x0, y0, group, clear);
    }

    std::filesystem::path work_;
};

std::string Describe(const std::vector<PrintPage>& pages)
{
    std::string s;
    for (const PrintPage& p : pages) {
        s += (s.empty() ? "" : " ") + p.Letter + ":";
        for (std::size_t k = 0; k < p.Layers.size(); ++k) s += (k ? "," : "") + std::to_string(p.Layers[k]);
    }
    return s;
}

} // namespace

TEST_F(PrintEngine, PagesGroupTheShownLayersByPageLetter)
{
    struct SlotState { bool shown; const char* letter; };
    struct Case { const char* name; std::vector<SlotState> slots; const char* pages; };
    const Case cases[] = {
        {"A and C on A, B alone", {{true, "A"}, {true, "B"}, {true, "A"}}, "A:1,3 B:2"},
        {"a joined layer opens no page", {{true, "A"}, {true, "A"}}, "A:1,2"},
        {"a hidden member stays off", {{true, "A"}, {false, "A"}, {true, "C"}}, "A:1 C:3"},
        {"a shown member of a hidden lead", {{false, "A"}, {true, "A"}}, "A:2"},
        {"nothing shown", {{false, "A"}, {false, "B"}}, ""},
        {"the walk ends at the first empty slot", {{true, "A"}, {true, "B"}, {false, ""}, {true, "D"}}, "A:1 B:2"},
    };
    for (const Case& c : cases) {
        core::ResetTables();
        for (std::size_t k = 0; k < c.slots.size(); ++k) {
            if (*c.slots[k].letter) Slot(static_cast<int>(k) + 1, c.slots[k].shown, c.slots[k].letter);
        }
        EXPECT_EQ(Describe(PrintPages()), c.pages) << c.name;
    }
    // The footer names what its page holds.
    core::ResetTables();
    Slot(1, true, "A", "部品面");
    Slot(2, true, "B");
    Slot(3, true, "A");
    PrintSettings.ScalePercent = 200;
    EXPECT_EQ(FormatPrintFooter("A"), "DATE: " + TodayText() + "  SCALE: 200%  FILE NAME: f1.gbr(部品面) + f3.gbr");
    EXPECT_EQ(FormatPrintFooter(""), "DATE: " + TodayText() + "  SCALE: 200%  FILE NAME: (etc.)");
    EXPECT_EQ(TodayText().size(), 10u);
    EXPECT_EQ(TodayText()[4], '/');
}

// What the page shows in each colour mode: the ground (a corner), the
// copper (a line) and the board box of an outline layer masked in N/P mode.
TEST_F(PrintEngine, PagesInEachColourMode)
{
    flashtest::SetAperture(10, core::apCircle, 1.0);
    Slot(1, true);
    Slot(2, false);
    core::LayerTable[2].FileName = "outline.gbr";
    Add(1, core::dkLine, 10, 10, 30, 30, 30);
    Add(2, core::dkLine, 10, 0, 10, 40, 10);   // the outline's extent: 0..40 × 10..50 with the pen
    Add(2, core::dkLine, 10, 40, 50, 0, 50);
    PrintArea.CentreX = 20, PrintArea.CentreY = 30;
    struct Case { int mode; bool mask; Color corner, copper, board; };
    const Case cases[] = {
        {pmBlackOnWhite, false, RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255)},
        {pmInverted, false, RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0)},
        {pmInverted, true, RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        PrintSettings.ColorMode = c.mode;
        PrintSettings.PageColor = c.mode == pmInverted ? Black : White;
        PrintSettings.OutlineLayer = c.mask ? 2 : 0;
        core::LayerTable[1].CombineMask = c.mask;
        FakePrintDevice device;
        ASSERT_EQ(PrintLayers(device), 1);
        const platform::RasterCanvas& page = device.pages.front();
        EXPECT_EQ(page.Pixel(2, 2), c.corner) << "mode " << c.mode << " mask " << c.mask;
        EXPECT_EQ(page.Pixel(500, 750), c.copper) << "mode " << c.mode << " mask " << c.mask;   // (20, 30)
        EXPECT_EQ(page.Pixel(500, 700), c.board) << "mode " << c.mode << " mask " << c.mask;    // (20, 35)
        EXPECT_EQ(device.calls, (std::vector<std::string>{"begin", "end"}));
    }
    EXPECT_EQ(core::StepMarks[1], 1);
}

// Clear runs print in the page colour, over what the layer drew before.
TEST_F(PrintEngine, ClearRunsPrintInThePageColour)
{
    flashtest::SetAperture(10, core::apCircle, 4.0);
    Slot(1, true);
    Square(1, 10, 20, 30, 40, 1);
    Add(1, core::dkFlash, 10, 20, 30, 20, 30, 2, 1);
    PrintArea.CentreX = 20, PrintArea.CentreY = 30;
    for (const int mode : {pmBlackOnWhite, pmInverted, pmColour}) {
        PrintSettings.ColorMode = mode;
        PrintSettings.PageColor = mode == pmInverted ? Black : White;
        FakePrintDevice device;
        ASSERT_EQ(PrintLayers(device), 1);
        const platform::RasterCanvas& page = device.pages.front();
        EXPECT_EQ(page.Pixel(500, 750), PrintSettings.PageColor) << "mode " << mode;   // the hole
        EXPECT_EQ(page.Pixel(420, 750), PrintColorForMode(static_cast<Color>(core::LayerTable[1].Color))) << "mode " << mode;
    }
}

// A line continuing a path starts at its own start point, whatever was
// drawn between: an arc, or a flash too small for more than a dot.
TEST_F(PrintEngine, ALineContinuingAPathStartsWhereItSays)
{
    flashtest::SetAperture(10, core::apCircle, 0.2);
    flashtest::SetAperture(11, core::apCircle, 0.1);
    Slot(1, true);
    Add(1, core::dkLine, 10, 10, 30, 20, 30);
    core::DataElement arc;   // a quarter about (20, 35) from (20, 30) to (25, 35)
    arc.Layer = 1, arc.Kind = core::dkArcCCW, arc.Code = 10;
    arc.X1 = 20, arc.Y1 = 30, arc.X2 = 25, arc.Y2 = 35, arc.X3 = 20, arc.Y3 = 35, arc.X4 = 5;
    core::AppendElement(arc);
    Add(1, core::dkLine, 10, 25, 35, 25, 45);
    Add(1, core::dkFlash, 11, 40, 50, 40, 50);
    Add(1, core::dkLine, 10, 25, 45, 15, 45);
    PrintArea.CentreX = 20, PrintArea.CentreY = 30;
    FakePrintDevice device;
    ASSERT_EQ(PrintLayers(device), 1);
    const platform::RasterCanvas& page = device.pages.front();
    EXPECT_EQ(page.Pixel(550, 600), Black);   // (25, 45): the paths are drawn
    EXPECT_EQ(page.Pixel(525, 675), White);   // (22.5, 37.5): nothing from the arc's start
    EXPECT_EQ(page.Pixel(650, 500), White);   // (35, 55): nothing from the flash
}

// Codes out of the tables draw nothing and break nothing.
TEST_F(PrintEngine, CodesOutOfTheTablesDrawNothing)
{
    Slot(1, true);
    Add(1, core::dkFlash, 5000, 20, 30, 20, 30);
    Add(1, core::dkLine, -7, 10, 30, 30, 30);
    Add(1, core::dkDrill, 2000, 20, 30, 20, 30);
    Add(1, core::dkDrillList, -1, 20, 30, 20, 30);
    PrintArea.CentreX = 20, PrintArea.CentreY = 30;
    FakePrintDevice device;
    EXPECT_EQ(PrintLayers(device), 1);
    EXPECT_EQ(device.pages.front().Pixel(500, 750), Black);   // the line, one pixel wide
}

TEST_F(PrintEngine, NoPageToPrintOnIsRefusedWithAMessage)
{
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    Slot(1, true);
    Add(1, core::dkLine, 10, 0, 0, 10, 0);
    struct Case { const char* name; output::DeviceCaps caps; };
    const Case cases[] = {
        {"no size", {"x", 1000, 1500, 0, 0, 1000, 1500, 0.0, 150.0}},
        {"no pixels", {"x", 0, 0, 0, 0, 0, 0, 100.0, 150.0}},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        FakePrintDevice device;
        device.caps = c.caps;
        EXPECT_EQ(PrintLayers(device), 0) << c.name;
        EXPECT_TRUE(device.calls.empty()) << c.name;
        ASSERT_EQ(boxes.shown.size(), 1u) << c.name;
        EXPECT_EQ(boxes.shown[0].text, NoPaperText);
        EXPECT_TRUE(PreviewImageRect() == platform::Rect{}) << c.name;
    }
    // A refused document (a PDF file not chosen) prints nothing, once asked.
    FakePrintDevice device;
    device.refuse = true;
    Slot(2, true);
    EXPECT_EQ(PrintLayers(device), 0);
    EXPECT_EQ(device.calls, (std::vector<std::string>{"begin"}));
}

// The sheets go on A4 portrait; the printer's own paper and capabilities come back.
TEST_F(PrintEngine, DataSheetsRestoreThePaperAndItsCapabilities)
{
    WriteSheetScripts();
    PrintSettings.GerberSheet = PrintSettings.ApertureSheet = 1;
    FakePrintDevice device;
    EXPECT_EQ(PrintDataSheets(device), 2);
    EXPECT_EQ(device.calls, (std::vector<std::string>{"push", "begin", "page", "end", "pop"}));
    EXPECT_EQ(device.pages.front().Width(), 2100);
    EXPECT_EQ(PrintSettings.HorzSize, 100.0);
    EXPECT_EQ(PrintSettings.HorzRes, 1000);
    // None chosen: nothing at all.
    PrintSettings.GerberSheet = PrintSettings.ApertureSheet = 0;
    FakePrintDevice idle;
    EXPECT_EQ(PrintDataSheets(idle), 0);
    EXPECT_TRUE(idle.calls.empty());
}

// The preview keeps the paper's shape and draws at its own size.
TEST_F(PrintEngine, PreviewAtItsOwnSize)
{
    FakePrintDevice device;
    ReadPrinterCaps(device);
    EXPECT_TRUE(PreviewImageRect() == (platform::Rect{123, 50, 456, 550}));
    std::swap(device.caps.PhysicalWidth, device.caps.PhysicalHeight);
    ReadPrinterCaps(device);
    EXPECT_TRUE(PreviewImageRect() == (platform::Rect{40, 133, 540, 466}));
    device.caps = FakePrintDevice().caps;
    ReadPrinterCaps(device);

    flashtest::SetAperture(10, core::apCircle, 0.5);
    Slot(1, true);
    Add(1, core::dkLine, 10, 10, 30, 30, 30);
    PrintArea.CentreX = 20, PrintArea.CentreY = 30;
    for (const int mode : {pmBlackOnWhite, pmInverted}) {
        PrintSettings.ColorMode = mode;
        PrintSettings.PageColor = mode == pmInverted ? Black : White;
        platform::RasterCanvas preview(333, 500, RGB(128, 128, 128));
        ClearPreviewImage(preview);
        EXPECT_EQ(preview.Pixel(0, 0), Black);
        EXPECT_EQ(preview.Pixel(10, 10), White);
        RenderPrintPreview(preview);
        const Color ink = PrintColorForMode(0);
        EXPECT_EQ(preview.Pixel(10, 10), PrintSettings.PageColor) << "mode " << mode;
        // 20 mm of line across 333 pixels for 100 mm (inside the border).
        int first = -1, last = -1;
        for (int x = 1; x < 332; ++x)
            if (preview.Pixel(x, 250) == ink) last = x, first = first < 0 ? x : first;
        EXPECT_NEAR(last - first + 1, 20 * 3.33, 2.0) << "mode " << mode;
        EXPECT_NEAR((first + last + 1) / 2.0, 166.5, 1.0) << "mode " << mode;
    }
}
