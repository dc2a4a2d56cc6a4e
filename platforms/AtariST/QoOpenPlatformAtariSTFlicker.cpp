#include "platforms/AtariST/QoOpenPlatformAtariSTFlicker.h"

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoDepackers.h"
#include "platforms/AtariST/QoPlatformAtariSTMultiPalette.h"
#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"

// DUO and DU2.

uint8_t TQoAtariSTDuoScreensEngine::Detect(TQoLoadSource& source, const TQoAtariSTDuoFormat& row) {
  const TQoByteView bytes = source.Bytes();
  const std::size_t size = bytes.Size();
  if (size != row.Size && (row.ShortSize == 0 || size != row.ShortSize)) return 0;
  if (!IsValidSTPalette(bytes, row.PaletteWords)) return 0;
  if (row.ShortSize != 0 && size == row.Size) {
    // The long file pads the short one with zeros.
    for (std::size_t i = row.ShortSize; i < size; ++i) {
      if (bytes.U8(i) != 0) return 0;
    }
  }
  return QoDetect(source, {.Extensions = row.Extensions});
}

TQoAtariSTDuoScreensEngine::TQoAtariSTDuoScreensEngine(TQoLoadSource& source,
                                                       const TQoAtariSTDuoFormat& row)
    : TQoAtariSTBaseEngine(source, row.ClassName) {
  SetSTResolution(row.Resolution);
  Layout = row.Resolution == kSTLowResolution ? kSTLayoutLowTwoScreens : kSTLayoutMediumTwoScreens;
  Width = row.Width;
  Height = row.Height;
  FrameCount = 2;
  PaletteData = Bytes();
  PixelData = Bytes().From(row.Screen1);
  SecondScreen = Bytes().From(row.Screen2);
  DetectSTPalette(PaletteData, row.PaletteWords);
  ModeName = "DUO";
  DefaultExtension = std::string(row.Extensions.First());
}

// D-GRAPH: two Crack Art blocks, each after a text line with its length.

namespace {

struct TQoDGraphLayout {
  std::size_t Palette = 0;
  TQoByteView Blocks[2];

  bool Read(TQoByteView bytes) {
    TQoByteCursor cursor(bytes);
    uint32_t first = 0, second = 0;
    if (!ParseDecimalLine(cursor, first) || first <= 4 || cursor.Remaining() <= 32) return false;
    Palette = cursor.Pos;
    if (!IsValidSTPalette(bytes.From(Palette), 16)) return false;
    const std::size_t afterPalette = Palette + 32;
    if (first >= bytes.Size() - afterPalette) return false;
    Blocks[0] = bytes.Sub(afterPalette, first);
    cursor.Pos = afterPalette + first;
    if (!ParseDecimalLine(cursor, second) || second <= 4 || second != cursor.Remaining()) {
      return false;
    }
    Blocks[1] = bytes.From(cursor.Pos);
    return true;
  }
};

std::size_t UnpackCrackArt(TQoByteView block, uint8_t* out) {
  TQoCrackArtReader reader;
  return reader.Start(block) ? QoFillWithOffset(reader, out) : 0;
}

}  // namespace

uint8_t TQoAtariSTDGRAPHEngine::Detect(TQoLoadSource& source) {
  TQoDGraphLayout layout;
  if (!layout.Read(source.Bytes())) return 0;
  for (const TQoByteView& block : layout.Blocks) {
    if (UnpackCrackArt(block, nullptr) < kQoSTScreenBytes) return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".p3c"});
}

TQoAtariSTDGRAPHEngine::TQoAtariSTDGRAPHEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoDGraphLayout layout;
  if (!layout.Read(Bytes())) qo::RaiseInternalError();
  SetSTResolution(kSTLowResolution);
  Layout = kSTLayoutLowTwoScreens;
  FrameCount = 2;
  PaletteData = Bytes().From(layout.Palette);
  DetectSTPalette(PaletteData, 16);
  blocks_[0] = layout.Blocks[0];
  blocks_[1] = layout.Blocks[1];
  ModeName = "D-GRAPH";
  DefaultExtension = ".p3c";
}

