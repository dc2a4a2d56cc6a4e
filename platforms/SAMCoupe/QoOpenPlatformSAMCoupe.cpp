#include "platforms/SAMCoupe/QoOpenPlatformSAMCoupe.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoAspect.h"

namespace {

// Every screen file is 192 lines; modes 3 and 4 take 128 bytes a line.
constexpr int kLines = 192;
constexpr int kMaxWidth = 512;
constexpr std::size_t kLineBytes = 128;

// A mode 4 screen file: screen data, palette block and 0xFF.
constexpr std::size_t kPlainMode4Size = 24576 + TQoSAMCoupePaletteBlock::kSize + 1;
constexpr std::size_t kRawSize = 512 * 192;

// Mode 3 lines up to 4 CLUT entries, the others 16.
std::size_t ClutCount(const TQoSAMCoupeFormat& format) {
  return format.Mode == 3 ? 4 : 16;
}

// The palette block at clutAt followed by the 0xFF of a plain screen file.
bool HasPlainTail(TQoByteView file, std::size_t clutAt, TQoSAMCoupePaletteBlock& block) {
  const std::size_t end = clutAt + TQoSAMCoupePaletteBlock::kSize;
  return block.Read(file, clutAt) && file.Has(end, 1) && file.U8(end) == 0xFF;
}

std::string ModeDescription(const TQoSAMCoupeFormat& format) {
  return " mode " + std::to_string(format.Mode) +
         (format.Kind == kQoSAMLineChangeFile ? " PCHG" : "") + " image";
}

}  // namespace

// The shared machinery.

TQoSAMCoupeEngine::TQoSAMCoupeEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "SAM Coupé";
}

void TQoSAMCoupeEngine::AddColor(uint8_t color, bool unique) {
  QoAddSAMColor(*Palette, color, unique);
}

void TQoSAMCoupeEngine::AddClut(TQoByteView clut, std::size_t n, bool unique) {
  for (std::size_t i = 0; i < n; ++i) AddColor(clut.U8(i), unique);
}

void TQoSAMCoupeEngine::ClutIndicesOfLine(TQoByteView screen, const TQoSAMCoupeFormat& format,
                                          int y, uint32_t* indices) {
  const auto line = static_cast<std::size_t>(y);
  switch (format.Mode) {
    case 1:
    case 2: {
      // One bit a pixel with an attribute byte per 8 pixels: for a character cell in
      // mode 1 (the ZX Spectrum's thirds of the screen), for each line in mode 2.
      const std::size_t row = line / 8;
      const std::size_t bitsAt =
          format.Mode == 1 ? (row / 8) * 2048 + (line % 8) * 256 + (row % 8) * 32 : line * 32;
      const std::size_t attributesAt = format.AttributesAt + (format.Mode == 1 ? row : line) * 32;
      for (std::size_t c = 0; c < 32; ++c) {
        const uint8_t bits = screen.U8(bitsAt + c);
        int ink = 0, paper = 0;
        SplitSpectrumAttribute(screen.U8(attributesAt + c), ink, paper);
        for (std::size_t b = 0; b < 8; ++b) {
          indices[c * 8 + b] = static_cast<uint32_t>((bits >> (7 - b)) & 1u ? ink : paper);
        }
      }
      break;
    }
    case 3: {
      // Four 2-bit pixels a byte. The screen files store the middle two CLUT numbers
      // exchanged; the ".ssx" files store them as they are.
      static constexpr uint32_t kScreenFileOrder[4] = {0, 2, 1, 3};
      const bool exchanged = format.Kind != kQoSAMSsxFile;
      const TQoByteView bytes = screen.Sub(line * kLineBytes, kLineBytes);
      for (std::size_t x = 0; x < 512; ++x) {
        const uint32_t value = (bytes.U8(x / 4) >> (6 - 2 * (x % 4))) & 3u;
        indices[x] = exchanged ? kScreenFileOrder[value] : value;
      }
      break;
    }
    case 4: {
      const TQoByteView bytes = screen.Sub(line * kLineBytes, kLineBytes);
      for (std::size_t x = 0; x < 256; ++x) {
        indices[x] = (x % 2 ? bytes.U8(x / 2) : bytes.U8(x / 2) >> 4) & 0x0Fu;
      }
      break;
    }
    default:
      qo::RaiseInternalError();
  }
}

