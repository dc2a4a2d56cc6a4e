// The Falcon engines: 256-colour plane dumps, RGB565 pictures and their packers.

#include "platforms/AtariST/QoOpenPlatformAtariFalcon.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoStreamReaders.h"

TQoAtariFalconEngine::TQoAtariFalconEngine(TQoLoadSource& source, const char* className)
    : TQoAtariSTBaseEngine(source, className) {
  PlatformName = "Atari Falcon";
}

void TQoAtariFalconEngine::SetAspect(uint8_t index) {
  AspectMask |= QoAspectBit(index);
  AspectIndex = index;
}

void TQoAtariFalconEngine::SetFalconAspect() {
  if (ColorDepth == 2 && Width == 640 && Height == 200) SetAspect(kQoAspect1to2);
  if (ColorDepth == 8 && Width == 320 && Height == 480) SetAspect(kQoAspect2to1);
}

bool TQoAtariFalconEngine::EnsureBuffer(std::size_t size) {
  if (buffer_.size() == size) return false;
  if (size > kQoFalconMaxBuffer) qo::RaiseInternalError();
  buffer_.assign(size, 0);
  PixelData = TQoByteView(buffer_.data(), buffer_.size());
  return true;
}

namespace {

// The 8-plane interleaved line of a 320-pixel picture.
constexpr std::size_t kQuarterLine = 320;
constexpr std::size_t kQuarterLines = 240;

}  // namespace

// DelmPaint.

uint8_t TQoAtariFalconDelmPaintEngine::Detect(TQoLoadSource& source,
                                              const TQoAtariFalconDelmPaintFormat& row) {
  if (!QoUnpackDelmPaintBlocks(source.Bytes(), row.ListedBlocks, row.TrailingBlock, nullptr)) {
    return 0;
  }
  return QoDetect(source, {.Extensions = row.Extensions});
}

TQoAtariFalconDelmPaintEngine::TQoAtariFalconDelmPaintEngine(
    TQoLoadSource& source, const TQoAtariFalconDelmPaintFormat& row)
    : TQoAtariFalconEngine(source, row.ClassName) {
  std::vector<uint8_t> unpacked;
  if (!QoUnpackDelmPaintBlocks(Bytes(), row.ListedBlocks, row.TrailingBlock, &unpacked)) {
    qo::RaiseInternalError();
  }
  ColorDepth = 8;
  Layout = kSTLayoutFalcon256;
  ModeName = "DelmPaint";
  DefaultExtension = row.Extensions.First();
  const uint8_t* pixels = unpacked.data() + 1024;
  if (row.Quarters) {
    // Top left, top right, bottom left, bottom right, each 240 lines of 320 pixels.
    Width = 640;
    Height = 480;
    buffer_.assign(1024 + 4 * kQuarterLine * kQuarterLines, 0);
    std::memcpy(buffer_.data(), unpacked.data(), 1024);
    for (std::size_t y = 0; y < 480; ++y) {
      const std::size_t top = y < kQuarterLines ? 0 : 2 * kQuarterLines;
      const std::size_t line = y % kQuarterLines;
      uint8_t* out = buffer_.data() + 1024 + y * 2 * kQuarterLine;
      std::memcpy(out, pixels + (top + line) * kQuarterLine, kQuarterLine);
      std::memcpy(out + kQuarterLine, pixels + (top + kQuarterLines + line) * kQuarterLine,
                  kQuarterLine);
    }
  } else {
    Width = 320;
    Height = 240;
    buffer_.assign(unpacked.begin(), unpacked.begin() + 1024 + 240 * kQuarterLine);
    // Pictures of the ST's 200 lines leave the Falcon's last 40 empty.
    const uint8_t* bottom = buffer_.data() + 1024 + 200 * kQuarterLine;
    if (std::all_of(bottom, bottom + 40 * kQuarterLine, [](uint8_t b) { return b == 0; })) {
      Height = 200;
    }
  }
  const TQoByteView data(buffer_.data(), buffer_.size());
  PaletteData = data.Sub(0, 1024);
  PixelData = data.From(1024);
}

// Fuckpaint: the palette and the planes of three Falcon screen sizes.

