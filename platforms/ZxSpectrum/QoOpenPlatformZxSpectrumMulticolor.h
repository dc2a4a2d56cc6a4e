#pragma once
// The ZX Spectrum engines past one attribute per 8 x 8 cell: multicolour screens, whose
// attributes change every line or few lines, and gigascreen pictures, two screens shown
// in alternate frames so that the eye mixes their colours.

#include <cstddef>
#include <string_view>

#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"

// Multicolour screens of 256 x 192 whose pixels and attribute rows differ only in where
// they lie: the pixels in the machine's interleaved order or line after line, one
// attribute row of 32 per `LinesPerAttributeRow` pixel lines after them.
struct TQoZxMulticolorFormat {
  const char* ClassName;
  std::size_t Size;
  TQoExtensions Extensions;
  bool LinearPixels;
  int LinesPerAttributeRow;
};

class TQoZxSpectrumMulticolorEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoZxMulticolorFormat& format);
  TQoZxSpectrumMulticolorEngine(TQoLoadSource& source, const TQoZxMulticolorFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoZxMulticolorFormat& format_;
};

inline constexpr TQoZxMulticolorFormat kQoZxMltFormat{"TQoZxSpectrumMulticolorMLTEngine", 12288,
                                                      ".mlt", false, 1};
inline constexpr TQoZxMulticolorFormat kQoZxMcFormat{"TQoZxSpectrumMulticolorMCEngine", 12288,
                                                     ".mc", true, 1};
inline constexpr TQoZxMulticolorFormat kQoZxIflFormat{"TQoZxSpectrumMulticolor2Engine", 9216,
                                                      ".ifl", false, 2};

using TQoZxSpectrumMulticolorMLTEngine =
    TQoRowEngine<TQoZxSpectrumMulticolorEngine, kQoZxMltFormat>;
using TQoZxSpectrumMulticolorMCEngine = TQoRowEngine<TQoZxSpectrumMulticolorEngine, kQoZxMcFormat>;
using TQoZxSpectrumMulticolor2Engine = TQoRowEngine<TQoZxSpectrumMulticolorEngine, kQoZxIflFormat>;

// Attribute-only multicolour: every byte is one attribute giving two pixels, paper then
// ink, 32 bytes per row.
struct TQoZxAttributeFormat {
  const char* ClassName;
  std::size_t Size;
  TQoExtensions Extensions;
  uint8_t AspectIndex;
};

class TQoZxSpectrumAttributeMulticolorEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoZxAttributeFormat& format);
  TQoZxSpectrumAttributeMulticolorEngine(TQoLoadSource& source, const TQoZxAttributeFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;
};

inline constexpr TQoZxAttributeFormat kQoZxMtlFormat{"TQoZxSpectrumMulticolorMTLEngine", 6144,
                                                     ".mtl", kQoAspect4to1};
inline constexpr TQoZxAttributeFormat kQoZxAflFormat{"TQoZxSpectrumMulticolor2AFLEngine", 3072,
                                                     ".afl", kQoAspect2to1};

using TQoZxSpectrumMulticolorMTLEngine =
    TQoRowEngine<TQoZxSpectrumAttributeMulticolorEngine, kQoZxMtlFormat>;
using TQoZxSpectrumMulticolor2AFLEngine =
    TQoRowEngine<TQoZxSpectrumAttributeMulticolorEngine, kQoZxAflFormat>;

// Multicolour with border: 8 x 4 attributes from two tables, the border as in .bsc files.
class TQoZxSpectrumBmc4Engine : public TQoZxSpectrumPalettedEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumBmc4Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumBmc4Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// The base of the two-screen colour pictures: an 8-bit picture of the 256 mixes and two
// 4-bit frames, one per screen.
class TQoBaseZxSpectrumGigaEngine : public TQoZxSpectrumEngine {
 public:
  TQoBaseZxSpectrumGigaEngine(TQoLoadSource& source, const char* className);

 protected:
  // The mixes of the selected palette type and calculation, and the 16 colours of one
  // screen in SourcePalette.
  void BuildGigaPalette();
  // A picture of the engine's size after BuildGigaPalette, with its two frames.
  std::unique_ptr<TQoBitmap> NewGigaPicture(TQoBitmap*& frame1, TQoBitmap*& frame2);

  // Draws columns x lines cell bytes of both screens: pixelOf(screen, y, c) and
  // attributeOf(screen, y, c) give the bytes of screen 0 or 1 for pixel line y, column c.
  template <class PixelOf, class AttributeOf>
  void DrawGigaCells(TQoBitmap& bmp, TQoBitmap* frame1, TQoBitmap* frame2, int columns, int lines,
                     PixelOf pixelOf, AttributeOf attributeOf, int firstColumn = 0,
                     int firstLine = 0) const {
    for (int y = 0; y < lines; ++y) {
      for (int c = 0; c < columns; ++c) {
        const TQoZxCellColors a = StandardColors(attributeOf(0, y, c));
        const TQoZxCellColors b = StandardColors(attributeOf(1, y, c));
        PlotAttrPair(bmp, frame1, frame2, pixelOf(0, y, c), pixelOf(1, y, c), a.Paper, a.Ink,
                     b.Paper, b.Ink, firstColumn + c, firstLine + y);
      }
    }
  }
};

// Two standard screens, pixels and 8 x 8 attributes each, one after the other.
class TQoZxSpectrumGigaEngine : public TQoBaseZxSpectrumGigaEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumGigaEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumGigaEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// The parts of a BSP file: "bsp", a flag byte (0x80 two screens, 0x40 border data after
// the screens), a byte not read, the border colours, title and author of 32 characters;
// with both flags the offset of the second screen's border data (a little-endian word).
struct TQoZxBspLayout {
  bool TwoScreens = false;
  std::size_t Screens = 0;  // the first screen; the second follows it
  // The border data of each screen: [Start, End) of the file, empty without border data.
  std::size_t BorderStart[2] = {0, 0};
  std::size_t BorderEnd[2] = {0, 0};
  uint8_t BorderColor[2] = {0, 0};  // the plain border of each screen
  // False when the bytes are no BSP file or the parts do not fit in them.
  bool Parse(TQoByteView bytes);
};

// One screen or two framed by a border, plain or drawn line by line from run lengths,
// with a title and an author.
class TQoZxSpectrumBspEngine : public TQoBaseZxSpectrumGigaEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumBspEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumBspEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoZxBspLayout layout_;
};

// MultiArtist: two pixel screens and attribute rows every 2, 4 or 8 lines.
class TQoZxSpectrumGigaMGEngine : public TQoBaseZxSpectrumGigaEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumGigaMGEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumGigaMGEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  int attributeHeight_ = 8;
};

// MultiArtist MG1: attributes every line in the middle 16 columns, 8 x 8 at the sides.
class TQoZxSpectrumGigaMG1Engine : public TQoBaseZxSpectrumGigaEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumGigaMG1Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumGigaMG1Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// A self-showing program: one 8 x 8 pattern for every cell and two attribute screens.
class TQoZxSpectrumHlrEngine : public TQoBaseZxSpectrumGigaEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumHlrEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumHlrEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Two attribute-only screens of 64 x 48, their bytes interleaved in pairs.
class TQoZxSpectrumStlEngine : public TQoBaseZxSpectrumGigaEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumStlEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumStlEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Two monochrome screens: white, grey and black.
class TQoZxSpectrumBWGigaEngine : public TQoZxSpectrumEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumBWGigaEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumBWGigaEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};
