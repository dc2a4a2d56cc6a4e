#pragma once
// Byte swapping for the big-endian words of Atari, Amiga and Apple IIgs files.

#include <cstdint>

inline constexpr uint16_t Swap16(uint16_t value) {
  return static_cast<uint16_t>((value >> 8) | (value << 8));
}

inline constexpr uint32_t Swap32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
         (value << 24);
}
