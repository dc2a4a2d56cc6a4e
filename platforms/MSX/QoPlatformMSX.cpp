#include "platforms/MSX/QoPlatformMSX.h"

#include <algorithm>
#include <array>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

// The V9958 widens a 3-bit level to its 5-bit DAC by this table.
constexpr std::array<uint8_t, 8> kV9958Steps = {0, 4, 9, 13, 18, 22, 27, 31};

constexpr uint32_t kMSX1Colors[16] = {0x000000, 0x010101, 0x3EB849, 0x74D07D, 0x5955E0, 0x8076F1,
                                      0xB95E51, 0x65DBEF, 0xDB6559, 0xFF897D, 0xCCC35E, 0xDED087,
                                      0x3AA241, 0xB766B5, 0xCCCCCC, 0xFFFFFF};

struct TLevels {
  uint8_t R, G, B;
};

constexpr TLevels kMSX2Default[16] = {
    {0, 0, 0}, {0, 0, 0}, {1, 6, 1}, {3, 7, 3}, {1, 1, 7}, {2, 3, 7}, {5, 1, 1}, {2, 6, 7},
    {7, 1, 1}, {7, 3, 3}, {6, 6, 1}, {6, 6, 4}, {1, 4, 1}, {6, 2, 5}, {5, 5, 5}, {7, 7, 7}};
constexpr TLevels kMSX2Screen6[4] = {{0, 0, 0}, {1, 4, 1}, {1, 6, 1}, {3, 7, 3}};
constexpr TLevels kScreen8Sprites[16] = {
    {0, 0, 0}, {0, 0, 2}, {3, 0, 0}, {3, 0, 2}, {0, 3, 0}, {0, 3, 2}, {3, 3, 0}, {3, 3, 2},
    {7, 4, 2}, {0, 0, 7}, {7, 0, 0}, {7, 0, 7}, {0, 7, 0}, {0, 7, 7}, {7, 7, 0}, {7, 7, 7}};

// The routine every ".pal" file carries between its header and its colours.
constexpr std::array<uint8_t, 34> kPalRoutine = {
    0x06, 0x10, 0x16, 0x00, 0x21, 0x22, 0xC0, 0x7E, 0xCB, 0x27, 0xCB, 0x27,
    0xCB, 0x27, 0xCB, 0x27, 0x4F, 0x23, 0x5E, 0x23, 0x7E, 0x81, 0xDD, 0x21,
    0x4D, 0x01, 0xCD, 0x5F, 0x01, 0x14, 0x23, 0x10, 0xE6, 0xC9};
constexpr std::size_t kPalFileSize = 89;

void AddLevels(TQoPalette256& palette, const TLevels& c, uint8_t paletteType) {
  palette.Add(QoMSXLevel(c.R, paletteType), QoMSXLevel(c.G, paletteType),
              QoMSXLevel(c.B, paletteType));
}

}  // namespace

uint8_t QoMSXLevel(unsigned level, uint8_t paletteType) {
  level &= 7u;
  if (paletteType == ptMSX9958) return static_cast<uint8_t>((kV9958Steps[level] * 255 + 15) / 31);
  return static_cast<uint8_t>((level * 255 + 3) / 7);
}

bool TQoBloadHeader::Read(TQoByteView file) {
  if (!file.Has(0, kSize)) return false;
  Marker = file.U8(0);
  Start = file.LE16(1);
  End = file.LE16(3);
  Execution = file.LE16(5);
  return true;
}

bool TQoBloadHeader::Matches(std::size_t fileSize, uint8_t marker, uint16_t start,
                             uint16_t execution) const {
  if (Marker != marker || Start != start || Execution != execution || End < Start) return false;
  const std::size_t range = static_cast<std::size_t>(End - Start);
  return fileSize == range + 8 || fileSize == range + 7;
}

bool QoIsValidMSXPaletteRun(TQoByteView records, int n) {
  if (n <= 0 || !records.Has(0, 2 * static_cast<std::size_t>(n))) return false;
  bool anyLevel = false;
  for (int i = 0; i < n; ++i) {
    const uint8_t rb = records.U8(2 * static_cast<std::size_t>(i));
    const uint8_t g = records.U8(2 * static_cast<std::size_t>(i) + 1);
    if ((rb & 0x88) != 0 || g >= 8) return false;
    anyLevel = anyLevel || rb != 0 || g != 0;
  }
  return anyLevel;
}

void QoAddMSXPaletteRecords(TQoPalette256& palette, TQoByteView records, int n,
                            uint8_t paletteType) {
  for (int i = 0; i < n; ++i) {
    const uint8_t rb = records.U8(2 * static_cast<std::size_t>(i));
    const uint8_t g = records.U8(2 * static_cast<std::size_t>(i) + 1);
    AddLevels(
        palette,
        TLevels{static_cast<uint8_t>(rb >> 4), static_cast<uint8_t>(g), static_cast<uint8_t>(rb)},
        paletteType);
  }
}

void QoSetMSX1Palette(TQoPalette256& palette, int n) {
  palette.Clear();
  for (int i = 0; i < n && i < 16; ++i) palette.Add(kMSX1Colors[i]);
}

