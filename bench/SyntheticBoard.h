#pragma once
// A large synthetic RS-274X board for benchmarks: tracks, arcs, flashes of
// circle, rectangle, obround and macro apertures, and regions.
#include <cstdint>
#include <string>

namespace bench {

// Writes the board to `path`; returns the number of elements the reader makes
// of it (exactly `elements`).
std::int64_t WriteSyntheticBoard(const std::string& path, std::int64_t elements);

} // namespace bench
