#pragma once
// The Scorpion's GMX extension: a 640 x 200 screen with one ZX attribute per pixel byte,
// and a 160 x 200 mode of attribute bytes alone, each showing its paper and its ink as
// two wide pixels.

#include <cstddef>
#include <cstdint>

#include "engine/QoByteView.h"

inline constexpr std::size_t kQoGMX640Bytes = 32768;
inline constexpr std::size_t kQoGMX640AttributesAt = 16384;
inline constexpr std::size_t kQoGMX160Bytes = 16128;
inline constexpr std::size_t kQoGMX160DataAt = 128;
inline constexpr std::size_t kQoGMXRowBytes = 80;

// The 160-pixel file starts "GMX", 0x0F, 0.
bool QoIsGMX160Header(TQoByteView file);
