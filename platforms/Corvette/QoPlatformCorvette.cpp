#include "platforms/Corvette/QoPlatformCorvette.h"

#include "color/QoPaletteTypes.h"

namespace {

constexpr std::size_t kBlockSize = 64;

// Bits of a stream, the most significant bit of each byte first.
struct TBitReader {
  TQoByteView Data;
  std::size_t Bit = 0;

  bool Read(int count, unsigned& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
      const std::size_t at = Bit / 8;
      if (at >= Data.Size()) return false;
      value = value << 1 | ((Data.U8(at) >> (7 - Bit % 8)) & 1u);
      ++Bit;
    }
    return true;
  }
};

}  // namespace

void QoSetCorvettePalette(TQoPalette256& palette, uint8_t paletteType) {
  if (paletteType == ptColoredEMU) {
    palette.SetGRB16(0, 180, 75, 255);
  } else {
    palette.SetGRB16Mapped(nullptr);
  }
}

bool QoUnpackCorvetteGrf(TQoByteView stream, std::vector<uint8_t>& planes) {
  planes.assign(kQoCorvettePlanesSize, 0);
  TBitReader bits{stream};
  std::size_t out = 0;
  while (out < planes.size()) {
    unsigned code = 0, value = 0;
    if (!bits.Read(3, code)) return false;
    switch (code) {
      case 0:  // stored bytes
        for (std::size_t i = 0; i < kBlockSize; ++i) {
          if (!bits.Read(8, value)) return false;
          planes[out++] = static_cast<uint8_t>(value);
        }
        break;
      case 1:  // all set or all clear
        if (!bits.Read(1, value)) return false;
        for (std::size_t i = 0; i < kBlockSize; ++i) planes[out++] = value ? 0xFF : 0x00;
        break;
      case 2:  // one byte repeated
        if (!bits.Read(8, value)) return false;
        for (std::size_t i = 0; i < kBlockSize; ++i) planes[out++] = static_cast<uint8_t>(value);
        break;
      case 3: {  // a default byte, and a flag per byte for those that differ
        unsigned fill = 0;
        if (!bits.Read(8, fill)) return false;
        for (std::size_t i = 0; i < kBlockSize; ++i) {
          unsigned flag = 0;
          if (!bits.Read(1, flag)) return false;
          if (flag && !bits.Read(8, value)) return false;
          planes[out++] = static_cast<uint8_t>(flag ? value : fill);
        }
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

bool TQoCorvetteWinHeader::Read(TQoByteView file) {
  if (file.Size() <= kSize || !file.Matches(0, "WIN1.0")) return false;
  const unsigned w = file.LE16(6);
  if (w >= 512) return false;
  Width = static_cast<int>(w) + 1;
  Height = file.U8(8) + 1;
  return true;
}
