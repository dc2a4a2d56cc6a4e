#include "platforms/BBCMicro/QoPlatformBBCMicro.h"

namespace {

uint32_t BitOf(uint8_t byte, int bit) {
  return (byte >> bit) & 1u;
}

uint8_t Reversed(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// The stream after the header: bytes bit-reversed, then their bits from bit 0 upwards;
// numbers least significant bit first.
struct TBitStream {
  TQoByteView Data;
  std::size_t Bit = 0;  // bits read so far

  bool Read(int count, uint32_t& value) {
    if (Bit + static_cast<std::size_t>(count) > Data.Size() * 8) return false;
    value = 0;
    for (int i = 0; i < count; ++i, ++Bit) {
      value |= BitOf(Reversed(Data.U8(Bit / 8)), static_cast<int>(Bit % 8)) << i;
    }
    return true;
  }
};

}  // namespace

uint32_t QoBBCPixel(uint8_t byte, int bits, int p, uint32_t mask) {
  switch (bits) {
    case 1:
      return BitOf(byte, 7 - p);
    case 2:
      return BitOf(byte, 7 - p) * 2 + BitOf(byte, 3 - p);
    default:
      return (BitOf(byte, 7 - p) * 8 + BitOf(byte, 5 - p) * 4 + BitOf(byte, 3 - p) * 2 +
              BitOf(byte, 1 - p)) &
             mask;
  }
}

uint32_t QoBBCColor(int number) {
  return (number & 1 ? 0xFF0000u : 0) | (number & 2 ? 0x00FF00u : 0) | (number & 4 ? 0x0000FFu : 0);
}

std::vector<uint32_t> QoBBCScreenValues(TQoByteView data, std::size_t at, int columns, int bits,
                                        uint32_t mask) {
  const int perByte = 8 / bits;
  const std::size_t width = static_cast<std::size_t>(columns * perByte);
  std::vector<uint32_t> values(width * kQoBBCLines);
  const std::size_t size = static_cast<std::size_t>(columns) * 8 * 32;
  const uint8_t* screen = data.Ptr(at, size);
  for (std::size_t n = 0; n < size; ++n) {
    const std::size_t row = n / (8 * static_cast<std::size_t>(columns));
    const std::size_t column = (n / 8) % static_cast<std::size_t>(columns);
    const std::size_t y = row * 8 + n % 8;
    uint32_t* out = values.data() + y * width + column * static_cast<std::size_t>(perByte);
    for (int p = 0; p < perByte; ++p) out[p] = QoBBCPixel(screen[n], bits, p, mask);
  }
  return values;
}

bool TQoBBCNulaHeader::Check(TQoByteView data) {
  if (data.Size() <= kSize || data.U8(0) != 1 || data.U8(1) != 2) return false;
  const int width = data.U8(2) ? data.U8(2) : 256;
  const int height = data.U8(3) ? data.U8(3) : 256;
  if (width != kWidth || height != kQoBBCLines) return false;
  for (std::size_t i = 16; i < 32; ++i) {
    if (data.U8(i) > 7) return false;
  }
  for (std::size_t i = 0; i < 16; ++i) {
    if (data.U8(32 + 2 * i) >> 4 != i) return false;
  }
  return data.Size() == kSize + static_cast<std::size_t>(width * height / 2);
}

void TQoBBCNulaHeader::ReadPalette(TQoByteView data, TQoPalette256& palette) {
  palette.Clear();
  for (std::size_t i = 0; i < 16; ++i) {
    const uint8_t a = data.U8(32 + 2 * i);
    const uint8_t b = data.U8(33 + 2 * i);
    palette.Add(static_cast<uint8_t>((a & 15) * 17), static_cast<uint8_t>((b >> 4) * 17),
                static_cast<uint8_t>((b & 15) * 17));
  }
}

bool TQoBBCLdPicHeader::Read(TQoByteView data) {
  if (data.Size() <= kSize) return false;
  ValueBits = Reversed(data.U8(0));
  Mode = Reversed(data.U8(1));
  // Two colour numbers a byte, from byte 9 down to byte 2.
  for (int i = 0; i < 8; ++i) {
    const uint8_t b = Reversed(data.U8(static_cast<std::size_t>(9 - i)));
    Colors[2 * i] = static_cast<uint8_t>((b >> 4) & 7);
    Colors[2 * i + 1] = static_cast<uint8_t>(b & 7);
  }
  Step = Reversed(data.U8(10));
  RunBits = Reversed(data.U8(11));
  const bool mode = Mode == 0 || Mode == 1 || Mode == 2 || Mode == 4 || Mode == 5;
  return ValueBits >= 1 && ValueBits <= 8 && mode && Step >= 1 && RunBits >= 1 && RunBits <= 8;
}

TQoBBCLdPicEnd QoUnpackLdPic(TQoByteView data, const TQoBBCLdPicHeader& header, uint8_t* screen) {
  TBitStream in{data.From(TQoBBCLdPicHeader::kSize)};
  TQoBBCLdPicEnd end;
  const std::size_t size = header.ScreenSize();
  const std::size_t step = static_cast<std::size_t>(header.Step);
  std::size_t p = step - 1;
  std::size_t column = p;
  for (;;) {
    uint32_t flag = 0, run = 1, value = 0;
    if (!in.Read(1, flag) || (flag && !in.Read(header.RunBits, run)) ||
        !in.Read(header.ValueBits, value)) {
      end.RanOut = true;
      break;
    }
    if (run == 0) {
      end.ZeroRun = true;
      break;
    }
    bool filled = false;
    while (run > 0) {
      if (screen) screen[p] = static_cast<uint8_t>(value);
      --run;
      p += step;
      if (p >= size) {
        if (column == 0) {
          filled = true;
          break;
        }
        p = --column;
      }
    }
    if (filled) {
      end.Finished = run == 0;
      break;
    }
  }
  end.Position = p;
  end.BytesRead = (in.Bit + 7) / 8;
  return end;
}
