#pragma once
// Pictures of the DVK's KCGD colour board: a header of width and height, rows of 4-bit
// pixels stored bottom row first, and the 16 colours of the picture as numbers into the
// board's 64-colour cube (two bits each of red, green and blue).

#include <cstddef>
#include <cstdint>

#include "engine/QoByteView.h"

struct TQoDVKHeader {
  static constexpr int kMaxWidth = 400;
  static constexpr int kMaxHeight = 240;
  static constexpr std::size_t kPixelsAt = 4;
  static constexpr std::size_t kColorCount = 16;

  int Width = 0;
  int Height = 0;
  std::size_t RowBytes = 0;  // whole words of four pixels
  TQoByteView Pixels;
  TQoByteView Colors;  // 16 cube numbers, each below 64

  // False unless the file is exactly the header, the rows and the colours, with
  // sizes in range and every colour a cube number.
  bool Read(TQoByteView file);
};
