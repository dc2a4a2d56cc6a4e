#include "platforms/BK0010/QoOpenPlatformBK0010.h"

#include <array>
#include <string>

#include "color/QoAspect.h"

namespace {

bool IsMono(TQoBK0010Layout layout) {
  return layout == kQoBKMono || layout == kQoBKMonoPair;
}

bool IsPair(TQoBK0010Layout layout) {
  return layout == kQoBKColorPair || layout == kQoBKMonoPair;
}

std::size_t ScreenAt(const TQoBK0010Format& format) {
  return format.LoadHeader ? 4 : 0;
}

// The palette numbers follow the screens.
std::size_t NumbersAt(const TQoBK0010Format& format) {
  return ScreenAt(format) + (IsPair(format.Layout) ? 2 : 1) * kQoBKScreenSize;
}

std::string PaletteDescription(unsigned a, unsigned b) {
  std::string text = " palette " + std::to_string(a);
  if (b != a) text += "/" + std::to_string(b);
  return text + " image";
}

}  // namespace

uint8_t TQoBaseBK0010SourceEngine::Detect(TQoLoadSource& source, const TQoBK0010Format& format) {
  const TQoByteView file = source.Bytes();
  if (format.LoadHeader && !QoIsBKScreenLoadHeader(file)) return 0;
  const uint8_t flags = QoDetect(
      source, {.Size = format.Size, .Signed = format.LoadHeader, .Extensions = format.Extensions});
  if (flags == 0 || format.PaletteCount == 0) return flags;
  TQoBK0010PaletteNumbers numbers;
  return numbers.Read(file, NumbersAt(format), format.PaletteCount) ? flags : 0;
}

TQoBaseBK0010SourceEngine::TQoBaseBK0010SourceEngine(TQoLoadSource& source,
                                                     const TQoBK0010Format& format)
    : TQoSourceEngine(source, format.ClassName), format_(format) {
  PlatformName = "BK-0011";
  DefaultExtension = std::string(format.Extensions.First());
  // Built on no data, an engine only tells its class.
  if (source.Bytes().Empty()) return;
  if (Detect(source, format) == 0) qo::RaiseInternalError();
  const TQoByteView file = Bytes();
  const bool pair = IsPair(format.Layout);
  for (std::size_t k = 0; k < (pair ? 2u : 1u); ++k) {
    Screens[k] = file.Sub(ScreenAt(format) + k * kQoBKScreenSize, kQoBKScreenSize);
  }
  if (format.PaletteCount && !Numbers.Read(file, NumbersAt(format), format.PaletteCount)) {
    qo::RaiseInternalError();
  }
  if (pair) FrameCount = 2;
  if (IsMono(format.Layout)) {
    Width = 512;
    ColorDepth = 1;
    AspectIndex = static_cast<uint8_t>(QoAspectIndexByLabel("2:3"));
    Description = " B/W image";
  } else {
    Width = 256;
    ColorDepth = 2;
    AspectIndex = static_cast<uint8_t>(QoAspectIndexByLabel("4:3"));
    if (format.Layout == kQoBKLinePalettes) {
      Description = " PCHG image";
    } else if (format.Layout == kQoBKColorPair) {
      Description = PaletteDescription(Numbers.At(0), Numbers.At(1));
    } else {
      const unsigned number = format.PaletteCount ? Numbers.At(0) : 0;
      Description = PaletteDescription(number, number);
    }
  }
  Height = kQoBKLines;
}

std::unique_ptr<TQoBitmap> TQoBaseBK0010SourceEngine::Decode() {
  switch (format_.Layout) {
    case kQoBKLinePalettes:
      return DecodeLinePalettes();
    case kQoBKColorPair:
      return DecodeColorPair();
    case kQoBKMonoPair:
      return DecodeMonoPair();
    default:
      break;
  }
  std::unique_ptr<TQoBitmap> bmp;
  const bool mono = format_.Layout == kQoBKMono;
  if (mono) {
    SetMonoPalette(false);
    bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  } else {
    QoSetBK0011Palette(*Palette, format_.PaletteCount ? Numbers.At(0) : 0);
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  }
  std::array<uint32_t, 512> line{};
  for (int y = 0; y < Height; ++y) {
    if (mono) {
      QoBKMonoLine(Screens[0], y, line.data());
    } else {
      QoBKColorLine(Screens[0], y, line.data());
    }
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoBaseBK0010SourceEngine::DecodeLinePalettes() {
  // One picture palette for every line: all colours the 16 palettes can show, darkest
  // first; each line then looks its four colours up in it.
  Palette->Clear();
  for (unsigned number = 0; number < kQoBKPaletteCount; ++number) {
    for (unsigned i = 0; i < 4; ++i) Palette->AddUnique(QoBK0011Color(number, i));
  }
  Palette->SortByLuminance(0);
  std::array<std::array<uint32_t, 4>, kQoBKPaletteCount> indexOf{};
  for (unsigned number = 0; number < kQoBKPaletteCount; ++number) {
    for (unsigned i = 0; i < 4; ++i) {
      indexOf[number][i] = static_cast<uint32_t>(Palette->IndexOf(QoBK0011Color(number, i)));
    }
  }
  std::unique_ptr<TQoBitmap> bmp;
  if (Palette->GetCount() <= 16) {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  std::array<uint32_t, 256> line{};
  for (int y = 0; y < Height; ++y) {
    QoBKColorLine(Screens[0], y, line.data());
    const auto& lookup = indexOf[Numbers.At(static_cast<std::size_t>(y))];
    for (uint32_t& value : line) value = lookup[value];
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoBaseBK0010SourceEngine::DecodeColorPair() {
  // The screens alternate: each frame keeps its own palette, the still picture shows
  // the average of the two colours a pixel flickers between.
  EnsureSourcePalette();
  EnsureExtraPalette();
  QoSetBK0011Palette(*SourcePalette, Numbers.At(0));
  QoSetBK0011Palette(*ExtraPalette, Numbers.At(1));
  Palette->MixPairs(*SourcePalette, *ExtraPalette);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < i; ++j) Palette->GetPColor(i * 4 + j).Excluded = 1;
  }
  PaletteColumns = 4;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  TQoBitmap* frame1 = bmp->AddFrame(SourcePalette.get());
  TQoBitmap* frame2 = bmp->AddFrame(ExtraPalette.get());
  std::array<uint32_t, 256> first{}, second{};
  for (int y = 0; y < Height; ++y) {
    QoBKColorLine(Screens[0], y, first.data());
    QoBKColorLine(Screens[1], y, second.data());
    frame1->SetRow(y, first.data(), Width);
    frame2->SetRow(y, second.data(), Width);
    for (std::size_t x = 0; x < first.size(); ++x) first[x] = first[x] * 4 + second[x];
    bmp->SetRow(y, first.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoBaseBK0010SourceEngine::DecodeMonoPair() {
  SetMonoMixedPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  TQoBitmap* frame1 = bmp->AddFrame(SourcePalette.get());
  TQoBitmap* frame2 = bmp->AddFrame(SourcePalette.get());
  for (int y = 0; y < Height; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * kQoBKLineBytes;
    for (std::size_t c = 0; c < kQoBKLineBytes; ++c) {
      PlotPair1LsbFirst(*bmp, frame1, frame2, Screens[0].U8(at + c), Screens[1].U8(at + c),
                        static_cast<int>(c), y);
    }
  }
  return bmp;
}

void RegisterBK0010Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010BKSSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010BKSPCHGSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010BKSExSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010BKSBWSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010BKSBWExSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010PICSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010BINSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBK0010BINBWSourceEngine>());
}