std::unique_ptr<TQoBitmap> TQoAtariSTDGRAPHEngine::Decode() {
  for (int s = 0; s < 2; ++s) {
    if (!screens_[s].empty()) continue;
    // A block that ends early leaves the rest of its screen blank.
    screens_[s].assign(kQoSTScreenBytes, 0);
    UnpackCrackArt(blocks_[s], screens_[s].data());
  }
  PixelData = TQoByteView(screens_[0].data(), screens_[0].size());
  SecondScreen = TQoByteView(screens_[1].data(), screens_[1].size());
  return TQoAtariSTBaseEngine::Decode();
}

// PL4: two DEGAS low-resolution files one after the other, plain or in an LZ4 frame.

namespace {

constexpr std::size_t kPL4Size = 64070;
constexpr std::size_t kPL4Second = 32036;

bool PL4BlocksValid(TQoByteView bytes) {
  return bytes.Size() == kPL4Size && bytes.BE16(0) == 0 && IsValidSTPalette(bytes.From(2), 16) &&
         bytes.BE16(kPL4Second) == 0 && IsValidSTPalette(bytes.From(kPL4Second + 2), 16);
}

bool IsLz4Frame(TQoByteView bytes) {
  return bytes.Size() > 4 && bytes.LE32(0) == 0x184D2204u;
}

// The file's bytes when plain; the frame unpacked into out otherwise (empty when it
// does not unpack to exactly one PL4 file).
TQoByteView PL4Bytes(TQoByteView bytes, std::vector<uint8_t>& out) {
  if (!IsLz4Frame(bytes)) return bytes;
  out.clear();
  if (!DepackLz4ToVector(bytes.Data(), bytes.Size(), out, kPL4Size) || out.size() != kPL4Size) {
    out.clear();
  }
  return TQoByteView(out.data(), out.size());
}

}  // namespace

uint8_t TQoAtariSTPL4Engine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() != kPL4Size && !IsLz4Frame(bytes)) return 0;
  std::vector<uint8_t> check;
  if (!PL4BlocksValid(PL4Bytes(bytes, check))) return 0;
  return QoDetect(source, {.Extensions = ".pl4"});
}

TQoAtariSTPL4Engine::TQoAtariSTPL4Engine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoByteView bytes = PL4Bytes(Bytes(), unpacked_);
  if (!PL4BlocksValid(bytes)) qo::RaiseInternalError();
  SetSTResolution(kSTLowResolution);
  FrameCount = 2;
  PaletteData = bytes.Sub(2, 32);
  AuxData = bytes.Sub(kPL4Second + 2, 32);
  PixelData = bytes.From(34);
  SecondScreen = bytes.From(kPL4Second + 34);
  PaletteTypes = {ptAtariST, ptAtariSTE};
  const bool ste = HasSTEBits(PaletteData, 16) || HasSTEBits(AuxData, 16);
  PaletteType = ste ? ptAtariSTE : ptAtariST;
  PlatformName = ste ? "Atari STE" : "Atari ST";
  DefaultExtension = ".pl4";
}

std::unique_ptr<TQoBitmap> TQoAtariSTPL4Engine::Decode() {
  EnsureSourcePalette();
  EnsureExtraPalette();
  LoadSTLinearPalette(PaletteData, *SourcePalette, 16, PaletteType);
  LoadSTLinearPalette(AuxData, *ExtraPalette, 16, PaletteType);
  Palette->MixPairs(*SourcePalette, *ExtraPalette);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  TQoBitmap* first = bmp->AddFrame(SourcePalette.get());
  TQoBitmap* second = bmp->AddFrame(ExtraPalette.get());
  uint8_t a[320], b[320];
  uint32_t mixed[320], va[320], vb[320];
  for (int y = 0; y < Height; ++y) {
    const std::size_t line = static_cast<std::size_t>(y) * 160;
    QoReadPlaneLine(PixelData, line, 2, 8, 4, 320, a);
    QoReadPlaneLine(SecondScreen, line, 2, 8, 4, 320, b);
    for (int x = 0; x < 320; ++x) {
      va[x] = a[x];
      vb[x] = b[x];
      mixed[x] = a[x] * 16u + b[x];
    }
    bmp->SetRow(y, mixed, 320);
    first->SetRow(y, va, 320);
    second->SetRow(y, vb, 320);
  }
  return bmp;
}

// The fullscreen slideshow: two plane-planar overscan screens with a palette per line.

