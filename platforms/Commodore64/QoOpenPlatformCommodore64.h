#pragma once
// The engines of the Commodore 64 module whose pictures are one screen: PETSCII text
// screens, monochrome bitmaps, hires and multicolour bitmaps as the paint programs saved
// them, their packed variants, and a few odd layouts. Almost all are memory dumps of the
// VIC-II's data (bitmap, screen RAM, colour RAM, background colour), told apart by size
// and load address.

#include <memory>
#include <string_view>
#include <vector>

#include "engine/QoLoadSource.h"
#include "platforms/Commodore64/QoPlatformCommodore64.h"

// Platform name, palette types, the palette and the cell drawing every C64 engine uses.
class TQoCommodore64CommonEngine : public TQoSourceEngine {
 public:
  TQoCommodore64CommonEngine(TQoLoadSource& source, const char* className);

  void SetHiresAspect();
  void SetMulticolourAspect();
  // The 16 colours of the selected palette type; another type raises "Internal error".
  void LoadCommodore64Palette();

 protected:
  // A constructor given data its Detect declines raises; an empty source only asks the
  // class to describe itself, which answers false without raising.
  bool Accepted(uint8_t detectResult) const;
  // The row of rows that takes the source, with the engine named after it; nullptr (the
  // engine named after the first row) for an empty source.
  const TQoC64Layout* TakeLayout(const TQoC64Layout* rows, std::size_t count);
  template <std::size_t N>
  const TQoC64Layout* TakeLayout(const std::array<TQoC64Layout, N>& rows) {
    return TakeLayout(rows.data(), N);
  }

  // rows x columns cells of 8 bytes in cell order. Mono: 1-bits index 1, 0-bits index 0.
  static void DrawMonoCells(TQoBitmap& bmp, TQoByteView data, int rows = kQoC64Rows,
                            int columns = kQoC64Columns);
  // Hires: the cell's screen byte gives 1-bits its high nibble, 0-bits its low nibble.
  static void DrawHiresCells(TQoBitmap& bmp, TQoByteView data, TQoByteView screen,
                             int rows = kQoC64Rows, int columns = kQoC64Columns);
  // Multicolour: bit pairs 00, 01, 10, 11 take the background, the screen byte's high and
  // low nibble and the colour RAM's low nibble; 40 cells a row.
  static void DrawMulticolourCells(TQoBitmap& bmp, TQoByteView data, uint8_t background,
                                   TQoByteView screen, TQoByteView colour, int rows = kQoC64Rows);
  // The same with one colour for pair 11 over the whole picture.
  static void DrawMulticolourCells(TQoBitmap& bmp, TQoByteView data, uint8_t background,
                                   TQoByteView screen, uint8_t colour, int rows = kQoC64Rows);
  // Multicolour cells with every pixel written twice side by side, 320 wide.
  static void DrawMulticolourCellsWide(TQoBitmap& bmp, TQoByteView data, uint8_t background,
                                       TQoByteView screen, TQoByteView colour);
  // Multicolour FLI: screen k (screens + k * 1024) colours line k of every cell; table,
  // when not empty, holds the background of each line. The three leftmost cell columns
  // show the VIC-II's fetch gap: pairs 01 and 10 light grey, 11 brown.
  static void DrawFLICells(TQoBitmap& bmp, TQoByteView data, uint8_t background, TQoByteView table,
                           TQoByteView screens, TQoByteView colour);
  static void DrawFLICellsWide(TQoBitmap& bmp, TQoByteView data, uint8_t background,
                               TQoByteView table, TQoByteView screens, TQoByteView colour);
  // Hires FLI over the bitmap's height / 8 cell rows; no gap zone.
  static void DrawHiresFLICells(TQoBitmap& bmp, TQoByteView data, TQoByteView screens);

 protected:
  // Two-frame pictures. With the frame palette in Palette: turns Palette into the
  // pair-mix palette and answers the picture over it with its two (empty) frames.
  std::unique_ptr<TQoBitmap> NewTwoFramePicture(TQoBitmap*& first, TQoBitmap*& second);
  // Shifts the second frame one pixel right when wide, then composes the picture.
  void ComposeTwoFrames(TQoBitmap& bmp, TQoBitmap& second, bool wide) const;
};

