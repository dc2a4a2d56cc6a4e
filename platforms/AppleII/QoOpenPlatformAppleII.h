#pragma once
// The engines of the Apple II module: memory dumps of the low-resolution, double
// low-resolution, high-resolution and double high-resolution screens; the IIgs super
// hi-res pictures and MacPaint pictures.

#include <functional>
#include <memory>
#include <vector>

#include "engine/QoLoadSource.h"
#include "platforms/AppleII/QoPlatformAppleII.h"

// The base of the colour engines: the ten published palettes, "Wikipedia NTSC" selected.
class TQoAppleIIColorEngine : public TQoSourceEngine {
 public:
  TQoAppleIIColorEngine(TQoLoadSource& source, const char* className);

 protected:
  // Palette := the 16 colours of the selected type.
  void BuildAppleIIPalette();
};

class TQoAppleIILREngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIILREngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIILREngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> screen_;  // the screen memory, missing bytes 0
};

class TQoAppleIIDLREngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIDLREngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIDLREngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> screen_;  // the screen memory, missing bytes 0
};

class TQoAppleIIHRBWEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIHRBWEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIHRBWEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> screen_;  // the screen memory, missing bytes 0
};

class TQoAppleIIHRColorEngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIHRColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIHRColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> screen_;  // the screen memory, missing bytes 0
};

class TQoAppleIIeDHRColorEngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIeDHRColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIeDHRColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> screen_;  // the screen memory, missing bytes 0
};

class TQoAppleIIeDHRBWEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIeDHRBWEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIeDHRBWEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> screen_;  // the screen memory, missing bytes 0
};

// The base of the IIgs engines: 320 x 200 in 16 colours a row, pixels 5:6.
class TQoAppleIIGSEngine : public TQoSourceEngine {
 public:
  TQoAppleIIGSEngine(TQoLoadSource& source, const char* className);

 protected:
  // Pixel values (palette entries 0..15) of a picture, and how many pixels of each row
  // the data reached; the rest of a row stays 0.
  struct TLines {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Values;
    std::vector<int32_t> Counts;
    TLines(int32_t width, int32_t height);
    uint8_t* Row(int y) { return Values.data() + static_cast<std::size_t>(y) * Width; }
  };
  // The 16 colours of row y (0xRRGGBB); false when the row has no palette.
  using TRowPalette = std::function<bool(int y, uint32_t* colors)>;

  // Rows of 320-mode bytes (two pixels a byte, high nibble first) of which `available`
  // bytes were read.
  static void Fill320(TLines& lines, const uint8_t* pixels, std::size_t available);
  // One palette per row: the colours of all rows collected, sorted by luminance unless
  // told otherwise, and each pixel shown in its row's colour; more than 256 colours give
  // a true-colour picture.
  std::unique_ptr<TQoBitmap> DecodeMultiPalette(const TLines& lines, const TRowPalette& rowPalette,
                                                bool sort = true);
};

// Screen dump: pixels, scan-line control bytes and 16 palettes, stored or packed. Rows
// whose control byte has bit 7 set are in 640 mode; a screen with any such row is shown
// 640 pixels wide, its 320-mode rows with every pixel doubled.
class TQoAppleIIGS3200Engine : public TQoAppleIIGSEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIGS3200Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIGS3200Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> unpacked_;  // a packed dump's screen memory
  std::size_t available_ = 0;      // bytes of screen memory the file gave
  TQoByteView Screen() const;
};

// 3200 colours, packed: a palette per row, then the packed pixels.
class TQoAppleIIGS3201Engine : public TQoAppleIIGSEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIGS3201Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIGS3201Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// 3200 colours, stored: the pixels, then a palette per row.
class TQoAppleIIGSSh3Engine : public TQoAppleIIGSEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIGSSh3Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIGSSh3Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Paintworks: one palette and 396 packed rows.
class TQoAppleIIGSPntEngine : public TQoAppleIIGSEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIGSPntEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIGSPntEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Apple Preferred Format: MAIN block, optional per-line palettes.
class TQoAppleIIGSAPFEngine : public TQoAppleIIGSEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIGSAPFEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIGSAPFEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoAppleIIGSAPFInfo Info;
};

// MacPaint, with or without a MacBinary header.
class TQoAppleIIMacEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIMacEngine";
  static constexpr std::string_view ClassExtension = ".mac";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIMacEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoMacPaintLayout layout_;
};

void RegisterAppleIIEngines(TQoEngineRegistry& registry);
