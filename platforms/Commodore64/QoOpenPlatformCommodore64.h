#pragma once
// The engines of the Commodore 64 module whose pictures are one screen: PETSCII text
// screens, monochrome bitmaps, hires and multicolour bitmaps as the paint programs saved
// them, their packed variants, and a few odd layouts. Almost all are memory dumps of the
// VIC-II's data (bitmap, screen RAM, colour RAM, background colour), told apart by size
// and load address.

#include <memory>
#include <string_view>
#include <vector>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Commodore64/QoPlatformCommodore64.h"

// The layouts of the one-screen engines, told apart by size and load address.
// Two-colour pictures: the bitmap at 2.
// clang-format off
inline constexpr std::array<TQoC64Layout, 7> kQoC64HiResBWRows = {{
    {{8002}, {0x2000, -1}, ".hir .hpi", kQoC64Own, 0, "Art Studio", ".hir", {2, -1, -1, -1}},
    {{8002}, {0x2000, -1}, ".fgs", kQoC64Own, 0, "Fun Graphics Machine", ".fgs", {2, -1, -1, -1}},
    {{8002}, {0x2000, -1}, ".hbm", kQoC64Own, kQoC64Other, "", ".hir", {2, -1, -1, -1}},
    {{8002}, {0x6000, -1}, ".gih", kQoC64Own, kQoC64Other, "Gigapaint", ".gih", {2, -1, -1, -1}},
    {{8194}, {0x2000, -1}, ".mon", kQoC64Own, 0, "Mono Magic", ".mon", {2, -1, -1, -1}},
    {{8194}, {0x2000, -1}, ".gcd", kQoC64Own, 0, "Gigacad", ".gcd", {2, -1, -1, -1}},
    {{8194}, {0x2000, -1}, {}, 0, kQoC64Other, "", ".mon", {2, -1, -1, -1}},
}};

// Hires pictures: bitmap and screen RAM.
inline constexpr std::array<TQoC64Layout, 9> kQoC64HiResRows = {{
    {{9002}, {0x2000, -1}, ".art .aas .hpi .pic", kQoC64Own, kQoC64Other, "Interpaint", ".iph", {2, 8002, -1, -1}},
    {{9002}, {0x4000, -1}, ".ip64h .iph", kQoC64Own, kQoC64Other, "Interpaint", ".iph", {2, 8002, -1, -1}},
    {{9002}, {0x6000, -1}, ".hpc", kQoC64Own, kQoC64Other, "Interpaint", ".iph", {2, 8002, -1, -1}},
    {{9003, 9009}, {0x2000, -1}, ".art .aas .hpi .pic", kQoC64Own, kQoC64Other, "Art Studio", ".art", {2, 8002, -1, -1}},
    {{9003, 9009}, {0x6000, -1}, ".hpc", kQoC64Own, kQoC64Other, "HiPic Creator", ".hpc", {2, 8002, -1, -1}},
    {{9194}, {0x4000, -1}, ".ish", kQoC64Own, kQoC64Other, "Image System", ".ish", {2, 8194, -1, -1}},
    {{9217}, {0x5C00, -1}, ".het", kQoC64Own, kQoC64Other, "Hires", ".het", {1026, 2, -1, -1}},
    {{9218}, {0x1C00, 0x5C00}, ".dd .ddl", kQoC64Own, kQoC64Other, "Doodle", ".dd", {1026, 2, -1, -1}},
    {{9218}, {0x2000, -1}, ".hed", kQoC64Own, kQoC64Other, "Hi-Eddi", ".hed", {2, 8194, -1, -1}},
}};

