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

// A plane layer: one region over a 300 × 200 mm board alone, or with
// `flashes` round flashes over it, dark or clear (anti-pads, the way
// negative planes are written). Loaded like LoadSyntheticBoard.
enum class Plane { Alone, DarkFlashes, ClearFlashes };
void LoadPlaneBoard(std::int64_t flashes, Plane kind);

} // namespace bench
