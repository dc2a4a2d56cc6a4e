#pragma once
// RISC OS sprite files: a sprite area without its leading size word, then sprites one
// after the other, each a header, an optional palette, the image rows and an optional
// mask. Old sprites name a screen mode; newer ones carry a sprite type word with the
// depth and the resolution in dots per inch.

#include <cstddef>
#include <cstdint>
#include <string>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// How a sprite's pixels are stored.
enum TQoAcornPixelKind : uint8_t {
  kQoAcornNone = 0,
  kQoAcorn1Bit,
  kQoAcorn2Bit,
  kQoAcorn4Bit,
  kQoAcorn8Bit,
  kQoAcorn4444,          // 16 bits 4:4:4:4, red in the low bits
  kQoAcorn4444Reversed,  // blue in the low bits
  kQoAcorn555,
  kQoAcorn555Reversed,
  kQoAcorn565,
  kQoAcorn565Reversed,
  kQoAcorn888,  // 32 bits: red, green, blue, unused
  kQoAcorn888Reversed,
};

// One sprite, read from the file at Offset (the sprite's first byte).
struct TQoAcornSprite {
  static constexpr std::size_t kHeaderSize = 44;

  std::size_t Offset = 0;
  uint32_t Next = 0;         // offset to the next sprite
  std::string Name;          // trimmed
  uint32_t WidthWords = 0;   // minus 1
  uint32_t HeightLines = 0;  // minus 1
  uint32_t FirstBit = 0;
  uint32_t LastBit = 0;
  uint32_t ImageAt = 0;
  uint32_t MaskAt = 0;
  uint32_t Mode = 0;  // screen mode (0..53) or sprite type word

  TQoAcornPixelKind Kind = kQoAcornNone;
  int Bits = 0;             // bits per stored pixel
  uint8_t AspectIndex = 0;  // the default pixel aspect
  bool OldMode = false;     // a screen mode, not a type word
  bool AlphaMask = false;

  // Reads and checks the header at offset: a usable mode or type, bits inside a word,
  // image and mask behind the header and inside the file. False when anything fails.
  bool Read(TQoByteView file, std::size_t offset);

  std::size_t RowBytes() const { return (static_cast<std::size_t>(WidthWords) + 1) * 4; }
  int32_t Width() const;  // pixels, the left-hand wastage taken off
  int32_t Height() const { return static_cast<int32_t>(HeightLines) + 1; }
  bool HasMask() const { return MaskAt != ImageAt; }
  // The number of palette entries stored between the header and the image (and mask).
  std::size_t StoredPaletteEntries() const;
  // Depth of the picture the kind gives: 1, 2, 4, 8, 12, 15, 16 or 24.
  int Depth() const;
};

// The sprite palette: the stored entries when there are enough for the depth, else the
// desktop defaults.
void QoAcornSpritePalette(TQoByteView file, const TQoAcornSprite& sprite, TQoPalette256& palette);
// The colour (0x00RRGGBB) of a true-colour pixel of the kind.
uint32_t QoAcornTrueColor(TQoAcornPixelKind kind, uint32_t value);
// The stored value of pixel x of row y (image or mask row at `at`).
uint32_t QoAcornPixel(TQoByteView file, const TQoAcornSprite& sprite, std::size_t at, int32_t x,
                      int32_t y, int bits);
