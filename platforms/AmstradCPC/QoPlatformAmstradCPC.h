#pragma once
// The Amstrad CPC and CPC Plus: the 128-byte header the disc system writes before every
// binary file, the 27 firmware colours as measured on the Gate Array and on the Plus
// ASIC, the 12-bit colour words of the Plus, the pixel packing of the three video modes,
// the screen address order, and the palette files that paint programs save beside
// their screens.

#include <array>
#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The disc file header. All fields little-endian; the checksum is the 16-bit sum of
// bytes 0 to 66.
struct TQoAmsdosHeader {
  static constexpr std::size_t kSize = 128;

  uint8_t FileType = 0;  // 0 BASIC, 2 binary
  uint16_t DataLength = 0;
  uint16_t LoadAddress = 0;
  uint16_t LogicalLength = 0;
  uint16_t EntryAddress = 0;
  uint32_t RealLength = 0;  // 24 bits
  uint16_t Checksum = 0;    // as stored
  uint16_t Computed = 0;    // as summed

  // False when the view is shorter than a header.
  bool Read(TQoByteView file);
  // The header of a file of the given type and length: logical length and the low 16
  // bits of the real length are `length`, its top byte is 0, the checksum holds.
  bool Passes(uint8_t type, uint16_t length) const;
  // Read and Passes with the usual further tests of data length, load and entry address.
  static bool Check(TQoByteView file, uint8_t type, uint16_t length);
  static bool Check(TQoByteView file, uint8_t type, uint16_t length, uint16_t dataLength,
                    uint16_t load, uint16_t entry);
};

// The 16-bit sum of bytes 0 to 66, as the header stores it at 67.
uint16_t QoAmsdosChecksum(TQoByteView header);

inline constexpr int kQoCPCFirmwareColors = 27;

// The firmware colour of a hardware colour number 0x40..0x5F; anything else gives 0.
uint8_t QoCPCHardwareToFirmware(uint8_t hardware);
// The hardware number the video chip uses for a firmware colour 0..26.
uint8_t QoCPCFirmwareToHardware(uint8_t firmware);

// The 27 firmware colours for ptCPCGateArray, ptCPCGateArrayRGB, ptCPCASIC or
// ptCPCASICRGB; any other type raises. The palette is cleared first.
void QoSetCPCPalette27(TQoPalette256& palette, uint8_t paletteType);

// A CPC Plus colour word: bits 8-11 green, 4-7 red, 0-3 blue, each level times 17.
TQoStdRGBColor QoCPCPlusColor(uint16_t word);

// Pixel packing: the value of pixel `index` (0 leftmost) of a video byte.
uint8_t QoCPCMode0Pixel(uint8_t value, int index);  // index 0..1, 4-bit value
uint8_t QoCPCMode1Pixel(uint8_t value, int index);  // index 0..3, 2-bit value
uint8_t QoCPCMode2Pixel(uint8_t value, int index);  // index 0..7, 1-bit value
// Pixels per byte of a mode 0, 1 or 2.
inline int QoCPCPixelsPerByte(int mode) {
  return 2 << mode;
}
uint8_t QoCPCPixel(int mode, uint8_t value, int index);

// Where row y starts in the screen data (after the header).
std::size_t QoCPCScreenRow(int y);    // 16 KiB screen, 80 bytes a row
std::size_t QoCPCOverscanRow(int y);  // 32 KiB overscan, 96 bytes a row
std::size_t QoCPCFutureOSRow(int y);  // FutureOS, 64 bytes a row

// A ".pal" palette file of a paint program: header for 0x8809, the mode, then one
// 12-byte record per ink whose first byte is the ink's hardware colour.
struct TQoCPCPalFile {
  static constexpr std::size_t kFileSize = 367;
  static constexpr std::size_t kPaddedFileSize = 384;
  static constexpr int kInks = 16;
  uint8_t Mode = 0;
  std::array<uint8_t, kInks> Hardware{};

  bool Read(TQoByteView file);
};

// A ".kit" palette file of the CPC Plus: header for 0x8809, 16 colour words.
struct TQoCPCKitFile {
  static constexpr std::size_t kFileSize = 160;
  std::array<uint16_t, 16> Words{};

  bool Read(TQoByteView file);
};
