// Every numeric field of the dialogs typed into key by key, the text ending
// as one the field does not take: the field and its cell hold what they held
// before the edit began, never what an earlier keystroke stored.
#include "core/DesignRules.h"
#include "core/ProgramSettings.h"
#include "dialogs/DataPages.h"
#include "dialogs/DrcPage.h"
#include "tests/dialogs/ParaDriver.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace dialogs;
using namespace paratest;
using core::Apertures;
using core::DrcSettings;

namespace {

class RefusedTexts : public ::testing::Test {
protected:
    // The tables as each case finds them.
    static void Reset()
    {
        core::ResetTables();
        core::ResetApertureTable();
        core::ProjectBasics = core::MyBasicSet{};
        core::ProjectBasics.BoardWidth = 100.5;
        core::GerberFormat = core::DefaultFormat("Gerber");
        core::DrillFormat = core::DefaultFormat("Drill");
        core::GerberFormat.OffsetX = 1.25;
        core::DrillFormat.OffsetY = -2.5;
        Para = ParaWindow{};
        ParaTable.SelCol = ParaTable.SelRow = -1;
        DrcSettings = core::MyDrcSet{};
        const char* contents[] = {"部品面パターン", "部品面シルク", "部品面レジスト"};
        core::LayerCount = 3;
        for (int i = 1; i <= 3; ++i) {
            core::LayerTable[static_cast<std::size_t>(i)].FileName = "l" + std::to_string(i) + ".gbr";
            core::LayerTable[static_cast<std::size_t>(i)].Contents = contents[i - 1];
        }
        Apertures[20] = Ap(core::apThermal90, 1, 1.5, 0.25, 1);
        Apertures[21] = Ap(core::apCircle, 0.5, 0, 0, 1);
        Apertures[22] = Ap(core::apPolygon, 1.2, 6, 30);
        Apertures[23] = Ap(core::apOval, 1.2, 0.6);
    }
    void TearDown() override
    {
        core::ResetTables();
        DrcSettings = core::MyDrcSet{};
    }
};

// The texts an edit box holds as `text` is typed one key at a time.
std::vector<std::string> Keys(const std::string& text)
{
    std::vector<std::string> keys;
    for (std::size_t n = 1; n <= text.size(); ++n) keys.push_back(text.substr(0, n));
    return keys;
}

const std::string& Cell(int col, int row) { return ParaTable.CellTexts.at(static_cast<std::size_t>(col)).at(static_cast<std::size_t>(row)); }

TEST_F(RefusedTexts, LeaveTheValueFromBeforeTheEdit)
{
    core::MyAperture &thermal = Apertures[20], &circle = Apertures[21], &polygon = Apertures[22], &oval = Apertures[23];
    // Where a field is edited: placing its edit box, a change of the box's
    // text, what its cell shows.
    struct Where {
        std::function<void()> open;
        std::function<void(const std::string&)> type;
        std::function<std::string()> cell;
    };
    // A size cell of the aperture table.
    int row = -1;
    auto aperture = [&](int d, int col) {
        return Where{[&row, d, col] {
                         ShowTab(2);
                         row = RowOf(d);
                         ClickCell(col, row);
                     },
                     [](const std::string& t) { Edit2Change(t); }, [&row, col] { return Cell(col, row); }};
    };
    // A value cell of a page of the parameters dialog.
    auto item = [](std::function<void()> show, int i) {
        return Where{[show, i] {
                         show();
                         ClickItem(i);
                     },
                     [](const std::string& t) { Edit1Change(t); },
                     [i] { return ParaItems.Captions.at(static_cast<std::size_t>(i)); }};
    };
    auto tab = [](int t) { return [t] { ShowTab(t); }; };
    auto format = [] { Show("Format"); };
    // The design-rule page of the folder dialog.
    auto showDrc = [] {
        folder::FolderMode = "DRC";
        folder::FormShow(1600, 1000);
    };
    const Where width{[showDrc] {
                          showDrc();
                          const platform::Point p = Middle(folder::DrcGrid.CellRects[1][0]);
                          folder::Image5MouseUp(p.x, p.y, folder::MouseButton::Left);
                      },
                      [](const std::string& t) { folder::Edit2Change(t); },
                      [] { return folder::DrcGrid.CellTexts[1][0]; }};
    auto gap = [showDrc](int i) {
        return Where{[showDrc, i] {
                         showDrc();
                         const platform::Point p = Middle(folder::PanelItems.Rects.at(static_cast<std::size_t>(i)));
                         folder::Image2MouseUp(p.x, p.y, folder::MouseButton::Left);
                     },
                     [](const std::string& t) { folder::Edit3Change(t); },
                     [i] { return folder::PanelItems.Captions.at(static_cast<std::size_t>(i)); }};
    };

    core::MyBasicSet& b = core::ProjectBasics;
    const struct {
        const char* field;
        Where where;
        double* value;
        std::vector<std::string> keys;   // the texts after each key; the last is refused
    } cases[] = {
        // The bridge stays below an eighth of the inner circumference (0.3927).
        {"bridge 0.5", aperture(20, 4), &thermal.Size3, Keys("0.5")},
        {"bridge 0.3925", aperture(20, 4), &thermal.Size3, Keys("0.3925")},
        {"bridge -", aperture(20, 4), &thermal.Size3, {"0", "0.", "0.1", "-0.1"}},
        {"thermal inner", aperture(20, 2), &thermal.Size1, Keys("1e400")},
        {"thermal outer", aperture(20, 3), &thermal.Size2, Keys("1e400")},
        // A used aperture keeps a size above 0.
        {"used circle", aperture(21, 2), &circle.Size1, {"0", "0.", "0.2", "0.", "0"}},
        {"polygon diameter", aperture(22, 2), &polygon.Size1, Keys("1e400")},
        {"polygon vertices", aperture(22, 3), &polygon.Size2, Keys("1e400")},
        {"polygon angle", aperture(22, 4), &polygon.Size3, Keys("1e400")},
        {"oval y", aperture(23, 3), &oval.Size2, Keys("1e400")},
        {"board width", item(tab(1), 4), &b.BoardWidth, Keys("1e400")},
        {"board height", item(tab(1), 6), &b.BoardHeight, Keys("1e400")},
        {"board left", item(tab(1), 8), &b.BoardLeft, Keys("-1e400")},
        {"board bottom", item(tab(1), 10), &b.BoardBottom, Keys("1e400")},
        {"drill left", item(tab(1), 14), &b.NcLeft, Keys("1e400")},
        {"drill bottom", item(tab(1), 16), &b.NcBottom, Keys("1e400")},
        {"Gerber tab offset x", item(tab(2), 5), &core::GerberFormat.OffsetX, Keys("1e400")},
        {"Gerber tab offset y", item(tab(2), 6), &core::GerberFormat.OffsetY, Keys("1e400")},
        {"drill tab offset x", item(tab(3), 5), &core::DrillFormat.OffsetX, Keys("1e400")},
        {"drill tab offset y", item(tab(3), 6), &core::DrillFormat.OffsetY, Keys("1e400")},
        {"format Gerber offset x", item(format, GerberItems.offsetX), &core::GerberFormat.OffsetX, Keys("1e400")},
        {"format Gerber offset y", item(format, GerberItems.offsetY), &core::GerberFormat.OffsetY, Keys("1e400")},
        {"format drill offset x", item(format, DrillItems.offsetX), &core::DrillFormat.OffsetX, Keys("1e400")},
        {"format drill offset y", item(format, DrillItems.offsetY), &core::DrillFormat.OffsetY, Keys("1e400")},
        {"minimum width", width, nullptr, Keys("1e400")},
        {"top gap", gap(folder::diTopGap), &DrcSettings.TopGap, Keys("1e400")},
        {"bottom gap", gap(folder::diBottomGap), &DrcSettings.BottomGap, Keys("1e400")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        Reset();
        c.where.open();
        // The width of layer 1 (its entry exists once the page has been shown).
        double* value = c.value ? c.value : &DrcSettings.MinWidth.at(1);
        const double before = *value;
        const std::string cell = c.where.cell();
        bool changed = false;
        for (const std::string& k : c.keys) {
            c.where.type(k);
            changed = changed || *value != before;
        }
        // An earlier key stored a value of its own.
        EXPECT_TRUE(changed);
        EXPECT_EQ(*value, before);
        EXPECT_EQ(c.where.cell(), cell);
    }
}

} // namespace
