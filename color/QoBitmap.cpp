#include "color/QoBitmap.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// Bytes per row of a DIB: rows padded to whole 32-bit words.
int32_t DibStride(int32_t width, int32_t bitsPerPixel) {
  const int64_t bits = static_cast<int64_t>(width) * (bitsPerPixel == 15 ? 16 : bitsPerPixel);
  return static_cast<int32_t>(((bits + 31) & ~int64_t{31}) / 8);
}

// The words of a width x height picture; raises when it is too large to hold.
std::size_t PixelCount(int32_t width, int32_t height) {
  if (width < 0 || height < 0 ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 > qo::kMaxAllocation) {
    throw EOutOfResources();
  }
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

}  // namespace

TQoBitmap32::TQoBitmap32(int32_t width, int32_t height)
    : Width(width), Height(height), Pixels(PixelCount(width, height), true) {}

TQoBitmap32::TQoBitmap32(int32_t width, int32_t height, TQoForOverwrite)
    : Width(width), Height(height), Pixels(PixelCount(width, height), false) {}

void TQoBitmapData::Allocate(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (width < 0 || height < 0) throw EOutOfResources();
  const int32_t stride = DibStride(width, bitsPerPixel);
  const uint64_t bytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (bytes > qo::kMaxAllocation) throw EOutOfResources();
  buffer_.assign(static_cast<std::size_t>(bytes), 0);
  Width = width;
  Height = height;
  Stride = stride;
  Bits = buffer_.empty() ? nullptr : buffer_.data();
}

uint8_t* TQoBitmap::GetScanLine(int32_t y) {
  return Bits + static_cast<std::ptrdiff_t>(Height - 1 - y) * Stride;
}

const uint8_t* TQoBitmap::GetScanLine(int32_t y) const {
  return Bits + static_cast<std::ptrdiff_t>(Height - 1 - y) * Stride;
}

void TQoBitmap::InitIndexed(int32_t w, int32_t h, int32_t bitsPerPixel, const TQoPalette* palette) {
  Palette = std::make_unique<TQoPalette256>();
  if (palette) Palette->AssignColors(*palette);
  BitsPerPixel = bitsPerPixel;
  Allocate(w, h, bitsPerPixel);
}

TQoBitmap* TQoBitmap::AddFrame(const TQoPalette* palette) {
  if (!Frames) Frames = std::make_unique<TQoBitmapList>();
  return Frames->Add(QoCreateBitmapFor(Width, Height, palette));
}

void TQoBitmap::SetRow(int32_t y, const uint32_t* values, int32_t count) {
  SetRun(0, y, values, count);
}

void TQoBitmap::SetRun(int32_t x0, int32_t y, const uint32_t* values, int32_t count) {
  if (y < 0 || y >= Height || count <= 0) return;
  const int32_t begin = std::max(x0, 0);
  const auto end = static_cast<int32_t>(std::min<int64_t>(int64_t{x0} + count, Width));
  if (begin >= end) return;
  values += begin - x0;
  const int32_t n = end - begin;
  uint8_t* row = GetScanLine(y);
  switch (BitsPerPixel) {
    case 8:
      for (int32_t i = 0; i < n; ++i) row[begin + i] = static_cast<uint8_t>(values[i]);
      break;
    case 4:
      for (int32_t x = begin; x < end; ++x) {
        uint8_t& cell = row[x >> 1];
        const auto nibble = static_cast<uint8_t>(values[x - begin] & 0x0F);
        cell = (x & 1) ? static_cast<uint8_t>((cell & 0xF0) | nibble)
                       : static_cast<uint8_t>((cell & 0x0F) | nibble << 4);
      }
      break;
    case 1:
      for (int32_t x = begin; x < end; ++x) {
        const auto mask = static_cast<uint8_t>(0x80u >> (x & 7));
        uint8_t& cell = row[x >> 3];
        cell = static_cast<uint8_t>((values[x - begin] & 1) ? (cell | mask) : (cell & ~mask));
      }
      break;
    case 24: {
      uint8_t* out = row + static_cast<std::ptrdiff_t>(begin) * 3;
      for (int32_t i = 0; i < n; ++i, out += 3) {
        out[0] = static_cast<uint8_t>(values[i]);
        out[1] = static_cast<uint8_t>(values[i] >> 8);
        out[2] = static_cast<uint8_t>(values[i] >> 16);
      }
      break;
    }
    default:
      for (int32_t i = 0; i < n; ++i) SetPixel(begin + i, y, values[i]);
  }
}

