#include "dialogs/DrcPage.h"

#include "core/Datas.h"
#include "core/DesignRules.h"
#include "dialogs/PagePainters.h"

#include <algorithm>

namespace dialogs::folder {

using core::DrcSettings;

namespace {

constexpr int RowPitch = 20, RowHeight = 18;
// A column grows to its longest text up to this; beyond, texts are cut at
// the column's edge.
constexpr int WidestColumn = 360;

int Width(const Rect& r) { return r.right - r.left; }
int Height(const Rect& r) { return r.bottom - r.top; }

int FirstLayerOf(const char* contents)
{
    for (int i = 1; i <= core::LayerCount; ++i)
        if (core::LayerTable[static_cast<std::size_t>(i)].Contents == contents) return i;
    return 0;
}

std::string LayerCaption(int layer)
{
    const core::MyLayerSet& l = core::LayerTable[static_cast<std::size_t>(layer)];
    return l.FileName + " (" + l.Contents + ")";
}

// The settings' entry of a layer, nullptr when they hold none for it.
template <class T>
T* Entry(std::vector<T>& v, int layer)
{
    return layer >= 1 && layer <= DrcSettings.Count && static_cast<std::size_t>(layer) < v.size()
               ? &v[static_cast<std::size_t>(layer)]
               : nullptr;
}

// A text cut at the edges of its cell.
void ClippedText(platform::RasterCanvas& c, const Rect& cell, int x, int y, const std::string& text,
                 platform::Color background, platform::Color color = 0)
{
    if (text.empty() || Width(cell) <= 0 || Height(cell) <= 0) return;
    platform::RasterCanvas scratch;
    BeginPicture(scratch, Width(cell), Height(cell), background);
    scratch.SetBrushStyle(platform::BrushStyle::Clear);
    scratch.SetFontColor(color);
    scratch.TextOut(x - cell.left, y - cell.top, text);
    c.Blit(scratch, cell.left, cell.top, platform::RasterCanvas::BlitOp::Copy);
}

int& PickedLayer(int item)
{
    static int none = 0;
    switch (item) {
    case diTopResist: return DrcSettings.TopResist;
    case diTopSilk: return DrcSettings.TopSilk;
    case diBottomResist: return DrcSettings.BottomResist;
    case diBottomSilk: return DrcSettings.BottomSilk;
    default: return none;
    }
}

bool IsLayerItem(int item)
{
    return item == diTopResist || item == diTopSilk || item == diBottomResist || item == diBottomSilk;
}

void HidePickList()
{
    Folder.ScrollBox1.Visible = false;
    PickItems.Hot = -1;
}

void HideEdit(EditState& e)
{
    e.Visible = false;
    Folder.Focus = FolderWindow::FocusOn::None;
}

// What the width and the gap held when their edit boxes were placed: a text
// that is no number puts that back, not what an earlier key stored.
double WidthBefore = 0, GapBefore = 0;

void OpenEdit(EditState& e, const Rect& bounds, double value, FolderWindow::FocusOn focus)
{
    (&e == &Folder.Edit2 ? WidthBefore : GapBefore) = value;
    e.Bounds = bounds;
    e.Text = NumberCaption(value);
    e.Kind = FieldKind::Number;
    e.Color = White;
    e.SelectAll = true;
    e.Caret = -1;
    e.Visible = true;
    Folder.Focus = focus;
}

// The layer list opens upwards from a layer field of the panel.
void ShowLayerPickList(int item)
{
    const Rect& field = PanelItems.Rects[static_cast<std::size_t>(item)];
    const int n = core::LayerCount;
    ScrollBoxState& box = Folder.ScrollBox1;
    int widest = 0;
    for (int i = 1; i <= n; ++i) widest = std::max(widest, PageTextWidth(LayerCaption(i)) + 8);
    const int height = n >= 12 ? 220 : n * RowHeight + 5;
    const bool scrolls = n * RowHeight > height - 2;
    // As wide as the field, or as its longest name (within the window).
    const int room = scrolls ? ScrollBoxState::ScrollBarRoom : 0;
    const int width = std::min(std::max(Width(field), widest + 2 + room), Folder.ClientWidth - 4 - field.left);
    box.Visible = true;
    box.Border = true;
    box.Color = White;
    box.Position = 0;
    box.Bounds = {field.left, field.top - height, field.left + width, field.top};
    InitFreeBox(PickItems, n);
    const int cw = std::max(box.PictureWidth(n * RowHeight), widest);
    for (int i = 1; i <= n; ++i) {
        SetItem(PickItems, i - 1, {0, RowHeight * (i - 1), cw, RowHeight * i}, stPlain, LayerCaption(i));
        PickItems.Data[static_cast<std::size_t>(i - 1)] = i;
    }
    box.Image = ImageState{true, {0, 0, cw, n * RowHeight}, {}};
    DrawPickList();
}

void RefreshPanelCaptions()
{
    for (int item : {diTopResist, diTopSilk, diBottomResist, diBottomSilk}) {
        const int layer = PickedLayer(item);
        if (layer >= 1 && layer <= core::LayerCount)
            PanelItems.Captions[static_cast<std::size_t>(item)] = " " + LayerCaption(layer);
    }
    PanelItems.Captions[diTopGap] = " " + NumberCaption(DrcSettings.TopGap);
    PanelItems.Captions[diBottomGap] = " " + NumberCaption(DrcSettings.BottomGap);
    PanelItems.LeftIcons[diTopOn] = DrcSettings.TopOn ? fiTicked : fiUnticked;
    PanelItems.LeftIcons[diBottomOn] = DrcSettings.BottomOn ? fiTicked : fiUnticked;
}

} // namespace

void DrcDefaults()
{
    const int n = core::LayerCount;
    if (n < 1 || DrcSettings.Count == n) return;
    auto& s = DrcSettings;
    s.Count = n;
    s.MinWidth.assign(static_cast<std::size_t>(n) + 1, 0.0);
    s.AngleCheck.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const std::string& contents = core::LayerTable[static_cast<std::size_t>(i)].Contents;
        const auto k = static_cast<std::size_t>(i);
        if (contents == "部品面パターン" || contents == "半田面パターン") {
            s.MinWidth[k] = 0.2;
            s.AngleCheck[k] = 1;
        } else if (contents == "部品面シルク" || contents == "半田面シルク") {
            s.MinWidth[k] = 0.2;
        }
    }
    s.TopSilk = FirstLayerOf("部品面シルク");
    s.TopResist = FirstLayerOf("部品面レジスト");
    s.TopGap = 0.15;
    s.TopOn = s.TopSilk >= 1 && s.TopResist >= 1;
    // The bottom check is switched on by the user only.
    s.BottomOn = 0;
    s.BottomSilk = FirstLayerOf("半田面シルク");
    s.BottomResist = 0;
    s.BottomGap = 0;
    if (s.BottomSilk >= 1) {
        s.BottomResist = FirstLayerOf("半田面レジスト");
        s.BottomGap = 0.15;
    }
}