// Multicolour pictures: bitmap, screen RAM, colour RAM and background. Koala pictures
// saved with load address 0 are taken only by their extension, as the weakest match.
inline constexpr std::array<TQoC64Layout, 20> kQoC64LoResRows = {{
    {{10003}, {0x0000, -1}, ".koa", kQoDetectExtension, 0, "Koala Painter", ".koa", {2, 8002, 9002, 10002}},
    {{10003}, {0x2000, 0x6000}, ".gig", kQoC64Own, 0, "Gigapaint", ".gig", {2, 8002, 9002, 10002}},
    {{10003}, {0x2000, 0x6000}, ".kla .koa", kQoC64Own, kQoC64Other, "Koala Painter", ".koa", {2, 8002, 9002, 10002}},
    {{10003}, {0x4000, -1}, ".ipt", kQoC64Own, kQoC64Other, "Interpaint", ".ipt", {2, 8002, 9002, 10002}},
    {{10004}, {0x4000, -1}, ".fpt", kQoC64Own, kQoC64Other, "Face Painter", ".fpt", {2, 8002, 9002, 10003}},
    {{10006}, {0x6000, -1}, ".rpm", kQoC64Own, kQoC64Other, "Run Paint", ".rpm", {2, 8002, 9002, 10002}},
    {{10007}, {0x8000, -1}, ".cwg", kQoC64Own, kQoC64Other, "Create with Garfield", ".cwg", {2, 8002, 9002, 10002}},
    {{10018}, {0x2000, -1}, ".ocp .mpi .mpic", kQoC64Own, kQoC64Other, "Advanced Art Studio", ".ocp", {2, 8002, 9018, 9003}},
    {{10022}, {0x18DC, -1}, ".mil", kQoC64Own, kQoC64Other, "Micro Illustrator", ".mil", {2022, 22, 1022, 8}},
    {{10050}, {0x1800, -1}, ".p64", kQoC64Own, kQoC64Other, "Picasso 64", ".p64", {2050, 1026, 2, 2049}},
    {{10050}, {0x5800, -1}, ".vid", kQoC64Own, kQoC64Other, "Vidcom 64", ".vid", {2050, 1026, 2, 2026}},
    {{10051}, {0x5800, -1}, ".drz", kQoC64Own, kQoC64Other, "Drazpaint", ".drz", {2050, 1026, 2, 10050}},
    {{10218}, {0x3C00, -1}, ".ism .ims", kQoC64Own, kQoC64Other, "Image System", ".ism", {1026, 9218, 2, 9217}},
    {{10219}, {0x7800, -1}, ".sar", kQoC64Own, kQoC64Other, "Saracen Paint", ".sar", {1026, 2, 9218, 1010}},
    {{10242}, {0x0000, 0xA000}, ".pi .blp", kQoC64Own, kQoC64Other, "Blazing Paddles", ".pi", {2, 8194, 9218, 8066}},
    {{10242}, {0x4000, -1}, ".a64", kQoC64Own, kQoC64Other, "Artist 64", ".a64", {2, 8194, 9218, 10241}},
    {{10242}, {0x5800, -1}, ".dol", kQoC64Own, kQoC64Other, "Dolphin Ed", ".dol", {2050, 1026, 2, 2026}},
    {{10242}, {0x5C00, -1}, ".rp", kQoC64Own, kQoC64Other, "Rainbow Painter", ".rp", {1026, 2, 9218, -1}},
    {{10277}, {0x7EEF, -1}, ".cdu", kQoC64Own, kQoC64Other, "CDU-Paint", ".cdu", {275, 8275, 9275, 10275}},
    {{20482}, {0x8000, -1}, ".che", kQoC64Own, kQoC64Other, "Cheese", ".che", {2, 16898, 18434, 20479}},
}};

inline constexpr std::array<TQoC64Layout, 1> kQoC64PetRows = {{
    {{2026}, {0x3000, -1}, ".pet", kQoC64Own, kQoC64Other, "PETSCII Editor", ".pet", {-1, 2, 1026, 1003}},
}};
// PetDraw64 files start with the word 0x3171 where the others keep their load address.
inline constexpr std::array<TQoC64Layout, 1> kQoC64PdrRows = {{
    {{2029}, {0x3171, -1}, ".pdr", kQoC64Own, kQoC64Other, "PetDraw64", ".pdr", {-1, 5, 1029, 3}},
}};
inline constexpr std::array<TQoC64Layout, 1> kQoC64PmgRows = {{
    {{9332}, {0x3F8E, -1}, ".pmg", kQoC64Own, kQoC64Other, "Paint Magic", ".pmg", {116, 8308, -1, 8116}},
}};
inline constexpr std::array<TQoC64Layout, 1> kQoC64CleRows = {{
    {{8194}, {0x6000, -1}, ".cle", kQoC64Own, kQoC64Other, "Centauri Logo-Editor", ".cle", {2, -1, -1, -1}},
}};
inline constexpr std::array<TQoC64Layout, 1> kQoC64Lp3Rows = {{
    {{4098, 4174}, {0x1800, -1}, ".lp3 .gfx", kQoC64Own, kQoC64Other, "Logo-Painter", ".lp3", {-1, -1, -1, -1}},
}};

inline constexpr TQoC64LayoutTable kQoC64PetTable{"TQoCommodore64PetEngine", kQoC64PetRows.data(), kQoC64PetRows.size(), nullptr};
inline constexpr TQoC64LayoutTable kQoC64PdrTable{"TQoCommodore64PdrEngine", kQoC64PdrRows.data(), kQoC64PdrRows.size(), nullptr};
inline constexpr TQoC64LayoutTable kQoC64HiResBWTable{"TQoCommodore64HiResBWEngine", kQoC64HiResBWRows.data(), kQoC64HiResBWRows.size(), nullptr};
inline constexpr TQoC64LayoutTable kQoC64LoResTable{"TQoCommodore64LoResEngine", kQoC64LoResRows.data(), kQoC64LoResRows.size(), nullptr};
inline constexpr TQoC64LayoutTable kQoC64PmgTable{"TQoCommodore64LoResPmgEngine", kQoC64PmgRows.data(), kQoC64PmgRows.size(), nullptr};
inline constexpr TQoC64LayoutTable kQoC64CleTable{"TQoCommodore64LoResCleEngine", kQoC64CleRows.data(), kQoC64CleRows.size(), nullptr};
inline constexpr TQoC64LayoutTable kQoC64Lp3Table{"TQoCommodore64LoResLp3Engine", kQoC64Lp3Rows.data(), kQoC64Lp3Rows.size(), nullptr};
inline constexpr TQoC64LayoutTable kQoC64HiResTable{"TQoCommodore64HiResEngine", kQoC64HiResRows.data(), kQoC64HiResRows.size(), nullptr};
// clang-format on

