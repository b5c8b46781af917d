#include "dialogs/ChoiceBalloon.h"

namespace dialogs {

namespace {

using S = BalloonSide;

const std::vector<BalloonKind>& Kinds()
{
    static const std::vector<BalloonKind> kinds = {
        {"FileContents", 180, 284, S::Right,
         {{"部品面メタルマスク", 12}, {"部品面シルク", 13}, {"部品面レジスト", 14}, {"部品面パターン", 8}, {"内層L2", 15},
          {"内層L3", 18}, {"半田面パターン", 8}, {"半田面レジスト", 14}, {"半田面シルク", 13}, {"半田面メタルマスク", 12},
          {"基板外形", 11}, {"部品配置図", 9}, {"基板寸法", 10}, {"ドリルデータ", 3}}},
        {"GBFormat", 120, 44, S::Right, {{"RS-274D", -1}, {"RS-274X", -1}}},
        {"NCFormat", 120, 44, S::Right, {{"NCドリル", -1}, {"ガーバー", -1}}},
        {"ABSINC", 120, 44, S::Right, {{"ABS", -1}, {"INC", -1}}},
        {"Aperture", 150, 164, S::Right,
         {{"なし", 0}, {"円", 16}, {"正方形", 17}, {"サーマル45°", 18}, {"サーマル90°", 19}, {"長円形", 20}, {"矩形", 21},
          {"正多角形", 22}}},
        {"ZERO", 120, 54, S::Down, {{"Omit Leading", -1}, {"Omit Trailing", -1}}},
        {"UNIT", 120, 54, S::Down, {{"mm", -1}, {"inch", -1}}},
        {"NUM-FORMAT", 120, 94, S::Down, {{"000.00", -1}, {"000.000", -1}, {"000.0000", -1}, {"000.00000", -1}}},
        {"HoleComment", 200, 129, S::Up,
         {{"0 ザグリマークC(第１穴)", -1}, {"1 ガイド穴", -1}, {"2 スルホール", -1}, {"3 キリ穴", -1},
          {"4 長穴（スルホール）中心１穴", -1}, {"5 長穴（キリ穴）中心１穴", -1}}},
    };
    return kinds;
}

} // namespace

const BalloonKind* FindBalloonKind(const std::string& key, bool drill)
{
    // Drill data names its zero modes by the zeros it keeps.
    static const BalloonKind drillZero{"ZERO", 120, 54, S::Down, {{"Trailing Zero", -1}, {"Leading Zero", -1}}};
    if (drill && key == "ZERO") return &drillZero;
    for (const BalloonKind& k : Kinds())
        if (key == k.Key) return &k;
    return nullptr;
}

void FillBalloon(MyBalloonBox& box, const BalloonKind& kind, int width)
{
    InitBalloonBox(box, static_cast<int>(kind.Choices.size()));
    box.Key = kind.Key;
    const bool comments = box.Key == "HoleComment";
    for (std::size_t i = 0; i < kind.Choices.size(); ++i) {
        const int k = static_cast<int>(i);
        if (comments) box.Rects[i] = {5, 2 + 19 * k, width - 5, 20 + 19 * k};
        else if (kind.Side == BalloonSide::Down) box.Rects[i] = {5, 12 + 20 * k, width - 5, 30 + 20 * k};
        else box.Rects[i] = {15, 2 + 20 * k, width - 5, 20 + 20 * k};
        box.Captions[i] = kind.Choices[i].Caption;
        box.Icons[i] = kind.Choices[i].Icon;
    }
}

} // namespace dialogs
