#include "platforms/TI99/QoOpenPlatformTI99.h"

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoFormatRow.h"
#include "platforms/MSX/QoPlatformMSX.h"

namespace {

constexpr std::size_t kBitmapTable = 6144;
constexpr std::size_t kMulticolorScreen = 1536;
constexpr std::size_t kLinePaletteBytes = 192 * 32;

// Fills bmp from unpacked pixels, one value a byte, line after line.
void SetRows(TQoBitmap& bmp, const std::vector<uint8_t>& pixels) {
  const auto width = static_cast<std::size_t>(bmp.Width);
  std::vector<uint32_t> values(width);
  for (int32_t y = 0; y < bmp.Height; ++y) {
    const uint8_t* line = pixels.data() + static_cast<std::size_t>(y) * width;
    for (std::size_t x = 0; x < width; ++x) values[x] = line[x];
    bmp.SetRow(y, values.data(), bmp.Width);
  }
}

std::size_t FileSize(std::size_t data) {
  return TQoTIFilesHeader::kSize + data;
}

// The data of a companion TI file of one of the allowed data lengths and its file
// size; empty when it is missing; sets broken when it is there but unfit.
TQoByteView TIFileData(TQoByteView file,
                       std::initializer_list<std::pair<std::size_t, std::size_t>> allowed,
                       bool& broken) {
  if (file.Empty()) return TQoByteView();
  TQoTIFilesHeader header;
  if (header.Read(file)) {
    for (const auto& [size, length] : allowed) {
      if (file.Size() == size && header.DataLength == length) return header.Data(file);
    }
  }
  broken = true;
  return TQoByteView();
}

// The three companions of a bitmap picture; broken when one is there but unfit.
struct TBitmapFiles {
  TQoByteView Patterns, Colors, Palette;
  bool Broken = false;
};

TBitmapFiles FindBitmapFiles(TQoLoadSource& source) {
  TBitmapFiles files;
  const TQoByteView bytes = source.Bytes();
  if (source.Extension != ".tiap" || bytes.Size() != FileSize(kBitmapTable) ||
      !QoIsTIFile(bytes, kBitmapTable)) {
    files.Broken = true;
    return files;
  }
  files.Patterns = bytes.Sub(TQoTIFilesHeader::kSize, kBitmapTable);
  files.Colors = TIFileData(source.CompanionWithExtension(".tiac"),
                            {{FileSize(kBitmapTable), kBitmapTable}}, files.Broken);
  // The palette only counts beside a colour table.
  if (!files.Colors.Empty()) {
    files.Palette = TIFileData(
        source.CompanionWithExtension(".tiam"),
        {{FileSize(kLinePaletteBytes), kLinePaletteBytes}, {FileSize(256), 32}, {FileSize(32), 32}},
        files.Broken);
  }
  return files;
}

}  // namespace

TQoTIEngine::TQoTIEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "TI-99/4A";
  AspectIndex = kQoAspect1138to1;
  AspectMask |= QoAspectBit(AspectIndex);
}

void TQoTIEngine::OfferTMS9918APalettes() {
  PaletteTypes = {ptTI99MSX, ptTI99Adam, ptTI99Convert9918};
  PaletteType = ptTI99Convert9918;
}

// Bitmap screens.

uint8_t TQoTi9918AEngine::Detect(TQoLoadSource& source) {
  if (FindBitmapFiles(source).Broken) return 0;
  return QoDetect(source, {.Size = FileSize(kBitmapTable),
                           .Signed = true,
                           .ExtensionOnly = true,
                           .Extensions = ".tiap"});
}

TQoTi9918AEngine::TQoTi9918AEngine(TQoLoadSource& source) : TQoTIEngine(source, ClassName) {
  DefaultExtension = ".tiap";
  if (source.Size == 0) return;  // the class describing itself, without a picture
  const TBitmapFiles files = FindBitmapFiles(source);
  if (files.Broken) qo::RaiseInternalError();
  Patterns = files.Patterns;
  Colors = files.Colors;
  F18APalette = files.Palette;
  LinePalettes = F18APalette.Size() == kLinePaletteBytes;
  Width = 256;
  Height = 192;
  ColorDepth = 4;
  if (F18APalette.Empty()) {
    Description = " 9918A";
    OfferTMS9918APalettes();
  } else {
    Description = LinePalettes ? " F18A PCHG" : " F18A palette";
  }
  Description += " bitmap";
  if (Colors.Empty()) Description += " B/W";
  Description += " image";
}

