#pragma once
// Indexed bitmaps. The pixel buffer has exactly the layout of a bottom-up,
// 4-byte-aligned device-independent bitmap, so the Windows side can draw it and put it
// on the clipboard with a BITMAPINFO header and no conversion:
// - row y (0 = top) starts at Bits + (Height - 1 - y) * Stride;
// - 1-bit: pixel x is bit 7 - (x mod 8) of byte x div 8;
// - 4-bit: pixel x is in byte x div 2, high nibble for even x;
// - 8-bit: one byte per pixel; 24-bit: blue, green, red.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/QoOwningList.h"
#include "color/QoColor.h"

class TQoBitmap;

// The pixel words of a TQoBitmap32: a fixed-size array that is either cleared or left as it
// comes from memory, for a producer that writes every word itself.
class TQoPixelWords {
 public:
  using value_type = uint32_t;
  using iterator = uint32_t*;
  using const_iterator = const uint32_t*;

  TQoPixelWords() = default;
  TQoPixelWords(std::size_t count, bool cleared)
      : words_(cleared ? new uint32_t[count]() : new uint32_t[count]), size_(count) {}
  TQoPixelWords(const TQoPixelWords& other) : TQoPixelWords(other.size_, false) {
    std::copy(other.begin(), other.end(), begin());
  }
  TQoPixelWords& operator=(const TQoPixelWords& other) {
    if (this != &other) *this = TQoPixelWords(other);
    return *this;
  }
  TQoPixelWords(TQoPixelWords&&) noexcept = default;
  TQoPixelWords& operator=(TQoPixelWords&&) noexcept = default;

  uint32_t* data() { return words_.get(); }
  const uint32_t* data() const { return words_.get(); }
  std::size_t size() const { return size_; }
  uint32_t* begin() { return words_.get(); }
  uint32_t* end() { return words_.get() + size_; }
  const uint32_t* begin() const { return words_.get(); }
  const uint32_t* end() const { return words_.get() + size_; }
  uint32_t& operator[](std::size_t i) { return words_[i]; }
  uint32_t operator[](std::size_t i) const { return words_[i]; }
  bool operator==(const TQoPixelWords& other) const {
    return size_ == other.size_ && std::equal(begin(), end(), other.begin());
  }

 private:
  std::unique_ptr<uint32_t[]> words_;
  std::size_t size_ = 0;
};

// Tag for a TQoBitmap32 whose producer writes every pixel itself.
struct TQoForOverwrite {};

// A 32-bit picture, top-down, one 0xAARRGGBB word per pixel. This is what the viewer
// and the thumbnail code scale and show.
class TQoBitmap32 {
 public:
  TQoBitmap32(int32_t width, int32_t height);  // zero-filled; raises when too large
  // Pixels left undefined, for a producer that writes each of them; raises when too large.
  TQoBitmap32(int32_t width, int32_t height, TQoForOverwrite);

  int32_t Width = 0;
  int32_t Height = 0;
  TQoPixelWords Pixels;

  uint32_t* ScanLine(int32_t y) { return Pixels.data() + static_cast<std::size_t>(y) * Width; }
  const uint32_t* ScanLine(int32_t y) const {
    return Pixels.data() + static_cast<std::size_t>(y) * Width;
  }
  uint32_t& At(int32_t x, int32_t y) { return ScanLine(y)[x]; }
  uint32_t At(int32_t x, int32_t y) const { return ScanLine(y)[x]; }
};

class TQoBitmapList : public TQoOwningList<TQoBitmap> {
 public:
  TQoBitmap* GetBitmap(int index) const { return Get(index); }
};

class TQoBitmap32List : public TQoOwningList<TQoBitmap32> {
 public:
  TQoBitmap32* GetBitmap(int index) const { return Get(index); }
};

// Abstract pixel data: size and pixel access.
class TQoData {
 public:
  virtual ~TQoData() = default;

  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;

  // Coordinates outside Width x Height read 0 and write nothing: an engine's slip
  // never reaches memory outside the buffer.
  virtual uint32_t GetPixel(int32_t x, int32_t y) const = 0;
  virtual void SetPixel(int32_t x, int32_t y, uint32_t value) = 0;
};

// The pixel buffer and the bitmap's own copy of its palette.
class TQoBitmapData : public TQoData {
 public:
  uint8_t* Bits = nullptr;
  std::unique_ptr<TQoPalette256> Palette;  // nil for 24-bit