// Platform name, palette types, the palette and the cell drawing every C64 engine uses.
class TQoCommodore64CommonEngine : public TQoSourceEngine {
 public:
  TQoCommodore64CommonEngine(TQoLoadSource& source, const char* className);

  // The answer for a file of a layout table or of its packed format.
  static uint8_t Detect(TQoLoadSource& source, const TQoC64LayoutTable& table);

  void SetHiresAspect();
  void SetMulticolourAspect();
  // The 16 colours of the selected palette type; another type raises "Internal error".
  void LoadCommodore64Palette();

 protected:
  // A constructor given data its Detect declines raises; an empty source only asks the
  // class to describe itself, which answers false without raising.
  bool Accepted(uint8_t detectResult) const;
  // Names the engine after the table's row that takes the source (the first row for an
  // empty source) and uses that row's parts. A packed format names it after the format;
  // its parts are found in the unpacked data, on the first Decode (UnpackOnce). Bases call
  // it last in their constructors.
  void TakeTable(const TQoC64LayoutTable& table);
  void UnpackOnce();
  virtual void UseParts(TQoByteView /*data*/, const TQoC64Parts& /*parts*/) {}

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

 private:
  const TQoC64PackedFormat* packed_ = nullptr;
  std::vector<uint8_t> unpacked_;  // zero-filled, then the stream; empty until decoded
};

// Text screens: screen codes drawn with the character ROM.
class TQoCommodore64CommonTextEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64CommonTextEngine(TQoLoadSource& source, const char* className);
  TQoCommodore64CommonTextEngine(TQoLoadSource& source, const TQoC64LayoutTable& table)
      : TQoCommodore64CommonTextEngine(source, table.ClassName) {
    TakeTable(table);
  }
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView ScreenCodes;
  uint8_t Background = 0;
  TQoByteView ColorRam;

 protected:
  void UseParts(TQoByteView data, const TQoC64Parts& parts) override;
};

// A pair of files: screen codes in ".scr", colours in ".col".
class TQoCommodore64ScrColEngine : public TQoCommodore64CommonTextEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64ScrColEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64ScrColEngine(TQoLoadSource& source);
};

using TQoCommodore64PetEngine = TQoRowEngine<TQoCommodore64CommonTextEngine, kQoC64PetTable>;
using TQoCommodore64PdrEngine = TQoRowEngine<TQoCommodore64CommonTextEngine, kQoC64PdrTable>;

// Two colours, 320 x 200 unless the format says otherwise, black and white either way
// round.
class TQoCommodore64CommonHiResBWEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64CommonHiResBWEngine(TQoLoadSource& source, const char* className);
  TQoCommodore64CommonHiResBWEngine(TQoLoadSource& source, const TQoC64LayoutTable& table)
      : TQoCommodore64CommonHiResBWEngine(source, table.ClassName) {
    TakeTable(table);
  }
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Bitmap;

 protected:
  void UseParts(TQoByteView data, const TQoC64Parts& parts) override;
};

using TQoCommodore64HiResBWEngine =
    TQoRowEngine<TQoCommodore64CommonHiResBWEngine, kQoC64HiResBWTable>;

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
  TQoCommodore64CommonLoResEngine(TQoLoadSource& source, const TQoC64LayoutTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;

  uint8_t Background = 0;
  TQoByteView Bitmap;
  TQoByteView Screen;
  TQoByteView ColorRam;

  void UseParts(TQoByteView data, const TQoC64Parts& parts) override;
};

// The unpacked Koala-like layouts.
using TQoCommodore64LoResEngine = TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64LoResTable>;

