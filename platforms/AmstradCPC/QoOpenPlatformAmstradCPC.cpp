#include "platforms/AmstradCPC/QoOpenPlatformAmstradCPC.h"

#include "color/QoAspect.h"

#include <algorithm>
#include <vector>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

// Standard screens: 16 KiB of video memory, whole or without the last 48 bytes.
constexpr int32_t kScreenSizes[2] = {16512, 16464};
constexpr uint16_t kScreenLoad = 0xC000;
constexpr uint16_t kScreenBankLoad = 0x4000;
// The screen keeps its mode and firmware inks in the unused bytes after the first 2000.
constexpr std::size_t kScreenModeByte = 0x17D0;
constexpr std::size_t kScreenInks = 0x17D1;
// The firmware's inks after a reset (the flashing inks 14 and 15 at their first colour).
constexpr std::array<uint8_t, 16> kPowerOnInks = {1,  24, 20, 6,  26, 0,  2, 8,
                                                  10, 12, 14, 16, 18, 22, 1, 16};

constexpr int32_t kOverscanSize = 32400;
constexpr uint16_t kOverscanLength = 32272;
constexpr uint16_t kOverscanLoad = 0x0170;
constexpr std::size_t kOverscanModeByte = 20;
constexpr std::size_t kOverscanPaletteKind = 60;
constexpr std::size_t kOverscanPlusWords = 0x691;
constexpr std::size_t kOverscanHardwareInks = 0x7D90;

constexpr uint16_t kFutureOSSize = 16384;

bool ReadPal(TQoLoadSource& source, TQoCPCPalFile& pal, bool& present) {
  const TQoByteView file = source.CompanionWithExtension(".pal");
  present = !file.Empty();
  return present && pal.Read(file);
}

bool ReadKit(TQoLoadSource& source, TQoCPCKitFile& kit, bool& present) {
  const TQoByteView file = source.CompanionWithExtension(".kit");
  present = !file.Empty();
  return present && kit.Read(file);
}

// Appends colour `index` of from to palette, in every representation it holds.
void AddColorOf(TQoPalette256& palette, const TQoPalette256& from, int index) {
  const int slot = palette.Add(0, 0, 0);
  palette.GetPColor(slot) = from.GetPColor(index);
}

}  // namespace

TQoBaseAmstradCPCSourceEngine::TQoBaseAmstradCPCSourceEngine(TQoLoadSource& source,
                                                             const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Amstrad CPC";
}

void TQoBaseAmstradCPCSourceEngine::OfferCPCPaletteTypes() {
  PaletteTypes = {ptCPCGateArray, ptCPCGateArrayRGB, ptCPCASIC, ptCPCASICRGB};
  PaletteType = ptCPCGateArray;
}

TQoAmstradCPCSourceEngine::TQoAmstradCPCSourceEngine(TQoLoadSource& source, const char* className)
    : TQoBaseAmstradCPCSourceEngine(source, className) {
  DefaultExtension = ".scr";
}

// Standard and overscan screens.

namespace {

// A screen saved from the video memory at 0xC000, or from the second screen bank at
// 0x4000. Programs that saved their screens with their own entry addresses abound on
// real discs, so only the usual one is not required; the mode test below still guards.
bool IsScreenHeader(TQoByteView bytes, uint16_t length) {
  TQoAmsdosHeader header;
  return header.Read(bytes) && header.Passes(2, length) &&
         (header.DataLength == length || header.DataLength == 0) &&
         (header.LoadAddress == kScreenLoad || header.LoadAddress == kScreenBankLoad);
}

}  // namespace

uint8_t TQoAmstradCPCScreenEngine::Detect(TQoLoadSource& source, const TQoCPCScreenFormat& format) {
  return format.Overscan ? DetectOverscan(source, format.Mode) : DetectScreen(source, format.Mode);
}

uint8_t TQoAmstradCPCScreenEngine::DetectScreen(TQoLoadSource& source, int mode) {
  if (source.Size != kScreenSizes[0] && source.Size != kScreenSizes[1]) return 0;
  const TQoByteView bytes = source.Bytes();
  const auto length = static_cast<uint16_t>(source.Size - TQoAmsdosHeader::kSize);
  if (!IsScreenHeader(bytes, length)) return 0;
  TQoCPCPalFile pal;
  bool present = false;
  if (ReadPal(source, pal, present)) {
    if (pal.Mode != mode) return 0;
  } else if (present || bytes.U8(TQoAmsdosHeader::kSize + kScreenModeByte) != mode) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".scr"});
}

