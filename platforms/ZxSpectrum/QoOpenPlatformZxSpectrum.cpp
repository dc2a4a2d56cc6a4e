#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"
#include "color/QoAspect.h"

#include "color/QoPaletteTypes.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumMulticolor.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumNext.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumSxg.h"

namespace {

constexpr int32_t kInterlacedBytes = 2 * kZxScreenBytes;
constexpr int32_t kTricolorBytes = 3 * kZxScreenPixelBytes;
constexpr int32_t kBscBytes = kZxScreenBytes + kZxBorderBytes;

}  // namespace

TQoZxSpectrumPalettedEngine::TQoZxSpectrumPalettedEngine(TQoLoadSource& source,
                                                         const char* className)
    : TQoZxSpectrumEngine(source, className) {
  PaletteType = SetDefaultSpectrumPaletteTypes();
}

// Monochrome screen: the pixel rows only, set pixels black.

uint8_t TQoZxSpectrumBWEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kZxScreenPixelBytes, .Extensions = ".scr"});
}

TQoZxSpectrumBWEngine::TQoZxSpectrumBWEngine(TQoLoadSource& source)
    : TQoZxSpectrumEngine(source, ClassName) {
  DefaultExtension = ".scr";
  Width = 256;
  Height = 192;
  ColorDepth = 1;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumBWEngine::Decode() {
  SetMonoPalette(true);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = bytes.Ptr(QoZxPixelOffset(y, 0), 32);
    std::copy(row, row + 32, bmp->GetScanLine(y));
  }
  return bmp;
}

// Colour screen.

uint8_t TQoZxSpectrumColorEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kZxScreenBytes, .Extensions = ".scr"});
}

TQoZxSpectrumColorEngine::TQoZxSpectrumColorEngine(TQoLoadSource& source)
    : TQoZxSpectrumPalettedEngine(source, ClassName) {
  DefaultExtension = ".scr";
  Width = 256;
  Height = 192;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumColorEngine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawColorScreen(*bmp, 0, [](int y) { return y; });
  return bmp;
}

// FlashColor screen: a set flash bit means "mix ink and paper" instead of blinking.

uint8_t TQoZxSpectrumFlashColorEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags = QoDetect(source, {.Size = kZxScreenBytes, .Extensions = ".scr"});
  if (flags && QoNameEndsWith(source.Name, ".flash.scr")) return flags | kQoDetectInnerExtension;
  return flags;
}

TQoZxSpectrumFlashColorEngine::TQoZxSpectrumFlashColorEngine(TQoLoadSource& source)
    : TQoZxSpectrumPalettedEngine(source, ClassName) {
  DefaultExtension = ".flash.scr";
  Description = " FlashColor image";
  Width = 256;
  Height = 192;
  ColorDepth = 8;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumFlashColorEngine::Decode() {
  SetFlashColorPalette(*Palette, PaletteType);
  PaletteColumns = 16;
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  // Clear flash: the pure colours (i * 17 is the mix of i with itself); set flash: ink
  // pixels show the mix of paper and ink, paper pixels black.
  DrawColorScreen(
      *bmp, 0, [](int y) { return y; }, 0,
      [](uint8_t attribute) {
        const TQoZxCellColors plain = StandardColors(attribute);
        if (attribute & 0x80) return TQoZxCellColors{0, plain.Paper * 16 + plain.Ink};
        return TQoZxCellColors{plain.Paper * 17, plain.Ink * 17};
      });
  return bmp;
}

// Interlaced pair: two screens whose rows alternate, each pixel twice as wide as high.

uint8_t TQoZxSpectrumColorInterlacedEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kInterlacedBytes, .Extensions = ".lce"});
}