std::unique_ptr<TQoBitmap> TQoTi9918AEngine::Decode() {
  // The byte of character row r, column c and pixel line k sits at r·256 + c·8 + k.
  const auto offset = [](int y, int c) {
    return static_cast<std::size_t>(y / 8) * 256 + static_cast<std::size_t>(c) * 8 +
           static_cast<std::size_t>(y % 8);
  };
  if (LinePalettes) {
    auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
    for (int y = 0; y < Height; ++y) {
      const TQoByteView line = F18APalette.Sub(static_cast<std::size_t>(y) * 32, 32);
      for (int c = 0; c < 32; ++c) {
        const uint8_t bits = Patterns.U8(offset(y, c));
        const uint8_t color = Colors.U8(offset(y, c));
        for (int i = 0; i < 8; ++i) {
          const unsigned index = (bits & (0x80 >> i)) ? color >> 4 : color & 15u;
          bmp->SetPixel(8 * c + i, y, QoF18AColor(line.BE16(2 * index)));
        }
      }
    }
    return bmp;
  }
  if (F18APalette.Empty()) {
    QoSetTMS9918APalette(*Palette, PaletteType);
  } else {
    Palette->Clear();
    for (std::size_t i = 0; i < 16; ++i) Palette->Add(QoF18AColor(F18APalette.BE16(2 * i)));
  }
  PaletteColumns = 16;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      // Without a colour table: black ink on white paper.
      const uint8_t color = Colors.Empty() ? 0x1F : Colors.U8(offset(y, c));
      PlotMono8(*bmp, Patterns.U8(offset(y, c)), color & 15u, color >> 4, c, y);
    }
  }
  return bmp;
}

// Multicolour screens.

namespace {

bool FindMulticolorScreens(TQoLoadSource& source, TQoByteView (&screens)[2]) {
  const TQoByteView bytes = source.Bytes();
  if (source.Extension != ".tiap" || bytes.Size() != FileSize(kMulticolorScreen) ||
      !QoIsTIFile(bytes, kMulticolorScreen)) {
    return false;
  }
  bool broken = false;
  screens[0] = bytes.Sub(TQoTIFilesHeader::kSize, kMulticolorScreen);
  screens[1] = TIFileData(source.CompanionWithExtension(".tiac"),
                          {{FileSize(kMulticolorScreen), kMulticolorScreen}}, broken);
  return !broken;
}

}  // namespace

uint8_t TQoTi9918A6448Engine::Detect(TQoLoadSource& source) {
  TQoByteView screens[2];
  if (!FindMulticolorScreens(source, screens)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".tiap"});
}

TQoTi9918A6448Engine::TQoTi9918A6448Engine(TQoLoadSource& source) : TQoTIEngine(source, ClassName) {
  DefaultExtension = ".tiap";
  if (source.Size == 0) return;  // the class describing itself, without a picture
  if (!FindMulticolorScreens(source, Screens)) qo::RaiseInternalError();
  Width = 64;
  Height = 48;
  ColorDepth = 4;
  OfferTMS9918APalettes();
  const bool dual = !Screens[1].Empty();
  Description = std::string(" 9918A multicolor") + (dual ? " dual" : "") + " image";
  if (dual) FrameCount = 2;
}

std::unique_ptr<TQoBitmap> TQoTi9918A6448Engine::Decode() {
  QoSetTMS9918APalette(*Palette, PaletteType);
  PaletteColumns = 16;
  // Block row y, byte column c: high nibble pixel 2c, low nibble 2c + 1.
  const auto pixel = [](TQoByteView screen, int x, int y) -> uint32_t {
    const uint8_t b =
        screen.U8(static_cast<std::size_t>(y % 8) + static_cast<std::size_t>(y / 8) * 256 +
                  static_cast<std::size_t>(x / 2) * 8);
    return x % 2 == 0 ? b >> 4 : b & 15u;
  };
  if (Screens[1].Empty()) {
    auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) bmp->SetPixel(x, y, pixel(Screens[0], x, y));
    }
    return bmp;
  }
  // Two screens shown in turn: the eye mixes them; a mix with the transparent colour 0
  // is no colour of the picture.
  BuildMixedPalette();
  for (int i = 0; i < 16; ++i) Palette->GetPColor(i).Excluded = 1;
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  bmp->Frames = std::make_unique<TQoBitmapList>();
  TQoBitmap* first =
      bmp->Frames->Add(std::make_unique<TQoBitmap4>(Width, Height, SourcePalette.get()));
  TQoBitmap* second =
      bmp->Frames->Add(std::make_unique<TQoBitmap4>(Width, Height, SourcePalette.get()));
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const uint32_t a = pixel(Screens[0], x, y), b = pixel(Screens[1], x, y);
      bmp->SetPixel(x, y, a * 16 + b);
      first->SetPixel(x, y, a);
      second->SetPixel(x, y, b);
    }
  }
  return bmp;
}

