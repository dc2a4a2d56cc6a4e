#include "platforms/Spectra/QoOpenPlatformSpectra.h"

#include <string>

#include "base/QoErrors.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

namespace {

// The colour forms of an attribute byte: the ZX form (ink bits 0-2, bright bit 6), the
// "high" form (bits 3-6), the 64-colour form (bits 0-5), and the grey paper that bit 6
// selects in the single-byte 64-colour modes.
uint32_t Form16(uint8_t x) {
  return (x & 7u) + ((x >> 6) & 1u) * 8;
}
uint32_t FormHigh(uint8_t x) {
  return (x >> 3) & 15u;
}
uint32_t Form64(uint8_t x) {
  return x & 63u;
}
uint32_t Grey42(uint8_t x) {
  return x & 0x40 ? 42u : 0u;
}

struct TCellColors {
  uint32_t Paper = 0, Ink = 0;
};

}  // namespace

TQoBaseSpectraSourceEngine::TQoBaseSpectraSourceEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "ZX Spectrum Spectra";
  DefaultExtension = ".bin";
  Width = 256;
  Height = 192;
}

void TQoBaseSpectraSourceEngine::DescribeMode() {
  ColorDepth = Mode.Colors64() ? 6 : 4;
  Description = " " + std::to_string(Mode.NarrowCells() ? 4 : 8) + "x" +
                std::to_string(Mode.AttributeHeight()) + " " + (Mode.DoubleByte() ? "DB" : "SB") +
                " image";
}

std::unique_ptr<TQoBitmap> TQoBaseSpectraSourceEngine::Decode() {
  std::unique_ptr<TQoBitmap> bmp;
  if (Mode.Colors64()) {
    SetSpectra64(*Palette);
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  } else {
    SetSpectra16(*Palette);
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  }
  const TQoByteView bytes = Bytes().Sub(0, Mode.DumpSize());
  const bool wide64 = Mode.Colors64(), twoBytes = Mode.DoubleByte();
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      const uint8_t pixels = bytes.U8(QoZxPixelOffset(y, c));
      const uint8_t a = bytes.U8(Mode.FirstAttribute(y, c));
      const uint8_t b = twoBytes ? bytes.U8(Mode.SecondAttribute(y, c)) : 0;
      int ink = 0, paper = 0;
      SplitSpectrumAttribute(a, ink, paper);
      if (!Mode.NarrowCells()) {
        TCellColors cell;
        if (!wide64) {
          cell = twoBytes ? TCellColors{Form16(b), Form16(a)}
                          : TCellColors{static_cast<uint32_t>(paper), static_cast<uint32_t>(ink)};
        } else {
          cell = TCellColors{twoBytes ? Form64(b) : Grey42(a), Form64(a)};
        }
        PlotMono8(*bmp, pixels, cell.Paper, cell.Ink, c, y);
        continue;
      }
      // Cells 4 pixels wide: the high nibble is the left cell, the low nibble the right.
      TCellColors left, right;
      if (!wide64) {
        if (twoBytes) {
          left = {FormHigh(b), FormHigh(a)};
          right = {Form16(b), Form16(a)};
        } else {
          left = {0, static_cast<uint32_t>(paper)};
          right = {0, static_cast<uint32_t>(ink)};
        }
      } else {
        left = {0, twoBytes ? Form64(b) : Grey42(a)};
        right = {0, Form64(a)};
      }
      PlotMono4(*bmp, pixels, left.Paper, left.Ink, 2 * c, y);
      PlotMono4(*bmp, static_cast<uint8_t>(pixels << 4), right.Paper, right.Ink, 2 * c + 1, y);
    }
  }
  return bmp;
}

// A dump with its trailer.

uint8_t TQoSpectraSourceEngine::Detect(TQoLoadSource& source) {
  TQoSpectraTrailer trailer;
  if (!trailer.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".bin"});
}

TQoSpectraSourceEngine::TQoSpectraSourceEngine(TQoLoadSource& source)
    : TQoBaseSpectraSourceEngine(source, ClassName) {
  if (source.Size == 0) return;  // an empty source only names the class
  TQoSpectraTrailer trailer;
  if (!trailer.Read(Bytes())) qo::RaiseInternalError();
  Mode = trailer.Mode;
  DescribeMode();
}

// A dump without trailer.

uint8_t TQoSpectraSourceBinEngine::Detect(TQoLoadSource& source, const TQoSpectraFormat& format) {
  const TQoSpectraMode mode{format.SpectraMode};
  return QoDetect(source, {.Size = mode.DumpSize(), .Extensions = ".bin"});
}

TQoSpectraSourceBinEngine::TQoSpectraSourceBinEngine(TQoLoadSource& source,
                                                     const TQoSpectraFormat& format)
    : TQoBaseSpectraSourceEngine(source, format.ClassName) {
  Mode.Byte = format.SpectraMode;
  DescribeMode();
}

void RegisterSpectraEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x1x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x1x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x1x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x1x16x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x2x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x2x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x2x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x2x16x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x4x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x4x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x4x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x4x16x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x8x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x8x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x8x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource8x8x16x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x1x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x1x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x1x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x1x16x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x2x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x2x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x2x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x2x16x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x4x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x4x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x4x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x4x16x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x8x64x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x8x64x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x8x16x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSpectraSource4x8x16x1Engine>());
}