uint8_t TQoAmstradCPCScreenEngine::DetectOverscan(TQoLoadSource& source, int mode) {
  if (source.Size != kOverscanSize) return 0;
  const TQoByteView bytes = source.Bytes();
  if (!TQoAmsdosHeader::Check(bytes, 0, kOverscanLength, kOverscanLength, kOverscanLoad, 0)) {
    return 0;
  }
  const TQoByteView data = bytes.From(TQoAmsdosHeader::kSize);
  const uint8_t modeByte = data.U8(kOverscanModeByte);
  const uint8_t kind = data.U8(kOverscanPaletteKind);
  TQoCPCPalFile pal;
  TQoCPCKitFile kit;
  bool palPresent = false;
  bool kitPresent = false;
  if (ReadPal(source, pal, palPresent)) {
    if (pal.Mode != mode) return 0;
  } else if (palPresent) {
    return 0;
  } else if (ReadKit(source, kit, kitPresent)) {
    if (modeByte != mode + 14 || kind != 1) return 0;
  } else if (kitPresent || modeByte != mode + 14 || kind > 1) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".scr"});
}

TQoAmstradCPCScreenEngine::TQoAmstradCPCScreenEngine(TQoLoadSource& source,
                                                     const TQoCPCScreenFormat& format)
    : TQoAmstradCPCSourceEngine(source, format.ClassName),
      Mode(format.Mode),
      Overscan(format.Overscan) {
  const int mode = Mode;
  const bool overscan = Overscan;
  if (mode < 0 || mode > 2) qo::RaiseInternalError();
  static constexpr const char* kDescriptions[2][3] = {
      {" Mode 0 image", " Mode 1 image", " Mode 2 image"},
      {" Mode 0 overscan image", " Mode 1 overscan image", " Mode 2 overscan image"}};
  Description = kDescriptions[overscan ? 1 : 0][mode];
  Width = (overscan ? 192 : 160) << mode;
  Height = overscan ? 272 : 200;
  ColorDepth = 4 >> mode;
  switch (mode) {
    case 0:
      AspectIndex = kQoAspect5to3;
      AspectMask = QoAspectBit(kQoAspect5to3) | QoAspectBit(kQoAspect2to1);
      break;
    case 1:
      AspectIndex = kQoAspect5to6;
      AspectMask |= QoAspectBit(kQoAspect5to6);
      break;
    default:
      AspectIndex = kQoAspect5to12;
      AspectMask = QoAspectBit(kQoAspect5to12) | QoAspectBit(kQoAspect1to2);
      break;
  }

  if (Bytes().Empty()) {  // built only to describe the class
    OfferCPCPaletteTypes();
    return;
  }
  const TQoByteView data = Bytes().From(TQoAmsdosHeader::kSize);
  TQoCPCPalFile pal;
  TQoCPCKitFile kit;
  bool present = false;
  if (ReadPal(source, pal, present)) {
    InkSource = TQoCPCInkSource::PalFile;
    InkNumbers = pal.Hardware;
  } else if (!overscan) {
    InkSource = TQoCPCInkSource::Firmware;
    for (std::size_t i = 0; i < InkNumbers.size(); ++i) InkNumbers[i] = data.U8(kScreenInks + i);
    // A screen saved without its inks (all zero: every ink black) is shown with the
    // inks the firmware sets at power-on, so its content stays visible.
    if (std::all_of(InkNumbers.begin(), InkNumbers.end(), [](uint8_t n) { return n == 0; })) {
      InkNumbers = kPowerOnInks;
    }
  } else if (ReadKit(source, kit, present)) {
    InkSource = TQoCPCInkSource::PlusWords;
    PlusWords = kit.Words;
  } else if (data.U8(kOverscanPaletteKind) == 1) {
    InkSource = TQoCPCInkSource::PlusWords;
    for (std::size_t i = 0; i < PlusWords.size(); ++i) {
      PlusWords[i] = data.LE16(kOverscanPlusWords + 2 * i);
    }
  } else {
    InkSource = TQoCPCInkSource::Hardware;
    for (std::size_t i = 0; i < InkNumbers.size(); ++i) {
      InkNumbers[i] = data.U8(kOverscanHardwareInks + i);
    }
  }
  if (InkSource == TQoCPCInkSource::PlusWords) {
    PaletteTypes.clear();
    PaletteType = ptCPCPlus;  // exact colours: nothing to choose
  } else {
    OfferCPCPaletteTypes();
  }
}

