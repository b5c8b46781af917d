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
// `layer`; on success the layer record is filled.
LoadResult LoadLayerFile(const std::string& path, int layer);

// The tools drilled by the last `hits` elements of Datas (the hits of the
// drill file read last).
int ToolsOfLastHits(int hits);

// After all files: what the open command does once loading is over.
void FinishLoading();

// Every file as the next layer, the data extents merged as the open command
// does, then FinishLoading. Files that do not read are told on stderr; 1 when
// there were any, else 0.
int LoadLayers(const std::vector<std::string>& files);

// "X,Y" as two numbers.
bool ParsePair(const std::string& text, double& x, double& y);
// A number with four decimals, the form of the probe's output.
std::string Fixed4(double v);

} // namespace probe
