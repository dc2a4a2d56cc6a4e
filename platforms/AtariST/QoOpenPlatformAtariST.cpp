#include "platforms/AtariST/QoOpenPlatformAtariST.h"

#include "color/QoAspect.h"

#include <algorithm>
#include <array>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoOpenPlatformAtariFalcon.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTFlicker.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTGEM.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTMono.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTMultiPalette.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTPacked.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTTrueColor.h"

namespace {

// Pixel aspect entries of the ST resolutions: a low-resolution pixel is a little taller
// than wide on a monitor of the time, a medium-resolution one about twice as tall.

constexpr std::size_t WordsPerLine(int32_t width) {
  return (static_cast<std::size_t>(width) + 15) / 16;
}

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return r << 16 | g << 8 | b;
}

// The values of `width` pixels of `planes` bitplanes, where word g of plane k is the
// big-endian word at start + k * planeStride + g * groupStride. The most significant bit
// of a word is the leftmost pixel; plane 0 gives the lowest bit of the value.
void AssemblePlanes(TQoByteView data, std::size_t start, std::size_t planeStride,
                    std::size_t groupStride, int planes, int32_t width, uint32_t* values) {
  const std::size_t groups = WordsPerLine(width);
  for (std::size_t g = 0; g < groups; ++g) {
    std::array<uint32_t, 16> group{};
    for (int k = 0; k < planes; ++k) {
      const uint16_t word =
          data.BE16(start + static_cast<std::size_t>(k) * planeStride + g * groupStride);
      for (int i = 0; i < 16; ++i)
        group[static_cast<std::size_t>(i)] |= ((word >> (15 - i)) & 1u) << k;
    }
    const std::size_t first = 16 * g;
    const std::size_t count = std::min<std::size_t>(16, static_cast<std::size_t>(width) - first);
    std::copy_n(group.begin(), count, values + first);
  }
}

// The entry of a colour the first pass collected; a line palette that changed between
// the passes gets the nearest entry rather than an error.
uint32_t IndexOrNearest(const TQoPalette256& palette, uint32_t rgb) {
  for (int i = 0; i < palette.GetCount(); ++i) {
    if (palette.GetRGBQuad(i) == rgb) return static_cast<uint32_t>(i);
  }
  TQoColor color;
  color.SetRGBQuad(rgb);
  return static_cast<uint32_t>(std::max(0, palette.NearestIndex(color.GetLinRGB())));
}

// Direct colour from a line-planar value of 15, 16, 24 or 32 bits (blue in the high bits).
uint32_t DirectColor(uint32_t v, int depth) {
  switch (depth) {
    case 15:
      return Rgb(qo::WidenLevel(v & 31, 5), qo::WidenLevel((v >> 5) & 31, 5),
                 qo::WidenLevel((v >> 10) & 31, 5));
    case 16:
      return Rgb(qo::WidenLevel(v & 31, 5), qo::WidenLevel((v >> 5) & 63, 6),
                 qo::WidenLevel((v >> 11) & 31, 5));
    default:
      return Rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
  }
}

}  // namespace

TQoAtariSTBaseEngine::TQoAtariSTBaseEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Atari ST";
}

void TQoAtariSTBaseEngine::GetLinePalette(int, TQoPalette256&) {}

void TQoAtariSTBaseEngine::SetSTLowAspect() {
  AspectMask = QoAspectBit(kQoAspect5to6);
  AspectIndex = kQoAspect5to6;
}

void TQoAtariSTBaseEngine::SetSTMediumAspect() {
  AspectMask = QoAspectBit(kQoAspect5to12) | QoAspectBit(kQoAspect1to2);
  AspectIndex = kQoAspect5to12;
}

void TQoAtariSTBaseEngine::SetSTResolution(uint16_t resolution) {
  struct TQoSTResolutionPreset {
    int32_t Width, Height, Planes;
    uint8_t Layout;
  };
  static constexpr TQoSTResolutionPreset kPresets[] = {
      {320, 200, 4, kSTLayoutLow}, {640, 200, 2, kSTLayoutMedium}, {640, 400, 1, kSTLayoutHigh}};
  if (resolution > kSTHighResolution) qo::RaiseInternalError();
  const TQoSTResolutionPreset& preset = kPresets[resolution];
  Width = preset.Width;
  Height = preset.Height;
  ColorDepth = preset.Planes;
  Layout = preset.Layout;
  if (resolution == kSTMediumResolution) {
    SetSTMediumAspect();
  } else {
    SetSTLowAspect();
  }
}

