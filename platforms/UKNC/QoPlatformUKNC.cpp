#include "platforms/UKNC/QoPlatformUKNC.h"

bool TQoUKNCHeader::Read(TQoByteView file) {
  if (file.Size() <= kSize) return false;
  if (file.U8(0) != 10 || file.U8(1) != 3 || file.U8(2) != 1 || file.U8(3) != 1) return false;
  const int xMin = file.LE16(4), yMin = file.LE16(6);
  const int xMax = file.LE16(8), yMax = file.LE16(10);
  if (xMin >= kScreenWidth || yMin >= kScreenHeight || xMax >= kScreenWidth ||
      yMax >= kScreenHeight || xMax < xMin || yMax < yMin) {
    return false;
  }
  if (file.LE16(12) != kScreenWidth || file.LE16(14) != kScreenHeight) return false;
  if (file.U8(64) != 70 || file.U8(65) != kPlanes) return false;
  const int planeBytes = (xMax - xMin + 8) / 8;
  if (file.LE16(66) != planeBytes || file.LE16(68) != 2) return false;
  Width = xMax - xMin + 1;
  Height = yMax - yMin + 1;
  PlaneBytes = static_cast<std::size_t>(planeBytes);
  Colors = file.Sub(16, 24);
  Packed = file.From(kSize);
  return true;
}

std::size_t QoUnpackUKNCRuns(TQoByteView packed, uint8_t* out, std::size_t count) {
  TQoByteCursor cursor(packed);
  std::size_t produced = 0;
  uint8_t value = 0;
  while (produced < count && cursor.ReadByte(value)) {
    std::size_t run = 1;
    if (value >= 192) {
      run = value & 0x3Fu;
      if (run == 0 || !cursor.ReadByte(value)) break;
    }
    for (; run > 0 && produced < count; --run) out[produced++] = value;
  }
  return produced;
}