TQoZxSpectrumColorInterlacedEngine::TQoZxSpectrumColorInterlacedEngine(TQoLoadSource& source)
    : TQoZxSpectrumPalettedEngine(source, ClassName) {
  DefaultExtension = ".lce";
  Description = " interlaced image";
  Width = 256;
  Height = 384;
  ColorDepth = 4;
  AspectIndex = kQoAspect2to1;
  AspectMask |= QoAspectBit(47);
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumColorInterlacedEngine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int k = 0; k < 2; ++k) {
    // Row y = 8r + l of screen k becomes picture row 16r + 2l + k.
    DrawColorScreen(*bmp, static_cast<std::size_t>(k) * kZxScreenBytes,
                    [k](int y) { return 16 * (y >> 3) + 2 * (y & 7) + k; });
  }
  return bmp;
}

// Attribute-only screen: each cell shows a fixed checker of its ink and paper.

uint8_t TQoZxSpectrumAtrEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kZxAttributeBytes, .Extensions = ".atr"});
}

TQoZxSpectrumAtrEngine::TQoZxSpectrumAtrEngine(TQoLoadSource& source)
    : TQoZxSpectrumPalettedEngine(source, ClassName) {
  DefaultExtension = ".atr";
  Description = " attr image";
  Width = 256;
  Height = 192;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumAtrEngine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      int ink = 0, paper = 0;
      SplitSpectrumAttribute(bytes.U8(static_cast<std::size_t>(32 * (y >> 3) + c)), ink, paper);
      PlotMono8(*bmp, (y & 1) ? 0xAA : 0x55, static_cast<uint32_t>(paper),
                static_cast<uint32_t>(ink), c, y);
    }
  }
  return bmp;
}

// Three-colour separation: three monochrome screens, one per primary.

uint8_t TQoZxSpectrumTricolorEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kTricolorBytes, .Extensions = ".3 .rgb"});
}

TQoZxSpectrumTricolorEngine::TQoZxSpectrumTricolorEngine(TQoLoadSource& source)
    : TQoZxSpectrumEngine(source, ClassName) {
  DefaultExtension = source.Extension == ".3" ? ".3" : ".rgb";
  Description = " tricolor image";
  Width = 256;
  Height = 192;
  ColorDepth = 3;
  FrameCount = 3;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumTricolorEngine::Decode() {
  // Index = b0 * 2 + b1 * 4 + b2; which primary each screen carries depends on the
  // program that wrote the file, told apart by the extension.
  static constexpr uint32_t kDotThree[8] = {0x000000, 0x00FF00, 0x0000FF, 0x00FFFF,
                                            0xFF0000, 0xFFFF00, 0xFF00FF, 0xFFFFFF};
  static constexpr uint32_t kRgb[8] = {0x000000, 0x0000FF, 0xFF0000, 0xFF00FF,
                                       0x00FF00, 0x00FFFF, 0xFFFF00, 0xFFFFFF};
  const uint32_t* colors = DefaultExtension == ".3" ? kDotThree : kRgb;
  Palette->Clear();
  for (int i = 0; i < 8; ++i) Palette->Add(colors[i]);
  PaletteColumns = 8;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      const std::size_t at = QoZxPixelOffset(y, c);
      const uint8_t b0 = bytes.U8(at);
      const uint8_t b1 = bytes.U8(at + kZxScreenPixelBytes);
      const uint8_t b2 = bytes.U8(at + 2 * kZxScreenPixelBytes);
      for (int i = 0; i < 8; ++i) {
        const int bit = 7 - i;
        const uint32_t index = ((b0 >> bit) & 1) * 2 + ((b1 >> bit) & 1) * 4 + ((b2 >> bit) & 1);
        bmp->SetPixel(8 * c + i, y, index);
      }
    }
  }
  return bmp;
}

// Character-set file: "chr$", width and height in cells, and the cell kind.

uint8_t TQoZxSpectrumChrEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (source.Size < 8 || !bytes.Matches(0, "chr$")) return 0;
  const int64_t needed = int64_t{bytes.U8(4)} * bytes.U8(5) * bytes.U8(6) + 7;
  if (bytes.U8(4) == 0 || bytes.U8(5) == 0 || source.Size < needed) return 0;
  return QoDetect(source, {.Signed = true, .SizeFlag = false, .Extensions = ".ch$"});
}

