#pragma once
// The probe's print verb: loads files as layers (page letters as loaded,
// every layer shown) and prints them through the print engine into a PDF
// file, A4 portrait, minimum margins; or, with --sheets, the chosen data
// sheets instead.
#include <string>
#include <vector>

namespace probe {

// Arguments after the verb: OUT.pdf FILE... with the options --scale P,
// --mirror, --offset X,Y, --mode 0..3, --sheets gerber,drill,aperture
// anywhere. Prints pages=<n> scale=<x>,<y> (pixels per mm); returns the
// exit status.
int PrintToPdf(const std::vector<std::string>& args);

} // namespace probe