void TQoBitmap::GetRow(int32_t y, uint32_t* values) const {
  if (y < 0 || y >= Height) {
    std::fill(values, values + Width, 0u);
    return;
  }
  const uint8_t* row = GetScanLine(y);
  switch (BitsPerPixel) {
    case 8:
      for (int32_t x = 0; x < Width; ++x) values[x] = row[x];
      break;
    case 4:
      for (int32_t x = 0; x < Width; ++x)
        values[x] = (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
      break;
    case 1:
      for (int32_t x = 0; x < Width; ++x) values[x] = (row[x >> 3] >> (7 - (x & 7))) & 1u;
      break;
    case 24:
      for (int32_t x = 0; x < Width; ++x, row += 3) {
        values[x] =
            static_cast<uint32_t>(row[2]) << 16 | static_cast<uint32_t>(row[1]) << 8 | row[0];
      }
      break;
    default:
      for (int32_t x = 0; x < Width; ++x) values[x] = GetPixel(x, y);
  }
}

std::unique_ptr<TQoBitmap32> TQoBitmap::ToBitmap32() const {
  auto result = std::make_unique<TQoBitmap32>(Width, Height, TQoForOverwrite{});
  // One lookup per pixel: the palette's colours, opaque; indices beyond it are black.
  std::array<uint32_t, 256> colors;
  colors.fill(0xFF000000u);
  const int count = Palette ? std::min(Palette->GetCount(), 256) : 0;
  for (int i = 0; i < count; ++i) {
    colors[static_cast<std::size_t>(i)] = Palette->GetRGBQuad(i) | 0xFF000000u;
  }
  // At 4 bits a byte holds two pixels: one lookup gives both.
  std::vector<std::array<uint32_t, 2>> pairs;
  if (BitsPerPixel == 4) {
    pairs.resize(256);
    for (std::size_t b = 0; b < 256; ++b) pairs[b] = {colors[b >> 4], colors[b & 0x0F]};
  }
  for (int32_t y = 0; y < Height; ++y) {
    uint32_t* row = result->ScanLine(y);
    const uint8_t* in = GetScanLine(y);
    // Straight from the rows for the indexed layouts; anything else pixel by pixel.
    switch (BitsPerPixel) {
      case 8:
        for (int32_t x = 0; x < Width; ++x) row[x] = colors[in[x]];
        break;
      case 4: {
        int32_t x = 0;
        for (; x + 1 < Width; x += 2) std::memcpy(row + x, pairs[in[x >> 1]].data(), 8);
        if (x < Width) row[x] = colors[in[x >> 1] >> 4];
        break;
      }
      case 1: {
        const uint32_t off = colors[0], on = colors[1];
        for (int32_t x = 0; x < Width; ++x) row[x] = (in[x >> 3] & (0x80 >> (x & 7))) ? on : off;
        break;
      }
      default:
        for (int32_t x = 0; x < Width; ++x) row[x] = colors[GetPixel(x, y) & 0xFF];
    }
  }
  return result;
}

TQoStdRGBColor TQoBitmap::GetStdRGBPixel(int32_t x, int32_t y) const {
  const uint32_t index = GetPixel(x, y);
  if (!Palette || index >= static_cast<uint32_t>(Palette->GetCount())) return TQoStdRGBColor{};
  return Palette->GetStdRGB(static_cast<int>(index));
}

// 1 bit per pixel, leftmost pixel in the most significant bit.

TQoBitmap1::TQoBitmap1(int32_t w, int32_t h, const TQoPalette* palette) {
  InitIndexed(w, h, 1, palette);
}

uint32_t TQoBitmap1::GetPixel(int32_t x, int32_t y) const {
  if (!Inside(x, y)) return 0;
  return (GetScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1u;
}

void TQoBitmap1::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (!Inside(x, y)) return;
  uint8_t& cell = GetScanLine(y)[x >> 3];
  const auto mask = static_cast<uint8_t>(0x80u >> (x & 7));
  cell = static_cast<uint8_t>(value ? (cell | mask) : (cell & ~mask));
}

std::unique_ptr<TQoBitmap> TQoBitmap1::CreateEmpty(int32_t w, int32_t h) const {
  return std::make_unique<TQoBitmap1>(w, h, Palette.get());
}

// A monochrome bitmap answers black or white whatever its palette says.
TQoStdRGBColor TQoBitmap1::GetStdRGBPixel(int32_t x, int32_t y) const {
  return GetPixel(x, y) ? TQoStdRGBColor{255, 255, 255} : TQoStdRGBColor{0, 0, 0};
}

// 4 bits per pixel, even pixels in the high nibble.

TQoBitmap4::TQoBitmap4(int32_t w, int32_t h, const TQoPalette* palette) {
  InitIndexed(w, h, 4, palette);
}

uint32_t TQoBitmap4::GetPixel(int32_t x, int32_t y) const {
  if (!Inside(x, y)) return 0;
  const uint8_t cell = GetScanLine(y)[x >> 1];
  return (x & 1) ? (cell & 0x0Fu) : (cell >> 4);
}

void TQoBitmap4::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (!Inside(x, y)) return;
  uint8_t& cell = GetScanLine(y)[x >> 1];
  const auto nibble = static_cast<uint8_t>(value & 0x0Fu);
  cell = (x & 1) ? static_cast<uint8_t>((cell & 0xF0) | nibble)
                 : static_cast<uint8_t>((cell & 0x0F) | (nibble << 4));
}

