#pragma once
// Loading one file as the next layer, as the open command does, for the probe.
#include "core/Datas.h"

#include <string>
#include <vector>

namespace probe {

struct LoadResult {
    int kind = core::fkAuto;      // detected file kind
    bool read = false;            // the reader returned true
    core::MyDataValue value;      // the reader's result
    std::string error;            // message of a read that failed with an error
};

// Detects the kind of `path` and hands it to the reader of that kind, as layer
// `layer`; on success the layer record is filled. A project adds all its
// layers from `layer` on, each shown.
LoadResult LoadLayerFile(const std::string& path, int layer);

// Loads the files one after the other as the next layers, merging their
// extents into the data extents, then finishes as FinishLoading. Files not
// read are reported on stderr; 1 when any was not, else 0.
int LoadFiles(const std::vector<std::string>& paths);

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