// Paint Magic keeps one colour for all cells instead of a colour RAM.
class TQoCommodore64LoResPmgEngine
    : public TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64PmgTable> {
 public:
  using TQoRowEngine::TQoRowEngine;
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Centauri Logo-Editor: four colours for the whole picture.
class TQoCommodore64LoResCleEngine
    : public TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64CleTable> {
 public:
  explicit TQoCommodore64LoResCleEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Logo-Painter: a multicolour character-mode logo of 50 rows with its own character set.
class TQoCommodore64LoResLp3Engine
    : public TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64Lp3Table> {
 public:
  explicit TQoCommodore64LoResLp3Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Hires bitmaps: two colours per cell from the screen RAM.
class TQoCommodore64CommonHiResEngine : public TQoCommodore64CommonEngine {
 public:
  TQoCommodore64CommonHiResEngine(TQoLoadSource& source, const char* className);
  TQoCommodore64CommonHiResEngine(TQoLoadSource& source, const TQoC64LayoutTable& table)
      : TQoCommodore64CommonHiResEngine(source, table.ClassName) {
    TakeTable(table);
  }
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Bitmap;
  TQoByteView Screen;

  void UseParts(TQoByteView data, const TQoC64Parts& parts) override;
};

using TQoCommodore64HiResEngine = TQoRowEngine<TQoCommodore64CommonHiResEngine, kQoC64HiResTable>;

// The packed variants of the plain layouts differ only in numbers: the stream, its
// escapes, the lengths it must yield, and where the parts lie in what it unpacks to.
enum class TQoC64Stream : uint8_t {
  EscValueCount,  // escape, value, count; count 0 ends
  EscCountValue,  // escape, count, value; count 0 ends
  ShortLong,      // two escapes: one-byte and 16-bit counts
};

struct TQoC64PackedFormat {
  const char* ModeName;
  const char* DefaultExtension;
  TQoExtensions OwnExtensions;
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

// The answer of Detect for a packed format, and the zero-filled buffer with its stream
// unpacked into it.
uint8_t QoRateC64Packed(const TQoC64PackedFormat& format, const TQoLoadSource& source);
std::vector<uint8_t> QoUnpackC64Packed(const TQoC64PackedFormat& format, TQoByteView bytes);

// clang-format off
inline constexpr TQoC64PackedFormat kQoC64JJFormat{
    "Doodle", ".jj", ".jj", 0x5C00, {},
    TQoC64Stream::EscValueCount, 0xFE, 0, 2, 9024, 9216, true, 9218, 2, {1026, 2, -1, -1}};
inline constexpr TQoC64PackedFormat kQoC64GgFormat{
    "Koala Painter compressed", ".gg", ".gg", 0x6000,
    {}, TQoC64Stream::EscValueCount, 0xFE, 0, 2, 10001, 10001, true, 10003, 2,
    {2, 8002, 9002, 10002}};
inline constexpr TQoC64PackedFormat kQoC64AmiFormat{
    "Amica Paint", ".ami", ".ami .[b]", 0x4000, {},
    TQoC64Stream::EscCountValue, 0xC2, 0, 2, 10001, 0, true, 10001, 0, {0, 8000, 9000, 10000}};
inline constexpr TQoC64PackedFormat kQoC64BdpFormat{
    "Boogie Down Paint", ".bdp", ".bdp", 0x5000,
    "BDP 5.00", TQoC64Stream::ShortLong, -1, 10, 12, 10001, 10001, false, 10001, 0,
    {0, 8000, 9000, 10000}};
inline constexpr TQoC64PackedFormat kQoC64DrpFormat{
    "Drazpaint", ".drp", ".drp", 0x5800,
    "DRAZPAINT 1.4", TQoC64Stream::EscCountValue, -1, 15, 16, 10049, 10049, false, 10051, 2,
    {2050, 1026, 2, 10050}};
inline constexpr TQoC64LayoutTable kQoC64JJTable{"TQoCommodore64HiResJJEngine", nullptr, 0, &kQoC64JJFormat};
inline constexpr TQoC64LayoutTable kQoC64GgTable{"TQoCommodore64LoResGgEngine", nullptr, 0, &kQoC64GgFormat};
inline constexpr TQoC64LayoutTable kQoC64AmiTable{"TQoCommodore64LoResAmiEngine", nullptr, 0, &kQoC64AmiFormat};
inline constexpr TQoC64LayoutTable kQoC64BdpTable{"TQoCommodore64LoResBdpEngine", nullptr, 0, &kQoC64BdpFormat};
inline constexpr TQoC64LayoutTable kQoC64DrpTable{"TQoCommodore64LoResDrpEngine", nullptr, 0, &kQoC64DrpFormat};
// clang-format on

using TQoCommodore64HiResJJEngine = TQoRowEngine<TQoCommodore64CommonHiResEngine, kQoC64JJTable>;
using TQoCommodore64LoResGgEngine = TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64GgTable>;
using TQoCommodore64LoResAmiEngine = TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64AmiTable>;
using TQoCommodore64LoResBdpEngine = TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64BdpTable>;
using TQoCommodore64LoResDrpEngine = TQoRowEngine<TQoCommodore64CommonLoResEngine, kQoC64DrpTable>;

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
