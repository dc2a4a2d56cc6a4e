#include "platforms/SAMCoupe/QoPlatformSAMCoupe.h"

#include <array>

namespace {

constexpr std::array<uint8_t, 4> kMarker = {0x00, 0x11, 0x22, 0x7F};

// One channel: 146 for its high bit, 73 for its low bit, 36 for the shared brightness.
constexpr uint8_t Channel(unsigned color, unsigned low, unsigned high) {
  return static_cast<uint8_t>((color >> high & 1u) * 146 + (color >> low & 1u) * 73 +
                              (color >> 3 & 1u) * 36);
}

constexpr std::array<uint32_t, kQoSAMColorCount> MakeColors() {
  std::array<uint32_t, kQoSAMColorCount> colors{};
  for (unsigned c = 0; c < colors.size(); ++c) {
    colors[c] = static_cast<uint32_t>(Channel(c, 1, 5)) << 16 |
                static_cast<uint32_t>(Channel(c, 2, 6)) << 8 | Channel(c, 0, 4);
  }
  return colors;
}

constexpr std::array<uint32_t, kQoSAMColorCount> kColors = MakeColors();

bool HasMarker(TQoByteView file, std::size_t offset) {
  for (std::size_t i = 0; i < kMarker.size(); ++i) {
    if (file.U8(offset + i) != kMarker[i]) return false;
  }
  return true;
}

}  // namespace

uint32_t QoSAMColor(uint8_t color) {
  return kColors[color & 0x7Fu];
}

int QoAddSAMColor(TQoPalette256& palette, uint8_t color, bool unique) {
  return unique ? palette.AddUnique(QoSAMColor(color)) : palette.Add(QoSAMColor(color));
}

bool QoIsSAMColorRun(TQoByteView bytes, std::size_t n) {
  if (!bytes.Has(0, n)) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (bytes.U8(i) >= kQoSAMColorCount) return false;
  }
  return true;
}

bool TQoSAMCoupePaletteBlock::Read(TQoByteView file, std::size_t offset) {
  if (!file.Has(offset, kSize)) return false;
  const TQoByteView block = file.Sub(offset, kSize);
  if (!QoIsSAMColorRun(block, 16) || !QoIsSAMColorRun(block.From(20), 16)) return false;
  Clut = block.Sub(0, 16);
  HasMarkers = HasMarker(block, 16) && HasMarker(block, 36);
  return true;
}

bool TQoSAMCoupeLineTable::Read(TQoByteView file, std::size_t offset) {
  Entries.clear();
  if (offset >= file.Size()) return false;
  const std::size_t bytes = file.Size() - offset;
  const std::size_t n = bytes / 4;
  if (bytes % 4 != 1 || n < 1 || n > kMaxEntries) return false;
  if (file.U8(file.Size() - 1) != 0xFF) return false;
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t at = offset + 4 * k;
    const TQoSAMCoupeLineChange change{file.U8(at), file.U8(at + 1), file.U8(at + 2)};
    if (change.Line > kLastLine || change.Index > 15 || change.Color >= kQoSAMColorCount ||
        file.U8(at + 3) >= kQoSAMColorCount) {
      Entries.clear();
      return false;
    }
    Entries.push_back(change);
  }
  return true;
}