std::unique_ptr<TQoBitmap> TQoBitmap4::CreateEmpty(int32_t w, int32_t h) const {
  return std::make_unique<TQoBitmap4>(w, h, Palette.get());
}

// 8 bits per pixel.

TQoBitmap8::TQoBitmap8(int32_t w, int32_t h, const TQoPalette* palette) {
  InitIndexed(w, h, 8, palette);
}

uint32_t TQoBitmap8::GetPixel(int32_t x, int32_t y) const {
  if (!Inside(x, y)) return 0;
  return GetScanLine(y)[x];
}

void TQoBitmap8::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (!Inside(x, y)) return;
  GetScanLine(y)[x] = static_cast<uint8_t>(value);
}

std::unique_ptr<TQoBitmap> TQoBitmap8::CreateEmpty(int32_t w, int32_t h) const {
  return std::make_unique<TQoBitmap8>(w, h, Palette.get());
}

// 24 bits per pixel, stored blue, green, red.

TQoBitmap24::TQoBitmap24(int32_t w, int32_t h) {
  BitsPerPixel = 24;
  Allocate(w, h, 24);
}

uint32_t TQoBitmap24::GetPixel(int32_t x, int32_t y) const {
  if (!Inside(x, y)) return 0;
  const uint8_t* p = GetScanLine(y) + static_cast<std::ptrdiff_t>(x) * 3;
  return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
}

void TQoBitmap24::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (!Inside(x, y)) return;
  uint8_t* p = GetScanLine(y) + static_cast<std::ptrdiff_t>(x) * 3;
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
}

std::unique_ptr<TQoBitmap> TQoBitmap24::CreateEmpty(int32_t w, int32_t h) const {
  return std::make_unique<TQoBitmap24>(w, h);
}

std::unique_ptr<TQoBitmap32> TQoBitmap24::ToBitmap32() const {
  auto result = std::make_unique<TQoBitmap32>(Width, Height, TQoForOverwrite{});
  for (int32_t y = 0; y < Height; ++y) {
    uint32_t* row = result->ScanLine(y);
    GetRow(y, row);
    for (int32_t x = 0; x < Width; ++x) row[x] |= 0xFF000000u;
  }
  return result;
}

TQoStdRGBColor TQoBitmap24::GetStdRGBPixel(int32_t x, int32_t y) const {
  const uint32_t rgb = GetPixel(x, y);
  return TQoStdRGBColor{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                        static_cast<uint8_t>(rgb)};
}

std::unique_ptr<TQoBitmap> QoCreateBitmapFor(int32_t w, int32_t h, const TQoPalette* palette) {
  const int count = palette ? palette->GetCount() : 0;
  if (!palette || count > 256) return std::make_unique<TQoBitmap24>(w, h);
  if (count <= 2) return std::make_unique<TQoBitmap1>(w, h, palette);
  if (count <= 16) return std::make_unique<TQoBitmap4>(w, h, palette);
  return std::make_unique<TQoBitmap8>(w, h, palette);
}
