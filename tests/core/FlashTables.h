#pragma once
// Setting up apertures, macros and flashes in the tables for drawing tests.
#include "core/Datas.h"

#include <string>
#include <vector>

namespace flashtest {

inline void SetAperture(int d, int shape, double s1, double s2 = 0, double s3 = 0)
{
    core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
    a = core::MyAperture{};
    a.Shape = shape;
    a.Size1 = s1;
    a.Size2 = s2;
    a.Size3 = s3;
}

// A macro aperture whose primitives are the given texts (after parameter
// substitution: "1,1,0.5,0,0").
inline void SetMacro(int d, const std::vector<std::string>& primitives)
{
    core::MyAperture& a = core::Apertures[static_cast<std::size_t>(d)];
    a = core::MyAperture{};
    a.Shape = core::apMacro;
    a.MacroName = "M" + std::to_string(d);
    a.FirstPrimitive = core::MacroCount + 1;
    for (const std::string& text : primitives) {
        core::MyMacro m;
        m.DCode = d;
        m.Name = a.MacroName;
        m.Text = text;
        core::MacroCount += 1;
        core::Macros.resize(static_cast<std::size_t>(core::MacroCount) + 1);
        core::Macros[static_cast<std::size_t>(core::MacroCount)] = m;
    }
    a.LastPrimitive = core::MacroCount;
    core::ParseMacroParams();
}

// Appends a flash of aperture d at (x, y); returns its index.
inline int AddFlash(int d, double x, double y, int layer = 1, int group = 0)
{
    core::DataElement e;
    e.Kind = core::dkFlash;
    e.Code = d;
    e.Layer = layer;
    e.Group = group;
    e.X1 = e.X2 = e.X3 = x;
    e.Y1 = e.Y2 = e.Y3 = y;
    core::AppendElement(e);
    return core::DataCount - 1;
}

} // namespace flashtest