namespace {

// The widths the values of the page need: the widest minimum width in its
// column and the widest gap in its field, as the page was last laid out.
int WidthValuesNeed = 0, GapValuesNeed = 0;

int MeasureWidthValues()
{
    int w = 0;
    for (int i = 1; i <= DrcSettings.Count && static_cast<std::size_t>(i) < DrcSettings.MinWidth.size(); ++i) {
        const double v = DrcSettings.MinWidth[static_cast<std::size_t>(i)];
        if (v > 0) w = std::max(w, PageTextWidth(NumberCaption(v)) + 8);
    }
    return w;
}

int MeasureGapValues()
{
    return std::max(PageTextWidth(" " + NumberCaption(DrcSettings.TopGap)),
                    PageTextWidth(" " + NumberCaption(DrcSettings.BottomGap))) + 8;
}

// Lays the page out for the layers and the values as they stand: the
// window as wide as they need. The scroll position, the selected cell and
// the open edit boxes stay, each box on its cell.
void LayOutDrcPage()
{
    const int n = core::LayerCount;
    WidthValuesNeed = MeasureWidthValues();
    GapValuesNeed = MeasureGapValues();

    // Our font is wider than the page was made for: each column takes the
    // width its headings and layer names need, and no number is cut.
    int names = 0;
    for (int i = 1; i <= n; ++i) names = std::max(names, PageTextWidth(LayerCaption(i)) + 28);
    auto fit = [](int least, std::initializer_list<int> needs) {
        int w = least;
        for (int need : needs) w = std::max(w, need);
        return std::min(w, std::max(least, WidestColumn));
    };
    const int a = PageTextWidth("BOTTOM") + 50;
    const int b = a + fit(180, {PageTextWidth(ResistColumnText) + 8, names, PageTextWidth(LayerColumnText) + 28 - a});
    const int c = b + std::max(fit(180, {PageTextWidth(WidthColumnText) + 8, PageTextWidth(SilkColumnText) + 8, names}),
                               WidthValuesNeed + 2);
    const int last = std::max({640 - 20 - c, PageTextWidth(AngleColumnText) + 8, PageTextWidth(GapColumnText) + 8, GapValuesNeed});
    Folder.ClientWidth = c + last + 20;
    Folder.ClientHeight = 480;
    const int W = Folder.ClientWidth, H = Folder.ClientHeight;
    Folder.Image2 = ImageState{true, {0, 0, W, H}, {}};

    InitFreeBox(PanelItems, 18);
    SetItem(PanelItems, 0, {20, 20, W - 20, 42}, stRaised, RulesHeadingText, fiRules);
    SetItem(PanelItems, 1, {20, 42, b, 64}, stRaised, LayerColumnText);
    SetItem(PanelItems, 2, {b, 42, c, 64}, stRaised, WidthColumnText);
    SetItem(PanelItems, 3, {c, 42, W - 20, 64}, stRaised, AngleColumnText);
    SetItem(PanelItems, 4, {20, 62, W - 20, 72}, stPlain, "-");
    SetItem(PanelItems, 5, {20, 280, W - 20, 302}, stRaised, GapHeadingText, fiGap);
    SetItem(PanelItems, 6, {a, 302, b, 324}, stRaised, ResistColumnText);
    SetItem(PanelItems, 7, {b, 302, c, 324}, stRaised, SilkColumnText);
    SetItem(PanelItems, 8, {c, 302, W - 20, 324}, stRaised, GapColumnText);
    for (const auto& [first, top, name] : {std::tuple{diTopOn, 324, "TOP"}, std::tuple{diBottomOn, 346, "BOTTOM"}}) {
        SetItem(PanelItems, first, {20, top, a - 2, top + 20}, stPlain, name, fiUnticked);
        SetItem(PanelItems, first + 1, {a, top, b - 2, top + 20}, stWhite, "");
        SetItem(PanelItems, first + 2, {b, top, c - 2, top + 20}, stWhite, "");
        SetItem(PanelItems, first + 3, {c, top, W - 20, top + 20}, stWhite, "");
    }
    SetItem(PanelItems, 17, {20, H - 60, W - 20, H - 50}, stPlain, "=");

    const Rect& cancel = Button(FolderButton::swCancel).Bounds;
    PlaceButton(FolderButton::swCancel, W - 60 - Width(cancel), H - 40);
    PlaceButton(FolderButton::swOK, cancel.left - 10 - Width(Button(FolderButton::swOK).Bounds), H - 40);
    Button(FolderButton::swOK).Visible = true;

    ScrollBoxState& grid = Folder.ScrollBox3;
    grid.Visible = n > 0;
    grid.Bounds = {20, 67, W - 20, 267};
    grid.Border = false;
    grid.Color = PageFaceColor;
    const int cw = grid.PictureWidth(n * RowPitch);
    grid.Image = ImageState{n > 0, {0, 0, cw, n * RowPitch}, {}};
    InitGridBox(DrcGrid, 3, n);
    for (int r = 0; r < n; ++r) {
        const auto k = static_cast<std::size_t>(r);
        const int y = RowPitch * r;
        DrcGrid.RowData[k] = r + 1;
        DrcGrid.CellRects[0][k] = {0, y, b - 22, y + RowHeight};
        DrcGrid.CellRects[1][k] = {b - 20, y, c - 22, y + RowHeight};
        DrcGrid.CellRects[2][k] = {c - 20, y, cw, y + RowHeight};
    }

    if (Folder.Edit2.Visible && DrcGrid.SelRow >= 0 && DrcGrid.SelRow < n) {
        const Rect& r = DrcGrid.CellRects[1][static_cast<std::size_t>(DrcGrid.SelRow)];
        Folder.Edit2.Bounds = {r.left + 2, r.top + 1, r.right - 1, r.bottom - 1};
    }
    if (Folder.Edit3.Visible && (Folder.Edit3Tag == diTopGap || Folder.Edit3Tag == diBottomGap)) {
        const Rect& r = PanelItems.Rects[static_cast<std::size_t>(Folder.Edit3Tag)];
        Folder.Edit3.Bounds = {r.left + 6, r.top + 1, r.right - 1, r.bottom - 1};
    }
    // The layer list stood on a field that may have moved.
    HidePickList();
}

// A typed value stored: when it needs another width than its column has,
// the page is laid out again (and drawn); true then.
bool RefitDrcPage()
{
    if (MeasureWidthValues() == WidthValuesNeed && MeasureGapValues() == GapValuesNeed) return false;
    LayOutDrcPage();
    DrawDrcPanel();
    if (core::LayerCount > 0) DrawDrcGrid();
    return true;
}

} // namespace

