#pragma once
// The common base of every format engine. An engine is one file format, or one video
// mode of one format: it rates a loaded file (Detect), describes the picture (size,
// depth, texts, palette choices, pixel aspect, colour cycling) and decodes it into an
// indexed bitmap with its palette.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "color/QoBitmap.h"
#include "color/QoColor.h"
#include "engine/QoByteView.h"

class TQoLoadSource;
class TQoSourceEngine;

// Detect flag bits, as every engine uses them; detection turns them into a rating.
enum : uint8_t {
  kQoDetectSignature = 1,       // a signature, magic word or header check passed
  kQoDetectExtension = 2,       // the source's extension is the format's own
  kQoDetectInnerExtension = 4,  // a second, inner extension matched too (".flash.scr")
  kQoDetectSize = 8,            // acceptable on size or structure
};

// The aspect-table entry every engine starts with: square pixels.
inline constexpr uint8_t kQoAspect1to1 = 28;

// One colour-cycling range. Delay counts 1/60-second ticks; 0 is taken as 1.
struct TQoCycleRange {
  int32_t Low = 0;
  int32_t High = 0;
  uint8_t Reverse = 0;  // non-zero rotates towards the lower index
  int32_t Delay = 0;
  int32_t Counter = 0;  // kept by the cycling code; engines leave it 0
};

struct TQoCycleRanges {
  int32_t Count = 0;
  std::array<TQoCycleRange, 256> Items{};
};

using TQoPaletteVariantList = std::vector<std::string>;

// What an engine class tells of itself; see QoDescribeEngineClass.
struct TQoEngineClassInfo {
  std::string Platform;
  std::string DefaultExtension;
  std::string Description;
};

class TQoSourceEngine {
 public:
  TQoSourceEngine(TQoLoadSource& source, const char* className);
  virtual ~TQoSourceEngine();
  TQoSourceEngine(const TQoSourceEngine&) = delete;
  TQoSourceEngine& operator=(const TQoSourceEngine&) = delete;

  // Class-level rating of a file; 0 means "not this format". Every engine class hides
  // this with its own.
  static uint8_t Detect(TQoLoadSource& source);

  // A new bitmap whose palette is Palette at the time of the call, or nil. Rebuilds
  // Palette from PaletteType, PaletteVariant and CalcMode on every call.
  virtual std::unique_ptr<TQoBitmap> Decode();

  // The engine's class name, as registered ("TQoZxSpectrumColorEngine").
  std::string EngineClass;
  TQoLoadSource* Source = nullptr;
  uint8_t DetectFlags = 0;
  int32_t Rating = 0;
  std::string FileName;
  std::string DefaultExtension;
  std::string PlatformName;
  std::string ModeName;
  std::string Description;
  std::string InfoName;
  std::string InfoTitle;
  std::string InfoComment;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t ColorDepth = 0;
  int32_t FrameCount = 0;
  uint8_t HasColorCycling = 0;
  TQoCycleRanges CycleRanges;
  std::unique_ptr<TQoPalette256> Palette;
  std::unique_ptr<TQoPalette256> SourcePalette;
  std::unique_ptr<TQoPalette256> ExtraPalette;
  int32_t PaletteColumns = 0;
  uint64_t AspectMask = 0;
  uint8_t AspectIndex = 0;
  std::vector<uint8_t> PaletteTypes;
  uint8_t PaletteType = 0;
  // Shared, not copied, by wrapping engines; nil when the palette has no variants.
  std::shared_ptr<TQoPaletteVariantList> PaletteVariants;
  std::string PaletteVariant;
  uint8_t CalcModes = 0;  // bit 0 "Standard", bit 1 "Linear"
  uint8_t CalcMode = 0;   // 0 "Standard", 1 "Linear"

  // The name in the viewer's list of image types, e.g. "ZX Spectrum 256x192x4 image".
  std::string GetDisplayName() const;
  uint8_t GetPaletteType(int index) const { return PaletteTypes.at(static_cast<size_t>(index)); }
  int GetPaletteTypeCount() const { return static_cast<int>(PaletteTypes.size()); }
  const std::string& GetPaletteVariant(int index) const;
  int GetPaletteVariantCount() const {
    return PaletteVariants ? static_cast<int>(PaletteVariants->size()) : 0;
  }

  // Palettes stored in the file are offered as variants named "Variant 1", "Variant 2",
  // ... by their position; the number of the selected one, or 0 when none is selected
  // or the name is not of that form.
  static std::string VariantName(int number);
  int SelectedVariantNumber() const;

  // Appends a range (up to 256; further calls do nothing).
  void AddCycleRange(int32_t low, int32_t high, uint8_t reverse, int32_t delay);

  // The whole file this engine was created on, for bounds-checked reads.
  TQoByteView Bytes() const;