// Screens of one mode.

uint8_t TQoSAMCoupeScreenEngine::Detect(TQoLoadSource& source, const TQoSAMCoupeFormat& format) {
  const TQoByteView file = source.Bytes();
  const std::size_t size = file.Size();
  if (format.Kind == kQoSAMSsxFile) {
    const std::size_t n = ClutCount(format);
    if (size != format.ClutAt + n || !QoIsSAMColorRun(file.From(format.ClutAt), n)) return 0;
    return QoDetect(source, {.Extensions = format.Extensions});
  }
  const std::size_t tableAt = format.ClutAt + TQoSAMCoupePaletteBlock::kSize;
  TQoSAMCoupePaletteBlock block;
  if (format.Kind == kQoSAMPlainFile) {
    if (size != tableAt + 1 || !HasPlainTail(file, format.ClutAt, block)) return 0;
  } else {
    TQoSAMCoupeLineTable table;
    if (size <= tableAt + 1 || !block.Read(file, format.ClutAt) || file.U8(tableAt) == 0xFF ||
        !table.Read(file, tableAt)) {
      return 0;
    }
  }
  return QoDetect(source, {.Signed = block.HasMarkers, .Extensions = format.Extensions});
}

TQoSAMCoupeScreenEngine::TQoSAMCoupeScreenEngine(TQoLoadSource& source,
                                                 const TQoSAMCoupeFormat& format)
    : TQoSAMCoupeEngine(source, format.ClassName), format_(format) {
  if (Detect(source, format) == 0) qo::RaiseInternalError();
  const TQoByteView file = Bytes();
  Screen = file.Sub(0, format.ClutAt);
  Clut = file.Sub(format.ClutAt, ClutCount(format));
  if (format.Kind == kQoSAMLineChangeFile &&
      !LineChanges.Read(file, format.ClutAt + TQoSAMCoupePaletteBlock::kSize)) {
    qo::RaiseInternalError();
  }
  Width = format.Mode == 3 ? 512 : 256;
  Height = kLines;
  ColorDepth = format.Kind == kQoSAMLineChangeFile ? 8 : format.Mode == 3 ? 2 : 4;
  Description = ModeDescription(format);
  DefaultExtension = std::string(format.Extensions.First());
  if (format.Mode == 3) AspectIndex = kQoAspect1to2;
}

