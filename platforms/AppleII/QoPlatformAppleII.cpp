#include "platforms/AppleII/QoPlatformAppleII.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

// clang-format off
// Colour n of each type, as 0xRRGGBB; the rows follow the palette types in enumerator
// order, which is also the order the engines offer them in.
constexpr uint32_t kPalettes[kQoAppleIIPaletteTypeCount][16] = {
    // ptAppleIIKegs32
    {0x000000, 0xDD0033, 0x000099, 0xDD00DD, 0x007700, 0x555555, 0x2222FF, 0x66AAFF,
     0x885522, 0xFF6600, 0xAAAAAA, 0xFF9988, 0x00DD00, 0xFFFF00, 0x00FF99, 0xFFFFFF},
    // ptAppleIICiderPress
    {0x000000, 0xDD0033, 0x000099, 0xDD22DD, 0x007722, 0x555555, 0x2222FF, 0x66AAFF,
     0x885500, 0xFF6600, 0xAAAAAA, 0xFF9988, 0x11DD00, 0xFFFF00, 0x44FF99, 0xFFFFFF},
    // ptAppleIIOldAppleWin
    {0x000000, 0xD00030, 0x000080, 0xFF00FF, 0x008000, 0x808080, 0x0000FF, 0x60A0FF,
     0x805000, 0xFF8000, 0xC0C0C0, 0xFF9080, 0x00FF00, 0xFFFF00, 0x40FF90, 0xFFFFFF},
    // ptAppleIINewAppleWin
    {0x000000, 0x9D0966, 0x2A2AE5, 0xC734FF, 0x00761A, 0x808080, 0x0DA1FF, 0xAAAAFF,
     0x555500, 0xF25E00, 0xC0C0C0, 0xFF89E5, 0x38CB00, 0xD5D51A, 0x62F699, 0xFFFFFF},
    // ptAppleIIWikipedia
    {0x000000, 0x722640, 0x40337F, 0xE434FE, 0x0E5940, 0x808080, 0x1B9AFE, 0xBFB3FF,
     0x404C00, 0xE46501, 0x808080, 0xF1A6BF, 0x1BCB01, 0xBFCC80, 0x8DD9BF, 0xFFFFFF},
    // ptAppleIIToHgrDHGR
    {0x000000, 0x940C7D, 0x2036D4, 0xBC37FF, 0x336F00, 0x7E7E7E, 0x07A8E1, 0x9EACFF,
     0x634D00, 0xF9561D, 0x7E7E7E, 0xFF81EC, 0x43C800, 0xDDCE17, 0x5DF885, 0xFFFFFF},
    // ptAppleIIToHgrHGR
    {0x000000, 0xAD1828, 0x551BE1, 0xE82CF8, 0x017363, 0x7E827F, 0x3485FC, 0xD195FF,
     0x336F00, 0xD08101, 0x7F7E77, 0xFE93A3, 0x1DD609, 0xAEEA22, 0x5BEBD9, 0xFFFFFF},
    // ptAppleIISuperConvert
    {0x000000, 0xDD0033, 0x000099, 0xDD00DD, 0x007700, 0x555555, 0x2222FF, 0x66AAFF,
     0x885522, 0xFF6600, 0xAAAAAA, 0xFF9988, 0x00DD00, 0xFFFF00, 0x00FF99, 0xFFFFFF},
    // ptAppleIIJace
    {0x000000, 0xB1005D, 0x2029FF, 0xD229FF, 0x007F22, 0x7F7F7F, 0x00A8FF, 0xA0A8FF,
     0x5E5600, 0xFF5600, 0x7F7F7F, 0xFF7FDC, 0x2CD500, 0xDED500, 0x4DFFA1, 0xFFFFFF},
    // ptAppleIIMeasured
    {0x000000, 0xE31E60, 0x604EBD, 0xFF44FD, 0x00A360, 0x9C9C9C, 0x14CFFD, 0xD0C3FF,
     0x607203, 0xFF6A3C, 0x9C9C9C, 0xFFA0D0, 0x14F53C, 0xD0DD8D, 0x72FFD0, 0xFFFFFF},
};
// clang-format on

// Two-bit cell value to colour number, for colour group 0 and 1.
constexpr uint8_t kHiResColors[2][4] = {{0, 3, 12, 15}, {0, 6, 9, 15}};

}  // namespace