void TQoAmstradCPCScreenEngine::BuildPalette() {
  const int inks = 1 << ColorDepth;
  Palette->Clear();
  if (InkSource == TQoCPCInkSource::PlusWords) {
    for (int i = 0; i < inks; ++i) {
      Palette->Add(QoCPCPlusColor(PlusWords[static_cast<std::size_t>(i)]));
    }
    return;
  }
  TQoPalette256 colors;
  QoSetCPCPalette27(colors, PaletteType);
  for (int i = 0; i < inks; ++i) {
    const uint8_t number = InkNumbers[static_cast<std::size_t>(i)];
    if (InkSource == TQoCPCInkSource::Firmware) {
      if (number < kQoCPCFirmwareColors) {
        AddColorOf(*Palette, colors, number);
      } else {
        Palette->Add(0, 0, 0);
      }
    } else {
      AddColorOf(*Palette, colors, QoCPCHardwareToFirmware(number));
    }
  }
}

std::unique_ptr<TQoBitmap> TQoAmstradCPCScreenEngine::Decode() {
  BuildPalette();
  std::unique_ptr<TQoBitmap> bmp;
  if (Mode == 2) {
    bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  }
  const TQoByteView data = Bytes().From(TQoAmsdosHeader::kSize);
  const int perByte = QoCPCPixelsPerByte(Mode);
  const int rowBytes = Width / perByte;
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const std::size_t row = Overscan ? QoCPCOverscanRow(y) : QoCPCScreenRow(y);
    const uint8_t* bytes = data.Ptr(row, static_cast<std::size_t>(rowBytes));
    for (int b = 0; b < rowBytes; ++b) {
      for (int k = 0; k < perByte; ++k) {
        values[static_cast<std::size_t>(b * perByte + k)] = QoCPCPixel(Mode, bytes[b], k);
      }
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// FutureOS.

uint8_t TQoAmstradCPCMode2HGBSourceEngine::Detect(TQoLoadSource& source) {
  // A bare screen is known by its size, a saved one by its disc header.
  const bool headed = source.Size == kFutureOSSize + static_cast<int32_t>(TQoAmsdosHeader::kSize) &&
                      TQoAmsdosHeader::Check(source.Bytes(), 2, kFutureOSSize);
  if (!headed && source.Size != kFutureOSSize) return 0;
  return QoDetect(source, {.Signed = headed, .SizeFlag = !headed, .Extensions = ".hgb"});
}

TQoAmstradCPCMode2HGBSourceEngine::TQoAmstradCPCMode2HGBSourceEngine(TQoLoadSource& source)
    : TQoAmstradCPCSourceEngine(source, ClassName) {
  DefaultExtension = ".hgb";
  ModeName = "FutureOS";
  Width = 512;
  Height = 256;
  ColorDepth = 1;
  AspectIndex = kQoAspect5to12;
  AspectMask = QoAspectBit(kQoAspect5to12) | QoAspectBit(kQoAspect1to2);
  const TQoByteView bytes = Bytes();
  screen_ = bytes.Size() > kFutureOSSize ? bytes.From(TQoAmsdosHeader::kSize) : bytes;
  if (!bytes.Empty() && !screen_.Has(0, kFutureOSSize)) qo::RaiseInternalError();
}

std::unique_ptr<TQoBitmap> TQoAmstradCPCMode2HGBSourceEngine::Decode() {
  Palette->Clear();
  Palette->AddLinear(TQoLinRGBColor{0, 0, 0});
  Palette->AddLinear(TQoLinRGBColor{1, 1, 1});
  PaletteColumns = 2;
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* bytes = screen_.Ptr(QoCPCFutureOSRow(y), 64);
    for (int x = 0; x < Width; ++x) {
      values[static_cast<std::size_t>(x)] = QoCPCMode2Pixel(bytes[x / 8], x % 8);
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// Mode 5.

uint8_t TQoAmstradCPCMode5SourceEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags =
      QoDetect(source, {.Size = kColorFileSize, .ExtensionOnly = true, .Extensions = ".cm5"});
  if (flags == 0 ||
      source.CompanionWithExtension(".gfx").Size() != static_cast<std::size_t>(kGfxFileSize)) {
    return 0;
  }
  return flags;
}

TQoAmstradCPCMode5SourceEngine::TQoAmstradCPCMode5SourceEngine(TQoLoadSource& source)
    : TQoAmstradCPCSourceEngine(source, ClassName) {
  DefaultExtension = ".cm5";
  Description = " Mode 5 image";
  Width = 288;
  Height = 256;
  ColorDepth = 2;
  AspectIndex = kQoAspect5to6;
  AspectMask |= QoAspectBit(kQoAspect5to6);
  gfx_ = source.CompanionWithExtension(".gfx");
  OfferCPCPaletteTypes();
}

std::unique_ptr<TQoBitmap> TQoAmstradCPCMode5SourceEngine::Decode() {
  if (gfx_.Size() != static_cast<std::size_t>(kGfxFileSize)) qo::RaiseInternalError();
  QoSetCPCPalette27(*Palette, PaletteType);
  PaletteColumns = 16;
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  const TQoByteView colors = Bytes();
  constexpr int kRowBytes = 72;
  constexpr int kSegmentBytes = 12;
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  const uint8_t pen3 = QoCPCHardwareToFirmware(colors.U8(0));
  for (int y = 0; y < Height; ++y) {
    const std::size_t line = 1 + 8 * static_cast<std::size_t>(y);
    const uint8_t pen2 = QoCPCHardwareToFirmware(colors.U8(line));
    const uint8_t pen1 = QoCPCHardwareToFirmware(colors.U8(line + 1));
    const uint8_t* bytes = gfx_.Ptr(static_cast<std::size_t>(y) * kRowBytes, kRowBytes);
    for (int b = 0; b < kRowBytes; ++b) {
      const uint8_t pen0 = QoCPCHardwareToFirmware(
          colors.U8(line + 2 + static_cast<std::size_t>(b / kSegmentBytes)));
      const uint8_t pens[4] = {pen0, pen1, pen2, pen3};
      for (int k = 0; k < 4; ++k) {
        values[static_cast<std::size_t>(b * 4 + k)] = pens[QoCPCMode1Pixel(bytes[b], k)];
      }
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// Perfect Pix.

uint8_t TQoBaseAmstradCPCModeBSourceEngine::DetectPerfectPix(TQoLoadSource& source,
                                                             uint8_t modeNumber) {
  const int inks = modeNumber == 5 ? 4 : 16;
  const auto length = static_cast<uint16_t>(6 + inks);
  if (source.Size != static_cast<int32_t>(TQoAmsdosHeader::kSize) + length) return 0;
  const TQoByteView bytes = source.Bytes();
  if (!TQoAmsdosHeader::Check(bytes, 2, length)) return 0;
  const TQoByteView data = bytes.From(TQoAmsdosHeader::kSize);
  const unsigned w = data.LE16(1);
  const unsigned h = data.LE16(3);
  if (data.U8(0) != modeNumber || w < 1 || w > 384 || w % 4 != 0 || h < 1 || h > 272 ||
      data.U8(5) != 1) {
    return 0;
  }
  const auto screen = static_cast<uint16_t>(w * h / 4);
  for (const char* extension : {".eve", ".odd"}) {
    const TQoByteView file = source.CompanionWithExtension(extension);
    if (file.Size() != TQoAmsdosHeader::kSize + screen ||
        !TQoAmsdosHeader::Check(file, 2, screen)) {
      return 0;
    }
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".pph"});
}

TQoBaseAmstradCPCModeBSourceEngine::TQoBaseAmstradCPCModeBSourceEngine(TQoLoadSource& source,
                                                                       const char* className,
                                                                       int inks)
    : TQoBaseAmstradCPCSourceEngine(source, className), Inks(inks) {
  DefaultExtension = ".pph";
  ModeName = "Perfect Pix";
  FrameCount = 2;
  OfferCPCPaletteTypes();
  if (Bytes().Empty()) return;  // built only to describe the class
  const TQoByteView data = Bytes().From(TQoAmsdosHeader::kSize);
  StoredWidth = data.LE16(1);
  StoredHeight = data.LE16(3);
  if (StoredWidth < 1 || StoredWidth > 384 || StoredWidth % 4 != 0 || StoredHeight < 1 ||
      StoredHeight > 272 || inks < 1 || inks > 16) {
    qo::RaiseInternalError();
  }
  for (int i = 0; i < inks; ++i) InkNumbers[static_cast<std::size_t>(i)] = data.U8(6 + i);
  const std::size_t screen = static_cast<std::size_t>(StoredWidth) * StoredHeight / 4;
  Even = source.CompanionWithExtension(".eve").From(TQoAmsdosHeader::kSize).Sub(0, screen);
  Odd = source.CompanionWithExtension(".odd").From(TQoAmsdosHeader::kSize).Sub(0, screen);
}

void TQoBaseAmstradCPCModeBSourceEngine::BuildPalettes() {
  if (Even.Empty() || Odd.Empty()) qo::RaiseInternalError();
  TQoPalette256 colors;
  QoSetCPCPalette27(colors, PaletteType);
  Palette->Clear();
  for (int i = 0; i < Inks; ++i) {
    uint8_t number = InkNumbers[static_cast<std::size_t>(i)];
    if (number >= kQoCPCFirmwareColors) number = 0;
    AddColorOf(*Palette, colors, number);
  }
  BuildMixedPalette();
}

std::unique_ptr<TQoBitmap> TQoBaseAmstradCPCModeBSourceEngine::DecodeMixed(int mode) {
  BuildPalettes();
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  bmp->Frames = std::make_unique<TQoBitmapList>();
  TQoBitmap* even =
      bmp->Frames->Add(std::make_unique<TQoBitmap8>(Width, Height, SourcePalette.get()));
  TQoBitmap* odd =
      bmp->Frames->Add(std::make_unique<TQoBitmap8>(Width, Height, SourcePalette.get()));
  const int perByte = QoCPCPixelsPerByte(mode);
  const std::size_t rowBytes = static_cast<std::size_t>(StoredWidth / 4);
  std::vector<uint32_t> mixed(static_cast<std::size_t>(Width));
  std::vector<uint32_t> evenValues(mixed.size());
  std::vector<uint32_t> oddValues(mixed.size());
  for (int y = 0; y < Height; ++y) {
    const uint8_t* e = Even.Ptr(static_cast<std::size_t>(y) * rowBytes, rowBytes);
    const uint8_t* o = Odd.Ptr(static_cast<std::size_t>(y) * rowBytes, rowBytes);
    for (std::size_t b = 0; b < rowBytes; ++b) {
      for (int k = 0; k < perByte; ++k) {
        const std::size_t x = b * static_cast<std::size_t>(perByte) + static_cast<std::size_t>(k);
        if (x >= mixed.size()) break;
        evenValues[x] = QoCPCPixel(mode, e[b], k);
        oddValues[x] = QoCPCPixel(mode, o[b], k);
        mixed[x] = evenValues[x] * static_cast<uint32_t>(Inks) + oddValues[x];
      }
    }
    bmp->SetRow(y, mixed.data(), Width);
    even->SetRow(y, evenValues.data(), Width);
    odd->SetRow(y, oddValues.data(), Width);
  }
  return bmp;
}

TQoAmstradCPCModeRSourceEngine::TQoAmstradCPCModeRSourceEngine(TQoLoadSource& source)
    : TQoBaseAmstradCPCModeBSourceEngine(source, ClassName, 16) {
  Description = " Mode R image";
  Width = StoredWidth + 1;
  Height = StoredHeight;
  ColorDepth = 4;
  AspectIndex = kQoAspect5to6;
  AspectMask |= QoAspectBit(kQoAspect5to6);
}

std::unique_ptr<TQoBitmap> TQoAmstradCPCModeRSourceEngine::Decode() {
  BuildPalettes();
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  bmp->Frames = std::make_unique<TQoBitmapList>();
  TQoBitmap* frames[2] = {
      bmp->Frames->Add(std::make_unique<TQoBitmap8>(Width, Height, SourcePalette.get())),
      bmp->Frames->Add(std::make_unique<TQoBitmap8>(Width, Height, SourcePalette.get()))};
  const TQoByteView screens[2] = {Even, Odd};
  const std::size_t rowBytes = static_cast<std::size_t>(StoredWidth / 4);
  const std::size_t w = static_cast<std::size_t>(Width);
  std::vector<uint32_t> values[2] = {std::vector<uint32_t>(w), std::vector<uint32_t>(w)};
  std::vector<uint32_t> colors(w);
  for (int y = 0; y < Height; ++y) {
    // Row 0 shows the even screen from column 0 and the odd one a column later; the two
    // swap places on every row.
    int shift[2] = {y % 2, 1 - y % 2};
    for (int s = 0; s < 2; ++s) {
      std::fill(values[s].begin(), values[s].end(), 0u);
      const uint8_t* row = screens[s].Ptr(static_cast<std::size_t>(y) * rowBytes, rowBytes);
      for (std::size_t b = 0; b < rowBytes; ++b) {
        const std::size_t x = 4 * b + static_cast<std::size_t>(shift[s]);
        const uint8_t left = QoCPCMode0Pixel(row[b], 0);
        const uint8_t right = QoCPCMode0Pixel(row[b], 1);
        values[s][x] = values[s][x + 1] = left;
        values[s][x + 2] = values[s][x + 3] = right;
      }
      frames[s]->SetRow(y, values[s].data(), Width);
    }
    for (std::size_t x = 0; x < w; ++x) {
      const uint32_t e = values[0][x];
      const uint32_t o = values[1][x];
      const bool edge = x == 0 || x + 1 == w;
      if (!edge) {
        colors[x] = Palette->GetRGBQuad(static_cast<int>(e * 16 + o));
        continue;
      }
      // At the edges one screen has no pixel; it counts as black in the mix.
      const int absent = x == 0 ? (shift[0] == 1 ? 0 : 1) : (shift[0] == 0 ? 0 : 1);
      TQoLinRGBColor a = SourcePalette->GetLinRGB(static_cast<int>(e));
      TQoLinRGBColor b = SourcePalette->GetLinRGB(static_cast<int>(o));
      if (absent == 0) a = TQoLinRGBColor{};
      if (absent == 1) b = TQoLinRGBColor{};
      colors[x] = static_cast<uint32_t>(qo::LinearToSrgbByte((a.R + b.R) / 2)) << 16 |
                  static_cast<uint32_t>(qo::LinearToSrgbByte((a.G + b.G) / 2)) << 8 |
                  qo::LinearToSrgbByte((a.B + b.B) / 2);
    }
    bmp->SetRow(y, colors.data(), Width);
  }
  return bmp;
}

TQoAmstradCPCModeB0SourceEngine::TQoAmstradCPCModeB0SourceEngine(TQoLoadSource& source)
    : TQoBaseAmstradCPCModeBSourceEngine(source, ClassName, 16) {
  Description = " Mode B0 image";
  Width = StoredWidth / 2;
  Height = StoredHeight;
  ColorDepth = 4;
  AspectIndex = kQoAspect5to3;
  AspectMask = QoAspectBit(kQoAspect5to3) | QoAspectBit(kQoAspect2to1);
}

TQoAmstradCPCModeB1SourceEngine::TQoAmstradCPCModeB1SourceEngine(TQoLoadSource& source)
    : TQoBaseAmstradCPCModeBSourceEngine(source, ClassName, 4) {
  Description = " Mode B1 image";
  Width = StoredWidth;
  Height = StoredHeight;
  ColorDepth = 2;
  AspectIndex = kQoAspect5to6;
  AspectMask |= QoAspectBit(kQoAspect5to6);
}

void RegisterAmstradCPCEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode0SourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode0ExSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode1SourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode1ExSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode2SourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode2ExSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode2HGBSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCMode5SourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCModeRSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCModeB0SourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmstradCPCModeB1SourceEngine>());
}
