#pragma once
// The engines of the Atari ST module: the family base with its screen layouts and
// palettes, DEGAS, NEOchrome, and the other uncompressed screens.

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/AtariST/QoPlatformAtariST.h"

// Screen layout codes: the row of the table decides the decoding, the code also tells
// the resolution it was written for (0-4 low, 5-9 medium, 10 high).
enum : uint8_t {
  kSTLayoutLow = 0,
  kSTLayoutLowLinePlanar = 1,
  kSTLayoutLowPlanePlanar = 2,
  kSTLayoutLowLinePalettes = 3,
  kSTLayoutLowTwoScreens = 4,
  kSTLayoutMedium = 5,
  kSTLayoutMediumLinePlanar = 6,
  kSTLayoutMediumPlanePlanar = 7,
  kSTLayoutMediumLinePalettes = 8,
  kSTLayoutMediumTwoScreens = 9,
  kSTLayoutHigh = 10,
  kSTLayoutFalcon256 = 11,
  kSTLayoutRGB565 = 12,
};

// The three ST resolutions as the resolution words of the files give them.
enum : uint16_t { kSTLowResolution = 0, kSTMediumResolution = 1, kSTHighResolution = 2 };

// The pixel encodings of chunky true-colour pictures.
enum class TQoChunkyPixel { RGB555, RGB565, RGB24, BGR24, XRGB32 };

class TQoAtariSTBaseEngine : public TQoSourceEngine {
 public:
  TQoAtariSTBaseEngine(TQoLoadSource& source, const char* className);

  std::unique_ptr<TQoBitmap> Decode() override;
  // Fills palette with the colours of one picture line; the base keeps it unchanged.
  virtual void GetLinePalette(int line, TQoPalette256& palette);

  uint8_t Layout = 0;
  TQoByteView PaletteData;  // palette words or entries
  TQoByteView AuxData;      // engine-specific second data
  TQoByteView PixelData;    // the (first) screen
  TQoByteView SecondScreen;
  int32_t LinePadding = 0;  // extra bytes after each line of the interleaved layout

  // The decoding routines; paletteReady skips loading the palette from PaletteData.
  std::unique_ptr<TQoBitmap> DecodeInterleaved(bool paletteReady);
  std::unique_ptr<TQoBitmap> DecodeLinePlanar(bool paletteReady);
  std::unique_ptr<TQoBitmap> DecodePlanePlanar(bool paletteReady);
  std::unique_ptr<TQoBitmap> DecodeLinePalettes();
  std::unique_ptr<TQoBitmap> DecodeTwoScreens();
  std::unique_ptr<TQoBitmap> DecodeChunky(TQoChunkyPixel pixel, bool byteSwapped);
  std::unique_ptr<TQoBitmap> DecodeChunky8(bool paletteReady);

 protected:
  void SetSTLowAspect();
  void SetSTMediumAspect();
  // Width, height, depth, layout and aspect of an ST resolution; others raise.
  void SetSTResolution(uint16_t resolution);
  // Offers ptAtariST and ptAtariSTE and selects the one the words need.
  void DetectSTPalette(TQoByteView words, int n);
  // Mono pictures without palette words show white paper and black ink.
  void LoadIndexedPalette();
  // DEGAS Elite's four animation channels: a channel switched off is passed over, the
  // first one that makes no sense ends the list.
  void AddDegasCycleRanges(const TQoDegasCycleTrailer& trailer);
  // NEOchrome's and Tiny's one range: the lowest colour in the high nibble of limits, the
  // highest in the low nibble, a signed speed whose sign gives the direction.
  void AddLimitsCycleRange(uint8_t limits, int8_t speed);
  // The picture for colours collected from line palettes into Palette: 24-bit when
  // there were too many (Palette empty), else 1, 4 or 8 bits by the count.
  std::unique_ptr<TQoBitmap> NewBitmapForCollectedPalette() const;

 private:
  enum class TQoPlaneOrder { Interleaved, LinePlanar, PlanePlanar };
  std::unique_ptr<TQoBitmap> NewBitmapForDepth() const;
  std::unique_ptr<TQoBitmap> DecodePlanes(TQoPlaneOrder order, bool paletteReady);
  // The values of line y of an interleaved screen in data, with the line padding.
  void InterleavedLine(TQoByteView data, int y, std::vector<uint32_t>& values) const;
};

class TQoAtariSTDEGASEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTDEGASEngine";
  static constexpr std::string_view ClassExtension = ".pi1";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTDEGASEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariSTNEOchromeEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTNEOchromeEngine";
  static constexpr std::string_view ClassExtension = ".neo";
  static constexpr int32_t kRasterRecords = 200;
  static constexpr int32_t kRasterRecordBytes = 34;
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTNEOchromeEngine(TQoLoadSource& source);
  void GetLinePalette(int line, TQoPalette256& palette) override;

 private:
  void ReadCycleRange(const TQoAtariNeoHeader& header);
  bool UseRasterCompanion();
};

