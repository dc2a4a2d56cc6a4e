#include "platforms/Timex/QoOpenPlatformTimex.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoAspect.h"

namespace {

constexpr std::size_t kHiResBytes = kQoTimexScreenBytes + 1;  // the screen and its port byte
constexpr std::size_t kHiResPairBytes = 2 * kHiResBytes;

}  // namespace

TQoTimexBaseEngine::TQoTimexBaseEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Timex";
}

TQoZxCellColorTable TQoTimexBaseEngine::StandardColorTable() {
  TQoZxCellColorTable table;
  for (int a = 0; a < 256; ++a) {
    int ink = 0, paper = 0;
    SplitSpectrumAttribute(static_cast<uint8_t>(a), ink, paper);
    table[static_cast<std::size_t>(a)] =
        TQoZxCellColors{static_cast<uint32_t>(paper), static_cast<uint32_t>(ink)};
  }
  return table;
}

// Hi-colour screens.

uint8_t TQoTimexHiColorEngine::Detect(TQoLoadSource& source, const TQoTimexHiColorFormat& format) {
  return QoDetect(source, {.Size = kQoTimexScreenBytes * static_cast<std::size_t>(format.Screens),
                           .Extensions = format.Extensions});
}

TQoTimexHiColorEngine::TQoTimexHiColorEngine(TQoLoadSource& source,
                                             const TQoTimexHiColorFormat& format)
    : TQoTimexBaseEngine(source, format.ClassName), format_(format) {
  DefaultExtension = std::string(format.Extensions.First());
  Description = format.Description;
  PaletteType = SetDefaultSpectrumPaletteTypes();
  Width = 256;
  Height = 192 * format.Screens;
  ColorDepth = 4;
  if (format.Screens == 2) {
    AspectIndex = kQoAspect2to1;
    AspectMask |= QoAspectBit(kQoAspect2to1);
  }
}

std::unique_ptr<TQoBitmap> TQoTimexHiColorEngine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoZxCellColorTable colors = StandardColorTable();
  // Screen k gives picture row 16r + 2l + k, that is 2y + k, of an interlaced pair.
  for (int k = 0; k < format_.Screens; ++k) {
    QoDrawTimexHiColor(*bmp, Bytes().From(kQoTimexScreenBytes * static_cast<std::size_t>(k)),
                       colors, format_.Screens, k);
  }
  return bmp;
}

// Hi-res screen.

uint8_t TQoTimexBWEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kHiResBytes, .Extensions = ".scr .thr"});
}

TQoTimexBWEngine::TQoTimexBWEngine(TQoLoadSource& source) : TQoTimexBaseEngine(source, ClassName) {
  // ".thr" is the Timex's own name for the file; a ".scr" of this size is written by
  // the clones that took the mode over.
  if (source.Extension == ".thr") {
    Description = " HiRes image";
  } else {
    PlatformName = "EleMeNt ZX/MB03+";
    Description = " Timex HiRes image";
  }
  DefaultExtension = ".scr";
  Width = 512;
  Height = 192;
  ColorDepth = 1;
  AspectIndex = kQoAspect1to2;
  AspectMask |= QoAspectBit(kQoAspect1to2);
  if (source.Size != 0 && !Port.Read(Bytes(), kQoTimexScreenBytes)) qo::RaiseInternalError();
}

std::unique_ptr<TQoBitmap> TQoTimexBWEngine::Decode() {
  Palette->Clear();
  Palette->Add(QoTimexFullColor(Port.Paper));
  Palette->Add(QoTimexFullColor(Port.Ink));
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) QoTimexHiResRow(Bytes(), y, bmp->GetScanLine(y));
  return bmp;
}

// Two hi-res screens.

uint8_t TQoTimexBWGigaEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kHiResPairBytes, .Extensions = ".hgr"});
}

TQoTimexBWGigaEngine::TQoTimexBWGigaEngine(TQoLoadSource& source)
    : TQoTimexBaseEngine(source, ClassName) {
  DefaultExtension = ".hgr";
  Description = " HiRes image";
  Width = 512;
  Height = 192;
  ColorDepth = 2;
  FrameCount = 2;
  AspectIndex = kQoAspect1to2;
  AspectMask |= QoAspectBit(kQoAspect1to2);
  if (source.Size != 0 && (!Ports[0].Read(Bytes(), kQoTimexScreenBytes) ||
                           !Ports[1].Read(Bytes(), kHiResBytes + kQoTimexScreenBytes))) {
    qo::RaiseInternalError();
  }
}

std::unique_ptr<TQoBitmap> TQoTimexBWGigaEngine::Decode() {
  const TQoByteView screens[2] = {Bytes().Sub(0, kQoTimexScreenBytes),
                                  Bytes().Sub(kHiResBytes, kQoTimexScreenBytes)};
  // The eye sees the linear average of the two screens' colours; index a * 2 + b for
  // bit a of the first screen and bit b of the second.
  TQoPalette256 single[2];
  for (int s = 0; s < 2; ++s) {
    single[s].Add(QoTimexFullColor(Ports[s].Paper));
    single[s].Add(QoTimexFullColor(Ports[s].Ink));
  }
  Palette->Clear();
  for (int a = 0; a < 2; ++a) {
    for (int b = 0; b < 2; ++b) {
      const TQoLinRGBColor x = single[0].GetLinRGB(a), y = single[1].GetLinRGB(b);
      Palette->AddLinear(TQoLinRGBColor{(x.R + y.R) / 2, (x.G + y.G) / 2, (x.B + y.B) / 2});
    }
  }
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  TQoBitmap* frame1 = bmp->AddFrame(&single[0]);
  TQoBitmap* frame2 = bmp->AddFrame(&single[1]);
  uint8_t rows[2][64];
  for (int y = 0; y < Height; ++y) {
    QoTimexHiResRow(screens[0], y, rows[0]);
    QoTimexHiResRow(screens[1], y, rows[1]);
    for (int k = 0; k < 64; ++k) PlotPair1(*bmp, frame1, frame2, rows[0][k], rows[1][k], k, y);
  }
  return bmp;
}

void RegisterTimexEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoTimexEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoTimexInterlacedEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoTimexBWEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoTimexBWGigaEngine>());
}