  // While set (on this thread), every engine destroyed, also one whose constructor
  // raised, leaves what it had set of its platform, extension and description in sink.
  static void CaptureDescriptions(TQoEngineClassInfo* sink);
  // While capturing: the default extension a class knows before it sees data, kept
  // unless the engine sets one of its own.
  static void NoteClassExtension(std::string_view extension);

 protected:
  // Palette set-up.
  void SetMonoPalette(bool inverted);
  void SetGrayPalette(bool reversed);
  void EnsureSourcePalette();
  void EnsureExtraPalette();
  void BuildMixedPalette();
  void SetMonoMixedPalette();
  void SetSpectrumPalette16(uint8_t level);
  static void SplitSpectrumAttribute(uint8_t attribute, int& ink, int& paper);
  uint8_t SetDefaultSpectrumPaletteTypes();
  void AddPaletteType(uint8_t type) { PaletteTypes.push_back(type); }
  static void ReadBlock(uint8_t* dest, TQoByteCursor& cursor, std::size_t n);
  static void ReadBlockReversed(uint8_t* dest, TQoByteCursor& cursor, std::size_t n);

  // Drawing: column is the byte-wide cell of the row (x = column * pixels per byte),
  // n the number of pixels to write, clipped to what one byte yields; the leftmost
  // pixel comes from the most significant bits unless the name says otherwise.
  static void PlotMono8(TQoBitmap& bmp, uint8_t value, uint32_t paper, uint32_t ink, int column,
                        int y, int n = 8);
  static void PlotMono4(TQoBitmap& bmp, uint8_t value, uint32_t paper, uint32_t ink, int column,
                        int y, int n = 4);
  static void Plot2bpp(TQoBitmap& bmp, uint8_t value, int column, int y, int n = 4);
  static void Plot2bppRun(TQoBitmap& bmp, TQoByteCursor& cursor, int column, int y, int count);
  static void Plot4bppLowFirst(TQoBitmap& bmp, uint8_t value, int column, int y, int n = 2);

  // Two screens: the combined value goes to the first bitmap, the single-screen values
  // to the frames (skipped when nil); a is from the first screen, b from the second.
  static void PlotPair1LsbFirst(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                uint8_t a, uint8_t b, int column, int y, int n = 8);
  static void PlotPair1(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, uint8_t a,
                        uint8_t b, int column, int y, int n = 8);
  static void PlotPair1Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                           TQoByteCursor& a, TQoByteCursor& b, int column, int y, int count);
  static void PlotPair2(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, uint8_t a,
                        uint8_t b, int column, int y, int n = 4);
  static void PlotPair2Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                           TQoByteCursor& a, TQoByteCursor& b, int column, int y, int count);
  static void PlotPair3(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, uint8_t a,
                        uint8_t b, int column, int y, int n = 2);
  static void PlotPair3Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                           TQoByteCursor& a, TQoByteCursor& b, int column, int y, int count);
  static void PlotPair4(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, uint8_t a,
                        uint8_t b, int column, int y, int n = 2);
  static void PlotPair4Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                           TQoByteCursor& a, TQoByteCursor& b, int column, int y, int count);
  static void PlotAttrPair(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, uint8_t a,
                           uint8_t b, uint32_t paperA, uint32_t inkA, uint32_t paperB,
                           uint32_t inkB, int column, int y, int n = 8);

  // Whole-bitmap operations over the engine's Width x Height.
  void ShiftRows(TQoBitmap& bmp, int count, uint32_t fill) const;
  void ComposeFrames(TQoBitmap& bmp) const;
  void ReduceTrueColor(std::unique_ptr<TQoBitmap>& bmp);
};

// A class reference: the name, the class-level Detect and the virtual constructor.
using TQoDetectFunction = uint8_t (*)(TQoLoadSource& source);
using TQoCreateFunction = std::unique_ptr<TQoSourceEngine> (*)(TQoLoadSource& source);

struct TQoEngineClass {
  const char* Name = "";
  TQoDetectFunction Detect = nullptr;
  TQoCreateFunction Create = nullptr;
};

// The class reference of an engine class E, which declares
//   static constexpr const char* ClassName = "TQo...Engine";
//   static uint8_t Detect(TQoLoadSource&);
//   explicit E(TQoLoadSource&);
// A class that knows its default extension before it sees data says so in
//   static constexpr std::string_view ClassExtension;
template <class E>
TQoEngineClass QoEngineClassOf() {
  return TQoEngineClass{E::ClassName, &E::Detect,
                        [](TQoLoadSource& source) -> std::unique_ptr<TQoSourceEngine> {
                          if constexpr (requires { E::ClassExtension; }) {
                            TQoSourceEngine::NoteClassExtension(E::ClassExtension);
                          }
                          return std::make_unique<E>(source);
                        }};
}

// The ordered, owning list that detection produces.
class TQoSourceEngineList : public TQoOwningList<TQoSourceEngine> {
 public:
  TQoSourceEngine* GetEngine(int index) const { return Get(index); }
  // Highest rating first; a stable bubble sort, so equal ratings keep registry order.
  void Sort();
};
