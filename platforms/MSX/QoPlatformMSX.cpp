#include "platforms/MSX/QoPlatformMSX.h"

#include <array>

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
