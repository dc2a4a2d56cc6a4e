#pragma once
// The BBC Micro's screen: character cells of eight bytes, one a pixel line, the cells of a
// character row left to right, 32 rows. Each mode packs 1, 2 or 4 bits a pixel into a
// byte in its own interleaved order; colours are the eight of the video ULA.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

inline constexpr int32_t kQoBBCLines = 256;

// The value of pixel p (0 = leftmost) of a byte packed `bits` to a pixel; four-bit
// values are masked with mask (7 in the eight-colour modes, 15 for NuLA).
uint32_t QoBBCPixel(uint8_t byte, int bits, int p, uint32_t mask = 15);
// The 0x00RRGGBB of BBC colour 0..7: black, red, green, yellow, blue, magenta, cyan, white.
uint32_t QoBBCColor(int number);

// Every pixel value of a screen of `columns` byte-wide cells packed `bits` to a pixel,
// starting at offset `at`; width = columns * 8 / bits.
std::vector<uint32_t> QoBBCScreenValues(TQoByteView data, std::size_t at, int columns, int bits,
                                        uint32_t mask);

// The NuLA header of a 16-colour mode 2 picture.
struct TQoBBCNulaHeader {
  static constexpr std::size_t kSize = 64;
  static constexpr int32_t kWidth = 160;
  // Checks the header and the size of the whole file.
  static bool Check(TQoByteView data);
  // The 16 palette entries: index and red, then green and blue, 4 bits each.
  static void ReadPalette(TQoByteView data, TQoPalette256& palette);
};

// LdPic packing: a bit-reversed 12-byte header, then runs of values stored down the
// screen in columns `Step` bytes apart.
struct TQoBBCLdPicHeader {
  static constexpr std::size_t kSize = 12;
  int ValueBits = 0;
  int Mode = 0;
  uint8_t Colors[16] = {};  // BBC colour numbers in the header's order
  int Step = 0;
  int RunBits = 0;

  bool Read(TQoByteView data);
  std::size_t ScreenSize() const { return Mode <= 2 ? 20480 : 10240; }
};

// How an LdPic stream ended.
struct TQoBBCLdPicEnd {
  bool Finished = false;  // the last column was filled and its run used up exactly
  bool RanOut = false;    // the data ended first
  bool ZeroRun = false;
  std::size_t Position = 0;
  std::size_t BytesRead = 0;  // a partly read byte counts as read
};
// Unpacks into screen (ScreenSize bytes, zero-filled by the caller) or, with screen nil,
// only follows the stream; never raises and never writes outside the screen.
TQoBBCLdPicEnd QoUnpackLdPic(TQoByteView data, const TQoBBCLdPicHeader& header, uint8_t* screen);
