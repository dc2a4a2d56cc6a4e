#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

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

uint8_t TQoCommodore64CommonEngine::Detect(TQoLoadSource& source, const TQoC64LayoutTable& table) {
  if (table.Packed) return QoRateC64Packed(*table.Packed, source);
  uint8_t result = 0;
  QoFindC64Layout(source, table, result);
  return result;
}

void TQoCommodore64CommonEngine::TakeTable(const TQoC64LayoutTable& table) {
  if (table.Packed) {
    packed_ = table.Packed;
    ModeName = packed_->ModeName;
    DefaultExtension = packed_->DefaultExtension;
    Accepted(Detect(*Source, table));
    return;
  }
  uint8_t result = 0;
  const TQoC64Layout* row = QoFindC64Layout(*Source, table, result);
  const bool accepted = Accepted(result);
  const TQoC64Layout& named = accepted ? *row : table.Rows[0];
  ModeName = named.ModeName;
  DefaultExtension = named.DefaultExtension;
  if (accepted) UseParts(Bytes(), row->Parts);
}

void TQoCommodore64CommonEngine::UnpackOnce() {
  if (!packed_ || !unpacked_.empty()) return;
  unpacked_ = QoUnpackC64Packed(*packed_, Bytes());
  UseParts(TQoByteView(unpacked_.data(), unpacked_.size()), packed_->Parts);
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
  const TQoByteView col = source.CompanionWithExtension(".col");
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

void TQoCommodore64CommonHiResBWEngine::UseParts(TQoByteView data, const TQoC64Parts& parts) {
  Bitmap = PartOf(data, parts.Bitmap, kQoC64BitmapSize);
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonHiResBWEngine::Decode() {
  SetMonoPalette(PaletteType == ptWB);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  DrawMonoCells(*bmp, Bitmap, Height / 8, Width / 8);
  return bmp;
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
  return QoDetect(source, {.Signed = true, .Extensions = ".gr .cs"});
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
                                                                 const TQoC64LayoutTable& table)
    : TQoCommodore64CommonEngine(source, table.ClassName) {
  Width = 4 * kQoC64Columns;
  Height = 8 * kQoC64Rows;
  ColorDepth = 4;
  SetMulticolourAspect();
  TakeTable(table);
}

void TQoCommodore64CommonLoResEngine::UseParts(TQoByteView data, const TQoC64Parts& parts) {
  Bitmap = PartOf(data, parts.Bitmap, kQoC64BitmapSize);
  Screen = PartOf(data, parts.Screen, kQoC64Cells);
  ColorRam = PartOf(data, parts.Color, kQoC64Cells);
  Background = parts.Background < 0 ? 0 : data.U8(static_cast<std::size_t>(parts.Background));
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonLoResEngine::Decode() {
  UnpackOnce();
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawMulticolourCells(*bmp, Bitmap, Background, Screen, ColorRam);
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoCommodore64LoResPmgEngine::Decode() {
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawMulticolourCells(*bmp, Bitmap, Background, Screen, Bytes().U8(kPmgColor));
  return bmp;
}

TQoCommodore64LoResCleEngine::TQoCommodore64LoResCleEngine(TQoLoadSource& source)
    : TQoRowEngine(source) {
  ColorDepth = 2;
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

TQoCommodore64LoResLp3Engine::TQoCommodore64LoResLp3Engine(TQoLoadSource& source)
    : TQoRowEngine(source) {
  Height = 400;
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
  UnpackOnce();
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawHiresCells(*bmp, Bitmap, Screen);
  return bmp;
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
