#pragma once
// The probe's "save" verb: files loaded as the open command loads them, then
// written as one project file.
#include <string>
#include <vector>

namespace probe {

// args: OUT.tsn FILE... with --as KIND anywhere
int Save(std::vector<std::string> args);

} // namespace probe
