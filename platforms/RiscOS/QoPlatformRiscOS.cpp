#include "platforms/RiscOS/QoPlatformRiscOS.h"

#include <array>
#include <utility>

#include "color/QoAspect.h"
#include "engine/QoSourceEngine.h"

namespace {

// Colours of screen modes 0 to 53.
constexpr std::array<uint16_t, 54> kModeColors = {
    2,   4, 16, 2,   2,   4, 2,   16, 4, 16, 256, 4,   16, 256, 16,  256, 16, 16,
    2,   4, 16, 256, 16,  2, 256, 2,  4, 16, 256, 2,   4,  16,  256, 2,   4,  16,
    256, 2, 4,  16,  256, 2, 4,   16, 2, 4,  16,  256, 16, 256, 2,   4,   16, 256};

int BitsOfColors(int colors) {
  switch (colors) {
    case 2:
      return 1;
    case 4:
      return 2;
    case 16:
      return 4;
    default:
      return 8;
  }
}

// The kind and stored bits of a sprite type (1..6, 10, 16), reversed channel order for the
// 16- and 32-bit types.
bool KindOfType(uint32_t type, bool reversed, TQoAcornPixelKind& kind, int& bits) {
  switch (type) {
    case 1:
      kind = kQoAcorn1Bit, bits = 1;
      return true;
    case 2:
      kind = kQoAcorn2Bit, bits = 2;
      return true;
    case 3:
      kind = kQoAcorn4Bit, bits = 4;
      return true;
    case 4:
      kind = kQoAcorn8Bit, bits = 8;
      return true;
    case 5:
      kind = reversed ? kQoAcorn555Reversed : kQoAcorn555, bits = 16;
      return true;
    case 6:
      kind = reversed ? kQoAcorn888Reversed : kQoAcorn888, bits = 32;
      return true;
    case 10:
      kind = reversed ? kQoAcorn565Reversed : kQoAcorn565, bits = 16;
      return true;
    case 16:
      kind = reversed ? kQoAcorn4444Reversed : kQoAcorn4444, bits = 16;
      return true;
    default:
      return false;
  }
}

bool DecodeMode(uint32_t mode, TQoAcornSprite& s) {
  if (mode < kModeColors.size()) {
    s.OldMode = true;
    s.Bits = BitsOfColors(kModeColors[mode]);
    KindOfType(static_cast<uint32_t>(s.Bits == 1   ? 1
                                     : s.Bits == 2 ? 2
                                     : s.Bits == 4 ? 3
                                                   : 4),
               false, s.Kind, s.Bits);
    s.AspectIndex =
        (mode == 0 || mode == 8 || mode == 12 || mode == 15) ? kQoAspect1to2 : kQoAspect1to1;
    return true;
  }
  if (mode <= 255 || (mode & 1) == 0) return false;
  s.AlphaMask = (mode & 0x80000000u) != 0;
  const uint32_t type = (mode >> 27) & 0xF;
  if (type != 0xF) {
    if (!KindOfType(type, false, s.Kind, s.Bits)) return false;
    const uint32_t horizontal = (mode >> 1) & 0x1FFF;
    const uint32_t vertical = (mode >> 14) & 0x1FFF;
    s.AspectIndex = horizontal == 2 * vertical   ? kQoAspect1to2
                    : vertical == 2 * horizontal ? kQoAspect2to1
                                                 : kQoAspect1to1;
    return true;
  }
  if ((mode & 0xF) != 1 || (mode & 0xF0000) != 0) return false;
  s.AspectIndex = kQoAspect1to1;
  return KindOfType((mode >> 20) & 0x7F, (mode & 0x4000) != 0, s.Kind, s.Bits);
}

// The 256-colour default: bits 0-1 add 17 to every gun, the others 68 or 136 to one.
uint32_t Default256(int i) {
  const int tint = (i & 3) * 17;
  const int r = tint + ((i & 4) ? 68 : 0) + ((i & 16) ? 136 : 0);
  const int g = tint + ((i & 32) ? 68 : 0) + ((i & 64) ? 136 : 0);
  const int b = tint + ((i & 8) ? 68 : 0) + ((i & 128) ? 136 : 0);
  return static_cast<uint32_t>(r << 16 | g << 8 | b);
}

constexpr uint32_t kDesktop16[16] = {0xFFFFFF, 0xDDDDDD, 0xBBBBBB, 0x999999, 0x777777, 0x555555,
                                     0x333333, 0x000000, 0x004499, 0xEEEE00, 0x00CC00, 0xDD0000,
                                     0xEEEEBB, 0x558800, 0xFFBB00, 0x00BBFF};

}  // namespace

