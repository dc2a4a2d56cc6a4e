#include "platforms/ATMTurbo/QoPlatformATMTurbo.h"

bool TQoATMTurboPicture::Read(TQoByteView file) {
  if (file.Size() <= kPixelsAt) return false;
  for (std::size_t i = 0; i < kPaletteBytes; ++i) {
    const uint8_t digit = file.U8(i);
    if (digit < '0' || digit > '3') return false;
  }
  PaletteDigits = file.Sub(0, kPaletteBytes);
  Columns = file.U8(130);
  Rows = file.U8(131);
  if (Columns < 1 || Columns > 128 || Rows < 1) return false;
  const std::size_t cells = static_cast<std::size_t>(Columns) * static_cast<std::size_t>(Rows);
  if (2 + kPixelsAt + cells >= file.Size()) return false;
  Pixels = file.Sub(kPixelsAt, cells);
  Runs = file.From(kPixelsAt + cells);
  TQoByteCursor cursor(Runs);
  std::size_t covered = 0;
  while (covered < cells) {
    uint8_t count = 0, value = 0;
    if (!cursor.ReadByte(count) || !cursor.ReadByte(value) || count == 0) return false;
    covered += count;
  }
  RunsEndExactly = covered == cells;
  return true;
}

uint8_t QoATMTurboLevel(uint8_t digit) {
  return static_cast<uint8_t>(85 * ((digit - '0') & 3));
}
