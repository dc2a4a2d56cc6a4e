#include "platforms/AtariST/QoPlatformAtariSTMultiPalette.h"

#include <algorithm>

// The columns at which the palette registers change follow the display routines' timing:
// one register is rewritten every few machine cycles, odd colours a little earlier than
// even ones, hence the 10c - 6(c and 1) terms.

int Spectrum512PaletteIndex(int c, int x) {
  const int e = 10 * c - 6 * (c & 1);
  if (x >= e + 161) return c + 32;
  if (x >= e + 1) return c + 16;
  return c;
}

int PhotoChromePaletteIndex(int c, int x) {
  if (x < 4 * c) return c;
  if (c <= 13) {
    if (x < 4 * c + 76) return c + 16;
    if (x < 10 * c - 6 * (c & 1) + 176) return c + 32;
    return c + 48;
  }
  if (x < 4 * c + 92) return c + 16;
  return c + 32;
}

int QuantumPaletteIndex(int c, int x) {
  const int b = c < 8 ? 76 : 88;
  return x < b + 10 * c - 6 * (c & 1) ? c : c + 16;
}

int HighresMediumPaletteIndex(int c, int x) {
  switch (c) {
    case 0:
      return ((x + 80) / 80) * 4 - 1;
    case 1:
      return ((x + 72) / 80) * 4;
    case 2:
      return ((x + 40) / 80) * 4 + 1;
    default:
      return ((x + 32) / 80) * 4 + 2;
  }
}

void QoReadPlaneLine(TQoByteView data, std::size_t start, std::size_t planeStride,
                     std::size_t groupStride, int planes, int width, uint8_t* values) {
  const std::size_t groups = (static_cast<std::size_t>(width) + 15) / 16;
  for (std::size_t g = 0; g < groups; ++g) {
    uint8_t group[16] = {};
    for (int k = 0; k < planes; ++k) {
      const uint16_t word =
          data.BE16(start + static_cast<std::size_t>(k) * planeStride + g * groupStride);
      for (int i = 0; i < 16; ++i) group[i] |= static_cast<uint8_t>(((word >> (15 - i)) & 1u) << k);
    }
    const std::size_t first = 16 * g;
    const std::size_t count = std::min<std::size_t>(16, static_cast<std::size_t>(width) - first);
    std::copy_n(group, count, values + first);
  }
}

std::size_t DecodeSPSBytes(TQoByteView in, uint8_t* out, std::size_t outSize) {
  TQoByteCursor cursor(in);
  std::size_t n = 0;
  uint8_t control = 0, value = 0;
  while (n < outSize && cursor.TryNext(control)) {
    if (control >= 128) {
      for (int i = control - 127; i > 0 && n < outSize; --i) {
        if (!cursor.TryNext(value)) return n;
        out[n++] = value;
      }
    } else {
      if (!cursor.TryNext(value)) return n;
      for (int i = control + 3; i > 0 && n < outSize; --i) out[n++] = value;
    }
  }
  return n;
}

std::size_t DecodeSPCBytes(TQoByteView in, uint8_t* out, std::size_t outSize) {
  TQoByteCursor cursor(in);
  std::size_t n = 0;
  uint8_t control = 0, value = 0;
  while (n < outSize && cursor.TryNext(control)) {
    if (control >= 128) {
      if (!cursor.TryNext(value)) return n;
      for (int i = 258 - control; i > 0 && n < outSize; --i) out[n++] = value;
    } else {
      for (int i = control + 1; i > 0 && n < outSize; --i) {
        if (!cursor.TryNext(value)) return n;
        out[n++] = value;
      }
    }
  }
  return n;
}

namespace {

void PutWord(uint8_t* out, std::size_t word, uint16_t value) {
  out[2 * word] = static_cast<uint8_t>(value >> 8);
  out[2 * word + 1] = static_cast<uint8_t>(value);
}

// Big-endian bits, most significant first.
struct TBitCursor {
  TQoByteView Data;
  std::size_t Bit = 0;

  bool Read(int count, uint32_t& value) {
    if (Bit + static_cast<std::size_t>(count) > Data.Size() * 8) return false;
    value = 0;
    for (int i = 0; i < count; ++i, ++Bit) {
      value = value << 1 | ((Data.Data()[Bit / 8] >> (7 - Bit % 8)) & 1u);
    }
    return true;
  }
};

}  // namespace

int DecodeSPSPalettes(TQoByteView in, uint8_t* out, std::size_t* bytesUsed) {
  TBitCursor bits{in};
  int palettes = 0;
  for (; palettes < kQoSpectrum512Palettes; ++palettes) {
    uint32_t mask = 0;
    if (!bits.Read(14, mask)) break;
    bool complete = true;
    for (int c = 1; c <= 14 && complete; ++c) {
      if (!(mask & (1u << (14 - c)))) continue;
      uint32_t v = 0;
      complete = bits.Read(9, v);
      if (complete) {
        PutWord(out, static_cast<std::size_t>(palettes) * 16 + static_cast<std::size_t>(c),
                static_cast<uint16_t>((v >> 6) << 8 | ((v << 1) & 0x70) | (v & 7)));
      }
    }
    if (!complete) break;
  }
  *bytesUsed = (bits.Bit + 7) / 8;
  return palettes;
}