namespace {

struct TQoFalconScreenSize {
  int32_t FileSize, Width, Height;
  TQoExtensions Extension;
};

constexpr TQoFalconScreenSize kFuckpaintSizes[] = {
    {65024, 320, 200, ".pi4"}, {77824, 320, 240, ".pi4"}, {308224, 640, 480, ".pi7"}};
constexpr TQoFalconScreenSize kXGASizes[] = {
    {153600, 320, 240, ".xga"}, {368640, 384, 480, ".xga"}, {184320, 384, 240, ".ftc"}};

template <std::size_t N>
const TQoFalconScreenSize* FindSize(const TQoFalconScreenSize (&sizes)[N], int32_t size) {
  for (const TQoFalconScreenSize& row : sizes) {
    if (row.FileSize == size) return &row;
  }
  return nullptr;
}

}  // namespace

uint8_t TQoAtariFalconFuckpaintEngine::Detect(TQoLoadSource& source) {
  const TQoFalconScreenSize* row = FindSize(kFuckpaintSizes, source.Size);
  if (!row || !IsValidFalconPalette(source.Bytes(), 256)) return 0;
  return QoDetect(source, {.Extensions = row->Extension});
}

TQoAtariFalconFuckpaintEngine::TQoAtariFalconFuckpaintEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  const TQoFalconScreenSize* row = FindSize(kFuckpaintSizes, source.Size);
  if (!row) qo::RaiseInternalError();
  Width = row->Width;
  Height = row->Height;
  ColorDepth = 8;
  Layout = kSTLayoutFalcon256;
  PaletteData = Bytes().Sub(0, 1024);
  PixelData = Bytes().From(1024);
  ModeName = "Fuckpaint";
  DefaultExtension = row->Extension.First();
}

// XGA and FTC: bare RGB565 screens.

uint8_t TQoAtariFalconXGAEngine::Detect(TQoLoadSource& source) {
  const TQoFalconScreenSize* row = FindSize(kXGASizes, source.Size);
  return row ? QoDetect(source, {.Extensions = row->Extension}) : 0;
}

TQoAtariFalconXGAEngine::TQoAtariFalconXGAEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  const TQoFalconScreenSize* row = FindSize(kXGASizes, source.Size);
  if (!row) qo::RaiseInternalError();
  Width = row->Width;
  Height = row->Height;
  ColorDepth = 16;
  Layout = kSTLayoutRGB565;
  PixelData = Bytes();
  if (Width == 384 && Height == 480) SetAspect(kQoAspect2to1);
  DefaultExtension = row->Extension.First();
}

// TruePaint and Prism Paint: a VDI palette, then planes, plain or PackBits by plane lines.

uint8_t TQoAtariFalconTruePaintEngine::Detect(TQoLoadSource& source) {
  TQoTruePaintHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".pnt .tpi"});
}

TQoAtariFalconTruePaintEngine::TQoAtariFalconTruePaintEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  if (!header_.Read(Bytes())) qo::RaiseInternalError();
  Width = header_.Width;
  Height = header_.Height;
  ColorDepth = header_.Planes;
  PaletteData = header_.Palette;
  PixelData = header_.Pixels;
  SetFalconAspect();
  if (source.Extension == ".tpi") {
    ModeName = "TruePaint";
    DefaultExtension = ".tpi";
  } else {
    ModeName = "Prism Paint";
    DefaultExtension = ".pnt";
  }
}

std::unique_ptr<TQoBitmap> TQoAtariFalconTruePaintEngine::Decode() {
  Palette->Clear();
  LoadVDIPalette(PaletteData, *Palette, header_.Colors, true);
  if (!header_.Packed) return DecodeInterleaved(true);
  // A stream that ends early leaves the rest of the picture at colour 0.
  const std::size_t size = QoAtariPlaneBytes(header_.Width, header_.Height, header_.Planes);
  if (EnsureBuffer(size)) QoUnpackPackBits(header_.Pixels, buffer_.data(), buffer_.size());
  return DecodeLinePlanar(true);
}

// DuneGraph: 256 colours, plain (DG1, DC1 type 0) or in runs of 1-, 2- or 4-byte values
// filling the planes one after the other (DC1).

uint8_t TQoAtariFalconDuneDG1GraphEngine::Detect(TQoLoadSource& source) {
  TQoDuneGraphHeader header;
  if (!header.ReadDG1(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".dg1"});
}

TQoAtariFalconDuneDG1GraphEngine::TQoAtariFalconDuneDG1GraphEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  TQoDuneGraphHeader header;
  if (!header.ReadDG1(Bytes())) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  ColorDepth = 8;
  Layout = kSTLayoutFalcon256;
  PaletteData = header.Palette;
  PixelData = header.Data;
  ModeName = "DuneGraph";
  DefaultExtension = ".dg1";
}

