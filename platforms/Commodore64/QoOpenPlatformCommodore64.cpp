#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"

#include "color/QoPaletteTypes.h"
#include "base/QoErrors.h"

namespace {

constexpr std::array<int32_t, 2> Sizes(int32_t a, int32_t b = 0) {
  return {a, b};
}

constexpr std::array<int32_t, 2> At(int32_t a, int32_t b = -1) {
  return {a, b};
}

constexpr int32_t kNone = -1;

// Two-colour pictures: the bitmap at 2.
// clang-format off
constexpr std::array<TQoC64Layout, 7> kHiResBWRows = {{
    {Sizes(8002), At(0x2000), {".hir", ".hpi"}, kQoC64Own, 0, "Art Studio", ".hir", {2, kNone, kNone, kNone}},
    {Sizes(8002), At(0x2000), {".fgs"}, kQoC64Own, 0, "Fun Graphics Machine", ".fgs", {2, kNone, kNone, kNone}},
    {Sizes(8002), At(0x2000), {".hbm"}, kQoC64Own, kQoC64Other, "", ".hir", {2, kNone, kNone, kNone}},
    {Sizes(8002), At(0x6000), {".gih"}, kQoC64Own, kQoC64Other, "Gigapaint", ".gih", {2, kNone, kNone, kNone}},
    {Sizes(8194), At(0x2000), {".mon"}, kQoC64Own, 0, "Mono Magic", ".mon", {2, kNone, kNone, kNone}},
    {Sizes(8194), At(0x2000), {".gcd"}, kQoC64Own, 0, "Gigacad", ".gcd", {2, kNone, kNone, kNone}},
    {Sizes(8194), At(0x2000), {}, 0, kQoC64Other, "", ".mon", {2, kNone, kNone, kNone}},
}};

// Hires pictures: bitmap and screen RAM.
constexpr std::array<TQoC64Layout, 9> kHiResRows = {{
    {Sizes(9002), At(0x2000), {".art", ".aas", ".hpi", ".pic"}, kQoC64Own, kQoC64Other, "Interpaint", ".iph", {2, 8002, kNone, kNone}},
    {Sizes(9002), At(0x4000), {".ip64h", ".iph"}, kQoC64Own, kQoC64Other, "Interpaint", ".iph", {2, 8002, kNone, kNone}},
    {Sizes(9002), At(0x6000), {".hpc"}, kQoC64Own, kQoC64Other, "Interpaint", ".iph", {2, 8002, kNone, kNone}},
    {Sizes(9003, 9009), At(0x2000), {".art", ".aas", ".hpi", ".pic"}, kQoC64Own, kQoC64Other, "Art Studio", ".art", {2, 8002, kNone, kNone}},
    {Sizes(9003, 9009), At(0x6000), {".hpc"}, kQoC64Own, kQoC64Other, "HiPic Creator", ".hpc", {2, 8002, kNone, kNone}},
    {Sizes(9194), At(0x4000), {".ish"}, kQoC64Own, kQoC64Other, "Image System", ".ish", {2, 8194, kNone, kNone}},
    {Sizes(9217), At(0x5C00), {".het"}, kQoC64Own, kQoC64Other, "Hires", ".het", {1026, 2, kNone, kNone}},
    {Sizes(9218), At(0x1C00, 0x5C00), {".dd", ".ddl"}, kQoC64Own, kQoC64Other, "Doodle", ".dd", {1026, 2, kNone, kNone}},
    {Sizes(9218), At(0x2000), {".hed"}, kQoC64Own, kQoC64Other, "Hi-Eddi", ".hed", {2, 8194, kNone, kNone}},
}};

// Multicolour pictures: bitmap, screen RAM, colour RAM and background. Koala pictures
// saved with load address 0 are taken only by their extension, as the weakest match.
constexpr std::array<TQoC64Layout, 20> kLoResRows = {{
    {Sizes(10003), At(0x0000), {".koa"}, kQoDetectExtension, 0, "Koala Painter", ".koa", {2, 8002, 9002, 10002}},
    {Sizes(10003), At(0x2000, 0x6000), {".gig"}, kQoC64Own, 0, "Gigapaint", ".gig", {2, 8002, 9002, 10002}},
    {Sizes(10003), At(0x2000, 0x6000), {".kla", ".koa"}, kQoC64Own, kQoC64Other, "Koala Painter", ".koa", {2, 8002, 9002, 10002}},
    {Sizes(10003), At(0x4000), {".ipt"}, kQoC64Own, kQoC64Other, "Interpaint", ".ipt", {2, 8002, 9002, 10002}},
    {Sizes(10004), At(0x4000), {".fpt"}, kQoC64Own, kQoC64Other, "Face Painter", ".fpt", {2, 8002, 9002, 10003}},
    {Sizes(10006), At(0x6000), {".rpm"}, kQoC64Own, kQoC64Other, "Run Paint", ".rpm", {2, 8002, 9002, 10002}},
    {Sizes(10007), At(0x8000), {".cwg"}, kQoC64Own, kQoC64Other, "Create with Garfield", ".cwg", {2, 8002, 9002, 10002}},
    {Sizes(10018), At(0x2000), {".ocp", ".mpi", ".mpic"}, kQoC64Own, kQoC64Other, "Advanced Art Studio", ".ocp", {2, 8002, 9018, 9003}},
    {Sizes(10022), At(0x18DC), {".mil"}, kQoC64Own, kQoC64Other, "Micro Illustrator", ".mil", {2022, 22, 1022, 8}},
    {Sizes(10050), At(0x1800), {".p64"}, kQoC64Own, kQoC64Other, "Picasso 64", ".p64", {2050, 1026, 2, 2049}},
    {Sizes(10050), At(0x5800), {".vid"}, kQoC64Own, kQoC64Other, "Vidcom 64", ".vid", {2050, 1026, 2, 2026}},
    {Sizes(10051), At(0x5800), {".drz"}, kQoC64Own, kQoC64Other, "Drazpaint", ".drz", {2050, 1026, 2, 10050}},
    {Sizes(10218), At(0x3C00), {".ism", ".ims"}, kQoC64Own, kQoC64Other, "Image System", ".ism", {1026, 9218, 2, 9217}},
    {Sizes(10219), At(0x7800), {".sar"}, kQoC64Own, kQoC64Other, "Saracen Paint", ".sar", {1026, 2, 9218, 1010}},
    {Sizes(10242), At(0x0000, 0xA000), {".pi", ".blp"}, kQoC64Own, kQoC64Other, "Blazing Paddles", ".pi", {2, 8194, 9218, 8066}},
    {Sizes(10242), At(0x4000), {".a64"}, kQoC64Own, kQoC64Other, "Artist 64", ".a64", {2, 8194, 9218, 10241}},
    {Sizes(10242), At(0x5800), {".dol"}, kQoC64Own, kQoC64Other, "Dolphin Ed", ".dol", {2050, 1026, 2, 2026}},
    {Sizes(10242), At(0x5C00), {".rp"}, kQoC64Own, kQoC64Other, "Rainbow Painter", ".rp", {1026, 2, 9218, kNone}},
    {Sizes(10277), At(0x7EEF), {".cdu"}, kQoC64Own, kQoC64Other, "CDU-Paint", ".cdu", {275, 8275, 9275, 10275}},
    {Sizes(20482), At(0x8000), {".che"}, kQoC64Own, kQoC64Other, "Cheese", ".che", {2, 16898, 18434, 20479}},
}};

constexpr std::array<TQoC64Layout, 1> kPetRows = {{
    {Sizes(2026), At(0x3000), {".pet"}, kQoC64Own, kQoC64Other, "PETSCII Editor", ".pet", {kNone, 2, 1026, 1003}},
}};
// PetDraw64 files start with the word 0x3171 where the others keep their load address.
constexpr std::array<TQoC64Layout, 1> kPdrRows = {{
    {Sizes(2029), At(0x3171), {".pdr"}, kQoC64Own, kQoC64Other, "PetDraw64", ".pdr", {kNone, 5, 1029, 3}},
}};
constexpr std::array<TQoC64Layout, 1> kPmgRows = {{
    {Sizes(9332), At(0x3F8E), {".pmg"}, kQoC64Own, kQoC64Other, "Paint Magic", ".pmg", {116, 8308, kNone, 8116}},
}};
constexpr std::array<TQoC64Layout, 1> kCleRows = {{
    {Sizes(8194), At(0x6000), {".cle"}, kQoC64Own, kQoC64Other, "Centauri Logo-Editor", ".cle", {2, kNone, kNone, kNone}},
}};
constexpr std::array<TQoC64Layout, 1> kLp3Rows = {{
    {Sizes(4098, 4174), At(0x1800), {".lp3", ".gfx"}, kQoC64Own, kQoC64Other, "Logo-Painter", ".lp3", {kNone, kNone, kNone, kNone}},
}};
// clang-format on

// Paint Magic's one colour for pair 11.
constexpr std::size_t kPmgColor = 8119;

// The screen and colour file pair of the PETSCII editor.
constexpr int32_t kScrColSize = 1002;
constexpr int32_t kScrAddress = 0x3000;
constexpr int32_t kColAddress = 0x3400;

// Logo-Painter: 50 rows of 40 character codes, then the 2048-byte character set; the
// longer files keep their four colours between the two.
constexpr std::size_t kLp3Codes = 2;
constexpr std::size_t kLp3Charset = 2050;
constexpr int32_t kLp3ColoredSize = 4174;

template <std::size_t N>
uint8_t DetectLayout(const TQoLoadSource& source, const std::array<TQoC64Layout, N>& rows) {
  uint8_t result = 0;
  QoFindC64Layout(source, rows, result);
  return result;
}

TQoByteView ViewOf(const TQoLoadSourceRec* rec) {
  if (!rec || rec->Size <= 0) return TQoByteView();
  return TQoByteView(rec->Data, static_cast<std::size_t>(rec->Size));
}

TQoByteView PartOf(TQoByteView data, int32_t offset, std::size_t size) {
  return offset < 0 ? TQoByteView() : data.Sub(static_cast<std::size_t>(offset), size);
}

}  // namespace