uint8_t QoAppleIIPaletteType(int index) {
  if (index < 0 || index >= kQoAppleIIPaletteTypeCount) qo::RaiseInternalError();
  return static_cast<uint8_t>(ptAppleIIKegs32 + index);
}

void QoSetAppleIIPalette(TQoPalette256& palette, uint8_t paletteType) {
  if (paletteType < ptAppleIIKegs32 || paletteType > ptAppleIIMeasured) qo::RaiseInternalError();
  palette.Clear();
  for (uint32_t rgb : kPalettes[paletteType - ptAppleIIKegs32]) palette.Add(rgb);
}

std::vector<uint8_t> QoAppleIIPageBytes(TQoByteView bytes, const TQoAppleIIPageRule& rule) {
  std::size_t offset = 0;
  std::size_t length = bytes.Size();
  if (bytes.Size() >= 4) {
    const uint16_t address = bytes.LE16(0);
    const uint16_t stated = bytes.LE16(2);
    const bool loaded = address != 0 && (address == rule.Address1 || address == rule.Address2);
    if (loaded && stated == bytes.Size() - 4) {
      offset = 4;
      length = stated;
    }
  }
  if (length < rule.PictureEnd || length > rule.PageSize) return {};
  std::vector<uint8_t> page(rule.PageSize, 0);
  const uint8_t* data = bytes.Ptr(offset, length);
  std::copy(data, data + length, page.begin());
  return page;
}

std::size_t QoAppleIIHiResRow(int y) {
  return static_cast<std::size_t>(y % 8) * 1024 + static_cast<std::size_t>((y / 8) % 8) * 128 +
         static_cast<std::size_t>(y / 64) * 40;
}

uint8_t QoAppleIIHiResColor(unsigned twoBits, bool group1) {
  return kHiResColors[group1 ? 1 : 0][twoBits & 3u];
}

void QoAppleIIHiResColorRow(const uint8_t* row, uint32_t* values) {
  for (int p = 0; p < kQoAppleIIHiResRowBytes / 2; ++p) {
    const uint8_t a = row[2 * p];
    const uint8_t b = row[2 * p + 1];
    const unsigned c = static_cast<unsigned>(b & 0x7F) << 7 | (a & 0x7Fu);
    const bool groupA = (a & 0x80) != 0;
    const bool groupB = (b & 0x80) != 0;
    for (int k = 0; k < 7; ++k) {
      const unsigned cell = (c >> (2 * k)) & 3u;
      // The cell that straddles the two bytes takes each half's group from its byte.
      const bool left = k <= 3 ? groupA : groupB;
      const bool right = k < 3 ? groupA : groupB;
      uint32_t* out = values + 14 * p + 2 * k;
      out[0] = QoAppleIIHiResColor(cell, left);
      out[1] = QoAppleIIHiResColor(cell, right);
    }
  }
}

uint32_t QoAppleIIDoubleGroup(const uint8_t* firstBank, const uint8_t* secondBank, int k) {
  return static_cast<uint32_t>(firstBank[2 * k] & 0x7F) |
         static_cast<uint32_t>(secondBank[2 * k] & 0x7F) << 7 |
         static_cast<uint32_t>(firstBank[2 * k + 1] & 0x7F) << 14 |
         static_cast<uint32_t>(secondBank[2 * k + 1] & 0x7F) << 21;
}

// ---- Apple IIgs ----

uint32_t QoAppleIIGSColor(uint16_t word) {
  const uint32_t r = ((word >> 8) & 15u) * 17u;
  const uint32_t g = ((word >> 4) & 15u) * 17u;
  const uint32_t b = (word & 15u) * 17u;
  return (r << 16) | (g << 8) | b;
}

uint32_t QoAppleIIGSBlockColor(TQoByteView bytes, std::size_t offset, int i, bool reversed) {
  const int word = reversed ? 15 - i : i;
  return QoAppleIIGSColor(bytes.LE16(offset + 2 * static_cast<std::size_t>(word)));
}

