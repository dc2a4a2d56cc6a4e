#pragma once
// Pictures of the UKNC's paint program: a PCX-like file of three bit-planes, a 128-byte
// header and run-length coded lines. The screen is 640 x 288; a picture is a window of it.

#include <cstddef>
#include <cstdint>

#include "engine/QoByteView.h"

struct TQoUKNCHeader {
  static constexpr std::size_t kSize = 128;
  static constexpr int kScreenWidth = 640;
  static constexpr int kScreenHeight = 288;
  static constexpr int kPlanes = 3;

  int Width = 0;
  int Height = 0;
  std::size_t PlaneBytes = 0;  // bytes of one plane of one line
  TQoByteView Colors;          // 8 entries of green, red, blue
  TQoByteView Packed;          // the data after the header

  // False unless the file is longer than the header and every header field holds.
  bool Read(TQoByteView file);
};

// Expands the run-length data of a picture into count bytes at out: a byte below 192
// stands for itself, a byte of 192 or more repeats the next byte (its low 6 bits) times.
// Answers how many bytes were produced; a zero count or the data running out stops it.
std::size_t QoUnpackUKNCRuns(TQoByteView packed, uint8_t* out, std::size_t count);