// The uncompressed screens that differ only in numbers: size, signature, where palette
// and screen are, the resolution and the names.
struct TQoAtariSTScreenFormat {
  const char* ClassName;
  int32_t FileSize;
  std::size_t SignatureOffset;
  std::string_view Signature;  // may hold zero bytes; empty for none
  std::size_t PaletteOffset;
  int PaletteWords;  // checked with IsValidSTPalette; 0 for monochrome
  std::size_t ScreenOffset;
  uint16_t Resolution;  // kSTLowResolution, ...; the size below may differ from it
  int32_t Width;
  int32_t Height;
  int32_t LinePadding;
  const char* ModeName;
  TQoExtensions Extensions;
  bool HeaderStructure;  // detect validates a header: 11/9 instead of 10/8
};

// One engine for every row of that table.
class TQoAtariSTScreenEngine : public TQoAtariSTBaseEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAtariSTScreenFormat& row);
  TQoAtariSTScreenEngine(TQoLoadSource& source, const TQoAtariSTScreenFormat& row);
};

// The Dali screens share their header: four zero bytes, palette at 4, screen at 128.
class TQoAtariSTDaliEngine : public TQoAtariSTScreenEngine {
 public:
  TQoAtariSTDaliEngine(TQoLoadSource& source, const TQoAtariSTScreenFormat& row);
};

// clang-format off
inline constexpr TQoAtariSTScreenFormat kQoGFAArtistFormat{
    "TQoAtariSTGFAArtist", 32032, 0, {}, 0, 16, 32, kSTLowResolution, 320, 200, 0,
    "GFA Artist", ".art", false};
inline constexpr TQoAtariSTScreenFormat kQoSinbadSlideshowFormat{
    "TQoAtariSTSinbadSlideshowEngine", 32768, 0, {}, 32000, 16, 0, kSTLowResolution, 320, 200, 0,
    "Sinbad Slideshow", ".ssb", false};
inline constexpr TQoAtariSTScreenFormat kQoFullscreenConstructionKitFormat{
    "TQoAtariSTFullscreenConstructionKitEngine", 63054, 0, "KD", 2, 16, 34, kSTLowResolution,
    448, 274, 6, "Fullscreen Construction Kit", ".kid", false};
inline constexpr TQoAtariSTScreenFormat kQoDaliSD0Format{
    "TQoAtariSTDaliSD0Engine", 32128, 0, std::string_view("\0\0\0\0", 4), 4, 16, 128,
    kSTLowResolution, 320, 200, 0, "Dali", ".sd0", false};
inline constexpr TQoAtariSTScreenFormat kQoDaliSD1Format{
    "TQoAtariSTDaliSD1Engine", 32128, 0, std::string_view("\0\0\0\0", 4), 4, 4, 128,
    kSTMediumResolution, 640, 200, 0, "Dali", ".sd1", false};
inline constexpr TQoAtariSTScreenFormat kQoDaliSD2Format{
    "TQoAtariSTDaliSD2Engine", 32128, 0, std::string_view("\0\0\0\0", 4), 4, 0, 128,
    kSTHighResolution, 640, 400, 0, "Dali", ".sd2", false};
inline constexpr TQoAtariSTScreenFormat kQoSyntheticArtsFormat{
    "TQoAtariSTSyntheticArtsEngine", 32038, 32000, std::string_view("JHSy\0\1", 6), 32006, 4, 0,
    kSTMediumResolution, 640, 200, 0, "Synthetic Arts", ".srt", true};
// clang-format on

using TQoAtariSTGFAArtist = TQoRowEngine<TQoAtariSTScreenEngine, kQoGFAArtistFormat>;
using TQoAtariSTSinbadSlideshowEngine =
    TQoRowEngine<TQoAtariSTScreenEngine, kQoSinbadSlideshowFormat>;
using TQoAtariSTFullscreenConstructionKitEngine =
    TQoRowEngine<TQoAtariSTScreenEngine, kQoFullscreenConstructionKitFormat>;
using TQoAtariSTDaliSD0Engine = TQoRowEngine<TQoAtariSTDaliEngine, kQoDaliSD0Format>;
using TQoAtariSTDaliSD1Engine = TQoRowEngine<TQoAtariSTDaliEngine, kQoDaliSD1Format>;
using TQoAtariSTDaliSD2Engine = TQoRowEngine<TQoAtariSTDaliEngine, kQoDaliSD2Format>;
using TQoAtariSTSyntheticArtsEngine = TQoRowEngine<TQoAtariSTScreenEngine, kQoSyntheticArtsFormat>;

class TQoAtariSTCyberPaintCellEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTCyberPaintCellEngine";
  static constexpr std::string_view ClassExtension = ".cel";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTCyberPaintCellEngine(TQoLoadSource& source);
};

class TQoAtariSTArtDirectorEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTArtDirectorEngine";
  static constexpr std::string_view ClassExtension = ".art";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTArtDirectorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariSTGraphicsProcessorEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTGraphicsProcessorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTGraphicsProcessorEngine(TQoLoadSource& source);
};

class TQoAtariSTCOLRObjectEditorEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTCOLRObjectEditorEngine";
  static constexpr std::string_view ClassExtension = ".mur";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTCOLRObjectEditorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterAtariSTEngines(TQoEngineRegistry& registry);