bool PackBytesReader::ReadByte(uint8_t& value) {
  if (RunCount == 0) {
    uint8_t flag = 0;
    if (!In.ReadByte(flag)) return false;
    const int32_t count = (flag & 63) + 1;
    switch (flag >> 6) {
      case 0:
        PatternLength = 0;
        RunCount = count;
        break;
      case 1:
        PatternLength = 1;
        RunCount = count;
        break;
      case 2:
        PatternLength = 4;
        RunCount = 4 * count;
        break;
      default:
        PatternLength = 1;
        RunCount = 4 * count;
        break;
    }
    if (PatternLength > 0) {
      if (!In.Has(static_cast<std::size_t>(PatternLength))) {
        In.Skip(In.Remaining());
        RunCount = 0;
        return false;
      }
      PatternStart = In.Pos;
      PatternIndex = 0;
      In.Skip(static_cast<std::size_t>(PatternLength));
    }
  }
  if (PatternLength == 0) {
    if (!In.ReadByte(value)) {
      RunCount = 0;
      return false;
    }
  } else {
    value = In.View.U8(PatternStart + static_cast<std::size_t>(PatternIndex));
    PatternIndex = (PatternIndex + 1) % PatternLength;
  }
  --RunCount;
  return true;
}

bool QoPackBytesUnpacksTo(TQoByteView input, std::size_t size) {
  // The longest stream for size bytes is all literal runs, one flag byte for every 64;
  // anything longer cannot be used up exactly, so it is refused before reading.
  if (input.Size() > size + (size + 63) / 64) return false;
  // Run by run, without unpacking: a literal run carries its bytes, the three repeat
  // kinds one byte or a four-byte pattern.
  std::size_t at = 0;
  std::size_t produced = 0;
  while (at < input.Size()) {
    const uint8_t flag = input.U8(at++);
    const std::size_t count = (flag & 63u) + 1;
    const std::size_t kind = flag >> 6;
    const std::size_t carried = kind == 0 ? count : kind == 2 ? 4 : 1;
    if (carried > input.Size() - at) return false;  // the data ends inside the run
    at += carried;
    produced += kind == 0 || kind == 1 ? count : 4 * count;
    if (produced > size) return false;
  }
  return produced == size;
}

std::size_t QoUnpackPackBytes(TQoByteView input, uint8_t* output, std::size_t outputSize) {
  PackBytesReader reader(input);
  std::size_t written = 0;
  while (written < outputSize && reader.ReadByte(output[written])) ++written;
  return written;
}

namespace {

constexpr int kAPFMaxPixelsPerLine = 2000;
constexpr int kAPFMaxLines = 2000;
constexpr int kAPFMaxTables = 16;

// The bytes of a NOTE text without the blanks and control characters around them.
std::string TrimmedText(const uint8_t* text, std::size_t size) {
  std::size_t first = 0;
  while (first < size && text[first] <= 32) ++first;
  std::size_t last = size;
  while (last > first && text[last - 1] <= 32) --last;
  return std::string(reinterpret_cast<const char*>(text) + first, last - first);
}

// Reads the MAIN fields of the block data [at, end).
bool ParseMain(TQoByteView bytes, std::size_t at, std::size_t end, TQoAppleIIGSAPFInfo& info) {
  TQoByteCursor cursor(bytes.Sub(0, end), at);
  auto word = [&](uint16_t& value) { return cursor.ReadWord(value); };
  if (!word(info.MasterMode)) return false;
  const unsigned mode = info.MasterMode & 0xF0u;
  if (mode != 0 && mode != 0x80) return false;
  if (!word(info.PixelsPerLine) || info.PixelsPerLine < 1 ||
      info.PixelsPerLine > kAPFMaxPixelsPerLine) {
    return false;
  }
  if (!word(info.TableCount) || info.TableCount < 1 || info.TableCount > kAPFMaxTables) {
    return false;
  }
  info.Tables = cursor.Pos;
  if (!cursor.Has(32u * info.TableCount)) return false;
  cursor.Skip(32u * info.TableCount);
  if (!word(info.LineCount) || info.LineCount < 1 || info.LineCount > kAPFMaxLines) return false;
  info.Directory = cursor.Pos;
  if (!cursor.Has(4u * info.LineCount)) return false;
  cursor.Skip(4u * info.LineCount);
  info.PackedLines = cursor.Pos;
  info.PackedSize = static_cast<int32_t>(end - cursor.Pos);
  return true;
}

}  // namespace