// The shared machinery.

TQoCommodore64CommonEngine::TQoCommodore64CommonEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = kQoCommodore64PlatformName;
  PaletteTypes = {ptCommandore64Dark, ptCommandore64Light};
  PaletteType = ptCommandore64Dark;
  SetHiresAspect();
}

void TQoCommodore64CommonEngine::SetHiresAspect() {
  AspectMask = QoC64HiresAspectMask();
  AspectIndex = kQoC64HiresAspect;
}

void TQoCommodore64CommonEngine::SetMulticolourAspect() {
  AspectMask = QoC64MulticolourAspectMask();
  AspectIndex = kQoC64MulticolourAspect;
}

void TQoCommodore64CommonEngine::LoadCommodore64Palette() {
  QoSetCommodore64Palette(*Palette, PaletteType);
  PaletteColumns = 16;
}

bool TQoCommodore64CommonEngine::Accepted(uint8_t detectResult) const {
  if (detectResult != 0) return true;
  if (Source->Size != 0) qo::RaiseInternalError();
  return false;
}

const TQoC64Layout* TQoCommodore64CommonEngine::TakeLayout(const TQoC64Layout* rows,
                                                           std::size_t count) {
  uint8_t result = 0;
  const TQoC64Layout* row = QoFindC64Layout(*Source, rows, count, result);
  const bool accepted = Accepted(result);
  const TQoC64Layout& named = accepted ? *row : rows[0];
  ModeName = named.ModeName;
  DefaultExtension = named.DefaultExtension;
  return accepted ? row : nullptr;
}

