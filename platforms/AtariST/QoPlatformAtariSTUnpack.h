#pragma once
// The packers of the ST paint programs. Each reader hands out one byte (or word) per call
// and answers false when its input ends or a code makes no sense; it never reads outside
// its block. The fill functions place what a reader delivers in a 32000-byte screen in
// the order its program wrote it; given no output they only count (a dry run, which is
// how detection tells a packed picture from anything else).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/QoByteView.h"

inline constexpr std::size_t kQoSTScreenBytes = 32000;

// An unsigned decimal number in ASCII followed by CR LF, below 415030; false otherwise.
bool ParseDecimalLine(TQoByteCursor& cursor, uint32_t& value);

// Tiny: control bytes and data words.
class TQoTinyReader {
 public:
  // The block: control-byte count C, data-word count D, the control bytes, the words.
  bool Start(TQoByteView block);
  bool NextWord(uint16_t& word);

 private:
  TQoByteView controls_, words_;
  std::size_t control_ = 0, word_ = 0;
  uint32_t copy_ = 0, repeat_ = 0;
  uint16_t repeatWord_ = 0;
};

// Crack Art (also D-GRAPH and DelmPaint): escape codes for runs and for the delta byte.
class TQoCrackArtReader {
 public:
  // The 4-byte head (escape, delta, offset 1..31999) and the stream after it.
  bool Start(TQoByteView block);
  bool NextByte(uint8_t& value);
  uint16_t Offset() const { return offset_; }

 private:
  TQoByteCursor in_;
  uint8_t escape_ = 0, delta_ = 0, runByte_ = 0;
  uint16_t offset_ = 0;
  uint32_t run_ = 0;
  uint32_t left_ = kQoSTScreenBytes;
};

// Imagic: escape codes for runs of bytes and of zeros.
class TQoImagicReader {
 public:
  // The whole file: escape byte at 66, the stream from 67.
  bool Start(TQoByteView file);
  bool NextByte(uint8_t& value);

 private:
  bool LongCount(uint32_t step, uint32_t& count);
  TQoByteCursor in_;
  uint8_t escape_ = 0, runByte_ = 0;
  uint32_t run_ = 0;
};

// Paintworks: literal and repeat runs.
class TQoPaintworksReader {
 public:
  explicit TQoPaintworksReader(TQoByteView data) : in_(data) {}
  bool NextByte(uint8_t& value);

 private:
  TQoByteCursor in_;
  uint32_t literal_ = 0, repeat_ = 0;
  uint8_t repeatByte_ = 0;
};

// Fills a screen (or counts, when out is nil) from a byte reader: in file order, in
// byte columns (160 columns of 200 bytes), or Crack Art's stepping by an offset. Each
// returns the bytes placed.
template <class Reader>
std::size_t QoFillLinear(Reader& reader, uint8_t* out, std::size_t size) {
  std::size_t n = 0;
  uint8_t value = 0;
  while (n < size && reader.NextByte(value)) {
    if (out) out[n] = value;
    ++n;
  }
  return n;
}

template <class Reader>
std::size_t QoFillByteColumns(Reader& reader, uint8_t* out) {
  std::size_t n = 0;
  uint8_t value = 0;
  while (n < kQoSTScreenBytes && reader.NextByte(value)) {
    if (out) out[(n % 200) * 160 + n / 200] = value;
    ++n;
  }
  return n;
}

std::size_t QoFillWithOffset(TQoCrackArtReader& reader, uint8_t* out);

// Tiny's order: by plane word, then 8-byte group of the line, then line.
std::size_t QoFillTinyColumns(TQoTinyReader& reader, uint8_t* out);

// Dali and ZZ ROUGH: runs of 4-byte values down 40 long columns.
bool QoDecodeColumnRuns(TQoByteView counts, TQoByteView values, uint8_t* out);

// Canvas: groups of `planes` words written by number, then a fill section.
bool QoDecodeCanvasGroups(TQoByteView data, int planes, uint8_t* out);

// GEM bit images: every scan line holds each plane's (line width + 7) / 8 bytes in turn,
// packed with literal, solid and pattern runs and with marks that keep the byte of the
// line above; a line may stand for several equal ones. The unpacked buffer pads every
// plane line to whole words (line-planar screen memory).
std::size_t QoGEMPlaneLineBytes(int lineWidth);
std::size_t QoGEMBufferBytes(int lineWidth, int lines, int planes);
// Unpacks lines of planes plane lines from data into out (QoGEMBufferBytes, zeroed by
// the caller), or only checks the stream when out is nil; false when the data ends first
// or a line-repeat count is zero.
bool QoUnpackGEMLines(TQoByteView data, int lineWidth, int lines, int planes, int patternLength,
                      uint8_t* out);
// Colour runs of 24-bit GEM images: records 0x80, count, count pixels of blue, green, red.
// Writes up to pixels colours (0xRRGGBB) to out when given; answers how many the data held.
std::size_t QoReadGEMColorRuns(TQoByteView data, std::size_t pixels, uint32_t* out);

// The run-length packers of the monochrome paint programs: each hands out its run byte
// while a run lasts and reads a control otherwise.
class TQoMonoRunReader {
 public:
  enum class TQoKind {
    STAD,           // escapes at 4, 5, 6 of the file: E1 n = n + 1 solid bytes, E2 v n
    PublicPainter,  // escape at 0 of the file: escape n v = n + 1 bytes v
    MegaPaint,      // 0 n and 255 n: n + 1 bytes 0 or 255
    Calamus,        // n >= 128: the next byte n - 127 times; else n + 1 literal bytes
  };
  // data is the packed stream itself; the escapes are passed for STAD and Public Painter.
  TQoMonoRunReader(TQoKind kind, TQoByteView data, uint8_t escape1 = 0, uint8_t solid = 0,
                   uint8_t escape2 = 0)
      : kind_(kind), in_(data), escape1_(escape1), solid_(solid), escape2_(escape2) {}
  bool NextByte(uint8_t& value);
  bool RunPending() const { return run_ > 0 || literal_ > 0; }
  std::size_t Remaining() const { return in_.Remaining(); }
  std::size_t Position() const { return in_.Pos; }

 private:
  TQoKind kind_;
  TQoByteCursor in_;
  uint8_t escape1_, solid_, escape2_;
  uint32_t run_ = 0, literal_ = 0;
  uint8_t runByte_ = 0;
};

// PaintShop's line codes for lines of rowBytes bytes; false for a code outside the table,
// too many lines, or an end other than the one byte 0xFF. out may be nil (a dry run).
bool QoDecodePaintShopLines(TQoByteView data, int lines, std::size_t rowBytes, uint8_t* out);

// Picworks' records of 8-byte blocks into a 32000-byte screen (prefilled with 0xFF by
// the caller); false when the records do not fit the file or the screen.
bool QoDecodePicworksBlocks(TQoByteView file, uint8_t* out);

// A DEGAS Elite icon written as C source: its comment line, the three #define lines of
// ICON_W, ICON_H and ICONSIZE, and the declaration with ICONSIZE numbers. False unless
// the text is exactly that; words, when given, receives the numbers as 16-bit words.
struct TQoDegasIconText {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t Size = 0;
};
bool QoParseDegasIcon(TQoByteView text, TQoDegasIconText& icon, std::vector<uint16_t>* words);
