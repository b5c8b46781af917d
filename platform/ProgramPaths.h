#pragma once
// Where the program keeps its settings and its work folder.
#include <filesystem>
#include <string>

namespace platform {

// The program folder: TESSEL2_HOME when set; else the executable's folder
// when it is writable; else $XDG_DATA_HOME/tessel2 (~/.local/share/tessel2).
// Created when missing.
std::filesystem::path ProgramFolder();

// The work folder "DATA" inside the program folder (not created here).
std::filesystem::path DataFolderPath();

// The entry of `folder` whose name equals `name` without regard to ASCII
// letter case; the exact name wins when both exist. When none exists,
// folder / name. A name that is not a plain file name (IsPlainFileName)
// throws Error: names from data never reach outside the folder.
std::filesystem::path FindNoCase(const std::filesystem::path& folder, const std::string& name);

// Two names equal without regard to ASCII letter case.
bool EqualNoCase(const std::string& a, const std::string& b);

// True for a name that stays in its folder: not empty, not "." or "..", no
// "/" and no NUL.
bool IsPlainFileName(const std::string& name);

// Forgets the cached program folder (tests change TESSEL2_HOME).
void ResetProgramFolder();

} // namespace platform