// Text screens: screen codes drawn with the character ROM.
class TQoCommodore64CommonTextEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64CommonTextEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView ScreenCodes;
  uint8_t Background = 0;
  TQoByteView ColorRam;

 protected:
  void UseParts(TQoByteView data, const TQoC64Parts& parts);
};

// A pair of files: screen codes in ".scr", colours in ".col".
class TQoCommodore64ScrColEngine : public TQoCommodore64CommonTextEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64ScrColEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64ScrColEngine(TQoLoadSource& source);
};

class TQoCommodore64PetEngine : public TQoCommodore64CommonTextEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64PetEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64PetEngine(TQoLoadSource& source);
};

class TQoCommodore64PdrEngine : public TQoCommodore64CommonTextEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64PdrEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64PdrEngine(TQoLoadSource& source);
};

// Two colours, 320 x 200 unless the format says otherwise, black and white either way
// round.
class TQoCommodore64CommonHiResBWEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64CommonHiResBWEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Bitmap;
};

class TQoCommodore64HiResBWEngine : public TQoCommodore64CommonHiResBWEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64HiResBWEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64HiResBWEngine(TQoLoadSource& source);
};

// Printfox and Pagefox: run-length packed pages of any size, black on white.
class TQoCommodore64HiResBWBSEngine : public TQoCommodore64CommonHiResBWEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64HiResBWBSEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64HiResBWBSEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> unpacked_;
};

// Star Painter: a size in cells, then the cells, black on white.
class TQoCommodore64HiResBWGREngine : public TQoCommodore64CommonHiResBWEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64HiResBWGREngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64HiResBWGREngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Multicolour bitmaps, 160 x 200 with pixels twice as wide.
class TQoCommodore64CommonLoResEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64CommonLoResEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

  uint8_t Background = 0;
  TQoByteView Bitmap;
  TQoByteView Screen;
  TQoByteView ColorRam;

  void UseParts(TQoByteView data, const TQoC64Parts& parts);
};

// The unpacked Koala-like layouts.
class TQoCommodore64LoResEngine : public TQoCommodore64CommonLoResEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64LoResEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64LoResEngine(TQoLoadSource& source);
};

// Paint Magic keeps one colour for all cells instead of a colour RAM.
class TQoCommodore64LoResPmgEngine : public TQoCommodore64CommonLoResEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64LoResPmgEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64LoResPmgEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Centauri Logo-Editor: four colours for the whole picture.
class TQoCommodore64LoResCleEngine : public TQoCommodore64CommonLoResEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64LoResCleEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64LoResCleEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Logo-Painter: a multicolour character-mode logo of 50 rows with its own character set.
class TQoCommodore64LoResLp3Engine : public TQoCommodore64CommonLoResEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64LoResLp3Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64LoResLp3Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Hires bitmaps: two colours per cell from the screen RAM.
class TQoCommodore64CommonHiResEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64CommonHiResEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Bitmap;
  TQoByteView Screen;

  void UseParts(TQoByteView data, const TQoC64Parts& parts);
};

class TQoCommodore64HiResEngine : public TQoCommodore64CommonHiResEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64HiResEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64HiResEngine(TQoLoadSource& source);
};

// The packed variants of the plain layouts differ only in numbers: the stream, its
// escapes, the lengths it must yield, and where the parts lie in what it unpacks to.
enum class TQoC64Stream : uint8_t {
  EscValueCount,  // escape, value, count; count 0 ends
  EscCountValue,  // escape, count, value; count 0 ends
  ShortLong,      // two escapes: one-byte and 16-bit counts
};

struct TQoC64PackedFormat {
  const char* ClassName;
  const char* ModeName;
  const char* DefaultExtension;
  std::array<const char*, 2> OwnExtensions;
  int32_t LoadAddress;
  std::string_view Signature;  // after the load address; may be empty
  TQoC64Stream Stream;
  int32_t Escape;            // the escape byte, or -1: the byte at EscapeOffset
  std::size_t EscapeOffset;  // the long escape, for ShortLong, follows it
  std::size_t StreamStart;
  std::size_t Minimum;  // shorter streams are declined
  std::size_t Exact;    // the length of a complete picture (11 or 9); 0 for none
  bool OtherLengths;    // other lengths from Minimum on: 3 with an own extension, else 0
  std::size_t BufferSize;
  std::size_t BufferOffset;  // where the stream unpacks to
  TQoC64Parts Parts;         // in the buffer
};

