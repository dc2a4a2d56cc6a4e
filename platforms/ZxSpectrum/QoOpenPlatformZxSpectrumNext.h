#pragma once
// The ZX Spectrum Next's byte-per-pixel screens: layer 2 (256 x 192, 320 x 256, or
// 640 x 256 at four bits a pixel) and the 128 x 96 low-resolution mode, with a palette
// of 9-bit colours stored in the file or the machine's default RRRGGGBB palette.

#include <cstddef>
#include <cstdint>
#include <span>

#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

// The 3-bit level of a Next colour channel as a byte: round(k * 255 / 7).
uint8_t QoZxNextLevel(int k);
// A stored 9-bit colour: the low byte RRRGGGBB, bit 0 of the high byte the lowest blue bit.
TQoStdRGBColor QoZxNextColor9(uint16_t value);
// A one-byte RRRGGGBB colour, as the machine widens it: the lowest blue bit is the OR of
// the two stored ones, so blue takes the levels 0, 3, 5 and 7. Entry n of the default
// palette is the colour of byte n.
TQoStdRGBColor QoZxNextColor8(uint8_t value);

// How a layout keeps its palette: none (the default palette), one byte or two bytes an entry.
enum TQoZxNextPaletteKind : uint8_t {
  kQoNextDefaultPalette,
  kQoNextBytePalette,
  kQoNextWordPalette
};
// How the pixels follow each other: row after row; column after column (each Height bytes
// top to bottom); or pairs of columns, a byte holding the left pixel in its high nibble.
enum TQoZxNextPixelOrder : uint8_t { kQoNextRows, kQoNextColumns, kQoNextColumnPairs };

// One file size of a Next format.
struct TQoZxNextLayout {
  std::size_t Size;
  int Width, Height, ColorDepth;
  TQoZxNextPixelOrder Order;
  std::size_t PixelsAt;
  TQoZxNextPaletteKind PaletteKind;
  std::size_t PaletteAt;
  TQoExtensions Extensions;  // own extensions for this size; the first is the default
  uint8_t AspectIndex;
};

struct TQoZxNextFormat {
  const char* ClassName;
  std::span<const TQoZxNextLayout> Layouts;
  const char* Description;  // nullptr keeps " image"
};

// The base of the Next engines: picks the layout of the file's size.
class TQoZxSpectrumNextEngine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoZxNextFormat& format);
  TQoZxSpectrumNextEngine(TQoLoadSource& source, const TQoZxNextFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  // The layout of a file of this size, or nullptr.
  static const TQoZxNextLayout* LayoutOf(const TQoZxNextFormat& format, std::size_t size);

 private:
  const TQoZxNextLayout* layout_ = nullptr;
};

// clang-format off
inline constexpr TQoZxNextLayout kQoZxNextNxiLayouts[] = {
    {49664, 256, 192, 8, kQoNextRows, 512, kQoNextWordPalette, 0, ".nxi", kQoAspect1to1},
    {81952, 640, 256, 4, kQoNextColumnPairs, 0, kQoNextWordPalette, 81920, ".sl2", kQoAspect1to2},
    {82432, 320, 256, 8, kQoNextColumns, 0, kQoNextWordPalette, 81920, ".sl2", kQoAspect1to1},
    // Some tools append the palette as one byte an entry.
    {82176, 320, 256, 8, kQoNextColumns, 0, kQoNextBytePalette, 81920, ".sl2", kQoAspect1to1},
};
inline constexpr TQoZxNextLayout kQoZxNextSl2Layouts[] = {
    {49152, 256, 192, 8, kQoNextRows, 0, kQoNextDefaultPalette, 0, ".sl2 .nxi", kQoAspect1to1},
    {81920, 320, 256, 8, kQoNextColumns, 0, kQoNextDefaultPalette, 0, ".sl2", kQoAspect1to1},
};
inline constexpr TQoZxNextLayout kQoZxNextLoResLayouts[] = {
    {12288, 128, 96, 8, kQoNextRows, 0, kQoNextDefaultPalette, 0, ".slr", kQoAspect1to1},
};

inline constexpr TQoZxNextFormat kQoZxSpectrumNextNxiFormat{
    "TQoZxSpectrumNextNxiEngine", kQoZxNextNxiLayouts, nullptr};
inline constexpr TQoZxNextFormat kQoZxSpectrumNextSl2Format{
    "TQoZxSpectrumNextSl2Engine", kQoZxNextSl2Layouts, nullptr};
inline constexpr TQoZxNextFormat kQoZxSpectrumNextLoRes256Format{
    "TQoZxSpectrumNextLoRes256Engine", kQoZxNextLoResLayouts, " LoRes image"};
// clang-format on

using TQoZxSpectrumNextNxiEngine =
    TQoRowEngine<TQoZxSpectrumNextEngine, kQoZxSpectrumNextNxiFormat>;
using TQoZxSpectrumNextSl2Engine =
    TQoRowEngine<TQoZxSpectrumNextEngine, kQoZxSpectrumNextSl2Format>;
using TQoZxSpectrumNextLoRes256Engine =
    TQoRowEngine<TQoZxSpectrumNextEngine, kQoZxSpectrumNextLoRes256Format>;