uint8_t TQoAtariFalconDuneDC1GraphEngine::Detect(TQoLoadSource& source) {
  TQoDuneGraphHeader header;
  if (!header.ReadDC1(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".dc1"});
}

TQoAtariFalconDuneDC1GraphEngine::TQoAtariFalconDuneDC1GraphEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  if (!header_.ReadDC1(Bytes())) qo::RaiseInternalError();
  Width = header_.Width;
  Height = header_.Height;
  ColorDepth = 8;
  PaletteData = header_.Palette;
  PixelData = header_.Data;
  ModeName = "DuneGraph";
  DefaultExtension = ".dc1";
}

std::unique_ptr<TQoBitmap> TQoAtariFalconDuneDC1GraphEngine::Decode() {
  LoadFalconPalette(PaletteData, *Palette, 256);
  if (header_.Packing == 0) return DecodeInterleaved(true);
  if (EnsureBuffer(header_.BufferSize())) {
    QoPlayDuneGraphRuns(header_.Data, header_.Packing, buffer_.data(), buffer_.size());
  }
  return DecodePlanePlanar(true);
}

// TmS Cranach: mono rows, 256 colours with a palette of three 256-byte gun tables, or RGB.

uint8_t TQoAtariFalconTmSCranachEngine::Detect(TQoLoadSource& source) {
  TQoCranachHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".esm"});
}

TQoAtariFalconTmSCranachEngine::TQoAtariFalconTmSCranachEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  TQoCranachHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  ColorDepth = header.Planes;
  PixelData = Bytes().From(header.HeaderLength);
  ModeName = "TmS Cranach";
  DefaultExtension = ".esm";
}

std::unique_ptr<TQoBitmap> TQoAtariFalconTmSCranachEngine::Decode() {
  switch (ColorDepth) {
    case 1:
      SetMonoPalette(true);  // white paper, black ink
      return QoDecodePackedRows(PixelData, Width, Height, 1, 1, Palette.get());
    case 8: {
      const TQoByteView bytes = Bytes();
      Palette->Clear();
      for (std::size_t i = 0; i < 256; ++i) {
        Palette->Add(bytes.U8(36 + i), bytes.U8(292 + i), bytes.U8(548 + i));
      }
      return QoDecodePackedRows(PixelData, Width, Height, 8, 8, Palette.get());
    }
    case 24:
      return DecodeChunky(TQoChunkyPixel::RGB24, false);
    default:
      qo::RaiseInternalError();
  }
}

// Funny Paint: planes with a VDI palette behind them, or RGB565.

uint8_t TQoAtariFalconFunnyPaintEngine::Detect(TQoLoadSource& source) {
  TQoFunnyPaintHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".fun"});
}

TQoAtariFalconFunnyPaintEngine::TQoAtariFalconFunnyPaintEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  TQoFunnyPaintHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  ColorDepth = header.Planes;
  PaletteData = header.Palette;
  PixelData = Bytes().From(TQoFunnyPaintHeader::kPixels);
  SetFalconAspect();
  ModeName = "Funny Paint";
  DefaultExtension = ".fun";
}

std::unique_ptr<TQoBitmap> TQoAtariFalconFunnyPaintEngine::Decode() {
  if (ColorDepth == 16) return DecodeChunky(TQoChunkyPixel::RGB565, true);
  if (ColorDepth == 1) {
    SetMonoPalette(true);  // white paper, black ink
  } else {
    Palette->Clear();
    LoadVDIPalette(PaletteData, *Palette, 1 << ColorDepth, true);
  }
  return DecodeInterleaved(true);
}

// The plain 16-bit pictures.

uint8_t TQoAtariFalconHighColorEngine::Detect(TQoLoadSource& source,
                                              const TQoAtariFalconHighColorFormat& row) {
  TQoAtariFalconHighColorHeader header;
  if (!header.Read(source.Bytes(), row)) return 0;
  return QoDetect(source, {.Signed = !row.Signature.empty(), .Extensions = row.Extensions});
}

TQoAtariFalconHighColorEngine::TQoAtariFalconHighColorEngine(
    TQoLoadSource& source, const TQoAtariFalconHighColorFormat& row)
    : TQoAtariFalconEngine(source, row.ClassName) {
  TQoAtariFalconHighColorHeader header;
  if (!header.Read(Bytes(), row)) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  ColorDepth = 16;
  Layout = kSTLayoutRGB565;
  PixelData = Bytes().From(header.Pixels);
  ModeName = header.Other ? row.OtherModeName : row.ModeName;
  DefaultExtension = row.Extensions.First();
}

