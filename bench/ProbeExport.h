#pragma once
// The probe's "export" verb: files loaded as the open command loads them,
// then written as the earlier edition's project files.
#include <string>
#include <vector>

namespace probe {

// args: DIR FILE...
int Export(const std::vector<std::string>& args);

} // namespace probe
