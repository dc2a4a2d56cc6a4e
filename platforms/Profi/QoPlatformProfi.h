#pragma once
// The Profi's picture files: a header of 128 bytes or more, then rows of a monochrome
// bitmap, or of (pixel byte, extended attribute) pairs, optionally with a palette of 16
// colour bytes GGGRRRBB in the header.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

struct TQoProfiHeader {
  static constexpr std::size_t kMinSize = 128;
  int Width = 0;
  int Height = 0;
  bool Colour = false;  // kind 4; kind 8 is monochrome
  std::size_t RowBytes = 0;
  std::size_t DataAt = 0;    // the header size
  TQoByteView PaletteBytes;  // empty without a stored palette

  // False unless the fields are valid and the file holds every row.
  bool Read(TQoByteView file);
};

// A stored colour byte: green bits 7-5 and red bits 4-2 on the 3-bit levels, blue bits
// 1-0 on 0, 85, 170, 255.
TQoStdRGBColor QoProfiColor(uint8_t value);
