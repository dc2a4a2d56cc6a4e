#pragma once
// PC-8000 screen dumps: "PC8", a zero byte, then the pattern and colour tables of a
// TMS9918-style bitmap screen.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"

inline constexpr std::size_t kQoPC8000DumpSize = 12292;
inline constexpr std::size_t kQoPC8000TableSize = 6144;

// The 16 colours of a palette type (ptColoredLinear or ptColoredDDp).
void QoSetPC8000Palette(TQoPalette256& palette, uint8_t paletteType);
