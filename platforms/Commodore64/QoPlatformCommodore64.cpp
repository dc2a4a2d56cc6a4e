#include "platforms/Commodore64/QoPlatformCommodore64.h"

#include <algorithm>
#include <string_view>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"

namespace {

// The VIC-II's 16 colours as 0xRRGGBB: a darker, measured set and a lighter, brighter one.
constexpr std::array<uint32_t, 16> kDarkColors = {
    0x000000, 0xFFFFFF, 0x68372B, 0x70A4B2, 0x6F3D86, 0x588D43, 0x352879, 0xB8C76F,
    0x6F4F25, 0x433900, 0x9A6759, 0x444444, 0x6C6C6C, 0x9AD284, 0x6C5EB5, 0x959595};
constexpr std::array<uint32_t, 16> kLightColors = {
    0x000000, 0xFFFFFF, 0x880000, 0xAAFFEE, 0xCC44CC, 0x00CC55, 0x0000AA, 0xEEEE77,
    0xDD8855, 0x664400, 0xFF7777, 0x333333, 0x777777, 0xAAFF66, 0x0088FF, 0xBBBBBB};

}  // namespace

uint64_t QoC64HiresAspectMask() {
  // "0.7500 NTSC", "0.7617 NTSC (old)", "0.9077 PAL-N (Drean)", "0.9365 PAL", "1:1".
  return QoAspectBit(19) | QoAspectBit(20) | QoAspectBit(24) | QoAspectBit(kQoC64HiresAspect) |
         QoAspectBit(kQoAspect1to1Index);
}

uint64_t QoC64MulticolourAspectMask() {
  // "1:1", "1.5000 NTSC", "1.5234 NTSC (old)", "1.8154 PAL-N (Drean)", "1.8730 PAL", "2:1".
  return QoAspectBit(kQoAspect1to1Index) | QoAspectBit(39) | QoAspectBit(40) | QoAspectBit(44) |
         QoAspectBit(kQoC64MulticolourAspect) | QoAspectBit(kQoAspect2to1);
}

void QoSetCommodore64Palette(TQoPalette256& palette, uint8_t paletteType) {
  const std::array<uint32_t, 16>* colors = nullptr;
  if (paletteType == ptCommandore64Dark) {
    colors = &kDarkColors;
  } else if (paletteType == ptCommandore64Light) {
    colors = &kLightColors;
  } else {
    qo::RaiseInternalError();
  }
  palette.Clear();
  for (uint32_t c : *colors) palette.Add(c);
}

int32_t QoC64LoadAddress(TQoByteView file) {
  return file.Has(0, 2) ? file.LE16(0) : -1;
}

const TQoC64Layout* QoFindC64Layout(const TQoLoadSource& source, const TQoC64LayoutTable& table,
                                    uint8_t& result) {
  result = 0;
  const int32_t address = QoC64LoadAddress(source.Bytes());
  if (address < 0) return nullptr;
  for (std::size_t i = 0; i < table.Count; ++i) {
    const TQoC64Layout& row = table.Rows[i];
    const bool size = std::find(row.Sizes.begin(), row.Sizes.end(), source.Size) != row.Sizes.end();
    const bool loaded = std::find(row.LoadAddresses.begin(), row.LoadAddresses.end(), address) !=
                        row.LoadAddresses.end();
    if (!size || !loaded) continue;
    if (row.OwnExtensions.Has(source.Extension)) {
      result = row.OwnResult;
    } else if (row.OtherResult != 0) {
      result = row.OtherResult;
    } else {
      continue;
    }
    return &row;
  }
  return nullptr;
}

TQoC64WordCountReader::TQoC64WordCountReader(TQoByteView data, std::size_t start, bool hasShort,
                                             uint8_t shortEscape, uint8_t longEscape)
    : Cursor(data, std::min(start, data.Size())),
      HasShort(hasShort),
      ShortEscape(shortEscape),
      LongEscape(longEscape) {}

bool TQoC64WordCountReader::ReadByte(uint8_t& value) {
  if (RunCount > 0) {
    --RunCount;
    value = RunByte;
    return true;
  }
  uint8_t byte = 0;
  if (Ended || !Cursor.TryNext(byte)) return false;
  int32_t count = 0;
  if (HasShort && byte == ShortEscape) {
    uint8_t n = 0;
    if (Cursor.TryNext(n)) count = n == 0 ? 256 : n;
  } else if (byte == LongEscape) {
    uint8_t low = 0, high = 0;
    if (Cursor.TryNext(low) && Cursor.TryNext(high)) count = low | high << 8;
  } else {
    value = byte;
    return true;
  }
  // A long count of 0 is the end mark; a sequence cut off by the end of the data ends
  // the stream as well.
  if (count == 0 || !Cursor.TryNext(RunByte)) {
    Ended = true;
    return false;
  }
  RunCount = count - 1;
  value = RunByte;
  return true;
}
