#pragma once
// The probe's design-rule and clearance verbs: the check and the gap tool
// over any set of files, without the window.
#include <string>
#include <vector>

namespace probe {

// drc [--width LAYER=MM]... [--angle LAYER]... [--top RESIST,SILK,GAP]
//     [--bottom RESIST,SILK,GAP] FILE...
// The files are the layers, in order. Prints one line per error in the order
// found, <type>\t<layer>\t<x>\t<y>\t<message>, then errors=<n>.
int Drc(const std::vector<std::string>& args);

// gap FILE... --at X1,Y1 --to X2,Y2
// The clearance between the elements nearest the two points:
// gap=<mm> a=<x>,<y> b=<x>,<y>, or gap=none.
int Gap(const std::vector<std::string>& args);

} // namespace probe
