#pragma once
// The Apple II video: the sixteen colours as emulators and converters render them, the
// interleaved row order of the high-resolution screen, the artefact colours of hi-res
// bit pairs, and the bit groups of the double high-resolution screen. Then the IIgs
// super hi-res colour words, its PackBytes packing and APF blocks, and the layout of
// MacPaint files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The 16 colours of one of the ten Apple II palette types; any other type raises. The
// palette is cleared first.
void QoSetAppleIIPalette(TQoPalette256& palette, uint8_t paletteType);
// The ten types in the order the engines offer them.
inline constexpr uint8_t kQoAppleIIPaletteTypeCount = 10;
uint8_t QoAppleIIPaletteType(int index);

inline constexpr std::size_t kQoAppleIIHiResSize = 8192;
inline constexpr int kQoAppleIIHiResRows = 192;
inline constexpr int kQoAppleIIHiResRowBytes = 40;

// Where row y (0..191) of a hi-res screen starts: eight-row groups of 1024 bytes, eight
// 128-byte blocks of three thirds each.
std::size_t QoAppleIIHiResRow(int y);

// The colour number of a hi-res two-bit cell value (0..3) in a colour group (the byte's
// bit 7).
uint8_t QoAppleIIHiResColor(unsigned twoBits, bool group1);

// Hi-res colour: the 280 colour numbers of one row, each two columns wide.
void QoAppleIIHiResColorRow(const uint8_t* row, uint32_t* values);

// Double hi-res: the 28-bit value of group k (0..19) of a row, bits taken alternately
// from the first and the second 8 KiB bank.
uint32_t QoAppleIIDoubleGroup(const uint8_t* firstBank, const uint8_t* secondBank, int k);
// The colour of a 4-bit double hi-res field: the field rotated left by one bit.
inline uint8_t QoAppleIIDoubleColor(unsigned field) {
  field &= 15u;
  return static_cast<uint8_t>(((field << 1) | (field >> 3)) & 15u);
}

// Screen files as they are found besides the exact dumps: a whole memory page (the
// screen holes included), a page cut short inside its last hole, or either behind the
// four-byte header of a DOS binary file (load address, length, both little-endian).
struct TQoAppleIIPageRule {
  std::size_t PageSize = 0;    // bytes of screen memory the file stands for
  std::size_t PictureEnd = 0;  // the end of the last byte the picture shows
  uint16_t Address1 = 0;       // load addresses a header may name (0: none)
  uint16_t Address2 = 0;
};
// The screen memory of such a file: PageSize bytes, those the file does not hold 0.
// Empty when the file is not one.
std::vector<uint8_t> QoAppleIIPageBytes(TQoByteView bytes, const TQoAppleIIPageRule& rule);

// Where text-page row r (0..23) starts: eight 128-byte blocks of three rows each.
inline std::size_t QoAppleIITextRow(int r) {
  return static_cast<std::size_t>((r % 8) * 128 + (r / 8) * 40);
}

// ---- Apple IIgs super hi-res and Macintosh pictures ----

// A IIgs colour word: bits 11-8 red, 7-4 green, 3-0 blue, each level n giving n * 17.
uint32_t QoAppleIIGSColor(uint16_t word);
// Colour i (0..15) of the 32-byte palette block at offset; reversed blocks hold colour i
// in word 15 - i.
uint32_t QoAppleIIGSBlockColor(TQoByteView bytes, std::size_t offset, int i, bool reversed = false);

inline constexpr std::size_t kQoAppleIIGSScreenSize = 32768;
inline constexpr std::size_t kQoAppleIIGSPixelBytes = 32000;
inline constexpr int kQoAppleIIGSRows = 200;
inline constexpr int kQoAppleIIGSRowBytes = 160;

// The IIgs PackBytes stream: a flag byte f starts each run of c = (f & 63) + 1; by f >> 6,
// c literal bytes, one byte c times, a four-byte group c times, or one byte 4c times. A
// repeated run re-reads its own bytes and never looks past them.
struct PackBytesReader {
  TQoByteCursor In;
  int32_t RunCount = 0;       // bytes the current run still yields
  int32_t PatternLength = 0;  // 0 for a literal run
  std::size_t PatternStart = 0;
  int32_t PatternIndex = 0;

  PackBytesReader() = default;
  explicit PackBytesReader(TQoByteView data) : In(data) {}
  // The next byte; false when the input is used up.
  bool ReadByte(uint8_t& value);
};

// True when the stream yields exactly `size` bytes: that many, and no further byte.
bool QoPackBytesUnpacksTo(TQoByteView input, std::size_t size);
// Unpacks into output until it is full or the input runs out; answers the bytes written.
std::size_t QoUnpackPackBytes(TQoByteView input, uint8_t* output, std::size_t outputSize);

// An Apple Preferred Format file: its MAIN block and what later blocks add. Offsets are
// into the file data.
struct TQoAppleIIGSAPFInfo {
  uint16_t MasterMode = 0;
  uint16_t PixelsPerLine = 0;
  uint16_t LineCount = 0;
  uint16_t TableCount = 0;
  std::size_t Tables = 0;
  std::size_t Directory = 0;
  std::size_t PackedLines = 0;
  int32_t PackedSize = 0;
  std::size_t LinePalettes = 0;  // meaningful when LinePalettesSize > 0
  int32_t LinePalettesSize = 0;
  std::string Note;
  std::string BlockNames;

  bool Mode640() const { return (MasterMode & 0xF0) == 0x80; }
  bool MultiPalette() const { return LinePalettesSize > 0; }
};

// Reads the blocks of an APF file; false unless MAIN comes first with every field in its
// limits and the blocks fill the file exactly.
bool QoParseAppleIIGSAPF(TQoByteView bytes, TQoAppleIIGSAPFInfo& info);

// A MacPaint file: where its packed rows start and whether a MacBinary header (or a
// bare 128-byte one marked with the "PNTG" type) precedes it. False for files that are
// not MacPaint pictures.
struct TQoMacPaintLayout {
  std::size_t DataStart = 0;
  bool Header = false;
};
bool QoParseMacPaint(TQoByteView bytes, TQoMacPaintLayout& layout);

// CRC-16 of the MacBinary header: polynomial 0x1021, initial 0, most significant bit first.
uint16_t QoMacBinaryCrc(const uint8_t* data, std::size_t size);