void ShowDrcPage()
{
    DrcDefaults();
    Folder.Caption = DrcCaption;
    Folder.ScrollBox3.Position = 0;
    DrcGrid.SelCol = DrcGrid.SelRow = -1;
    LayOutDrcPage();
    DrawDrcPanel();
    if (core::LayerCount > 0) DrawDrcGrid();
}

void DrawDrcPanel()
{
    RefreshPanelCaptions();
    // The layer names are cut at their fields' edges.
    MyFreeBox panel = PanelItems;
    for (int item : {diTopResist, diTopSilk, diBottomResist, diBottomSilk}) panel.Captions[static_cast<std::size_t>(item)].clear();
    platform::RasterCanvas& c = Folder.Image2.Picture;
    BeginPicture(c, Width(Folder.Image2.Bounds), Height(Folder.Image2.Bounds));
    DrawPageItems(c, panel, 1, DrawFolderIcon);
    for (int item : {diTopResist, diTopSilk, diBottomResist, diBottomSilk}) {
        const Rect& r = PanelItems.Rects[static_cast<std::size_t>(item)];
        ClippedText(c, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, r.left + 2, r.top + 1,
                    PanelItems.Captions[static_cast<std::size_t>(item)], White);
    }
}

void DrawDrcGrid()
{
    // Captions from the settings.
    for (int r = 0; r < DrcGrid.Rows; ++r) {
        const auto k = static_cast<std::size_t>(r);
        const int layer = DrcGrid.RowData[k];
        const double* width = Entry(DrcSettings.MinWidth, layer);
        const std::int32_t* angle = Entry(DrcSettings.AngleCheck, layer);
        DrcGrid.CellTexts[0][k] = LayerCaption(layer);
        DrcGrid.CellTexts[1][k] = width && *width > 0 ? NumberCaption(*width) : "";
        DrcGrid.CellTexts[2][k] = angle && *angle == 1 ? "ON" : "";
    }
    ScrollBoxState& box = Folder.ScrollBox3;
    platform::RasterCanvas& c = box.Image.Picture;
    BeginPicture(c, Width(box.Image.Bounds), Height(box.Image.Bounds), box.Color);
    for (int r = 0; r < DrcGrid.Rows; ++r) {
        const auto k = static_cast<std::size_t>(r);
        const Rect& name = DrcGrid.CellRects[0][k];
        const platform::Color color = core::LayerTable[static_cast<std::size_t>(DrcGrid.RowData[k])].Color;
        int x = name.left + 2;
        if (color != 0) {
            c.SetPenColor(0);
            c.SetBrushColor(color);
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.Rectangle(name.left, name.top + 2, name.left + 14, name.top + 16);
            x += 20;
        }
        ClippedText(c, {x, name.top, name.right, name.bottom}, x, name.top + 2, DrcGrid.CellTexts[0][k], box.Color);
        for (std::size_t col = 1; col < 3; ++col) {
            const Rect& cell = DrcGrid.CellRects[col][k];
            c.SetBrushColor(White);
            c.SetBrushStyle(platform::BrushStyle::Solid);
            c.FillRect(cell);
            ClippedText(c, cell, cell.left + 2, cell.top + 2, DrcGrid.CellTexts[col][k], White);
        }
    }
}