// InShape: mono rows, grey bytes, RGB or XRGB.

uint8_t TQoAtariFalconInShapeEngine::Detect(TQoLoadSource& source) {
  TQoInShapeHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".iim"});
}

TQoAtariFalconInShapeEngine::TQoAtariFalconInShapeEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  TQoInShapeHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  static constexpr int32_t kDepths[] = {1, 8, 0, 0, 24, 32};
  Width = header.Width;
  Height = header.Height;
  ColorDepth = kDepths[std::min<std::size_t>(header.Type, 5)];
  PixelData = Bytes().From(TQoInShapeHeader::kPixels);
  ModeName = "InShape";
  DefaultExtension = ".iim";
}

std::unique_ptr<TQoBitmap> TQoAtariFalconInShapeEngine::Decode() {
  switch (ColorDepth) {
    case 1:
      SetMonoPalette(true);  // white paper, black ink
      return QoDecodePackedRows(PixelData, Width, Height, 1, 1, Palette.get());
    case 8:
      SetGrayPalette(false);
      return DecodeChunky8(true);
    case 24:
      return DecodeChunky(TQoChunkyPixel::RGB24, false);
    case 32:
      return DecodeChunky(TQoChunkyPixel::XRGB32, false);
    default:
      qo::RaiseInternalError();
  }
}

// PixArt: every Falcon depth, each with the storage modes its program wrote.

uint8_t TQoAtariFalconPixArtEngine::Detect(TQoLoadSource& source) {
  TQoPixArtHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".pix"});
}

TQoAtariFalconPixArtEngine::TQoAtariFalconPixArtEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  if (!header_.Read(Bytes())) qo::RaiseInternalError();
  Width = header_.Width;
  Height = header_.Height;
  ColorDepth = header_.Depth;
  PaletteData = header_.Palette;
  PixelData = header_.Pixels;
  SetFalconAspect();
  ModeName = "PixArt";
  DefaultExtension = ".pix";
}

std::unique_ptr<TQoBitmap> TQoAtariFalconPixArtEngine::Decode() {
  const uint8_t m = header_.Mode;
  auto loadRGBPalette = [this](int n) {
    Palette->Clear();
    for (int i = 0; i < n; ++i) {
      const std::size_t at = 3 * static_cast<std::size_t>(i);
      Palette->Add(PaletteData.U8(at), PaletteData.U8(at + 1), PaletteData.U8(at + 2));
    }
  };
  switch (ColorDepth) {
    case 1:
      SetMonoPalette(true);  // white paper, black ink
      return DecodeInterleaved(true);
    case 2:
    case 4:
      if (m != 1) break;
      loadRGBPalette(1 << ColorDepth);
      return DecodeInterleaved(true);
    case 8:
      loadRGBPalette(256);
      if (m == 1) return DecodePlanePlanar(true);
      return DecodeChunky8(true);
    case 16:
      if (m == 1) return DecodeChunky(TQoChunkyPixel::RGB565, true);
      return DecodeChunky(TQoChunkyPixel::RGB555, m == 0);
    case 24:
      return DecodeChunky(m == 1 ? TQoChunkyPixel::RGB24 : TQoChunkyPixel::BGR24, false);
    case 32:
      return DecodeChunky(TQoChunkyPixel::XRGB32, false);
    default:
      break;
  }
  qo::RaiseInternalError();
}

// Rembrandt: a "TRUECOLR" file holding one "PICT" record of RGB565 words.

uint8_t TQoAtariFalconRembrandtEngine::Detect(TQoLoadSource& source) {
  TQoRembrandtHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".tcp"});
}

TQoAtariFalconRembrandtEngine::TQoAtariFalconRembrandtEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  TQoRembrandtHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  ColorDepth = 16;
  Layout = kSTLayoutRGB565;
  PixelData = Bytes().From(header.Pixels);
  ModeName = "Rembrandt";
  DefaultExtension = ".tcp";
}

// Spooky Sprites: alternating copy and repeat counts over RGB565 words.