TQoZxSpectrumChrEngine::TQoZxSpectrumChrEngine(TQoLoadSource& source)
    : TQoZxSpectrumPalettedEngine(source, ClassName) {
  DefaultExtension = ".ch$";
  const TQoByteView bytes = Bytes();
  if (source.Size == 0) return;  // an empty source only names the class
  columns_ = bytes.U8(4);
  rows_ = bytes.U8(5);
  kind_ = bytes.U8(6);
  if (kind_ != 8 && kind_ != 9 && kind_ != 18) qo::RaiseInternalError();
  if (columns_ == 0 || rows_ == 0 || source.Size < columns_ * rows_ * kind_ + 7) {
    qo::RaiseInternalError();
  }
  Width = columns_ * 8;
  Height = rows_ * 8;
  ColorDepth = kind_ == 8 ? 1 : (kind_ == 9 ? 4 : 8);
  if (kind_ == 18) {
    // Two screens per cell, shown alternately: both ways of mixing are offered.
    FrameCount = 2;
    CalcModes = 3;
    CalcMode = 0;
  }
  if (kind_ == 8) PaletteTypes.clear();
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumChrEngine::Decode() {
  std::unique_ptr<TQoBitmap> bmp;
  TQoBitmap* frame1 = nullptr;
  TQoBitmap* frame2 = nullptr;
  if (kind_ == 8) {
    SetMonoPalette(false);
    bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  } else if (kind_ == 9) {
    SetZxPalette16(*Palette, PaletteType);
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    EnsureSourcePalette();
    QoBuildZxGigaPalette(*Palette, *SourcePalette, PaletteType, CalcMode);
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
    frame1 = bmp->AddFrame(SourcePalette.get());
    frame2 = bmp->AddFrame(SourcePalette.get());
  }
  TQoByteCursor cursor(Bytes().From(7));
  for (int r = 0; r < rows_; ++r) {
    for (int c = 0; c < columns_; ++c) {
      const uint8_t* cell = cursor.Take(static_cast<std::size_t>(kind_));
      int ink = 1, paper = 0, inkB = 0, paperB = 0;
      if (kind_ >= 9) SplitSpectrumAttribute(cell[8], ink, paper);
      if (kind_ == 18) SplitSpectrumAttribute(cell[17], inkB, paperB);
      for (int l = 0; l < 8; ++l) {
        if (kind_ == 18) {
          PlotAttrPair(*bmp, frame1, frame2, cell[l], cell[9 + l], static_cast<uint32_t>(paper),
                       static_cast<uint32_t>(ink), static_cast<uint32_t>(paperB),
                       static_cast<uint32_t>(inkB), c, 8 * r + l);
        } else {
          PlotMono8(*bmp, cell[l], static_cast<uint32_t>(paper), static_cast<uint32_t>(ink), c,
                    8 * r + l);
        }
      }
    }
  }
  return bmp;
}

// Screen with border: the screen framed by border cells 8 pixels wide.

uint8_t TQoZxSpectrumBscEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kBscBytes, .Extensions = ".bsc"});
}

TQoZxSpectrumBscEngine::TQoZxSpectrumBscEngine(TQoLoadSource& source)
    : TQoZxSpectrumPalettedEngine(source, ClassName) {
  DefaultExtension = ".bsc";
  Width = 384;
  Height = 304;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumBscEngine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  // The screen, 64 pixels (8 columns) in from the left and the top.
  DrawColorScreen(
      *bmp, 0, [](int y) { return y + 64; }, 8);
  DrawZxBorder(*bmp, Bytes().Sub(kZxScreenBytes, kZxBorderBytes));
  return bmp;
}

void RegisterZxSpectrumEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumBWEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumColorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumFlashColorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumMulticolorMLTEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumMulticolorMTLEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumMulticolorMCEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumMulticolor2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumMulticolor2AFLEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumBWGigaEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumGigaEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumColorInterlacedEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumGigaMGEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumGigaMG1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumAtrEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumHlrEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumStlEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumTricolorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumChrEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumSxgEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumBscEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumBmc4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumBspEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumNextNxiEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumNextSl2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumNextLoRes256Engine>());
}
