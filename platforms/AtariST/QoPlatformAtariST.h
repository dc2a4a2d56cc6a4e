#pragma once
// The Atari ST, STE, TT and Falcon: palette words and their encodings, the VDI pen order,
// and the file-header records that the detect functions of the family validate.
//
// Every number in an Atari file is big-endian (68000). Palette data is passed as a byte
// view starting at the first entry; all reads are bounds-checked.

#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// One colour level of an ST/STE palette nibble as 8 bits: the ST uses the low three bits
// (0, 36, ..., 255); the STE adds a fourth bit, kept as the nibble's top bit, so the level
// is ((n & 7) << 1) | (n >> 3) on a scale of 0..15.
uint8_t QoSTLevel(unsigned nibble, uint8_t paletteType);
double QoSTLinearLevel(unsigned nibble, uint8_t paletteType);

// The colour of one ST/STE palette word (bits 8-11 red, 4-7 green, 0-3 blue).
TQoStdRGBColor DecodeSTColor(uint16_t word, uint8_t paletteType);
TQoLinRGBColor DecodeSTLinearColor(uint16_t word, uint8_t paletteType);

// Palette tests over n big-endian words at the start of words.
bool HasSTEBits(TQoByteView words, int n);
bool IsValidSTPalette(TQoByteView words, int n);
// 3n words R, G, B each below 1024, at least one with a nonzero high byte.
bool IsValidVDIPalette(TQoByteView words, int n);
// n 4-byte entries R, G, 0, B, not all zero.
bool IsValidFalconPalette(TQoByteView entries, int n);

// The palette loaders. The first four clear the palette and append the colours in order.
void LoadSTPalette(TQoByteView words, TQoPalette256& palette, int n, uint8_t paletteType);
void LoadSTLinearPalette(TQoByteView words, TQoPalette256& palette, int n, uint8_t paletteType);
void LoadTTPalette(TQoByteView words, TQoPalette256& palette, int n);
void LoadFalconPalette(TQoByteView entries, TQoPalette256& palette, int n);
// VDI colours (0..1000 per gun) for pens 0..n-1; with mapped, pen i lands on the hardware
// register QoVDIPenToHardware(i, n). The palette is padded with black to n entries first.
void LoadVDIPalette(TQoByteView words, TQoPalette256& palette, int n, bool mapped);
// Three level bytes per pen, always mapped; n above 16 raises.
void LoadVDILevelPalette(TQoByteView bytes, TQoPalette256& palette, int n, uint8_t paletteType);
// The desktop's default colours for a screen of the given number of planes.
void LoadSystemPalette(TQoPalette256& palette, int planes);

// The hardware register that VDI pen `pen` uses on a screen of `colors` (2^planes)
// registers; -1 for a pen the table does not know (every other pen maps to itself in
// LoadVDIPalette).
int QoVDIPenToHardware(int pen, int colors);

// The header of a DEGAS picture and of the formats that copied it: a resolution word
// (0 low, 1 medium, 2 high; 4 and 7 TT modes) followed by the palette words.
struct TQoAtariDegasHeader {
  uint16_t Resolution = 0;
  TQoByteView Palette;  // the palette words after the resolution word

  // Reads the header at offset (resolution word, palette after it); false when short.
  bool Read(TQoByteView file, std::size_t offset);
  // For the ST resolutions 0, 1, 2: the palette of 16, 4 or no words is valid.
  bool HasValidSTResolution() const;
};

// The header of a NEOchrome picture (128 bytes before the screen).
struct TQoAtariNeoHeader {
  uint16_t Flag = 0;  // 0, or 0xBABE for the 640 x 400 variant
  uint16_t Resolution = 0;
  TQoByteView Palette;  // 16 words at offset 4
  uint16_t CycleLimits = 0;
  uint16_t CycleSpeed = 0;
  uint16_t WidthWord = 0;
  uint16_t HeightWord = 0;

  static constexpr std::size_t kSize = 128;
  bool Read(TQoByteView file);
};

// The DEGAS Elite trailer: four colour-cycling channels.
struct TQoDegasCycleTrailer {
  uint16_t Left[4] = {};
  uint16_t Right[4] = {};
  uint16_t Direction[4] = {};  // 0 left, 1 off, 2 right
  uint16_t Delay[4] = {};

  static constexpr std::size_t kOffset = 32034;
  bool Read(TQoByteView file);
};

// The header of a GEM bit image: eight big-endian words, then what the programs that
// extended it put there (a palette, a colour model), told apart by a tag.
enum class TQoGEMVariant { Plain, STTT, XIMG, TIMG, HyperPaint, Ventura };

struct TQoGEMImageHeader {
  uint16_t Version = 0;
  std::size_t HeaderBytes = 0;
  int Planes = 0;
  int PatternLength = 0;
  uint16_t PixelWidth = 0;  // micrometres
  uint16_t PixelHeight = 0;
  int LineWidth = 0;
  int Lines = 0;
  TQoGEMVariant Variant = TQoGEMVariant::Plain;
  int Depth = 0;        // the bits per pixel shown (an 8-plane STTT image shows 4)
  TQoByteView Palette;  // STTT and HyperPaint palette words, XIMG VDI triples
  int Colors = 0;       // the palette's entries

  // Reads and checks the header of file: sizes, version, pattern length, a known
  // variant, its planes and its palette. False for anything else.
  bool Read(TQoByteView file);
  // The packed data after the header.
  TQoByteView Data(TQoByteView file) const { return file.From(HeaderBytes); }
};
