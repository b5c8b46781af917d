#pragma once
// A large synthetic RS-274X board for benchmarks: tracks, arcs, flashes of
// circle, rectangle, obround and macro apertures, and regions.
#include <cstdint>
#include <string>

namespace bench {

// Writes the board to `path`; returns the number of elements the reader makes
// of it (exactly `elements`).
std::int64_t WriteSyntheticBoard(const std::string& path, std::int64_t elements);

// Clears the tables and reads a board of `elements` elements as layer 1,
// shown, with the data extents set as the open command sets them. Does
// nothing when the same board is already loaded.
void LoadSyntheticBoard(std::int64_t elements);

} // namespace bench
