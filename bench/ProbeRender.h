#pragma once
// The probe's render verb: loads files as layers, shows them all, fits the
// view to a picture of the given size, redraws and writes a PNG.
#include <string>
#include <vector>

namespace probe {

// Arguments after the verb: OUT.png WIDTH HEIGHT FILE... with the options
// --zoom Z, --centre X,Y, --mirror, --outline, --drill-letters, --as KIND
// anywhere. Prints the view as one line; returns the exit status.
int Render(std::vector<std::string> args);

} // namespace probe