void TQoCommodore64CommonEngine::DrawMonoCells(TQoBitmap& bmp, TQoByteView data, int rows,
                                               int columns) {
  std::size_t i = 0;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      for (int line = 0; line < 8; ++line) PlotMono8(bmp, data.U8(i++), 0, 1, c, r * 8 + line);
    }
  }
}

void TQoCommodore64CommonEngine::DrawHiresCells(TQoBitmap& bmp, TQoByteView data,
                                                TQoByteView screen, int rows, int columns) {
  std::size_t i = 0;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const uint8_t s = screen.U8(static_cast<std::size_t>(r * columns + c));
      for (int line = 0; line < 8; ++line) {
        PlotMono8(bmp, data.U8(i++), s & 15u, s >> 4, c, r * 8 + line);
      }
    }
  }
}

namespace {

// Multicolour cells; colourOf gives the colour of pair 11 for a cell.
template <class ColourOf>
void DrawMulticolour(TQoBitmap& bmp, TQoByteView data, uint8_t background, TQoByteView screen,
                     int rows, ColourOf colourOf) {
  std::size_t i = 0;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < kQoC64Columns; ++c) {
      const auto cell = static_cast<std::size_t>(r * kQoC64Columns + c);
      const uint8_t s = screen.U8(cell);
      const uint32_t colours[4] = {background & 15u, static_cast<uint32_t>(s >> 4), s & 15u,
                                   colourOf(cell) & 15u};
      for (int line = 0; line < 8; ++line) {
        const uint8_t b = data.U8(i++);
        for (int pair = 0; pair < 4; ++pair) {
          bmp.SetPixel(c * 4 + pair, r * 8 + line, colours[(b >> (6 - 2 * pair)) & 3]);
        }
      }
    }
  }
}

}  // namespace