template <const TQoC64PackedFormat& F, class Base>
class TQoCommodore64PackedEngine : public Base {
 public:
  static constexpr const char* ClassName = F.ClassName;
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64PackedEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> unpacked_;  // zero-filled, then the stream; empty until decoded
};

// clang-format off
inline constexpr TQoC64PackedFormat kQoC64JJFormat{
    "TQoCommodore64HiResJJEngine", "Doodle", ".jj", {".jj", nullptr}, 0x5C00, {},
    TQoC64Stream::EscValueCount, 0xFE, 0, 2, 9024, 9216, true, 9218, 2, {1026, 2, -1, -1}};
inline constexpr TQoC64PackedFormat kQoC64GgFormat{
    "TQoCommodore64LoResGgEngine", "Koala Painter compressed", ".gg", {".gg", nullptr}, 0x6000,
    {}, TQoC64Stream::EscValueCount, 0xFE, 0, 2, 10001, 10001, true, 10003, 2,
    {2, 8002, 9002, 10002}};
inline constexpr TQoC64PackedFormat kQoC64AmiFormat{
    "TQoCommodore64LoResAmiEngine", "Amica Paint", ".ami", {".ami", ".[b]"}, 0x4000, {},
    TQoC64Stream::EscCountValue, 0xC2, 0, 2, 10001, 0, true, 10001, 0, {0, 8000, 9000, 10000}};
inline constexpr TQoC64PackedFormat kQoC64BdpFormat{
    "TQoCommodore64LoResBdpEngine", "Boogie Down Paint", ".bdp", {".bdp", nullptr}, 0x5000,
    "BDP 5.00", TQoC64Stream::ShortLong, -1, 10, 12, 10001, 10001, false, 10001, 0,
    {0, 8000, 9000, 10000}};
inline constexpr TQoC64PackedFormat kQoC64DrpFormat{
    "TQoCommodore64LoResDrpEngine", "Drazpaint", ".drp", {".drp", nullptr}, 0x5800,
    "DRAZPAINT 1.4", TQoC64Stream::EscCountValue, -1, 15, 16, 10049, 10049, false, 10051, 2,
    {2050, 1026, 2, 10050}};
// clang-format on

using TQoCommodore64HiResJJEngine =
    TQoCommodore64PackedEngine<kQoC64JJFormat, TQoCommodore64CommonHiResEngine>;
using TQoCommodore64LoResGgEngine =
    TQoCommodore64PackedEngine<kQoC64GgFormat, TQoCommodore64CommonLoResEngine>;
using TQoCommodore64LoResAmiEngine =
    TQoCommodore64PackedEngine<kQoC64AmiFormat, TQoCommodore64CommonLoResEngine>;
using TQoCommodore64LoResBdpEngine =
    TQoCommodore64PackedEngine<kQoC64BdpFormat, TQoCommodore64CommonLoResEngine>;
using TQoCommodore64LoResDrpEngine =
    TQoCommodore64PackedEngine<kQoC64DrpFormat, TQoCommodore64CommonLoResEngine>;

// Loadstar: hires or multicolour pictures of up to 25 rows, packed in sections.
class TQoCommodore64LoHiResShpEngine : public TQoCommodore64CommonEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64LoHiResShpEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64LoHiResShpEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  bool filled_ = false;
  std::vector<uint8_t> unpacked_;  // bitmap at 0, screen at 8000, colour at 9000
};

// GoDot: 4-bit pictures of GoDot colour numbers, packed.
class TQoCommodore64Common4btEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64Common4btEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;
  // Unpacks the stream into the pixel buffer.
  virtual void Unpack();

 protected:
  std::size_t StreamStart = 0;
  std::vector<uint8_t> Unpacked;  // two pixels a byte, 32 bytes a cell; empty until unpacked
};

class TQoCommodore64LoHiRes4btEngine : public TQoCommodore64Common4btEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64LoHiRes4btEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64LoHiRes4btEngine(TQoLoadSource& source);
};

class TQoCommodore64LoHiResClpEngine : public TQoCommodore64Common4btEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64LoHiResClpEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64LoHiResClpEngine(TQoLoadSource& source);
};

void RegisterCommodore64Engines(TQoEngineRegistry& registry);

#include "platforms/Commodore64/QoOpenPlatformCommodore64Fli.h"  // IWYU pragma: export