// Geneve G6 and G7 pictures.

namespace {

// The data of a G6/G7 file, or an empty view when the header does not fit.
TQoByteView GeneveRunData(TQoByteView file) {
  TQoTIFilesHeader header;
  if (file.Size() <= TQoTIFilesHeader::kSize || !header.Read(file) || header.DataLength <= 32 ||
      header.RecordsPerSector != 2 || header.RecordLength != 128) {
    return TQoByteView();
  }
  return header.Data(file);
}

}  // namespace

uint8_t TQoTiG67Engine::Detect(TQoLoadSource& source) {
  const TQoByteView data = GeneveRunData(source.Bytes());
  TQoGeneveLayout layout;
  if (data.Empty() || !QoFindGeneveLayout(data, layout)) return 0;
  return QoDetect(source, {.Signed = true});
}

TQoTiG67Engine::TQoTiG67Engine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  PlatformName = "Geneve 9640";
  data_ = GeneveRunData(Bytes());
  if (data_.Empty() || !QoFindGeneveLayout(data_, Layout)) qo::RaiseInternalError();
  const bool g6 = Layout.Mode == TQoGeneveMode::G6;
  const bool interlaced = Layout.Height > 212;
  Width = Layout.Width;
  Height = Layout.Height;
  ColorDepth = g6 ? 4 : 8;
  Description = std::string(g6 ? " G6" : " G7") + (interlaced ? " interlaced" : "") + " image";
  if (g6) {
    AspectIndex = interlaced ? kQoAspect1138to1 : kQoAspect1138to2;
  } else {
    AspectIndex = interlaced ? kQoAspect2276to1 : kQoAspect1138to1;
  }
  AspectMask |= QoAspectBit(AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoTiG67Engine::Decode() {
  const bool g6 = Layout.Mode == TQoGeneveMode::G6;
  Palette->Clear();
  if (g6) {
    QoAddV9938PaletteWords(*Palette, data_.Sub(2, 32), 16);
    PaletteColumns = 16;
  } else {
    QoSetScreen8Palette(*Palette, ptMSX9938);
    PaletteColumns = 32;
  }
  std::unique_ptr<TQoBitmap> bmp;
  if (g6) {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  const std::vector<uint8_t> pixels = QoUnpackGeneveRuns(data_, Layout);
  SetRows(*bmp, pixels);
  return bmp;
}

// Fractal pictures.

uint8_t TQoTiG6FractalEngine::Detect(TQoLoadSource& source) {
  TQoFractalPicture picture;
  if (!picture.Read(source.Bytes()) || !picture.Unpack(nullptr)) return 0;
  return QoDetect(source, {.Signed = true});
}

TQoTiG6FractalEngine::TQoTiG6FractalEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  PlatformName = "Geneve 9640";
  ModeName = "FRACTALS!";
  if (!picture_.Read(Bytes())) qo::RaiseInternalError();
  Width = TQoFractalPicture::kWidth;
  Height = TQoFractalPicture::kHeight;
  ColorDepth = 4;
  AspectIndex = kQoAspect1138to2;
  AspectMask |= QoAspectBit(AspectIndex);
  InfoTitle = picture_.Title();
}

std::unique_ptr<TQoBitmap> TQoTiG6FractalEngine::Decode() {
  Palette->Clear();
  QoAddV9938PaletteWords(*Palette, picture_.View().Sub(2, 32), 16);
  PaletteColumns = 16;
  std::vector<uint8_t> pixels;
  if (!picture_.Unpack(&pixels)) qo::RaiseInternalError();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  SetRows(*bmp, pixels);
  return bmp;
}

void RegisterTI99Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoTi9918AEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoTi9918A6448Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoTiG67Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoTiG6FractalEngine>());
}