void TQoCommodore64CommonEngine::DrawMulticolourCells(TQoBitmap& bmp, TQoByteView data,
                                                      uint8_t background, TQoByteView screen,
                                                      TQoByteView colour, int rows) {
  DrawMulticolour(bmp, data, background, screen, rows,
                  [&](std::size_t cell) { return colour.U8(cell); });
}

void TQoCommodore64CommonEngine::DrawMulticolourCells(TQoBitmap& bmp, TQoByteView data,
                                                      uint8_t background, TQoByteView screen,
                                                      uint8_t colour, int rows) {
  DrawMulticolour(bmp, data, background, screen, rows, [colour](std::size_t) { return colour; });
}

// Text screens.

TQoCommodore64CommonTextEngine::TQoCommodore64CommonTextEngine(TQoLoadSource& source,
                                                               const char* className)
    : TQoCommodore64CommonEngine(source, className) {
  Width = 8 * kQoC64Columns;
  Height = 8 * kQoC64Rows;
  ColorDepth = 4;
}

void TQoCommodore64CommonTextEngine::UseParts(TQoByteView data, const TQoC64Parts& parts) {
  ScreenCodes = PartOf(data, parts.Screen, kQoC64Cells);
  ColorRam = PartOf(data, parts.Color, kQoC64Cells);
  Background = parts.Background < 0 ? 0 : data.U8(static_cast<std::size_t>(parts.Background));
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonTextEngine::Decode() {
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int r = 0; r < kQoC64Rows; ++r) {
    for (int c = 0; c < kQoC64Columns; ++c) {
      const auto cell = static_cast<std::size_t>(r * kQoC64Columns + c);
      const std::size_t glyph = 8u * ScreenCodes.U8(cell);
      const uint32_t ink = ColorRam.U8(cell) & 15u;
      for (int line = 0; line < 8; ++line) {
        PlotMono8(*bmp, kQoCommodore64Charset[glyph + static_cast<std::size_t>(line)],
                  Background & 15u, ink, c, r * 8 + line);
      }
    }
  }
  return bmp;
}