bool TQoAcornSprite::Read(TQoByteView file, std::size_t offset) {
  if (!file.Has(offset, kHeaderSize)) return false;
  Offset = offset;
  Next = file.LE32(offset);
  Name.clear();
  for (std::size_t i = 0; i < 12; ++i) {
    const uint8_t c = file.U8(offset + 4 + i);
    if (c == 0) break;
    Name.push_back(static_cast<char>(c));
  }
  while (!Name.empty() && Name.back() == ' ') Name.pop_back();
  WidthWords = file.LE32(offset + 16);
  HeightLines = file.LE32(offset + 20);
  FirstBit = file.LE32(offset + 24);
  LastBit = file.LE32(offset + 28);
  ImageAt = file.LE32(offset + 32);
  MaskAt = file.LE32(offset + 36);
  Mode = file.LE32(offset + 40);
  if (!DecodeMode(Mode, *this)) return false;
  if (FirstBit >= 32 || LastBit > 31 || ImageAt < kHeaderSize || MaskAt < kHeaderSize) return false;
  // Sizes no real sprite has; they also keep the arithmetic below far from overflow.
  if (WidthWords >= 0x4000 || HeightLines >= 0x4000) return false;
  if (Width() <= 0) return false;
  const std::size_t rows = static_cast<std::size_t>(Height());
  if (!file.Has(offset + ImageAt, rows * RowBytes())) return false;
  if (HasMask()) {
    // Old sprites keep a mask of the image's depth; sprites with a type word a 1-bit
    // mask, or a byte per pixel when the mask is an alpha channel, each row in whole
    // words.
    const std::size_t width = static_cast<std::size_t>(Width());
    const std::size_t maskRow = OldMode     ? RowBytes()
                                : AlphaMask ? (width + 3) / 4 * 4
                                            : (width + 31) / 32 * 4;
    if (!file.Has(offset + MaskAt, rows * maskRow)) return false;
  }
  return true;
}

int32_t TQoAcornSprite::Width() const {
  const int64_t bits = static_cast<int64_t>(WidthWords) * 32 + LastBit + 1 - FirstBit;
  return static_cast<int32_t>(bits / Bits);
}

std::size_t TQoAcornSprite::StoredPaletteEntries() const {
  const uint32_t start = HasMask() && MaskAt < ImageAt ? MaskAt : ImageAt;
  return (start - kHeaderSize) / 8;
}

int TQoAcornSprite::Depth() const {
  switch (Kind) {
    case kQoAcorn4444:
    case kQoAcorn4444Reversed:
      return 12;
    case kQoAcorn555:
    case kQoAcorn555Reversed:
      return 15;
    case kQoAcorn565:
    case kQoAcorn565Reversed:
      return 16;
    case kQoAcorn888:
    case kQoAcorn888Reversed:
      return 24;
    default:
      return Bits;
  }
}

void QoAcornSpritePalette(TQoByteView file, const TQoAcornSprite& sprite, TQoPalette256& palette) {
  palette.Clear();
  if (sprite.Bits > 8) return;
  const std::size_t count = std::size_t{1} << sprite.Bits;
  if (sprite.StoredPaletteEntries() >= count) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = sprite.Offset + TQoAcornSprite::kHeaderSize + 8 * i;
      palette.Add(file.U8(at + 1), file.U8(at + 2), file.U8(at + 3));
    }
    return;
  }
  switch (sprite.Bits) {
    case 1:
      // The desktop order, as for two and four bits: colour 0 white, colour 1 black.
      palette.Add(0xFFFFFFu);
      palette.Add(0x000000u);
      break;
    case 2:
      for (uint32_t c : {0xFFFFFFu, 0xBBBBBBu, 0x555555u, 0x000000u}) palette.Add(c);
      break;
    case 4:
      for (uint32_t c : kDesktop16) palette.Add(c);
      break;
    default:
      for (int i = 0; i < 256; ++i) palette.Add(Default256(i));
      break;
  }
}

uint32_t QoAcornTrueColor(TQoAcornPixelKind kind, uint32_t v) {
  uint32_t r = 0, g = 0, b = 0;
  switch (kind) {
    case kQoAcorn4444:
    case kQoAcorn4444Reversed:
      r = (v & 0xF) * 17, g = ((v >> 4) & 0xF) * 17, b = ((v >> 8) & 0xF) * 17;
      break;
    case kQoAcorn555:
    case kQoAcorn555Reversed:
      r = qo::WidenLevel(v & 31, 5), g = qo::WidenLevel((v >> 5) & 31, 5),
      b = qo::WidenLevel((v >> 10) & 31, 5);
      break;
    case kQoAcorn565:
    case kQoAcorn565Reversed:
      r = qo::WidenLevel(v & 31, 5), g = qo::WidenLevel((v >> 5) & 63, 6),
      b = qo::WidenLevel((v >> 11) & 31, 5);
      break;
    default:
      r = v & 0xFF, g = (v >> 8) & 0xFF, b = (v >> 16) & 0xFF;
      break;
  }
  const bool reversed = kind == kQoAcorn4444Reversed || kind == kQoAcorn555Reversed ||
                        kind == kQoAcorn565Reversed || kind == kQoAcorn888Reversed;
  if (reversed) std::swap(r, b);
  return r << 16 | g << 8 | b;
}

uint32_t QoAcornPixel(TQoByteView file, const TQoAcornSprite& sprite, std::size_t at, int32_t x,
                      int32_t y, int bits) {
  const std::size_t row = sprite.Offset + at + static_cast<std::size_t>(y) * sprite.RowBytes();
  // Pixels run from bit 0 of the row upwards, after the left-hand wastage.
  const std::size_t bit = sprite.FirstBit + static_cast<std::size_t>(x) * bits;
  switch (bits) {
    case 32:
      return file.LE32(row + bit / 8);
    case 16:
      return file.LE16(row + bit / 8);
    case 8:
      return file.U8(row + bit / 8);
    default:
      return (file.U8(row + bit / 8) >> (bit % 8)) & ((1u << bits) - 1);
  }
}
