#pragma once
// Driving the parameters dialog's pages as a user does, without a display:
// clicks in the middle of items and choices, typed texts, the buttons.
#include "dialogs/ParaForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace paratest {

// An aperture of the table, as a row of a test sets it.
inline core::MyAperture Ap(std::int32_t shape, double s1, double s2 = 0, double s3 = 0, std::int32_t used = 0)
{
    core::MyAperture a;
    a.Used = used;
    a.Shape = shape;
    a.Size1 = s1;
    a.Size2 = s2;
    a.Size3 = s3;
    return a;
}

inline platform::Point Middle(const platform::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

inline void ClickItem(int item)
{
    ASSERT_LT(item, dialogs::ParaItems.Count);
    const platform::Point p = Middle(dialogs::ParaItems.Rects[static_cast<std::size_t>(item)]);
    dialogs::Image1MouseUp(p.x, p.y);
}

// The balloon's choice of that caption, clicked; false when it has none.
inline bool Choose(const std::string& caption)
{
    if (!dialogs::Para.Image2.Visible) return false;
    for (int k = 0; k < dialogs::ChoiceBalloon.Count; ++k) {
        if (dialogs::ChoiceBalloon.Captions[static_cast<std::size_t>(k)] != caption) continue;
        const platform::Point p = Middle(dialogs::ChoiceBalloon.Rects[static_cast<std::size_t>(k)]);
        dialogs::Image2MouseUp(p.x, p.y);
        return true;
    }
    return false;
}

// A click on the item, then the choice of that caption in its balloon.
inline bool Pick(int item, const std::string& caption)
{
    ClickItem(item);
    return Choose(caption);
}

// A click on the item, then the text typed into its edit box.
inline void Type(int item, const std::string& text)
{
    ClickItem(item);
    dialogs::Edit1Change(text);
}

// The dialog shown in a mode, on a 1600 × 1000 screen.
inline void Show(const std::string& mode)
{
    dialogs::ParaRequest.Mode = mode;
    dialogs::FormShow(1600, 1000);
}

// The "Parameter" mode shown on one of its tabs.
inline void ShowTab(int tab)
{
    Show("Parameter");
    const platform::Point p = Middle(dialogs::ParaTabs.Rects.at(static_cast<std::size_t>(tab)));
    dialogs::Image1MouseUp(p.x, p.y);
    ASSERT_EQ(dialogs::ParaTabs.Current, tab);
}

// Scrolls the table to an entry of its list (a D-code, a tool); its visible row.
inline int RowOf(int entry)
{
    const auto& list = dialogs::ParaList;
    const auto it = std::find(list.begin(), list.end(), entry);
    EXPECT_NE(it, list.end()) << entry;
    const int p = static_cast<int>(it - list.begin());
    dialogs::ScrollBar1Change(std::min(p, dialogs::Para.ScrollBar1.Maximum));
    return p - dialogs::Para.ScrollBar1.Position;
}

// A click in the middle of a table cell.
inline void ClickCell(int col, int row)
{
    const platform::Point p =
        Middle(dialogs::ParaTable.CellRects.at(static_cast<std::size_t>(col)).at(static_cast<std::size_t>(row)));
    dialogs::Image3MouseUp(p.x, p.y);
}

// The format page's items of each record (the Gerber section, then the drill one).
struct FormatItems {
    int absInc, offsetX, offsetY, zero, numberFormat, units;
};
inline constexpr FormatItems GerberItems{4, 6, 7, 9, 11, 13};
inline constexpr FormatItems DrillItems{18, 20, 21, 23, 25, 27};

} // namespace paratest