namespace {

// The ".col" file beside a ".scr" file, when it is one.
TQoByteView ColorFileOf(TQoLoadSource& source) {
  if (source.Size != kScrColSize || source.Extension != ".scr" ||
      QoC64LoadAddress(source.Bytes()) != kScrAddress) {
    return TQoByteView();
  }
  const TQoByteView col = ViewOf(source.GetCompanion(QoReplaceExtension(source.Name, ".col")));
  if (col.Size() != static_cast<std::size_t>(kScrColSize) || QoC64LoadAddress(col) != kColAddress) {
    return TQoByteView();
  }
  return col;
}

}  // namespace

uint8_t TQoCommodore64ScrColEngine::Detect(TQoLoadSource& source) {
  return ColorFileOf(source).Empty() ? 0 : kQoC64Own;
}

TQoCommodore64ScrColEngine::TQoCommodore64ScrColEngine(TQoLoadSource& source)
    : TQoCommodore64CommonTextEngine(source, ClassName) {
  ModeName = "PETSCII Editor";
  DefaultExtension = ".scr";
  const TQoByteView col = ColorFileOf(source);
  if (!Accepted(col.Empty() ? 0 : kQoC64Own)) return;
  ScreenCodes = Bytes().Sub(2, kQoC64Cells);
  ColorRam = col.Sub(2, kQoC64Cells);
}

uint8_t TQoCommodore64PetEngine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kPetRows);
}

TQoCommodore64PetEngine::TQoCommodore64PetEngine(TQoLoadSource& source)
    : TQoCommodore64CommonTextEngine(source, ClassName) {
  if (const TQoC64Layout* row = TakeLayout(kPetRows)) UseParts(Bytes(), row->Parts);
}

uint8_t TQoCommodore64PdrEngine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kPdrRows);
}

TQoCommodore64PdrEngine::TQoCommodore64PdrEngine(TQoLoadSource& source)
    : TQoCommodore64CommonTextEngine(source, ClassName) {
  if (const TQoC64Layout* row = TakeLayout(kPdrRows)) UseParts(Bytes(), row->Parts);
}

// Two-colour bitmaps.

TQoCommodore64CommonHiResBWEngine::TQoCommodore64CommonHiResBWEngine(TQoLoadSource& source,
                                                                     const char* className)
    : TQoCommodore64CommonEngine(source, className) {
  PaletteTypes = {ptBW, ptWB};
  PaletteType = ptBW;
  Width = 8 * kQoC64Columns;
  Height = 8 * kQoC64Rows;
  ColorDepth = 1;
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonHiResBWEngine::Decode() {
  SetMonoPalette(PaletteType == ptWB);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  DrawMonoCells(*bmp, Bitmap, Height / 8, Width / 8);
  return bmp;
}

uint8_t TQoCommodore64HiResBWEngine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kHiResBWRows);
}

TQoCommodore64HiResBWEngine::TQoCommodore64HiResBWEngine(TQoLoadSource& source)
    : TQoCommodore64CommonHiResBWEngine(source, ClassName) {
  if (const TQoC64Layout* row = TakeLayout(kHiResBWRows)) {
    Bitmap = PartOf(Bytes(), row->Parts.Bitmap, kQoC64BitmapSize);
  }
}

namespace {

// Star Painter's size in cells, when the file is exactly that picture.
bool ReadGRSize(const TQoLoadSource& source, int32_t& columns, int32_t& rows) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() <= 2) return false;
  columns = bytes.U8(0);
  rows = bytes.U8(1);
  return bytes.Size() == static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows) * 8 + 2;
}

}  // namespace

uint8_t TQoCommodore64HiResBWGREngine::Detect(TQoLoadSource& source) {
  int32_t columns = 0, rows = 0;
  if (!ReadGRSize(source, columns, rows)) return 0;
  return source.Extension == ".gr" || source.Extension == ".cs" ? kQoC64Own : kQoC64Other;
}