void DrcPanelUp(int x, int y)
{
    HideEdit(Folder.Edit3);
    const int item = HitItem(PanelItems, x, y);
    if (!IsLayerItem(item)) HidePickList();
    if (item < 0) return;
    PanelItems.Clicked = item;
    if (IsLayerItem(item)) {
        if (core::LayerCount > 0) ShowLayerPickList(item);
    } else if (item == diTopOn || item == diBottomOn) {
        std::uint8_t& on = item == diTopOn ? DrcSettings.TopOn : DrcSettings.BottomOn;
        on = on ? 0 : 1;
        DrawDrcPanel();
    } else if (item == diTopGap || item == diBottomGap) {
        const Rect& r = PanelItems.Rects[static_cast<std::size_t>(item)];
        Folder.Edit3Tag = item;
        OpenEdit(Folder.Edit3, {r.left + 6, r.top + 1, r.right - 1, r.bottom - 1},
                 item == diTopGap ? DrcSettings.TopGap : DrcSettings.BottomGap, FolderWindow::FocusOn::Edit3);
    }
}

void DrcPickUp(int x, int y)
{
    const int row = HitItem(PickItems, x, y);
    HidePickList();
    if (row < 0 || !IsLayerItem(PanelItems.Clicked)) return;
    PickedLayer(PanelItems.Clicked) = PickItems.Data[static_cast<std::size_t>(row)];
    DrawDrcPanel();
}

