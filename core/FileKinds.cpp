#include "core/FileKinds.h"

namespace core {

std::optional<std::int32_t> KindToRead(std::int32_t chosen, std::int32_t detected)
{
    if (chosen == fkAuto || detected == chosen) return detected;
    if (chosen == fkRS274D && detected == fkRS274X) return detected;
    // What detection cannot decide (drill files without a header or a
    // drilling mode among them) is what the user says it is.
    if (detected == fkAuto && (chosen == fkRS274D || chosen == fkNcDrill)) return chosen;
    return std::nullopt;
}

} // namespace core