TQoCommodore64HiResBWGREngine::TQoCommodore64HiResBWGREngine(TQoLoadSource& source)
    : TQoCommodore64CommonHiResBWEngine(source, ClassName) {
  PaletteTypes.clear();
  ModeName = "Star Painter";
  DefaultExtension = ".gr";
  if (!Accepted(Detect(source))) return;
  int32_t columns = 0, rows = 0;
  ReadGRSize(source, columns, rows);
  Width = 8 * columns;
  Height = 8 * rows;
  Bitmap = Bytes().From(2);
}

std::unique_ptr<TQoBitmap> TQoCommodore64HiResBWGREngine::Decode() {
  // Black ink on white paper, whatever the viewer asks.
  SetMonoPalette(true);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  DrawMonoCells(*bmp, Bitmap, Height / 8, Width / 8);
  return bmp;
}

// Multicolour bitmaps.

TQoCommodore64CommonLoResEngine::TQoCommodore64CommonLoResEngine(TQoLoadSource& source,
                                                                 const char* className)
    : TQoCommodore64CommonEngine(source, className) {
  Width = 4 * kQoC64Columns;
  Height = 8 * kQoC64Rows;
  ColorDepth = 4;
  SetMulticolourAspect();
}

void TQoCommodore64CommonLoResEngine::UseParts(TQoByteView data, const TQoC64Parts& parts) {
  Bitmap = PartOf(data, parts.Bitmap, kQoC64BitmapSize);
  Screen = PartOf(data, parts.Screen, kQoC64Cells);
  ColorRam = PartOf(data, parts.Color, kQoC64Cells);
  Background = parts.Background < 0 ? 0 : data.U8(static_cast<std::size_t>(parts.Background));
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonLoResEngine::Decode() {
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawMulticolourCells(*bmp, Bitmap, Background, Screen, ColorRam);
  return bmp;
}

uint8_t TQoCommodore64LoResEngine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kLoResRows);
}

TQoCommodore64LoResEngine::TQoCommodore64LoResEngine(TQoLoadSource& source)
    : TQoCommodore64CommonLoResEngine(source, ClassName) {
  if (const TQoC64Layout* row = TakeLayout(kLoResRows)) UseParts(Bytes(), row->Parts);
}

uint8_t TQoCommodore64LoResPmgEngine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kPmgRows);
}

TQoCommodore64LoResPmgEngine::TQoCommodore64LoResPmgEngine(TQoLoadSource& source)
    : TQoCommodore64CommonLoResEngine(source, ClassName) {
  if (const TQoC64Layout* row = TakeLayout(kPmgRows)) UseParts(Bytes(), row->Parts);
}

std::unique_ptr<TQoBitmap> TQoCommodore64LoResPmgEngine::Decode() {
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawMulticolourCells(*bmp, Bitmap, Background, Screen, Bytes().U8(kPmgColor));
  return bmp;
}

uint8_t TQoCommodore64LoResCleEngine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kCleRows);
}

TQoCommodore64LoResCleEngine::TQoCommodore64LoResCleEngine(TQoLoadSource& source)
    : TQoCommodore64CommonLoResEngine(source, ClassName) {
  ColorDepth = 2;
  if (const TQoC64Layout* row = TakeLayout(kCleRows)) UseParts(Bytes(), row->Parts);
}

std::unique_ptr<TQoBitmap> TQoCommodore64LoResCleEngine::Decode() {
  // The logo's four colours, for pairs 00, 01, 10 and 11, become a palette of four.
  LoadCommodore64Palette();
  const TQoByteView bytes = Bytes();
  const uint8_t pairs = bytes.U8(8002);
  const int colours[4] = {bytes.U8(8004) & 15, pairs >> 4, pairs & 15, bytes.U8(8003) & 15};
  TQoPalette256 four;
  for (int colour : colours) four.Add(Palette->GetStdRGB(colour));
  Palette->Assign(&four);
  PaletteColumns = 4;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int r = 0; r < kQoC64Rows; ++r) {
    for (int c = 0; c < kQoC64Columns; ++c) {
      for (int line = 0; line < 8; ++line) {
        const auto at = static_cast<std::size_t>((r * kQoC64Columns + c) * 8 + line);
        Plot2bpp(*bmp, Bitmap.U8(at), c, r * 8 + line);
      }
    }
  }
  return bmp;
}