void QoSetMSX2DefaultPalette(TQoPalette256& palette, int n, uint8_t paletteType) {
  palette.Clear();
  const TLevels* levels = n == 4 ? kMSX2Screen6 : kMSX2Default;
  for (int i = 0; i < (n == 4 ? 4 : 16); ++i) AddLevels(palette, levels[i], paletteType);
}

void QoSetScreen8Palette(TQoPalette256& palette, uint8_t paletteType) {
  static constexpr uint8_t kBlueLevels[4] = {0, 2, 4, 7};
  palette.Clear();
  for (unsigned i = 0; i < 256; ++i) {
    AddLevels(palette,
              TLevels{static_cast<uint8_t>((i >> 2) & 7), static_cast<uint8_t>(i >> 5),
                      kBlueLevels[i & 3]},
              paletteType);
  }
}

uint32_t QoScreen8SpriteColor(unsigned c) {
  const TLevels& l = kScreen8Sprites[c & 15u];
  return static_cast<uint32_t>(QoMSXLevel(l.R, ptMSX9938)) << 16 |
         static_cast<uint32_t>(QoMSXLevel(l.G, ptMSX9938)) << 8 | QoMSXLevel(l.B, ptMSX9938);
}

TQoByteView QoMSXPalFileEntries(TQoByteView file) {
  TQoBloadHeader header;
  if (file.Size() != kPalFileSize || !header.Read(file) ||
      !header.Matches(file.Size(), 0xFE, 0xC000, 0xC000)) {
    return TQoByteView();
  }
  for (std::size_t i = 0; i < kPalRoutine.size(); ++i) {
    if (file.U8(TQoBloadHeader::kSize + i) != kPalRoutine[i]) return TQoByteView();
  }
  const TQoByteView entries = file.From(TQoBloadHeader::kSize + kPalRoutine.size());
  for (std::size_t i = 0; i < 48; ++i) {
    if (entries.U8(i) > 7) return TQoByteView();
  }
  return entries;
}

uint8_t QoMSXLevel5(unsigned level) {
  return static_cast<uint8_t>(((level & 31u) * 255 + 15) / 31);
}

uint32_t QoYJKToRGB(int y, int j, int k, bool yuv) {
  const auto clamp = [](int v) { return static_cast<unsigned>(std::clamp(v, 0, 31)); };
  const unsigned r = clamp(y + j);
  const unsigned plusK = clamp(y + k);
  // Integer division truncates towards zero, as the chip's arithmetic does.
  const unsigned third = clamp((5 * y - 2 * j - k + 2) / 4);
  const unsigned g = yuv ? third : plusK;
  const unsigned b = yuv ? plusK : third;
  return static_cast<uint32_t>(QoMSXLevel5(r)) << 16 | static_cast<uint32_t>(QoMSXLevel5(g)) << 8 |
         QoMSXLevel5(b);
}

void QoDecodeYJKRow(TQoByteView row, int32_t width, uint32_t* rgb, bool yuv,
                    const TQoPalette* palette) {
  const auto sign6 = [](int v) { return v >= 32 ? v - 64 : v; };
  for (int32_t x0 = 0; x0 < width; x0 += 4) {
    const int32_t n = std::min<int32_t>(4, width - x0);
    uint8_t b[4] = {0, 0, 0, 0};
    for (int32_t i = 0; i < n; ++i) {
      const auto at = static_cast<std::size_t>(x0 + i);
      b[i] = at < row.Size() ? row.U8(at) : 0;
    }
    const int k = sign6((b[0] & 7) + (b[1] & 7) * 8);
    const int j = sign6((b[2] & 7) + (b[3] & 7) * 8);
    for (int32_t i = 0; i < n; ++i) {
      rgb[x0 + i] =
          palette && (b[i] & 8) ? palette->GetRGBQuad(b[i] >> 4) : QoYJKToRGB(b[i] >> 3, j, k, yuv);
    }
  }
}

bool TQoG9BHeader::Read(TQoByteView file) {
  if (file.Size() <= 16 || !file.Matches(0, "G9B")) return false;
  HeaderLength = file.LE16(3);
  if (HeaderLength <= 10 || file.Size() < HeaderLength + 5) return false;
  BitsPerPixel = file.U8(5);
  ColorType = file.U8(6);
  PaletteCount = file.U8(7);
  Width = file.LE16(8);
  Height = file.LE16(10);
  Compressed = file.U8(12) == 1;
  if (Width < 1 || Width > 8000 || Height < 1 || Height > 8000) return false;
  struct TPair {
    uint8_t Bits, Type, MaxEntries;
    TMode Mode;
  };
  static constexpr TPair kPairs[] = {{2, 0, 4, kBP2},  {4, 0, 16, kBP4},   {8, 0, 64, kBP6},
                                     {8, 64, 0, kBD8}, {8, 128, 0, kBYJK}, {8, 192, 0, kBYUV},
                                     {16, 0, 0, kBD16}};
  bool known = false;
  for (const TPair& pair : kPairs) {
    if (pair.Bits == BitsPerPixel && pair.Type == ColorType && PaletteCount <= pair.MaxEntries) {
      Mode = pair.Mode;
      known = true;
    }
  }
  if (!known || DataAt() >= file.Size()) return false;
  for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(PaletteCount); ++i) {
    if (file.U8(PaletteAt() + i) >= 32) return false;
  }
  return true;
}