void TQoAtariSTBaseEngine::DetectSTPalette(TQoByteView words, int n) {
  PaletteTypes = {ptAtariST, ptAtariSTE};
  if (HasSTEBits(words, n)) {
    PaletteType = ptAtariSTE;
    PlatformName = "Atari STE";
  } else {
    PaletteType = ptAtariST;
    PlatformName = "Atari ST";
  }
}

void TQoAtariSTBaseEngine::LoadIndexedPalette() {
  if (ColorDepth > 8) return;
  if (ColorDepth == 1 && PaletteData.Empty()) {
    SetMonoPalette(true);
    return;
  }
  LoadSTPalette(PaletteData, *Palette, 1 << ColorDepth, PaletteType);
}

void TQoAtariSTBaseEngine::AddDegasCycleRanges(const TQoDegasCycleTrailer& trailer) {
  for (int c = 0; c < 4; ++c) {
    const uint16_t direction = trailer.Direction[c];
    if (direction == 1) continue;
    const uint16_t left = trailer.Left[c], right = trailer.Right[c], delay = trailer.Delay[c];
    if ((direction != 0 && direction != 2) || left >= 16 || right >= 16 || left >= right ||
        delay > 128) {
      break;
    }
    AddCycleRange(left, right, direction == 0 ? 1 : 0, 129 - delay);
    HasColorCycling = 1;
  }
}

