#pragma once
// PlayStation TIM textures: a flag word with the pixel mode, an optional block of colour
// tables (16 or 256 colours of 15 bits each, one table a row), then the image block,
// whose width counts 16-bit units of video memory.

#include <cstddef>
#include <cstdint>

#include "engine/QoByteView.h"

struct TQoTimBlock {
  static constexpr std::size_t kHeadSize = 12;
  std::size_t At = 0;  // the block's first byte
  uint32_t Length = 0;
  uint16_t W = 0;
  uint16_t H = 0;
  std::size_t DataAt() const { return At + kHeadSize; }
};

struct TQoTimHeader {
  uint32_t Mode = 0;  // 2 15-bit, 3 24-bit, 8 4-bit with colours, 9 8-bit with colours
  bool HasClut = false;
  TQoTimBlock Clut;
  TQoTimBlock Image;

  // Reads and checks the blocks against the file.
  bool Read(TQoByteView data);
  int32_t Width() const;
  int32_t Depth() const;
};

// The 0x00RRGGBB of a 15-bit colour word: red in bits 0-4, green 5-9, blue 10-14.
uint32_t QoTimColor(uint16_t word);
