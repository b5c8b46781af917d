#pragma once
// Runs a shell command for the tests that check against outside tools.
#include <cstdio>
#include <string>

namespace testutil {

// True when the command ends well; its standard output in `out`.
inline bool RunCommand(const std::string& cmd, std::string& out)
{
    out.clear();
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return false;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    return ::pclose(p) == 0;
}

} // namespace testutil
