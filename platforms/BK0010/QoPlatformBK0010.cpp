#include "platforms/BK0010/QoPlatformBK0010.h"

namespace {

// clang-format off
constexpr uint32_t kPalettes[kQoBKPaletteCount][4] = {
    {0x000000, 0x0000FF, 0x00FF00, 0xFF0000}, {0x000000, 0xFFFF00, 0xFF00FF, 0xFF0000},
    {0x000000, 0x00FFFF, 0x0000FF, 0xFF00FF}, {0x000000, 0x00FF00, 0x00FFFF, 0xFFFF00},
    {0x000000, 0xFF00FF, 0x00FFFF, 0xFFFFFF}, {0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0x000000, 0xC00000, 0x900000, 0xFF0000}, {0x000000, 0xC0FF00, 0x90FF00, 0xFFFF00},
    {0x000000, 0xC000FF, 0x9000FF, 0xFF00FF}, {0x000000, 0x90FF00, 0x9000FF, 0x900000},
    {0x000000, 0xC0FF00, 0xC000FF, 0xC00000}, {0x000000, 0x00FFFF, 0xFFFF00, 0xFF0000},
    {0x000000, 0xFF0000, 0x00FF00, 0x00FFFF}, {0x000000, 0x00FFFF, 0xFFFF00, 0xFFFFFF},
    {0x000000, 0xFFFF00, 0x00FF00, 0xFFFFFF}, {0x000000, 0x00FFFF, 0x00FF00, 0xFFFFFF},
};
// clang-format on

}  // namespace

uint32_t QoBK0011Color(unsigned number, unsigned i) {
  if (number >= kQoBKPaletteCount || i >= 4) qo::RaiseInternalError();
  return kPalettes[number][i];
}

void QoSetBK0011Palette(TQoPalette256& palette, unsigned number) {
  palette.Clear();
  for (unsigned i = 0; i < 4; ++i) palette.Add(QoBK0011Color(number, i));
}

void QoBKColorLine(TQoByteView screen, int y, uint32_t* values) {
  const TQoByteView line = screen.Sub(static_cast<std::size_t>(y) * kQoBKLineBytes, kQoBKLineBytes);
  for (std::size_t x = 0; x < 4 * kQoBKLineBytes; ++x) {
    values[x] = (line.U8(x / 4) >> (2 * (x % 4))) & 3u;
  }
}

void QoBKMonoLine(TQoByteView screen, int y, uint32_t* values) {
  const TQoByteView line = screen.Sub(static_cast<std::size_t>(y) * kQoBKLineBytes, kQoBKLineBytes);
  for (std::size_t x = 0; x < 8 * kQoBKLineBytes; ++x) {
    values[x] = (line.U8(x / 8) >> (x % 8)) & 1u;
  }
}

bool TQoBK0010PaletteNumbers::Read(TQoByteView file, std::size_t offset, std::size_t count) {
  if (!file.Has(offset, count)) return false;
  const TQoByteView numbers = file.Sub(offset, count);
  for (std::size_t i = 0; i < count; ++i) {
    if (numbers.U8(i) >= kQoBKPaletteCount) return false;
  }
  Numbers = numbers;
  return true;
}

bool QoIsBKScreenLoadHeader(TQoByteView file) {
  // The machine writes its words low byte first (00 40 00 40); files written elsewhere
  // may hold them high byte first (40 00 40 00). Both name the same screen.
  return file.Matches(0, std::string_view("\x00\x40\x00\x40", 4)) ||
         file.Matches(0, std::string_view("\x40\x00\x40\x00", 4));
}