int DecodeSPCPalettes(TQoByteView in, uint8_t* out, std::size_t* bytesUsed, bool* allValid) {
  TQoByteCursor cursor(in);
  *allValid = true;
  int palettes = 0;
  for (; palettes < kQoSpectrum512Palettes; ++palettes) {
    uint16_t mask = 0;
    if (!cursor.TryNextBE16(mask)) break;
    bool complete = true;
    for (int c = 0; c <= 14 && complete; ++c) {
      if (!(mask & (1u << c))) continue;
      uint16_t word = 0;
      complete = cursor.TryNextBE16(word);
      if (complete) {
        if (word & 0xF000) *allValid = false;
        PutWord(out, static_cast<std::size_t>(palettes) * 16 + static_cast<std::size_t>(c), word);
      }
    }
    if (!complete) break;
  }
  *bytesUsed = cursor.Pos;
  return palettes;
}

bool TQoPhotoChromeReader::StartSection(bool wordMode) {
  wordMode_ = wordMode;
  copy_ = repeat_ = 0;
  uint16_t n = 0;
  codes_ = cursor_.TryNextBE16(n) ? n : 0;
  return codes_ != 0;
}

bool TQoPhotoChromeReader::ReadItem(uint16_t& item) {
  if (wordMode_) return cursor_.TryNextBE16(item);
  uint8_t byte = 0;
  if (!cursor_.TryNext(byte)) return false;
  item = byte;
  return true;
}

bool TQoPhotoChromeReader::ReadCode() {
  --codes_;
  uint8_t a = 0;
  uint16_t count = 0;
  if (!cursor_.TryNext(a)) return false;
  if (a == 0) {
    if (!cursor_.TryNextBE16(count) || !ReadItem(repeatItem_)) return false;
    repeat_ = count;
  } else if (a == 1) {
    if (!cursor_.TryNextBE16(count)) return false;
    copy_ = count;
  } else if (a >= 128) {
    copy_ = 256u - a;
  } else {
    if (!ReadItem(repeatItem_)) return false;
    repeat_ = a;
  }
  return true;
}

bool TQoPhotoChromeReader::Next(uint16_t& item) {
  for (;;) {
    if (copy_ > 0) {
      if (!ReadItem(item)) break;
      --copy_;
      return true;
    }
    if (repeat_ > 0) {
      --repeat_;
      item = repeatItem_;
      return true;
    }
    if (codes_ == 0 || !ReadCode()) break;
  }
  // The data ended: nothing more comes from this section.
  codes_ = copy_ = repeat_ = 0;
  return false;
}

void TQoPhotoChromeReader::Drain() {
  const std::size_t itemBytes = wordMode_ ? 2 : 1;
  for (;;) {
    const std::size_t skip = std::min<std::size_t>(copy_ * itemBytes, cursor_.Remaining());
    cursor_.Pos += skip;
    copy_ = repeat_ = 0;
    if (codes_ == 0 || !ReadCode()) break;
  }
  codes_ = copy_ = repeat_ = 0;
}

std::size_t TQoPhotoChromeReader::ReadSection(bool wordMode, uint8_t* out, std::size_t count) {
  if (!StartSection(wordMode)) return 0;
  std::size_t n = 0;
  uint16_t item = 0;
  while (n < count && Next(item)) {
    if (wordMode) {
      PutWord(out, n, item);
    } else {
      out[n] = static_cast<uint8_t>(item);
    }
    ++n;
  }
  Drain();
  return n;
}

bool TQoMultiPaletteBitReader::ReadBits(int count, uint32_t& value) {
  TBitCursor bits{data_, bit_};
  if (!bits.Read(count, value)) return false;
  bit_ = bits.Bit;
  return true;
}

bool TQoMultiPaletteBitReader::ReadColor(TQoLinRGBColor& color) {
  uint32_t r = 0, g = 0, b = 0;
  switch (paletteMode_) {
    case 0: {
      const auto levels = qo::DacLevels(3);
      if (!ReadBits(3, r) || !ReadBits(3, g) || !ReadBits(3, b)) return false;
      color = {levels[r], levels[g], levels[b]};
      return true;
    }
    case 1: {
      // The STE keeps the fourth bit of a gun as the nibble's most significant bit.
      const auto levels = qo::DacLevels(4);
      auto level = [](uint32_t n) { return ((n & 7) << 1) | (n >> 3); };
      if (!ReadBits(4, r) || !ReadBits(4, g) || !ReadBits(4, b)) return false;
      color = {levels[level(r)], levels[level(g)], levels[level(b)]};
      return true;
    }
    case 3: {
      // Five bits a gun: the STE's four, plus one more per gun in bits 12..14.
      const auto levels = qo::DacLevels(5);
      uint32_t w = 0;
      if (!ReadBits(15, w)) return false;
      r = ((w >> 8) & 7) << 2 | ((w >> 11) & 1) << 1 | ((w >> 14) & 1);
      g = ((w >> 4) & 7) << 2 | ((w >> 7) & 1) << 1 | ((w >> 13) & 1);
      b = (w & 7) << 2 | ((w >> 3) & 1) << 1 | ((w >> 12) & 1);
      color = {levels[r], levels[g], levels[b]};
      return true;
    }
    default:
      return false;
  }
}

uint32_t QoLinearToRGBQuad(const TQoLinRGBColor& c) {
  return static_cast<uint32_t>(qo::LinearToSrgbByte(c.R)) << 16 |
         static_cast<uint32_t>(qo::LinearToSrgbByte(c.G)) << 8 | qo::LinearToSrgbByte(c.B);
}

uint32_t QoAverageLinear(const TQoLinRGBColor& a, const TQoLinRGBColor& b) {
  return QoLinearToRGBQuad({(a.R + b.R) / 2, (a.G + b.G) / 2, (a.B + b.B) / 2});
}