bool QoParseAppleIIGSAPF(TQoByteView bytes, TQoAppleIIGSAPFInfo& info) {
  info = TQoAppleIIGSAPFInfo();
  const std::size_t size = bytes.Size();
  std::size_t pos = 0;
  bool first = true;
  while (first || pos < size) {
    if (!bytes.Has(pos, 5)) return false;
    const uint32_t length = bytes.LE32(pos);
    if (length < 5 || length > size - pos) return false;
    const std::size_t end = pos + length;
    const std::size_t nameLength = bytes.U8(pos + 4);
    if (nameLength == 0 || pos + 5 + nameLength > end) return false;
    const std::string name(reinterpret_cast<const char*>(bytes.Ptr(pos + 5, nameLength)),
                           nameLength);
    const std::size_t data = pos + 5 + nameLength;
    const std::size_t dataSize = end - data;
    if (first) {
      if (name != "MAIN" || !ParseMain(bytes, data, end, info)) return false;
    } else if (name == "NOTE") {
      if (dataSize >= 3) {
        const std::size_t count = std::min<std::size_t>(bytes.LE16(data), dataSize - 2);
        info.Note = TrimmedText(bytes.Ptr(data + 2, count), count);
      }
    } else if (name == "SuperConvert") {
      std::size_t n = 0;
      while (n < dataSize && bytes.U8(data + n) >= 32 && bytes.U8(data + n) <= 127) ++n;
      info.Note =
          "SuperConvert " + std::string(reinterpret_cast<const char*>(bytes.Ptr(data, n)), n);
    } else if (name == "MULTIPAL") {
      if (dataSize < 2 || bytes.LE16(data) != info.LineCount ||
          dataSize - 2 != 32u * info.LineCount) {
        return false;
      }
      info.LinePalettes = data + 2;
      info.LinePalettesSize = static_cast<int32_t>(dataSize - 2);
    }
    if (!info.BlockNames.empty()) info.BlockNames += ' ';
    info.BlockNames += name;
    pos = end;
    first = false;
  }
  return true;
}

// ---- Macintosh ----

uint16_t QoMacBinaryCrc(const uint8_t* data, std::size_t size) {
  uint16_t crc = 0;
  for (std::size_t i = 0; i < size; ++i) {
    crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

namespace {

constexpr std::size_t kMacBinarySize = 128;
constexpr std::size_t kMacPaintHeaderSize = 512;

enum class TMacBinary { None, I, II, III };

TMacBinary MacBinaryKind(TQoByteView bytes) {
  if (!bytes.Has(0, kMacBinarySize)) return TMacBinary::None;
  const uint8_t* h = bytes.Ptr(0, kMacBinarySize);
  const bool common = h[0] == 0 && h[1] >= 1 && h[1] <= 63 && h[74] == 0;
  if (!common) return TMacBinary::None;
  const bool crc = QoMacBinaryCrc(h, 124) == bytes.BE16(124);
  if (h[122] >= 130 && h[123] >= 129 && bytes.Matches(102, "mBIN") && crc) {
    return TMacBinary::III;
  }
  if (h[122] >= 129 && h[123] >= 129 && crc) return TMacBinary::II;
  if (h[82] != 0 || bytes.BE32(87) > 0x7FFFFF) return TMacBinary::None;
  for (int i = 0; i < h[1]; ++i) {
    if (h[2 + i] < 32) return TMacBinary::None;
  }
  for (int i = 101; i <= 125; ++i) {
    if (h[i] != 0) return TMacBinary::None;
  }
  return TMacBinary::I;
}

}  // namespace

bool QoParseMacPaint(TQoByteView bytes, TQoMacPaintLayout& layout) {
  layout = TQoMacPaintLayout();
  if (bytes.Size() <= kMacPaintHeaderSize) return false;
  if (MacBinaryKind(bytes) != TMacBinary::None) {
    if (!bytes.Matches(65, "PNTG")) return false;
    const std::size_t secondary = (static_cast<std::size_t>(bytes.BE16(120)) + 127) / 128 * 128;
    layout.DataStart = kMacBinarySize + secondary + kMacPaintHeaderSize;
    layout.Header = true;
  } else if (bytes.Matches(65, "PNTG")) {
    layout.DataStart = kMacBinarySize + kMacPaintHeaderSize;
    layout.Header = true;
  } else {
    if (bytes.BE32(0) > 3) return false;
    layout.DataStart = kMacPaintHeaderSize;
  }
  return layout.DataStart <= bytes.Size();
}
