#pragma once
// ArtWorx text-mode art for the IBM PC: a 64-colour palette of 6-bit guns, a font of 256
// characters of 16 lines, then character and attribute pairs, 80 to a row.

#include <cstddef>
#include <cstdint>

#include "engine/QoByteView.h"

struct TQoArtWorxLayout {
  static constexpr std::size_t kPaletteAt = 1;
  static constexpr std::size_t kFontAt = 193;
  static constexpr std::size_t kScreenAt = 4289;
  static constexpr std::size_t kRowBytes = 160;
  static constexpr std::size_t kMinSize = 4450;

  // Version byte 1 and every palette value a 6-bit level.
  static bool Check(TQoByteView data);
  static int32_t Rows(std::size_t size) {
    return static_cast<int32_t>((size - kScreenAt) / kRowBytes);
  }
};
