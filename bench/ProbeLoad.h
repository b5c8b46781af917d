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

// Loads each file as the next layer, reporting failures on stderr, then
// finishes loading; `ext` gets the merged extents and centre. Returns the
// exit status (1 when a file was not read).
int LoadLayerFiles(const std::vector<std::string>& files, core::MyExtents& ext);

// Letters for the used tools without one, in tool order: A..Z, then a..z.
void GiveToolLetters();

} // namespace probe