std::size_t TQoG9BHeader::RowBytes() const {
  const auto w = static_cast<std::size_t>(Width);
  if (BitsPerPixel >= 8) return w * BitsPerPixel / 8;
  return (w * BitsPerPixel + 7) / 8;
}

namespace {

// One block of the V9990 compression; true when it ended through its end code.
bool UnpackV9990Block(TQoByteView block, std::vector<uint8_t>& out, std::size_t& pos) {
  const std::size_t start = pos;
  TQoByteCursor in(block);
  uint8_t bits = 0;
  int left = 0;
  // Control bits, most significant first; their bytes sit among the data bytes.
  const auto bit = [&](unsigned& value) {
    if (left == 0) {
      if (!in.ReadByte(bits)) return false;
      left = 8;
    }
    --left;
    value = (bits >> left) & 1u;
    return true;
  };
  for (;;) {
    unsigned flag = 0;
    if (!bit(flag)) return false;
    if (flag == 0) {
      uint8_t literal = 0;
      if (pos >= out.size() || !in.ReadByte(literal)) return false;
      out[pos++] = literal;
      continue;
    }
    std::size_t n = 1;
    for (;;) {
      unsigned more = 0, c = 0;
      if (!bit(more)) return false;
      if (more == 0) break;
      if (!bit(c)) return false;
      if (n & 0x8000) return true;  // the end code
      n = 2 * n + c;
    }
    uint8_t low = 0;
    if (!in.ReadByte(low)) return false;
    std::size_t offset = low;
    if (low & 0x80) {
      offset = low & 0x7Fu;
      for (unsigned weight = 1024; weight >= 128; weight /= 2) {
        unsigned b = 0;
        if (!bit(b)) return false;
        offset += b * weight;
      }
    }
    const std::size_t distance = offset + 1, count = n + 1;
    if (distance > pos - start || count > out.size() - pos) return false;
    for (std::size_t i = 0; i < count; ++i, ++pos) out[pos] = out[pos - distance];
  }
}

}  // namespace

std::vector<uint8_t> QoUnpackV9990(TQoByteView data, std::size_t size) {
  if (size > qo::kMaxAllocation) qo::RaiseInternalError();
  std::vector<uint8_t> out(size, 0);
  TQoByteCursor in(data);
  uint8_t blockCount = 0;
  if (!in.ReadByte(blockCount)) return out;
  std::size_t pos = 0;
  uint16_t length = 0;
  while (in.ReadWord(length) && length != 0) {
    const std::size_t n = std::min<std::size_t>(length, in.Remaining());
    const TQoByteView block = in.View.Sub(in.Pos, n);
    in.Pos += n;
    if (!UnpackV9990Block(block, out, pos)) break;
  }
  return out;
}

bool QoUnpackMSXCMP(TQoByteView stream, std::size_t lineBytes, std::size_t lines,
                    std::size_t rawLines, std::vector<uint8_t>& out) {
  const std::size_t total = lineBytes * lines;
  out.assign(total, 0);
  TQoByteCursor in(stream);
  for (std::size_t group = 0; group < total; group += 64) {
    uint8_t mask = 0;
    if (!in.ReadByte(mask)) return false;
    uint8_t subMasks[8] = {};
    for (int s = 0; s < 8; ++s) {
      if ((mask & (0x80 >> s)) && !in.ReadByte(subMasks[s])) return false;
    }
    for (std::size_t s = 0; s < 8; ++s) {
      for (std::size_t b = 0; b < 8; ++b) {
        if (!(subMasks[s] & (0x80u >> b))) continue;
        uint8_t value = 0;
        if (!in.ReadByte(value)) return false;
        const std::size_t at = group + 8 * s + b;
        if (at < total) out[at] = value;
      }
    }
  }
  // The lines below the stored ones hold their difference to the line above.
  for (std::size_t i = rawLines * lineBytes; i < total; ++i) out[i] ^= out[i - lineBytes];
  return in.Remaining() == 0;
}

void QoSetV9990Direct8Palette(TQoPalette256& palette) {
  static constexpr uint8_t kBlueSteps[4] = {0, 11, 21, 31};
  palette.Clear();
  for (unsigned i = 0; i < 256; ++i) {
    palette.Add(QoMSXLevel5(kV9958Steps[(i >> 2) & 7]), QoMSXLevel5(kV9958Steps[i >> 5]),
                QoMSXLevel5(kBlueSteps[i & 3]));
  }
}

bool TQoCMPHeader::Read(TQoByteView file) {
  if (file.Size() <= kSize) return false;
  LineBytes = file.U8(0);
  Lines = file.U8(1);
  RawLines = file.U8(2);
  return LineBytes >= 1 && LineBytes <= 128 && Lines >= 1 && Lines <= 212 && RawLines >= 1 &&
         RawLines <= Lines;
}