void TQoAtariSTBaseEngine::AddLimitsCycleRange(uint8_t limits, int8_t speed) {
  const int low = limits >> 4, high = limits & 15;
  if (high <= low) return;
  AddCycleRange(low, high, speed < 0 ? 1 : 0, (speed < 0 ? -speed : speed) + 1);
  HasColorCycling = 1;
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::NewBitmapForCollectedPalette() const {
  const int count = Palette->GetCount();
  if (count == 0) return std::make_unique<TQoBitmap24>(Width, Height);
  if (count == 1) return std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  if (count <= 4) return std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  return std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::NewBitmapForDepth() const {
  if (ColorDepth > 8) return std::make_unique<TQoBitmap24>(Width, Height);
  if (ColorDepth >= 5) return std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  if (ColorDepth >= 2) return std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  return std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
}

void TQoAtariSTBaseEngine::InterleavedLine(TQoByteView data, int y,
                                           std::vector<uint32_t>& values) const {
  const std::size_t lineBytes = WordsPerLine(Width) * 2 * static_cast<std::size_t>(ColorDepth);
  const std::size_t stride = lineBytes + static_cast<std::size_t>(LinePadding);
  AssemblePlanes(data, static_cast<std::size_t>(y) * stride, 2,
                 2 * static_cast<std::size_t>(ColorDepth), ColorDepth, Width, values.data());
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodePlanes(TQoPlaneOrder order,
                                                              bool paletteReady) {
  if (Width <= 0 || Height <= 0 || ColorDepth < 1 || ColorDepth > 32) qo::RaiseInternalError();
  if (!paletteReady) LoadIndexedPalette();
  auto bmp = NewBitmapForDepth();
  const std::size_t lineWords = WordsPerLine(Width);
  const auto planes = static_cast<std::size_t>(ColorDepth);
  const bool direct = order == TQoPlaneOrder::LinePlanar && ColorDepth > 8;
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const auto line = static_cast<std::size_t>(y);
    switch (order) {
      case TQoPlaneOrder::Interleaved:
        InterleavedLine(PixelData, y, values);
        break;
      case TQoPlaneOrder::LinePlanar:
        AssemblePlanes(PixelData, line * lineWords * 2 * planes, lineWords * 2, 2, ColorDepth,
                       Width, values.data());
        break;
      case TQoPlaneOrder::PlanePlanar:
        AssemblePlanes(PixelData, line * lineWords * 2,
                       lineWords * 2 * static_cast<std::size_t>(Height), 2, ColorDepth, Width,
                       values.data());
        break;
    }
    if (direct) {
      for (uint32_t& v : values) v = DirectColor(v, ColorDepth);
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodeInterleaved(bool paletteReady) {
  return DecodePlanes(TQoPlaneOrder::Interleaved, paletteReady);
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodeLinePlanar(bool paletteReady) {
  return DecodePlanes(TQoPlaneOrder::LinePlanar, paletteReady);
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodePlanePlanar(bool paletteReady) {
  return DecodePlanes(TQoPlaneOrder::PlanePlanar, paletteReady);
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodeLinePalettes() {
  if (Width <= 0 || Height <= 0 || ColorDepth < 1 || ColorDepth > 8) qo::RaiseInternalError();
  const int colors = 1 << ColorDepth;
  EnsureSourcePalette();
  // The colours a line can show; entries the line palette lacks are black.
  std::vector<uint32_t> lineColors(static_cast<std::size_t>(colors));
  auto readLineColors = [&](int y) {
    GetLinePalette(y, *SourcePalette);
    for (int v = 0; v < colors; ++v) {
      lineColors[static_cast<std::size_t>(v)] =
          v < SourcePalette->GetCount() ? SourcePalette->GetRGBQuad(v) : 0;
    }
  };

  Palette->Clear();
  try {
    for (int y = 0; y < Height; ++y) {
      readLineColors(y);
      for (uint32_t color : lineColors) Palette->AddUnique(color);
    }
    Palette->SortByLuminance(0);
  } catch (const ETooManyColors&) {
    Palette->Clear();
  }

  const int count = Palette->GetCount();
  std::unique_ptr<TQoBitmap> bmp = NewBitmapForCollectedPalette();

  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  std::vector<uint32_t> lookup(static_cast<std::size_t>(colors));
  for (int y = 0; y < Height; ++y) {
    readLineColors(y);
    for (int v = 0; v < colors; ++v) {
      const uint32_t color = lineColors[static_cast<std::size_t>(v)];
      lookup[static_cast<std::size_t>(v)] = count == 0 ? color : IndexOrNearest(*Palette, color);
    }
    InterleavedLine(PixelData, y, values);
    for (uint32_t& v : values) v = lookup[v];
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodeTwoScreens() {
  if (Width <= 0 || Height <= 0 || (ColorDepth != 2 && ColorDepth != 4)) qo::RaiseInternalError();
  const int colors = 1 << ColorDepth;
  EnsureSourcePalette();
  LoadSTLinearPalette(PaletteData, *SourcePalette, colors, PaletteType);
  Palette->Mix(*SourcePalette, 100, 0);
  PaletteColumns = colors;

  std::unique_ptr<TQoBitmap> bmp;
  if (ColorDepth < 3) {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  TQoBitmap* first = bmp->AddFrame(SourcePalette.get());
  TQoBitmap* second = bmp->AddFrame(SourcePalette.get());
  std::vector<uint32_t> a(static_cast<std::size_t>(Width)), b(a.size()), mixed(a.size());
  for (int y = 0; y < Height; ++y) {
    InterleavedLine(PixelData, y, a);
    InterleavedLine(SecondScreen, y, b);
    for (std::size_t x = 0; x < a.size(); ++x) {
      mixed[x] = a[x] * static_cast<uint32_t>(colors) + b[x];
    }
    bmp->SetRow(y, mixed.data(), Width);
    first->SetRow(y, a.data(), Width);
    second->SetRow(y, b.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodeChunky(TQoChunkyPixel pixel,
                                                              bool byteSwapped) {
  if (Width <= 0 || Height <= 0) qo::RaiseInternalError();
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::size_t bytesPerPixel = 2;
  if (pixel == TQoChunkyPixel::RGB24 || pixel == TQoChunkyPixel::BGR24) bytesPerPixel = 3;
  if (pixel == TQoChunkyPixel::XRGB32) bytesPerPixel = 4;
  const std::size_t lineBytes = bytesPerPixel * static_cast<std::size_t>(Width);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* p = PixelData.Ptr(static_cast<std::size_t>(y) * lineBytes, lineBytes);
    for (uint32_t& out : values) {
      switch (pixel) {
        case TQoChunkyPixel::RGB555:
        case TQoChunkyPixel::RGB565: {
          const uint32_t w = byteSwapped ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
          out = pixel == TQoChunkyPixel::RGB555
                    ? Rgb(qo::WidenLevel((w >> 10) & 31, 5), qo::WidenLevel((w >> 5) & 31, 5),
                          qo::WidenLevel(w & 31, 5))
                    : Rgb(qo::WidenLevel((w >> 11) & 31, 5), qo::WidenLevel((w >> 5) & 63, 6),
                          qo::WidenLevel(w & 31, 5));
          break;
        }
        case TQoChunkyPixel::RGB24:
          out = Rgb(p[0], p[1], p[2]);
          break;
        case TQoChunkyPixel::BGR24:
          out = Rgb(p[2], p[1], p[0]);
          break;
        case TQoChunkyPixel::XRGB32:
          out = Rgb(p[1], p[2], p[3]);
          break;
      }
      p += bytesPerPixel;
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::DecodeChunky8(bool paletteReady) {
  if (Width <= 0 || Height <= 0) qo::RaiseInternalError();
  if (!paletteReady) LoadFalconPalette(PaletteData, *Palette, 256);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  const auto width = static_cast<std::size_t>(Width);
  for (int y = 0; y < Height; ++y) {
    const uint8_t* p = PixelData.Ptr(static_cast<std::size_t>(y) * width, width);
    std::copy_n(p, width, bmp->GetScanLine(y));
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAtariSTBaseEngine::Decode() {
  switch (Layout) {
    case kSTLayoutLow:
    case kSTLayoutMedium:
    case kSTLayoutHigh:
      return DecodeInterleaved(false);
    case kSTLayoutLowLinePlanar:
    case kSTLayoutMediumLinePlanar:
      return DecodeLinePlanar(false);
    case kSTLayoutLowPlanePlanar:
    case kSTLayoutMediumPlanePlanar:
      return DecodePlanePlanar(false);
    case kSTLayoutLowLinePalettes:
    case kSTLayoutMediumLinePalettes:
      return DecodeLinePalettes();
    case kSTLayoutLowTwoScreens:
    case kSTLayoutMediumTwoScreens:
      return DecodeTwoScreens();
    case kSTLayoutFalcon256:
      LoadFalconPalette(PaletteData, *Palette, 256);
      return DecodeInterleaved(true);
    case kSTLayoutRGB565:
      return DecodeChunky(TQoChunkyPixel::RGB565, true);
    default:
      qo::RaiseInternalError();
  }
}

// DEGAS and its relatives: a resolution word, the palette, then the screen.

namespace {

struct TQoDegasSize {
  int32_t FileSize;
  uint16_t Resolution;
  int32_t Width;
  int32_t Height;
  TQoExtensions Extensions;  // the extensions that rate 10
};

// clang-format off
constexpr TQoDegasSize kDegasSizes[] = {
    {32034, 0, 320, 200, ".pi1 .bil .pic"}, {32034, 1, 640, 200, ".pi2 .pic"},
    {32034, 2, 640, 400, ".pi3 .pic"},
    {32066, 0, 320, 200, ".pi1"}, {32066, 1, 640, 200, ".pi2"}, {32066, 2, 640, 400, ".pi3"},
    {32128, 0, 320, 200, ".pi1"}, {32128, 1, 640, 200, ".pi2"}, {32128, 2, 640, 400, ".pi3"},
    {38434, 4, 320, 240, ".pi1"},
    {44834, 0, 320, 280, ".pi1"},
    {116514, 0, 416, 560, ".pi1"},
    {64034, 0, 320, 400, ".pic"}, {64034, 1, 640, 400, ".pic"}, {64034, 2, 640, 800, ".pic"},
    {153634, 4, 640, 480, ".pi5"},
    {154114, 7, 320, 480, ".pi4"},
};
// clang-format on

constexpr int32_t kDegasEliteSize = 32066;
constexpr int32_t kTTLowSize = 153634;
constexpr int32_t kTT256Size = 154114;

const TQoDegasSize* FindDegasSize(int32_t size, uint16_t resolution) {
  for (const TQoDegasSize& row : kDegasSizes) {
    if (row.FileSize == size && row.Resolution == resolution) return &row;
  }
  return nullptr;
}

// The palette test of a DEGAS file: by resolution, and 256 words for the TT's 8 planes.
bool DegasPaletteValid(const TQoAtariDegasHeader& header) {
  switch (header.Resolution) {
    case 4:
      return IsValidSTPalette(header.Palette, 16);
    case 7:
      return IsValidSTPalette(header.Palette, 256);
    default:
      return header.HasValidSTResolution();
  }
}

}  // namespace

uint8_t TQoAtariSTDEGASEngine::Detect(TQoLoadSource& source) {
  TQoAtariDegasHeader header;
  if (!header.Read(source.Bytes(), 0)) return 0;
  const TQoDegasSize* row = FindDegasSize(source.Size, header.Resolution);
  if (!row || !DegasPaletteValid(header)) return 0;
  return QoDetect(source, {.Extensions = row->Extensions});
}

TQoAtariSTDEGASEngine::TQoAtariSTDEGASEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoAtariDegasHeader header;
  if (!header.Read(Bytes(), 0)) qo::RaiseInternalError();
  const TQoDegasSize* row = FindDegasSize(source.Size, header.Resolution);
  if (!row) qo::RaiseInternalError();
  const uint16_t resolution = header.Resolution;
  Width = row->Width;
  Height = row->Height;
  ModeName = "DEGAS";
  PixelData = Bytes().From(source.Size == kTT256Size ? 514 : 34);
  if (resolution == 4 || resolution == 7) {
    // The TT's 16- and 256-colour modes: its own palette words, no ST palette types.
    ColorDepth = resolution == 7 ? 8 : 4;
    Layout = kSTLayoutLow;
    PaletteData = header.Palette;
    if (source.Size == kTTLowSize || source.Size == kTT256Size) {
      PlatformName = "Atari TT";
      DefaultExtension = source.Size == kTTLowSize ? ".pi5" : ".pi4";
      if (source.Size == kTT256Size) AspectIndex = kQoAspect2to1;  // the TT's 320 x 480 mode
    } else {
      SetSTLowAspect();
      DetectSTPalette(PaletteData, 16);
      DefaultExtension = ".pi1";
    }
    return;
  }
  const int32_t width = Width, height = Height;
  SetSTResolution(resolution);
  Width = width;
  Height = height;
  if (resolution != kSTHighResolution) {
    PaletteData = header.Palette;
    DetectSTPalette(PaletteData, resolution == kSTLowResolution ? 16 : 4);
  }
  static constexpr const char* kExtensions[] = {".pi1", ".pi2", ".pi3"};
  DefaultExtension = kExtensions[resolution];
  if (source.Size == 32034 && resolution == kSTLowResolution && source.Extension == ".bil") {
    ModeName = "ColorSTar";
    DefaultExtension = ".bil";
  } else if ((source.Size == 32034 && source.Extension == ".pic") || source.Size == 64034) {
    ModeName = "PaintPro ST";
    DefaultExtension = ".pic";
  } else if (source.Size == kDegasEliteSize) {
    ModeName += " Elite";
    TQoDegasCycleTrailer trailer;
    if (resolution == kSTLowResolution && trailer.Read(Bytes())) AddDegasCycleRanges(trailer);
  }
}

std::unique_ptr<TQoBitmap> TQoAtariSTDEGASEngine::Decode() {
  if (Source->Size == kTTLowSize || Source->Size == kTT256Size) {
    LoadTTPalette(PaletteData, *Palette, 1 << ColorDepth);
    return DecodeInterleaved(true);
  }
  return TQoAtariSTBaseEngine::Decode();
}

// NEOchrome: a 128-byte header, the screen, and for low resolution an optional raster
// file (.rst) that gives lines their own palettes.

uint8_t TQoAtariSTNEOchromeEngine::Detect(TQoLoadSource& source) {
  TQoAtariNeoHeader header;
  if (!header.Read(source.Bytes())) return 0;
  if (source.Size == 32128) {
    if (header.Flag != 0 || header.Resolution > kSTHighResolution) return 0;
  } else if (source.Size == 128128) {
    if (header.Flag != 0xBABE || header.Resolution != 0 || !IsValidSTPalette(header.Palette, 16) ||
        (header.WidthWord != 0 && header.WidthWord != 640) ||
        (header.HeightWord != 0 && header.HeightWord != 400)) {
      return 0;
    }
  } else {
    return 0;
  }
  return QoDetect(source, {.Extensions = ".neo"});
}

TQoAtariSTNEOchromeEngine::TQoAtariSTNEOchromeEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoAtariNeoHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  ModeName = "NEOchrome";
  DefaultExtension = ".neo";
  PixelData = Bytes().From(TQoAtariNeoHeader::kSize);
  if (source.Size == 128128) {
    SetSTResolution(kSTLowResolution);
    Width = 640;
    Height = 400;
    PaletteData = header.Palette;
    DetectSTPalette(PaletteData, 16);
    return;
  }
  SetSTResolution(header.Resolution);
  if (header.Resolution == kSTMediumResolution) {
    PaletteData = header.Palette;
    DetectSTPalette(PaletteData, 4);
  } else if (header.Resolution == kSTLowResolution) {
    if (UseRasterCompanion()) return;
    PaletteData = header.Palette;
    DetectSTPalette(PaletteData, 16);
    ReadCycleRange(header);
  }
}

bool TQoAtariSTNEOchromeEngine::UseRasterCompanion() {
  const TQoByteView raster = Source->CompanionWithExtension(".rst");
  if (raster.Size() != static_cast<std::size_t>(kRasterRecords * kRasterRecordBytes)) return false;
  AuxData = raster;
  Layout = kSTLayoutLowLinePalettes;
  // The STE palette type when any line needs the fourth bits.
  bool ste = false;
  for (int r = 0; r < kRasterRecords && !ste; ++r) {
    ste = HasSTEBits(AuxData.Sub(static_cast<std::size_t>(r) * kRasterRecordBytes + 2, 32), 16);
  }
  PaletteTypes = {ptAtariST, ptAtariSTE};
  PaletteType = ste ? ptAtariSTE : ptAtariST;
  PlatformName = ste ? "Atari STE" : "Atari ST";
  return true;
}

void TQoAtariSTNEOchromeEngine::ReadCycleRange(const TQoAtariNeoHeader& header) {
  if (!(header.CycleLimits & 0x8000) || !(header.CycleSpeed & 0x8000)) return;
  AddLimitsCycleRange(static_cast<uint8_t>(header.CycleLimits),
                      static_cast<int8_t>(header.CycleSpeed & 0xFF));
}

void TQoAtariSTNEOchromeEngine::GetLinePalette(int line, TQoPalette256& palette) {
  for (int r = 0; r < kRasterRecords; ++r) {
    const TQoByteView record =
        AuxData.Sub(static_cast<std::size_t>(r) * kRasterRecordBytes, kRasterRecordBytes);
    if (record.BE16(0) == line) {
      LoadSTPalette(record.From(2), palette, 16, PaletteType);
      return;
    }
  }
  // No record for this line: it keeps the colours of the line above.
  while (palette.GetCount() < 16) palette.Add(0, 0, 0);
}

void RegisterAtariSTEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTGFAArtist>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDEGASEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSinbadSlideshowEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDEGASCompressedEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTNEOchromeEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTFullscreenConstructionKitEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTCyberPaintCellEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTCrackArtEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTArtDirectorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTEZArtProfessionalEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDaliSD0Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDaliSD1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDaliSD2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDaliLPKEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDaliMPKEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDaliHPKEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTZZROUGHEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTImagicEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTCOLRObjectEditorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTColorSTarObjectEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPabloPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPaintworksEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTGraphicsProcessorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSyntheticArtsEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTTinyEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTGFAArtistEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPaletteMasterEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDUOEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDU2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDGRAPHEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPL4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTHighresMediumEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTMultiPalettePicture>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTFullscreenSlideshowEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPhotoChromeEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPUEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPSEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPCEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTCanvasCPTEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTCanvasFulEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTComputerEyesEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTUIMGEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTImageManagerImEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTImageManagerColEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDeskPicEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTGEMBitImage>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTRGBIntermediateEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTQuantumPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDoodleEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTMegaPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPublicPainterEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTCalamusRasterGraphicEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPaintShopDA4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPaintShopPSCEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTMonoSTarObjectEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSTADEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPicworks>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDegasEliteIconEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTDegasEliteBrushEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTImgScanLabEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTImageLabEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPrintTechnikEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconDelmPaintDelEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconDelmPaintDphEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconFuckpaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconXGAEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconTruePaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconDuneDG1GraphEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconDuneDC1GraphEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconTmSCranachEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconFunnyPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconGodPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconInShapeEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconPixArtEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconRembrandtEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconCOKEEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconEggPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconSpookySpritesEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconIndyPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariFalconRagDEngine>());
}
