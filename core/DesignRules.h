#pragma once
// The design-rule check: minimum line widths and 45-degree directions per
// layer, and the least clearance between the resist and silk layers of each
// side. Findings are appended to DrcErrors in the order found.
#include "core/Datas.h"
#include "core/Tasks.h"

#include <cstdint>
#include <string>
#include <vector>

namespace core {

struct MyDrcSet {
    std::int32_t Count = 0;                // layers the per-layer arrays were made for
    std::vector<double> MinWidth;          // [0..Count] by layer: least line width, mm; 0 no check
    std::vector<std::int32_t> AngleCheck;  // [0..Count] by layer: > 0 lines run in the eight 45° directions
    std::uint8_t TopOn = 0;
    std::int32_t TopSilk = 0, TopResist = 0;   // layer numbers, 0 none
    double TopGap = 0;                         // least clearance, mm
    std::uint8_t BottomOn = 0;
    std::int32_t BottomSilk = 0, BottomResist = 0;
    double BottomGap = 0;
    std::uint8_t ShowErrors = 1;    // the window draws the marks
    std::uint8_t BlinkErrors = 0;   // the window blinks the elements
};

enum DrcErrorType : std::int32_t {
    etLineWidth = 1,
    etLineAngle = 2,
    etTopResistSilk = 3,
    etBottomResistSilk = 4,
};

struct MyErrPointSet {
    std::int32_t Element = 0;   // the offending element; for a resist-silk gap the silk element
    double X = 0, Y = 0;        // where its mark goes
    std::string Message;
    std::int32_t ErrorType = 0;
};

// The errors 0..Count-1 in the order found; Elements parallel to Points.
struct MyErrorPoint {
    std::vector<MyErrPointSet> Points;
    std::int32_t Count = 0;
    MyIntArray Elements;
};

extern MyDrcSet DrcSettings;
extern MyErrorPoint DrcErrors;

// The settings of the layers after MoveLayer(from, to): they follow their
// layers (run by MoveLayer through its hooks).
void MoveDrcLayer(int from, int to);

// Adds an error after the first Count.
void AppendDrcError(MyErrPointSet error);
void ClearDrcErrors();

// Lines and arcs (kinds 1, 2, 6, 7) thinner than their layer's MinWidth by
// more than 0.0005 mm, then lines (1, 2) off every 45° direction by more than
// 0.01 rad; an element can give both, width first.
void CheckLineRules(Gauge& gauge);

// For each side switched on with both layers and a gap above 0: every pair
// of a resist element and a silk element closer than the gap by more than
// 0.0005 mm, resist elements in element order, the silk elements of each in
// the order of their numbers read as text. Every pair whose boxes come that
// close is measured.
void CheckResistSilkGap(Gauge& gauge, const TaskRunner& runner = {});

} // namespace core