uint8_t TQoCommodore64LoResLp3Engine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kLp3Rows);
}

TQoCommodore64LoResLp3Engine::TQoCommodore64LoResLp3Engine(TQoLoadSource& source)
    : TQoCommodore64CommonLoResEngine(source, ClassName) {
  Height = 400;
  TakeLayout(kLp3Rows);
}

std::unique_ptr<TQoBitmap> TQoCommodore64LoResLp3Engine::Decode() {
  LoadCommodore64Palette();
  const TQoByteView bytes = Bytes();
  // Multicolour characters: pair 11 takes the colour RAM's three bits; files without
  // colours show the editor's own.
  uint32_t colours[4] = {0, 10, 2, 1};
  if (bytes.Size() == static_cast<std::size_t>(kLp3ColoredSize)) {
    colours[0] = bytes.U8(2045) & 15u;
    colours[1] = bytes.U8(2047) & 15u;
    colours[2] = bytes.U8(2048) & 15u;
    colours[3] = bytes.U8(2046) & 7u;
  }
  const TQoByteView codes = bytes.Sub(kLp3Codes, 50 * kQoC64Columns);
  const TQoByteView charset = bytes.Sub(kLp3Charset, kQoCommodore64CharsetSize);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const std::size_t code = codes.U8(static_cast<std::size_t>((y / 8) * kQoC64Columns + x / 4));
      const uint8_t glyph = charset.U8(code * 8 + static_cast<std::size_t>(y % 8));
      bmp->SetPixel(x, y, colours[(glyph >> (6 - 2 * (x % 4))) & 3]);
    }
  }
  return bmp;
}

// Hires bitmaps.

TQoCommodore64CommonHiResEngine::TQoCommodore64CommonHiResEngine(TQoLoadSource& source,
                                                                 const char* className)
    : TQoCommodore64CommonEngine(source, className) {
  Width = 8 * kQoC64Columns;
  Height = 8 * kQoC64Rows;
  ColorDepth = 4;
}

void TQoCommodore64CommonHiResEngine::UseParts(TQoByteView data, const TQoC64Parts& parts) {
  Bitmap = PartOf(data, parts.Bitmap, kQoC64BitmapSize);
  Screen = PartOf(data, parts.Screen, kQoC64Cells);
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonHiResEngine::Decode() {
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawHiresCells(*bmp, Bitmap, Screen);
  return bmp;
}

uint8_t TQoCommodore64HiResEngine::Detect(TQoLoadSource& source) {
  return DetectLayout(source, kHiResRows);
}

TQoCommodore64HiResEngine::TQoCommodore64HiResEngine(TQoLoadSource& source)
    : TQoCommodore64CommonHiResEngine(source, ClassName) {
  if (const TQoC64Layout* row = TakeLayout(kHiResRows)) UseParts(Bytes(), row->Parts);
}

void RegisterCommodore64Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64ScrColEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64PetEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64PdrEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResBWEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResBWBSEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResBWGREngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResPmgEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResBdpEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResAmiEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResGgEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResDrpEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResCleEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResLp3Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResGigascreenEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResGigascreenDrlEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResGigascreenMleEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLIEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLICfliEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLIFbiEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLIFprEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResBFLIGigascreenEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLIGigascreenEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLIGigascreenPppEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLIGigascreenGunEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoResFLIGigascreenFp2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResJJEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResUflEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoHiResShpEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoHiRes4btEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64LoHiResClpEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResGigascreenEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResGigascreenIheEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResGigascreenIshEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResFLIEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResFLIHimEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResFLIGigascreenEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCommodore64HiResFLIGigascreenEcpEngine>());
}
