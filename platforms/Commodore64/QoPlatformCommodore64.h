#pragma once
// The Commodore 64's VIC-II as its picture files see it: the two 16-colour palettes, the
// pixel shapes of hires and multicolour modes, the character ROM, the GoDot colour map,
// the load address every program file starts with, the size-and-address layouts most
// paint programs saved, and the run-length streams of the packed formats.

#include <array>
#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"
#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"

inline constexpr const char* kQoCommodore64PlatformName = "Commodore 64";

// The screen: 25 rows of 40 cells of 8 x 8 pixels.
inline constexpr int kQoC64Rows = 25;
inline constexpr int kQoC64Columns = 40;
inline constexpr std::size_t kQoC64Cells = kQoC64Rows * kQoC64Columns;
inline constexpr std::size_t kQoC64BitmapSize = 8 * kQoC64Cells;

// Pixel shapes. Hires pixels are a little narrower than tall on PAL and NTSC sets;
// multicolour pixels are two hires pixels wide.
inline constexpr uint8_t kQoC64HiresAspect = 27;        // "0.9365 PAL"
inline constexpr uint8_t kQoC64MulticolourAspect = 46;  // "1.8730 PAL"
uint64_t QoC64HiresAspectMask();
uint64_t QoC64MulticolourAspectMask();

// Clears palette and appends the 16 colours of ptCommandore64Dark or
// ptCommandore64Light; any other type raises "Internal error".
void QoSetCommodore64Palette(TQoPalette256& palette, uint8_t paletteType);

// The upper-case and graphics set of the character ROM.
inline constexpr std::size_t kQoCommodore64CharsetSize = 2048;
extern const std::array<uint8_t, kQoCommodore64CharsetSize> kQoCommodore64Charset;

// GoDot stores its own colour numbers, ordered by brightness; this gives the C64's.
inline constexpr std::array<uint8_t, 16> kQoGoDotColorMap = {0,  6,  9, 11, 2, 4, 8,  12,
                                                             14, 10, 5, 15, 3, 7, 13, 1};

// The 16-bit little-endian address a program file was saved from; -1 when the file is
// shorter than two bytes.
int32_t QoC64LoadAddress(TQoByteView file);

// Where a picture's parts lie in its data (a file, or the buffer a packed file unpacks
// to): the 8000-byte bitmap, the 1000-byte screen RAM and colour RAM, and the byte of the
// background colour. -1 marks a part the format does not have.
struct TQoC64Parts {
  int32_t Bitmap;
  int32_t Screen;
  int32_t Color;
  int32_t Background;
};

// One way a paint program laid out its file, told by size and load address; offsets
// count from the start of the file, load address included.
struct TQoC64Layout {
  std::array<int32_t, 2> Sizes;          // 0: unused
  std::array<int32_t, 2> LoadAddresses;  // -1: unused
  TQoExtensions OwnExtensions;
  uint8_t OwnResult;    // the Detect answer for an own extension
  uint8_t OtherResult;  // for any other extension; 0 leaves the file to the next row
  const char* ModeName;
  const char* DefaultExtension;
  TQoC64Parts Parts;
};

// The usual answers: signature, size and (own) extension.
inline constexpr uint8_t kQoC64Own = 11;
inline constexpr uint8_t kQoC64Other = 9;

// The row of a registered class of layouts: the layouts a file may have, or (Rows
// nullptr) the packed format whose stream it unpacks.
template <class TLayout, class TPacked>
struct TQoC64Table {
  const char* ClassName;
  const TLayout* Rows;
  std::size_t Count;
  const TPacked* Packed;
};

// The one-screen engines' tables.
struct TQoC64PackedFormat;
using TQoC64LayoutTable = TQoC64Table<TQoC64Layout, TQoC64PackedFormat>;

// The first row of the table that takes the file, or nullptr; result gets its answer.
const TQoC64Layout* QoFindC64Layout(const TQoLoadSource& source, const TQoC64LayoutTable& table,
                                    uint8_t& result);

// An escaped run-length stream with two escapes, as Boogie Down Paint and Printfox
// write it: after the short escape a count byte (0 meaning 256) and the value, after the
// long escape a 16-bit little-endian count and the value, a long count of 0 ending the
// stream. A stream without a short escape passes hasShort false. Like the framework's
// readers it answers false at the end and never reads outside the data.
struct TQoC64WordCountReader {
  TQoByteCursor Cursor;
  bool HasShort = false;
  uint8_t ShortEscape = 0;
  uint8_t LongEscape = 0;
  uint8_t RunByte = 0;
  int32_t RunCount = 0;
  bool Ended = false;

  TQoC64WordCountReader(TQoByteView data, std::size_t start, bool hasShort, uint8_t shortEscape,
                        uint8_t longEscape);
  bool ReadByte(uint8_t& value);
};

// The number of bytes a stream yields, counting no further than limit + 1, so a caller
// can tell "more than limit" without running a long stream to its end.
template <class Reader>
std::size_t QoC64StreamLength(Reader& reader, std::size_t limit) {
  std::size_t n = 0;
  uint8_t value = 0;
  while (n <= limit && reader.ReadByte(value)) ++n;
  return n;
}

// Unpacks up to count bytes to out; the bytes written. What the stream does not reach
// keeps its value.
template <class Reader>
std::size_t QoC64Unpack(Reader& reader, uint8_t* out, std::size_t count) {
  std::size_t n = 0;
  while (n < count && reader.ReadByte(out[n])) ++n;
  return n;
}