namespace {

constexpr std::size_t kSlideSize = 115648;
constexpr int kSlideWidth = 352;
constexpr int kSlideHeight = 278;
constexpr std::size_t kSlidePlaneBytes = 44 * kSlideHeight;
constexpr std::size_t kSlideScreens[2] = {0, 48928};
constexpr std::size_t kSlidePalettes[2] = {97856, 106752};

void SlideLine(TQoByteView bytes, int screen, int y, uint8_t* values) {
  QoReadPlaneLine(bytes, kSlideScreens[screen] + 44 * static_cast<std::size_t>(y), kSlidePlaneBytes,
                  2, 4, kSlideWidth, values);
}

TQoByteView SlidePalette(TQoByteView bytes, int screen, int y) {
  return bytes.Sub(kSlidePalettes[screen] + 32 * static_cast<std::size_t>(y), 32);
}

// Every palette word a pixel selects has a zero high nibble; bits collects their bits.
bool SlideWordsValid(TQoByteView bytes, uint16_t& bits) {
  bits = 0;
  uint8_t values[kSlideWidth];
  for (int screen = 0; screen < 2; ++screen) {
    for (int y = 0; y < kSlideHeight; ++y) {
      SlideLine(bytes, screen, y, values);
      const TQoByteView palette = SlidePalette(bytes, screen, y);
      for (const uint8_t v : values) {
        const uint16_t word = palette.BE16(2 * static_cast<std::size_t>(v));
        if (word & 0xF000) return false;
        bits |= word;
      }
    }
  }
  return true;
}

}  // namespace

uint8_t TQoAtariSTFullscreenSlideshowEngine::Detect(TQoLoadSource& source) {
  if (source.Size != static_cast<int32_t>(kSlideSize)) return 0;
  uint16_t bits = 0;
  if (!SlideWordsValid(source.Bytes(), bits) || bits == 0) return 0;
  return QoDetect(source, {.Size = kSlideSize, .Extensions = ".pci"});
}

TQoAtariSTFullscreenSlideshowEngine::TQoAtariSTFullscreenSlideshowEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  uint16_t bits = 0;
  if (Bytes().Size() != kSlideSize || !SlideWordsValid(Bytes(), bits)) qo::RaiseInternalError();
  SetSTLowAspect();
  Width = kSlideWidth;
  Height = kSlideHeight;
  ColorDepth = 4;
  Layout = kSTLayoutLowPlanePlanar;
  FrameCount = 2;
  PaletteTypes = {ptAtariST, ptAtariSTE};
  const bool ste = (bits & 0x0888) != 0;
  PaletteType = ste ? ptAtariSTE : ptAtariST;
  PlatformName = ste ? "Atari STE" : "Atari ST";
  ModeName = "Varnel Fullscreen Slideshow";
  DefaultExtension = ".pci";
}

std::unique_ptr<TQoBitmap> TQoAtariSTFullscreenSlideshowEngine::Decode() {
  const TQoByteView bytes = Bytes();
  EnsureSourcePalette();
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  TQoBitmap* first = bmp->AddFrame(nullptr);
  TQoBitmap* second = bmp->AddFrame(nullptr);
  uint8_t a[kSlideWidth], b[kSlideWidth];
  uint32_t mixed[kSlideWidth], ca[kSlideWidth], cb[kSlideWidth];
  for (int y = 0; y < Height; ++y) {
    LoadSTLinearPalette(SlidePalette(bytes, 0, y), *Palette, 16, PaletteType);
    LoadSTLinearPalette(SlidePalette(bytes, 1, y), *SourcePalette, 16, PaletteType);
    SlideLine(bytes, 0, y, a);
    SlideLine(bytes, 1, y, b);
    for (int x = 0; x < kSlideWidth; ++x) {
      ca[x] = Palette->GetRGBQuad(a[x]);
      cb[x] = SourcePalette->GetRGBQuad(b[x]);
      mixed[x] = QoAverageLinear(Palette->GetLinRGB(a[x]), SourcePalette->GetLinRGB(b[x]));
    }
    bmp->SetRow(y, mixed, Width);
    first->SetRow(y, ca, Width);
    second->SetRow(y, cb, Width);
  }
  // The picture has a palette per line: none to show beside it.
  Palette->Clear();
  SourcePalette->Clear();
  return bmp;
}
