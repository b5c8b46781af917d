#pragma once
// RS-274X parameter blocks: format, units, polarity, layer names, offsets,
// step-and-repeat, aperture definitions with their conflict handling, and
// aperture macros kept as ".mac" files in the work folder.
#include "core/Datas.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace core {

// Interprets one parameter block (the text between "%" signs). With
// allowApertures false, AD and AM blocks are ignored.
void ReadGerberParameter(const std::string& block, bool allowApertures);

// Same shape and sizes (within 0.0004), or for macros the same name and AD
// parameters.
bool SameAperture(const MyAperture& a, const MyAperture& b);

// Instantiates the primitives of a macro for one D-code from its ".mac" file.
// adBlock is the AD block without its final "*" ("ADD22OC8,0.06").
void LoadApertureMacro(const std::string& macroName, const std::string& adBlock, int dCode);

// Converts the lengths of an AM block from inch to mm (only with inch units).
void MacroToMillimetres(std::string& block);

// Forgets the D-codes reserved as renumbering targets; called at the start of
// every Gerber file.
void ResetApertureReservations();

// The file that holds a macro: a name taken from data never leaves the work
// folder (unsafe characters are escaped, long names shortened).
std::filesystem::path MacroFilePath(const std::string& macroName);
std::string MacroFileStem(const std::string& macroName);

// The work folder, created when missing (DataFolder, or the program's DATA).
std::filesystem::path WorkFolder();

// Aperture-macro arithmetic: numbers, $n variables, + - x X /, unary signs
// and parentheses. `vars[n]` is $n (missing ones read 0). False when the text
// is not an expression or its value is not finite.
bool EvaluateMacroExpression(std::string_view text, const std::vector<double>& vars, double& result);

// The largest number of copies one step-and-repeat may make.
constexpr long long MaxStepRepeatCopies = 100'000;

} // namespace core