void DrcGridUp(int x, int y, MouseButton button)
{
    HideEdit(Folder.Edit2);
    const GridCell cell = HitCell(DrcGrid, x, y, 0, 2);
    if (cell.row < 0) return;
    DrcGrid.SelCol = cell.col;
    DrcGrid.SelRow = cell.row;
    const int layer = DrcGrid.RowData[static_cast<std::size_t>(cell.row)];
    if (cell.col == 2) {
        if (std::int32_t* angle = Entry(DrcSettings.AngleCheck, layer)) *angle = *angle == 1 ? 0 : 1;
        DrawDrcGrid();
    } else if (cell.col == 1) {
        double* width = Entry(DrcSettings.MinWidth, layer);
        if (!width) return;
        if (button == MouseButton::Right) {
            *width = 0;
            DrawDrcGrid();
            return;
        }
        const Rect& r = DrcGrid.CellRects[1][static_cast<std::size_t>(cell.row)];
        Folder.Edit2Tag = layer;
        OpenEdit(Folder.Edit2, {r.left + 2, r.top + 1, r.right - 1, r.bottom - 1}, *width, FolderWindow::FocusOn::Edit2);
    }
}

void DrcEdit2Change(const std::string& text)
{
    const std::string t = TypedText(Folder.Edit2, text);
    double value = 0;
    if (DrcGrid.SelCol != 1) return;
    if (!ParseFieldNumber(t, value)) value = WidthBefore;
    if (double* width = Entry(DrcSettings.MinWidth, Folder.Edit2Tag)) *width = value;
    if (!RefitDrcPage()) DrawDrcGrid();
}

void DrcEdit3Change(const std::string& text)
{
    const std::string t = TypedText(Folder.Edit3, text);
    double value = 0;
    if (!ParseFieldNumber(t, value)) value = GapBefore;
    if (Folder.Edit3Tag == diTopGap) DrcSettings.TopGap = value;
    else if (Folder.Edit3Tag == diBottomGap) DrcSettings.BottomGap = value;
    if (!RefitDrcPage()) DrawDrcPanel();
}

bool DrcLeavePickList()
{
    if (!Folder.ScrollBox1.Visible || PickItems.Hot < 0) return false;
    HidePickList();
    return true;
}

bool DrcEscape()
{
    if (Folder.Edit2.Visible) HideEdit(Folder.Edit2);
    else if (Folder.Edit3.Visible) HideEdit(Folder.Edit3);
    else if (Folder.ScrollBox1.Visible) HidePickList();
    else return false;
    return true;
}

} // namespace dialogs::folder