 protected:
  void Allocate(int32_t width, int32_t height, int32_t bitsPerPixel);
  bool Inside(int32_t x, int32_t y) const {
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(Width) &&
           static_cast<uint32_t>(y) < static_cast<uint32_t>(Height);
  }

 private:
  std::vector<uint8_t> buffer_;
};

class TQoBitmap : public TQoBitmapData {
 public:
  int32_t BitsPerPixel = 0;
  std::unique_ptr<TQoBitmapList> Frames;  // created on the first AddFrame

  // A new bitmap of the same kind, w x h, with a copy of this bitmap's palette.
  virtual std::unique_ptr<TQoBitmap> CreateEmpty(int32_t w, int32_t h) const = 0;
  virtual std::unique_ptr<TQoBitmap32> ToBitmap32() const;
  virtual TQoStdRGBColor GetStdRGBPixel(int32_t x, int32_t y) const;

  uint8_t* GetScanLine(int32_t y);
  const uint8_t* GetScanLine(int32_t y) const;
  // Stores count pixel values (indices, or 0x00RRGGBB at 24 bits) from x = 0 of row y;
  // values beyond the width are dropped, a row outside the bitmap is ignored.
  void SetRow(int32_t y, const uint32_t* values, int32_t count);
  // The same from column x0 on: count values for x0, x0 + 1, ...; those that fall
  // outside the bitmap are dropped.
  void SetRun(int32_t x0, int32_t y, const uint32_t* values, int32_t count);
  // The Width pixel values of row y, read straight from the row; zeros for a row
  // outside the bitmap.
  void GetRow(int32_t y, uint32_t* values) const;

  // A frame of the same size whose kind follows the palette: up to 2 colours 1-bit,
  // up to 16 4-bit, up to 256 8-bit, none or more 24-bit. Frames owns it.
  TQoBitmap* AddFrame(const TQoPalette* palette);
  int FrameCount() const { return Frames ? Frames->Count() : 0; }

 protected:
  TQoBitmap() = default;
  void InitIndexed(int32_t w, int32_t h, int32_t bitsPerPixel, const TQoPalette* palette);
};

class TQoBitmap1 : public TQoBitmap {
 public:
  TQoBitmap1(int32_t w, int32_t h, const TQoPalette* palette);
  uint32_t GetPixel(int32_t x, int32_t y) const override;
  void SetPixel(int32_t x, int32_t y, uint32_t value) override;
  std::unique_ptr<TQoBitmap> CreateEmpty(int32_t w, int32_t h) const override;
  TQoStdRGBColor GetStdRGBPixel(int32_t x, int32_t y) const override;
};

class TQoBitmap4 : public TQoBitmap {
 public:
  TQoBitmap4(int32_t w, int32_t h, const TQoPalette* palette);
  uint32_t GetPixel(int32_t x, int32_t y) const override;
  void SetPixel(int32_t x, int32_t y, uint32_t value) override;
  std::unique_ptr<TQoBitmap> CreateEmpty(int32_t w, int32_t h) const override;
};

class TQoBitmap8 : public TQoBitmap {
 public:
  TQoBitmap8(int32_t w, int32_t h, const TQoPalette* palette);
  uint32_t GetPixel(int32_t x, int32_t y) const override;
  void SetPixel(int32_t x, int32_t y, uint32_t value) override;
  std::unique_ptr<TQoBitmap> CreateEmpty(int32_t w, int32_t h) const override;
};

class TQoBitmap24 : public TQoBitmap {
 public:
  TQoBitmap24(int32_t w, int32_t h);
  uint32_t GetPixel(int32_t x, int32_t y) const override;  // 0x00RRGGBB
  void SetPixel(int32_t x, int32_t y, uint32_t value) override;
  std::unique_ptr<TQoBitmap> CreateEmpty(int32_t w, int32_t h) const override;
  std::unique_ptr<TQoBitmap32> ToBitmap32() const override;
  TQoStdRGBColor GetStdRGBPixel(int32_t x, int32_t y) const override;
};

// The indexed kind that holds a palette of this many colours: 1-bit up to 2, 4-bit up
// to 16, 8-bit up to 256; 24-bit for no palette or more colours.
std::unique_ptr<TQoBitmap> QoCreateBitmapFor(int32_t w, int32_t h, const TQoPalette* palette);
