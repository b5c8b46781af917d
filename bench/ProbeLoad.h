#pragma once
// Loading one file as the next layer, as the open command does, for the probe.
#include "core/Datas.h"

#include <string>
#include <vector>

namespace probe {

struct LoadResult {
    int kind = core::fkAuto;      // the kind read as (the detected one when refused)
    bool read = false;            // the reader returned true
    core::MyDataValue value;      // the reader's result
    std::string error;            // why the file was not read, as the window says it
};

// Detects the kind of `path` and hands it to the reader of the kind it is
// read as (`chosen`: fkAuto, or the kind chosen as the open dialog's filters
// choose it), as layer `layer`; on success the layer record is filled. A
// project adds all its layers from `layer` on, each shown.
LoadResult LoadLayerFile(const std::string& path, int layer, int chosen = core::fkAuto);

// Loads the files one after the other as the next layers, merging their
// extents into the data extents, then finishes as FinishLoading. Files not
// read are reported on stderr; 1 when any was not, else 0.
int LoadFiles(const std::vector<std::string>& paths, int chosen = core::fkAuto);

// Takes "--as drill" or "--as gerber" out of the arguments: the kind chosen
// for every file, as the open dialog's filters "NCドリルデータ" and
// "ガーバーデータ" choose it (else fkAuto). False, with a message, for any
// other value.
bool TakeChosenKind(std::vector<std::string>& args, int& chosen);

// Letters for the used tools that have none, in tool order: A..Z, then a..z.
void GiveToolLetters();

// The tools drilled by the last `hits` elements of Datas (the hits of the
// drill file read last).
int ToolsOfLastHits(int hits);

// After all files: what the open command does once loading is over.
void FinishLoading();

// "X,Y" as two numbers.
bool ParsePair(const std::string& text, double& x, double& y);
// A number with four decimals, the form of the probe's output.
std::string Fixed4(double v);

} // namespace probe