namespace {

constexpr std::size_t kSpookyHeader = 12;

bool SpookyShape(TQoByteView file, uint16_t& width, uint16_t& height, uint32_t& counts) {
  if (file.Size() <= kSpookyHeader || !file.Matches(0, "tre1")) return false;
  width = file.BE16(4);
  height = file.BE16(6);
  counts = file.BE32(8);
  const std::size_t words = static_cast<std::size_t>(width) * height;
  return width != 0 && height != 0 && counts != 0 && 2 * words <= kQoFalconMaxBuffer &&
         QoPlaySpookyRuns(file.From(kSpookyHeader), counts, nullptr, words);
}

}  // namespace

uint8_t TQoAtariFalconSpookySpritesEngine::Detect(TQoLoadSource& source) {
  uint16_t width = 0, height = 0;
  uint32_t counts = 0;
  if (!SpookyShape(source.Bytes(), width, height, counts)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".tre"});
}

TQoAtariFalconSpookySpritesEngine::TQoAtariFalconSpookySpritesEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  uint16_t width = 0, height = 0;
  uint32_t counts = 0;
  if (!SpookyShape(Bytes(), width, height, counts)) qo::RaiseInternalError();
  Width = width;
  Height = height;
  ColorDepth = 16;
  ModeName = "Spooky Sprites";
  DefaultExtension = ".tre";
}

std::unique_ptr<TQoBitmap> TQoAtariFalconSpookySpritesEngine::Decode() {
  const std::size_t words = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
  if (EnsureBuffer(2 * words)) {
    QoPlaySpookyRuns(Bytes().From(kSpookyHeader), Bytes().BE32(8), buffer_.data(), words);
  }
  return DecodeChunky(TQoChunkyPixel::RGB565, true);
}

// Rag-D: planes with an ST or Falcon palette, or RGB565. Music Compile 2 wrote its
// 256-colour pictures in the same frame, sometimes as one byte per pixel.

uint8_t TQoAtariFalconRagDEngine::Detect(TQoLoadSource& source) {
  TQoRagDHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".rag"});
}

TQoAtariFalconRagDEngine::TQoAtariFalconRagDEngine(TQoLoadSource& source)
    : TQoAtariFalconEngine(source, ClassName) {
  if (!header_.Read(Bytes())) qo::RaiseInternalError();
  Width = header_.Width;
  Height = static_cast<int32_t>(header_.Height);
  ColorDepth = header_.Planes;
  PaletteData = header_.Palette;
  PixelData = header_.Pixels;
  ModeName = header_.MusicCompile2 ? "Music Compile 2" : "Rag-D";
  DefaultExtension = ".rag";
}

bool TQoAtariFalconRagDEngine::ReadsAsChunky() {
  std::array<TQoLinRGBColor, 256> colors{};
  for (int i = 0; i < Palette->GetCount() && i < 256; ++i) {
    colors[static_cast<std::size_t>(i)] = Palette->GetLinRGB(i);
  }
  // How much neighbouring pixels differ in colour: a wrong reading looks like noise.
  auto roughness = [&](const TQoBitmap& bmp) {
    double sum = 0;
    for (int y = 0; y + 1 < Height; ++y) {
      for (int x = 0; x + 1 < Width; ++x) {
        const TQoLinRGBColor& c = colors[bmp.GetPixel(x, y) & 255u];
        sum += qo::WeightedDistance(c, colors[bmp.GetPixel(x + 1, y) & 255u]) +
               qo::WeightedDistance(c, colors[bmp.GetPixel(x, y + 1) & 255u]);
      }
    }
    return sum;
  };
  const double planes = roughness(*DecodeInterleaved(true));
  return planes > roughness(*DecodeChunky8(true));
}

std::unique_ptr<TQoBitmap> TQoAtariFalconRagDEngine::Decode() {
  if (ColorDepth == 16) return DecodeChunky(TQoChunkyPixel::RGB565, true);
  if (ColorDepth < 1 || ColorDepth > 8) qo::RaiseInternalError();
  const int entries = 1 << ColorDepth;
  if (header_.PaletteLength == 1024) {
    LoadFalconPalette(PaletteData, *Palette, entries);
  } else {
    // The ST palette words: the STE's fourth bits when the picture uses them.
    LoadSTPalette(PaletteData, *Palette, entries,
                  HasSTEBits(PaletteData, entries) ? ptAtariSTE : ptAtariST);
  }
  if (ColorDepth == 8 && header_.MusicCompile2 && ReadsAsChunky()) return DecodeChunky8(true);
  return DecodeInterleaved(true);
}