std::unique_ptr<TQoBitmap> TQoSAMCoupeScreenEngine::Decode() {
  if (format_.Kind == kQoSAMLineChangeFile) return DecodeLineChanges();
  Palette->Clear();
  AddClut(Clut, Clut.Size(), false);
  PaletteColumns = Palette->GetCount();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  std::array<uint32_t, kMaxWidth> line{};
  for (int y = 0; y < Height; ++y) {
    ClutIndicesOfLine(Screen, format_, y, line.data());
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoSAMCoupeScreenEngine::DecodeLineChanges() {
  // Every colour the picture can show: the CLUT's and those the interrupts bring.
  Palette->Clear();
  AddClut(Clut, Clut.Size(), true);
  for (const TQoSAMCoupeLineChange& change : LineChanges.Entries) AddColor(change.Color, true);
  Palette->SortByLuminance(0);
  PaletteColumns = 16;

  std::array<int, kQoSAMColorCount> indexOf;
  indexOf.fill(-1);
  auto paletteIndex = [&](uint8_t color) {
    int& index = indexOf[color & 0x7Fu];
    if (index < 0) index = Palette->IndexOf(QoSAMColor(color));
    return static_cast<uint32_t>(index);
  };

  std::array<uint8_t, 16> clut{};
  for (std::size_t i = 0; i < Clut.Size(); ++i) clut[i] = Clut.U8(i);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  std::array<uint32_t, kMaxWidth> line{};
  for (int y = 0; y < Height; ++y) {
    // An interrupt at line n takes effect from line n + 1; later entries win.
    for (const TQoSAMCoupeLineChange& change : LineChanges.Entries) {
      if (y > 0 && change.Line + 1 == y) clut[change.Index] = change.Color;
    }
    ClutIndicesOfLine(Screen, format_, y, line.data());
    for (int x = 0; x < Width; ++x) {
      line[static_cast<std::size_t>(x)] = paletteIndex(clut[line[static_cast<std::size_t>(x)]]);
    }
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

// Interlaced mode 4 pairs.

uint8_t TQoSAMCoupeMode4InterlacedEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() != 2 * kPlainMode4Size) return 0;
  bool markers = true;
  for (std::size_t k = 0; k < 2; ++k) {
    TQoSAMCoupePaletteBlock block;
    if (!HasPlainTail(file, k * kPlainMode4Size + kQoSAMCoupeMode4SS4Format.ClutAt, block)) {
      return 0;
    }
    markers = markers && block.HasMarkers;
  }
  return QoDetect(source, {.Signed = markers, .Extensions = ".lce .sl4"});
}

TQoSAMCoupeMode4InterlacedEngine::TQoSAMCoupeMode4InterlacedEngine(TQoLoadSource& source)
    : TQoSAMCoupeEngine(source, ClassName) {
  if (Detect(source) == 0) qo::RaiseInternalError();
  const TQoByteView file = Bytes();
  const std::size_t clutAt = kQoSAMCoupeMode4SS4Format.ClutAt;
  for (std::size_t k = 0; k < 2; ++k) {
    Screens[k] = file.Sub(k * kPlainMode4Size, clutAt);
    Cluts[k] = file.Sub(k * kPlainMode4Size + clutAt, 16);
  }
  Width = 256;
  Height = 2 * kLines;
  ColorDepth = std::equal(Cluts[0].Data(), Cluts[0].Data() + 16, Cluts[1].Data()) ? 4 : 8;
  Description = " mode 4 interlaced image";
  DefaultExtension = ".lce";
  AspectIndex = kQoAspect2to1;
}

std::unique_ptr<TQoBitmap> TQoSAMCoupeMode4InterlacedEngine::Decode() {
  // One CLUT for both screens keeps 16 colours; two CLUTs give the second screen's
  // pixels the colours 16 to 31.
  const bool shared = ColorDepth == 4;
  Palette->Clear();
  AddClut(Cluts[0], 16, false);
  if (!shared) AddClut(Cluts[1], 16, false);
  PaletteColumns = 16;
  std::unique_ptr<TQoBitmap> bmp;
  if (shared) {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  std::array<uint32_t, kMaxWidth> line{};
  for (int y = 0; y < Height; ++y) {
    const std::size_t k = static_cast<std::size_t>(y) % 2;
    ClutIndicesOfLine(Screens[k], kQoSAMCoupeMode4SS4Format, y / 2, line.data());
    if (k == 1 && !shared) {
      for (int x = 0; x < Width; ++x) line[static_cast<std::size_t>(x)] += 16;
    }
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

// Raw pictures of SAM colours.

uint8_t TQoSAMCoupeModeRAWEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() != kRawSize || !QoIsSAMColorRun(file, kRawSize)) return 0;
  return QoDetect(source, {.Extensions = ".ssx"});
}

TQoSAMCoupeModeRAWEngine::TQoSAMCoupeModeRAWEngine(TQoLoadSource& source)
    : TQoSAMCoupeEngine(source, ClassName) {
  if (Detect(source) == 0) qo::RaiseInternalError();
  Width = 512;
  Height = kLines;
  ColorDepth = 8;
  Description = " RAW image";
  DefaultExtension = ".ssx";
  AspectIndex = kQoAspect1to2;
}

std::unique_ptr<TQoBitmap> TQoSAMCoupeModeRAWEngine::Decode() {
  Palette->Clear();
  for (int c = 0; c < kQoSAMColorCount; ++c) AddColor(static_cast<uint8_t>(c), false);
  PaletteColumns = 16;
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  const TQoByteView file = Bytes();
  std::array<uint32_t, kMaxWidth> line{};
  for (int y = 0; y < Height; ++y) {
    const TQoByteView bytes = file.Sub(static_cast<std::size_t>(y) * 512, 512);
    for (std::size_t x = 0; x < 512; ++x) line[x] = bytes.U8(x);
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

void RegisterSAMCoupeEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode1SS1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode1SSXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode1SS1PCHGEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode2SS2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode2SSXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode2SS2PCHGEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode3SS3Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode3SSXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode3SS3PCHGEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode4SS4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode4SSXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeModeSS4PCHGEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeMode4InterlacedEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSAMCoupeModeRAWEngine>());
}
