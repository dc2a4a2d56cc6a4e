#include "platforms/AppleII/QoPlatformAppleII.h"

#include "color/QoPaletteTypes.h"
#include "base/QoErrors.h"

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
