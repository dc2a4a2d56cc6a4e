#pragma once
// The machinery of the ST pictures that rewrite the palette while the screen is drawn:
// which palette entry is in effect at a column, and the readers of their packed screens,
// packed palettes and palette bit streams. None of the readers raises or reads outside
// its data; each says how far it got.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The entry of the 48-word line record that colour c (0..15) uses at column x of a
// Spectrum 512 picture: the three palettes of a line take over at columns that depend on
// the colour, because the display routine rewrites one register every few cycles.
int Spectrum512PaletteIndex(int c, int x);
// PhotoChrome: up to 61 words of a record (the upper ones overlap the next record).
int PhotoChromePaletteIndex(int c, int x);
// QuantumPaint: 32 words per line.
int QuantumPaletteIndex(int c, int x);
// HighresMedium: 35 words per medium-resolution line, c = 0..3.
int HighresMediumPaletteIndex(int c, int x);

// The values of `width` pixels of `planes` bitplanes: word g of plane k is the big-endian
// word at start + k * planeStride + g * groupStride; the most significant bit is the
// leftmost pixel, plane 0 gives bit 0. Raises "Internal error" when outside data.
void QoReadPlaneLine(TQoByteView data, std::size_t start, std::size_t planeStride,
                     std::size_t groupStride, int planes, int width, uint8_t* values);

// The screen streams of the Spectrum 512 packers; each writes at most outSize bytes and
// answers how many it wrote. SPS: n >= 128 copies n - 127 bytes, n < 128 repeats the next
// byte n + 3 times. SPC: n >= 128 repeats the next byte 258 - n times, n < 128 copies
// n + 1 bytes.
std::size_t DecodeSPSBytes(TQoByteView in, uint8_t* out, std::size_t outSize);
std::size_t DecodeSPCBytes(TQoByteView in, uint8_t* out, std::size_t outSize);

// 199 lines of three 16-colour palettes.
inline constexpr int kQoSpectrum512Palettes = 597;
inline constexpr std::size_t kQoSpectrum512PaletteBytes = 597 * 32;

// SPS palettes: a bit stream of 14-bit masks and 9-bit colours. Writes palette words into
// out (kQoSpectrum512PaletteBytes, zeroed by the caller); answers the number of complete
// palettes and, in bytesUsed, the bytes the stream occupied.
int DecodeSPSPalettes(TQoByteView in, uint8_t* out, std::size_t* bytesUsed);
// SPC palettes: a mask word (bits 0..14 for colours 0..14) and the flagged words. The
// same answers; allValid is false when a flagged word has a nonzero high nibble.
int DecodeSPCPalettes(TQoByteView in, uint8_t* out, std::size_t* bytesUsed, bool* allValid);

// PhotoChrome's sections of run-length items (bytes or big-endian words).
class TQoPhotoChromeReader {
 public:
  explicit TQoPhotoChromeReader(TQoByteView data) : cursor_(data) {}
  // Reads the code count of the next section; false when it is missing or zero.
  bool StartSection(bool wordMode);
  // The next item; false at the end of the data or of the section's codes.
  bool Next(uint16_t& item);
  // Passes over what remains of the section.
  void Drain();
  // Reads up to count items into out (bytes, or big-endian words), then drains the
  // section; answers the number of items read.
  std::size_t ReadSection(bool wordMode, uint8_t* out, std::size_t count);

 private:
  bool ReadItem(uint16_t& item);
  // Reads one control code and its operands; false when the data ends inside it.
  bool ReadCode();
  TQoByteCursor cursor_;
  bool wordMode_ = false;
  uint32_t codes_ = 0;
  uint32_t copy_ = 0;
  uint32_t repeat_ = 0;
  uint16_t repeatItem_ = 0;
};

// Multi Palette's colour stream: big-endian bits, colours of 9, 12 or 15 bits by the
// file's palette mode, returned in linear light.
class TQoMultiPaletteBitReader {
 public:
  TQoMultiPaletteBitReader(TQoByteView data, int paletteMode)
      : data_(data), paletteMode_(paletteMode) {}
  bool ReadBits(int count, uint32_t& value);
  bool ReadColor(TQoLinRGBColor& color);
  static int BitsPerColor(int paletteMode) {
    return paletteMode == 0 ? 9 : paletteMode == 1 ? 12 : 15;
  }

 private:
  TQoByteView data_;
  int paletteMode_ = 0;
  std::size_t bit_ = 0;
};

// The linear-light average of two colours, as bytes.
uint32_t QoAverageLinear(const TQoLinRGBColor& a, const TQoLinRGBColor& b);
uint32_t QoLinearToRGBQuad(const TQoLinRGBColor& c);
inline uint32_t QoRGBQuad(const TQoStdRGBColor& c) {
  return static_cast<uint32_t>(c.R) << 16 | static_cast<uint32_t>(c.G) << 8 | c.B;
}
