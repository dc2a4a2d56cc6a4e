#include "platforms/AtariST/QoOpenPlatformAtariSTMultiPalette.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoDepackers.h"
#include "engine/QoStreamReaders.h"

namespace {

constexpr std::size_t kLowLineBytes = 160;
constexpr int kSpectrumLines = 199;
constexpr std::size_t kSpectrumRecordBytes = 96;
constexpr std::size_t kSpectrumScreenBytes = 31840;  // 199 lines of 160 bytes

uint32_t STColor(uint16_t word, uint8_t paletteType) {
  return QoRGBQuad(DecodeSTColor(word, paletteType));
}

// Offers both ST palette types with the ST selected; the caller switches to the STE when
// a word that is shown uses the fourth bits.
void SelectSTE(TQoSourceEngine& engine, bool ste) {
  engine.PaletteTypes = {ptAtariST, ptAtariSTE};
  engine.PaletteType = ste ? ptAtariSTE : ptAtariST;
  engine.PlatformName = ste ? "Atari STE" : "Atari ST";
}

constexpr uint16_t kSTEBits = 0x0888;

// A 24-bit picture of two 24-bit frames, for the flicker pairs.
std::unique_ptr<TQoBitmap> NewPair(int32_t width, int32_t height, TQoBitmap*& first,
                                   TQoBitmap*& second) {
  auto bmp = std::make_unique<TQoBitmap24>(width, height);
  first = bmp->AddFrame(nullptr);
  second = bmp->AddFrame(nullptr);
  return bmp;
}

// The "SP" header shared by the SPS and SPC files: screen and palette stream lengths.
struct TSpectrumPackedHeader {
  TQoByteView Screen;
  TQoByteView Palettes;

  bool Read(TQoByteView file) {
    if (!file.Matches(0, "SP") || !file.Has(0, 12)) return false;
    const uint64_t screenLength = file.BE32(4), paletteLength = file.BE32(8);
    if (screenLength == 0 || paletteLength == 0) return false;
    if (12 + screenLength + paletteLength != file.Size()) return false;
    Screen = file.Sub(12, static_cast<std::size_t>(screenLength));
    Palettes = file.From(12 + static_cast<std::size_t>(screenLength));
    return true;
  }
};

}  // namespace

// Spectrum 512 family.

TQoAtariSTSpectrum512Engine::TQoAtariSTSpectrum512Engine(TQoLoadSource& source,
                                                         const char* className)
    : TQoAtariSTBaseEngine(source, className) {
  Width = 320;
  Height = kSpectrumLines;
  ColorDepth = 4;
  SetSTLowAspect();
  ModeName = "Spectrum 512";
}

void TQoAtariSTSpectrum512Engine::DetectSelectedSTE() {
  bool ste = false;
  ForEachSelectedWord(PixelData, PaletteData, Interleaved, Height, [&](uint16_t word) {
    ste = (word & kSTEBits) != 0;
    return !ste;
  });
  SelectSTE(*this, ste);
}

void TQoAtariSTSpectrum512Engine::ReadLine(int y, uint8_t* values) const {
  const auto line = static_cast<std::size_t>(y);
  if (Interleaved) {
    QoReadPlaneLine(PixelData, line * kLowLineBytes, 2, 8, 4, 320, values);
  } else {
    QoReadPlaneLine(PixelData, line * 40, static_cast<std::size_t>(Height) * 40, 2, 4, 320, values);
  }
}

std::unique_ptr<TQoBitmap> TQoAtariSTSpectrum512Engine::Decode() {
  if (Height <= 0) qo::RaiseInternalError();
  std::unique_ptr<TQoBitmap> bmp = std::make_unique<TQoBitmap24>(320, Height);
  uint8_t values[320];
  uint32_t colors[48];
  std::vector<uint32_t> row(320);
  for (int y = 0; y < Height; ++y) {
    const TQoByteView record =
        PaletteData.Sub(static_cast<std::size_t>(y) * kSpectrumRecordBytes, kSpectrumRecordBytes);
    for (std::size_t i = 0; i < 48; ++i) colors[i] = STColor(record.BE16(2 * i), PaletteType);
    ReadLine(y, values);
    for (int x = 0; x < 320; ++x) row[x] = colors[Spectrum512PaletteIndex(values[x], x)];
    bmp->SetRow(y, row.data(), 320);
  }
  ReduceTrueColor(bmp);
  return bmp;
}

uint8_t TQoAtariSTSpectrum512SPUEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() != 51104) return 0;
  bool valid = true;
  ForEachSelectedWord(file.Sub(kLowLineBytes, kSpectrumScreenBytes), file.From(32000), true,
                      kSpectrumLines, [&](uint16_t word) {
                        valid = (word & 0xF000) == 0;
                        return valid;
                      });
  return valid ? QoDetect(source, {.Extensions = ".spu"}) : 0;
}

TQoAtariSTSpectrum512SPUEngine::TQoAtariSTSpectrum512SPUEngine(TQoLoadSource& source)
    : TQoAtariSTSpectrum512Engine(source, ClassName) {
  DefaultExtension = ".spu";
  PixelData = Bytes().Sub(kLowLineBytes, kSpectrumScreenBytes);
  PaletteData = Bytes().Sub(32000, kSpectrumLines * kSpectrumRecordBytes);
  DetectSelectedSTE();
}

uint8_t TQoAtariSTSpectrum512SPSEngine::Detect(TQoLoadSource& source) {
  TSpectrumPackedHeader header;
  if (!header.Read(source.Bytes())) return 0;
  std::vector<uint8_t> scratch(std::max(kSpectrumScreenBytes, kQoSpectrum512PaletteBytes));
  if (DecodeSPSBytes(header.Screen, scratch.data(), kSpectrumScreenBytes) != kSpectrumScreenBytes) {
    return 0;
  }
  std::size_t used = 0;
  if (DecodeSPSPalettes(header.Palettes, scratch.data(), &used) != kQoSpectrum512Palettes ||
      header.Palettes.Size() - used > 1) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".sps"});
}

TQoAtariSTSpectrum512SPSEngine::TQoAtariSTSpectrum512SPSEngine(TQoLoadSource& source)
    : TQoAtariSTSpectrum512Engine(source, ClassName) {
  TSpectrumPackedHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  // The packer leaves the order of the screen bytes in the last bit of the file.
  Interleaved = (header.Palettes.U8(header.Palettes.Size() - 1) & 1) == 0;
  Description = " smooshed image";
  DefaultExtension = ".sps";
  // The format stores 9-bit colours: never the STE's fourth bits.
  SelectSTE(*this, false);
}

void TQoAtariSTSpectrum512SPSEngine::Unpack() {
  TSpectrumPackedHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  std::vector<uint8_t> stream(kSpectrumScreenBytes, 0);
  DecodeSPSBytes(header.Screen, stream.data(), stream.size());
  std::vector<uint8_t> screen(32000, 0);
  if (Interleaved) {
    // The stream runs down the byte columns of each plane in turn.
    std::size_t at = 0;
    for (std::size_t plane = 0; plane < 8; plane += 2) {
      for (std::size_t j = 0; j < 40; ++j) {
        const std::size_t column = (j / 2) * 8 + (j % 2) + plane;
        for (std::size_t y = 0; y < kSpectrumLines; ++y) {
          screen[y * kLowLineBytes + column] = stream[at++];
        }
      }
    }
  } else {
    std::copy(stream.begin(), stream.end(), screen.begin());
  }
  std::vector<uint8_t> palettes(kQoSpectrum512PaletteBytes, 0);
  std::size_t used = 0;
  DecodeSPSPalettes(header.Palettes, palettes.data(), &used);
  screen_ = std::move(screen);
  palettes_ = std::move(palettes);
  PixelData = TQoByteView(screen_.data(), screen_.size());
  PaletteData = TQoByteView(palettes_.data(), palettes_.size());
}

std::unique_ptr<TQoBitmap> TQoAtariSTSpectrum512SPSEngine::Decode() {
  if (screen_.empty()) Unpack();
  return TQoAtariSTSpectrum512Engine::Decode();
}

uint8_t TQoAtariSTSpectrum512SPCEngine::Detect(TQoLoadSource& source) {
  TSpectrumPackedHeader header;
  if (!header.Read(source.Bytes())) return 0;
  std::vector<uint8_t> scratch(std::max(kSpectrumScreenBytes, kQoSpectrum512PaletteBytes));
  if (DecodeSPCBytes(header.Screen, scratch.data(), kSpectrumScreenBytes) != kSpectrumScreenBytes) {
    return 0;
  }
  std::size_t used = 0;
  bool valid = false;
  if (DecodeSPCPalettes(header.Palettes, scratch.data(), &used, &valid) != kQoSpectrum512Palettes ||
      used != header.Palettes.Size() || !valid) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".spc"});
}

TQoAtariSTSpectrum512SPCEngine::TQoAtariSTSpectrum512SPCEngine(TQoLoadSource& source)
    : TQoAtariSTSpectrum512Engine(source, ClassName) {
  TSpectrumPackedHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  screen_.assign(32000, 0);
  DecodeSPCBytes(header.Screen, screen_.data(), kSpectrumScreenBytes);
  palettes_.assign(kQoSpectrum512PaletteBytes, 0);
  std::size_t used = 0;
  bool valid = false;
  DecodeSPCPalettes(header.Palettes, palettes_.data(), &used, &valid);
  Interleaved = false;
  PixelData = TQoByteView(screen_.data(), screen_.size());
  PaletteData = TQoByteView(palettes_.data(), palettes_.size());
  Description = " compressed image";
  DefaultExtension = ".spc";
  DetectSelectedSTE();
}

namespace {

// The SPX header and where its blocks are.
struct TSpxLayout {
  uint8_t Version = 0;
  bool ScreenPacked = false;
  bool PalettePacked = false;
  std::string Name, Title;
  uint32_t ScreenLength = 0;   // L1
  uint32_t PaletteLength = 0;  // L2
  std::size_t Data = 0;
  // The sizes once unpacked, the skipped lines at the top and the picture lines.
  std::size_t ScreenSize = 0;
  std::size_t PaletteSize = 0;
  std::size_t SkippedLines = 1;
  int32_t Lines = 0;
  bool OneBlock = false;  // version 2 packed: screen and palettes in one SPX block
};

bool ReadZText(TQoByteView file, std::size_t& at, std::string& text) {
  text.clear();
  for (; at < file.Size(); ++at) {
    const uint8_t c = file.U8(at);
    if (c == 0) {
      ++at;
      return true;
    }
    text.push_back(static_cast<char>(c));
  }
  return false;
}

// A Pack-Ice block of exactly `length` bytes; its unpacked size, or 0.
std::size_t IceUnpackedSize(TQoByteView block) {
  if (!block.Matches(0, "Ice!") || !block.Has(0, 12)) return 0;
  if (block.BE32(4) != block.Size()) return 0;
  const uint32_t unpacked = block.BE32(8);
  return unpacked <= qo::kMaxAllocation ? unpacked : 0;
}

bool ReadSpxLayout(TQoByteView file, TSpxLayout& spx) {
  if (!file.Matches(0, "SPX") || !file.Has(0, 10)) return false;
  spx.Version = file.U8(3);
  if (spx.Version != 1 && spx.Version != 2) return false;
  spx.ScreenPacked = file.U8(4) != 0;
  spx.PalettePacked = file.U8(5) != 0;
  std::size_t at = 10;
  if (!ReadZText(file, at, spx.Name) || !ReadZText(file, at, spx.Title)) return false;
  if (!file.Has(at, 8)) return false;
  spx.ScreenLength = file.BE32(at);
  spx.PaletteLength = file.BE32(at + 4);
  spx.Data = at + 8;
  const std::size_t rest = file.Size() - spx.Data;

  if (spx.Version == 2 && spx.ScreenPacked != spx.PalettePacked) return false;
  if (spx.Version == 2 && spx.ScreenPacked) {
    // One block: unpacked size T and packed size, then the packed data.
    if (!file.Has(spx.Data, 8)) return false;
    const uint32_t total = file.BE32(spx.Data), packed = file.BE32(spx.Data + 4);
    if (total == 0 || packed == 0 || total > qo::kMaxAllocation) return false;
    if (packed > rest - 8) return false;
    if (total < spx.PaletteLength || (total - spx.PaletteLength) % kSpectrumRecordBytes != 0) {
      return false;
    }
    const int64_t lines = std::min<int64_t>((total - spx.PaletteLength) / kSpectrumRecordBytes,
                                            int64_t{spx.PaletteLength} / 160 - 2);
    if (lines <= 0) return false;
    spx.OneBlock = true;
    spx.ScreenSize = spx.PaletteLength;
    spx.PaletteSize = total - spx.PaletteLength;
    spx.SkippedLines = 2;
    spx.Lines = static_cast<int32_t>(lines);
    return true;
  }

  if (spx.ScreenLength == 0 || spx.PaletteLength == 0) return false;
  if (spx.ScreenLength > rest || spx.PaletteLength > rest - spx.ScreenLength) return false;
  const TQoByteView screen = file.Sub(spx.Data, spx.ScreenLength);
  const TQoByteView palettes = file.Sub(spx.Data + spx.ScreenLength, spx.PaletteLength);
  spx.ScreenSize = spx.ScreenPacked ? IceUnpackedSize(screen) : screen.Size();
  spx.PaletteSize = spx.PalettePacked ? IceUnpackedSize(palettes) : palettes.Size();
  if (spx.ScreenSize <= kLowLineBytes || (spx.ScreenSize - kLowLineBytes) % kLowLineBytes != 0) {
    return false;
  }
  if (spx.PaletteSize == 0 || spx.PaletteSize % kSpectrumRecordBytes != 0) return false;
  const std::size_t lines = (spx.ScreenSize - kLowLineBytes) / kLowLineBytes;
  if (lines != spx.PaletteSize / kSpectrumRecordBytes) return false;
  spx.Lines = static_cast<int32_t>(lines);
  return true;
}

// The block at data as it is, or unpacked by Pack-Ice into buffer.
TQoByteView PlainOrIce(TQoByteView block, bool packed, std::size_t size,
                       std::vector<uint8_t>& buffer) {
  if (!packed) return block;
  buffer.assign(size, 0);
  if (!DepackIce(block.Data(), block.Size(), buffer.data(), buffer.size())) {
    qo::RaiseInternalError();
  }
  return TQoByteView(buffer.data(), buffer.size());
}

}  // namespace

uint8_t TQoAtariSTSpectrum512SPXEngine::Detect(TQoLoadSource& source) {
  TSpxLayout spx;
  if (!ReadSpxLayout(source.Bytes(), spx)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".spx"});
}

TQoAtariSTSpectrum512SPXEngine::TQoAtariSTSpectrum512SPXEngine(TQoLoadSource& source)
    : TQoAtariSTSpectrum512Engine(source, ClassName) {
  TSpxLayout spx;
  if (!ReadSpxLayout(Bytes(), spx)) qo::RaiseInternalError();
  InfoName = spx.Name;
  InfoTitle = spx.Title;
  Description = " extended image";
  DefaultExtension = ".spx";
  Height = spx.Lines;
  TQoByteView screen, palettes;
  if (spx.OneBlock) {
    const TQoByteView block = Bytes().From(spx.Data);
    screen_.assign(spx.ScreenSize + spx.PaletteSize, 0);
    if (!DepackSpx(block.Data(), block.Size(), screen_.data(), screen_.size())) {
      qo::RaiseInternalError();
    }
    const TQoByteView all(screen_.data(), screen_.size());
    screen = all.Sub(0, spx.ScreenSize);
    palettes = all.From(spx.ScreenSize);
  } else {
    screen = PlainOrIce(Bytes().Sub(spx.Data, spx.ScreenLength), spx.ScreenPacked, spx.ScreenSize,
                        screen_);
    palettes = PlainOrIce(Bytes().Sub(spx.Data + spx.ScreenLength, spx.PaletteLength),
                          spx.PalettePacked, spx.PaletteSize, palettes_);
  }
  const auto lines = static_cast<std::size_t>(Height);
  PixelData = screen.Sub(spx.SkippedLines * kLowLineBytes, lines * kLowLineBytes);
  PaletteData = palettes.Sub(0, lines * kSpectrumRecordBytes);
  DetectSelectedSTE();
}

// PhotoChrome.

namespace {

constexpr std::size_t kPhotoChromeCheckedWords = 9552;
constexpr std::size_t kPhotoChromeReadWords = 9616;

}  // namespace

uint8_t TQoAtariSTPhotoChromeEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() <= 6 || file.BE16(0) != 320 || file.BE16(2) != 200) return 0;
  const int screens = file.U8(4) ? 2 : 1;
  TQoPhotoChromeReader reader(file.From(6));
  std::vector<uint8_t> scratch(std::max(kScreenBytes, kPaletteBytes));
  for (int s = 0; s < screens; ++s) {
    if (reader.ReadSection(false, scratch.data(), kScreenBytes) != kScreenBytes) return 0;
    if (reader.ReadSection(true, scratch.data(), kPhotoChromeCheckedWords) !=
        kPhotoChromeCheckedWords) {
      return 0;
    }
  }
  return QoDetect(source, {.Extensions = ".pcs"});
}

TQoAtariSTPhotoChromeEngine::TQoAtariSTPhotoChromeEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoByteView file = Bytes();
  if (file.Size() <= 6) qo::RaiseInternalError();
  const uint8_t flags = file.U8(4);
  screens_ = flags ? 2 : 1;
  TQoPhotoChromeReader reader(file.From(6));
  for (int s = 0; s < screens_; ++s) {
    screen_[s].assign(kScreenBytes, 0);
    palettes_[s].assign(kPaletteBytes, 0);
    reader.ReadSection(false, screen_[s].data(), kScreenBytes);
    reader.ReadSection(true, palettes_[s].data(), kPhotoChromeReadWords);
  }
  if (screens_ == 2) {
    // The second screen and palettes are usually stored as differences to the first.
    if (!(flags & 1)) {
      for (std::size_t i = 0; i < kScreenBytes; ++i) screen_[1][i] ^= screen_[0][i];
    }
    if (!(flags & 2)) {
      for (std::size_t i = 0; i < kPaletteBytes; ++i) palettes_[1][i] ^= palettes_[0][i];
    }
  }
  FrameCount = screens_;
  Width = 320;
  Height = kSpectrumLines;
  ColorDepth = 4;
  SetSTLowAspect();
  ModeName = "PhotoChrome";
  DefaultExtension = ".pcs";

  bool ste = false;
  uint8_t values[320];
  for (int s = 0; s < screens_ && !ste; ++s) {
    const TQoByteView screen(screen_[s].data(), kScreenBytes);
    const TQoByteView palettes(palettes_[s].data(), kPaletteBytes);
    for (std::size_t y = 0; y < kSpectrumLines && !ste; ++y) {
      QoReadPlaneLine(screen, (y + 1) * 40, 8000, 2, 4, 320, values);
      for (int x = 0; x < 320 && !ste; ++x) {
        const auto entry = static_cast<std::size_t>(PhotoChromePaletteIndex(values[x], x));
        ste = (palettes.BE16(y * kSpectrumRecordBytes + 2 * entry) & kSTEBits) != 0;
      }
    }
  }
  SelectSTE(*this, ste);
}

std::unique_ptr<TQoBitmap> TQoAtariSTPhotoChromeEngine::Decode() {
  TQoBitmap* frames[2] = {};
  std::unique_ptr<TQoBitmap> bmp;
  if (screens_ == 2) {
    bmp = NewPair(Width, Height, frames[0], frames[1]);
  } else {
    bmp = std::make_unique<TQoBitmap24>(Width, Height);
  }
  uint8_t values[2][320];
  std::vector<uint32_t> rows[2] = {std::vector<uint32_t>(320), std::vector<uint32_t>(320)};
  std::vector<TQoLinRGBColor> linear[2] = {std::vector<TQoLinRGBColor>(320),
                                           std::vector<TQoLinRGBColor>(320)};
  std::vector<uint32_t> mixed(320);
  for (int y = 0; y < Height; ++y) {
    const auto line = static_cast<std::size_t>(y);
    for (int s = 0; s < screens_; ++s) {
      const TQoByteView screen(screen_[s].data(), kScreenBytes);
      const TQoByteView palettes(palettes_[s].data(), kPaletteBytes);
      QoReadPlaneLine(screen, (line + 1) * 40, 8000, 2, 4, 320, values[s]);
      for (int x = 0; x < 320; ++x) {
        const auto entry = static_cast<std::size_t>(PhotoChromePaletteIndex(values[s][x], x));
        const uint16_t word = palettes.BE16(line * kSpectrumRecordBytes + 2 * entry);
        rows[s][x] = STColor(word, PaletteType);
        if (screens_ == 2) linear[s][x] = DecodeSTLinearColor(word, PaletteType);
      }
    }
    if (screens_ == 1) {
      bmp->SetRow(y, rows[0].data(), 320);
      continue;
    }
    for (int x = 0; x < 320; ++x) mixed[x] = QoAverageLinear(linear[0][x], linear[1][x]);
    bmp->SetRow(y, mixed.data(), 320);
    frames[0]->SetRow(y, rows[0].data(), 320);
    frames[1]->SetRow(y, rows[1].data(), 320);
  }
  return bmp;
}

// Multi Palette.

std::size_t TQoAtariSTMultiPalettePicture::TQoModeGeometry::PaletteBytes(int paletteMode) const {
  const std::size_t bits =
      static_cast<std::size_t>(Height) * static_cast<std::size_t>(ColorsPerLine) *
      static_cast<std::size_t>(TQoMultiPaletteBitReader::BitsPerColor(paletteMode));
  return (bits + 15) / 16 * 2;
}

std::size_t TQoAtariSTMultiPalettePicture::TQoModeGeometry::ScreenBytes() const {
  return static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) / 2;
}

int TQoAtariSTMultiPalettePicture::TQoModeGeometry::Step(int j) const {
  switch (Mode) {
    case 1:
      return (j & 1) ? 16 : 4;
    case 2:
      return 8;
    default:
      if (j == 15) return Mode == 3 ? 112 : 88;
      if (j == 31) return 12;
      if (j == 37) return 100;
      return 4;
  }
}

TQoAtariSTMultiPalettePicture::TQoModeGeometry TQoAtariSTMultiPalettePicture::Geometry(int mode) {
  switch (mode) {
    case 0:
      return {320, 199, 52, 1, 33, 32, 0};
    case 1:
      return {320, 199, 46, 1, 9, 16, 1};
    case 2:
      return {320, 199, 54, 1, 4, 32, 2};
    case 3:
      return {416, 273, 48, 6, 69, 127, 3};
    default:
      qo::RaiseInternalError();
  }
}

uint8_t TQoAtariSTMultiPalettePicture::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() < 13 || !file.Matches(0, "MPP")) return 0;
  const uint8_t mode = file.U8(3), flags = file.U8(4);
  const int paletteMode = flags & 3;
  if (mode > 3 || paletteMode == 2) return 0;
  const TQoModeGeometry g = Geometry(mode);
  const uint64_t screens = (flags & 4) ? 2 : 1;
  const uint64_t expected =
      12 + uint64_t{file.BE32(8)} + (g.PaletteBytes(paletteMode) + g.ScreenBytes()) * screens;
  if (expected != file.Size()) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".mpp"});
}

TQoAtariSTMultiPalettePicture::TQoAtariSTMultiPalettePicture(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoByteView file = Bytes();
  if (!file.Has(0, 12) || !file.Matches(0, "MPP")) qo::RaiseInternalError();
  mode_ = file.U8(3);
  paletteMode_ = file.U8(4) & 3;
  if (paletteMode_ == 2) qo::RaiseInternalError();
  screens_ = (file.U8(4) & 4) ? 2 : 1;
  const TQoModeGeometry g = Geometry(mode_);
  const uint32_t extra = file.BE32(8);
  if (extra > file.Size() - 12) qo::RaiseInternalError();
  dataOffset_ = 12 + static_cast<std::size_t>(extra);
  Width = g.Width;
  Height = g.Height;
  ColorDepth = 4;
  SetSTLowAspect();
  FrameCount = screens_;
  PlatformName = paletteMode_ == 0 ? "Atari ST" : "Atari STE";
  ModeName = "Multi Palette";
  DefaultExtension = ".mpp";
  ReadExtraHeader(file.Sub(12, extra));
}

void TQoAtariSTMultiPalettePicture::ReadExtraHeader(TQoByteView extra) {
  if (extra.Size() <= 4 || !extra.Matches(0, "MPPH")) return;
  static constexpr std::pair<std::string_view, const char*> kLabels[] = {{"TITL", "Title"},
                                                                         {"RIPP", "Ripper"},
                                                                         {"YEAR", "Year"},
                                                                         {"ARTT", "Artist"},
                                                                         {"CONV", "Converter"}};
  std::size_t at = 4;
  while (extra.Has(at, 4)) {
    const std::string tag(reinterpret_cast<const char*>(extra.Ptr(at, 4)), 4);
    if (tag == "HPPM") break;
    if (!std::all_of(tag.begin(), tag.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) break;
    at += 4;
    std::string text;
    ReadZText(extra, at, text);
    if (text.empty()) continue;
    std::string label = tag;
    for (const auto& [known, name] : kLabels) {
      if (tag == known) label = name;
    }
    if (!InfoTitle.empty()) InfoTitle += "\r\n";
    InfoTitle += label + ": " + text;
  }
}

std::unique_ptr<TQoBitmap> TQoAtariSTMultiPalettePicture::Decode() {
  const TQoModeGeometry g = Geometry(mode_);
  const std::size_t paletteBytes = g.PaletteBytes(paletteMode_);
  const std::size_t screenBytes = g.ScreenBytes();
  const std::size_t lineBytes = static_cast<std::size_t>(g.Width) / 2;
  const TQoByteView data = Bytes().From(dataOffset_);

  struct TScreen {
    TQoMultiPaletteBitReader Colors;
    TQoByteView Pixels;
    TQoLinRGBColor Registers[16];
    std::vector<uint8_t> Values;
  };
  std::vector<TScreen> screens;
  for (int s = 0; s < screens_; ++s) {
    const std::size_t at = static_cast<std::size_t>(s) * (paletteBytes + screenBytes);
    screens.push_back(TScreen{TQoMultiPaletteBitReader(data.Sub(at, paletteBytes), paletteMode_),
                              data.Sub(at + paletteBytes, screenBytes),
                              {},
                              std::vector<uint8_t>(static_cast<std::size_t>(g.Width))});
  }
  TQoBitmap* frames[2] = {};
  std::unique_ptr<TQoBitmap> bmp = screens_ == 2 ? NewPair(Width, Height, frames[0], frames[1])
                                                 : std::make_unique<TQoBitmap24>(Width, Height);
  auto readRegister = [&](int r) {
    for (TScreen& screen : screens) {
      if (!screen.Colors.ReadColor(screen.Registers[r])) return false;
    }
    return true;
  };

  for (int y = 0; y < Height; ++y) {
    for (int r = g.FirstRegister; r < 16; ++r) {
      if (!readRegister(r)) return bmp;
    }
    for (TScreen& screen : screens) {
      QoReadPlaneLine(screen.Pixels, static_cast<std::size_t>(y) * lineBytes, 2, 8, 4, g.Width,
                      screen.Values.data());
    }
    int next = g.FirstChange, j = 0;
    for (int x = 0; x < g.Width; ++x) {
      if (x == next) {
        if (j == g.BlackChange) {
          for (TScreen& screen : screens) screen.Registers[j % 16] = {};
        } else if (!readRegister(j % 16)) {
          return bmp;
        }
        next += g.Step(j);
        ++j;
      }
      const TQoLinRGBColor& a = screens[0].Registers[screens[0].Values[x]];
      if (screens_ == 1) {
        bmp->SetPixel(x, y, QoLinearToRGBQuad(a));
        continue;
      }
      const TQoLinRGBColor& b = screens[1].Registers[screens[1].Values[x]];
      frames[0]->SetPixel(x, y, QoLinearToRGBQuad(a));
      frames[1]->SetPixel(x, y, QoLinearToRGBQuad(b));
      bmp->SetPixel(x, y, QoAverageLinear(a, b));
    }
  }
  return bmp;
}

// QuantumPaint.

namespace {

bool IsQuantumMode(uint8_t mode) {
  return mode == 0 || mode == 1 || mode == 0x80 || mode == 0x81;
}

std::size_t QuantumPaletteBytes(uint8_t mode) {
  if (mode < 2)
    return TQoAtariSTQuantumPaintEngine::kRasterRecords *
           TQoAtariSTQuantumPaintEngine::kRasterRecordBytes;
  return (mode == 0x81 ? 4 : 2) * TQoAtariSTQuantumPaintEngine::kSetWords;
}

// The palette part and the screen of a file, from the file itself or unpacked into
// buffer; false when the file does not hold them exactly.
bool QuantumData(TQoByteView file, std::vector<uint8_t>& buffer, TQoByteView& data) {
  if (file.Size() <= 128) return false;
  const uint8_t mode = file.U8(3);
  if (file.U8(0) || file.U8(1) || file.U8(2) || !IsQuantumMode(mode)) return false;
  const std::size_t paletteBytes = QuantumPaletteBytes(mode);
  const std::size_t total = paletteBytes + 32000;
  if (file.BE16(4) != 0x8001) {
    if (file.Size() != 128 + total) return false;
    data = file.From(128);
    return true;
  }
  PackBitsReader reader(file.Data(), file.Size(), 128);
  buffer.assign(total, 0);
  for (std::size_t i = 0; i < paletteBytes; ++i) {
    if (!reader.ReadByte(buffer[i])) return false;
  }
  // The screen comes as word columns: plane by plane, group by group, 200 lines down.
  const std::size_t planes = mode == 1 ? 2 : 4;
  const std::size_t groups = 160 / (2 * planes);
  uint8_t* screen = buffer.data() + paletteBytes;
  for (std::size_t k = 0; k < planes; ++k) {
    for (std::size_t g = 0; g < groups; ++g) {
      for (std::size_t y = 0; y < 200; ++y) {
        uint8_t* word = screen + y * 160 + g * 2 * planes + 2 * k;
        if (!reader.ReadByte(word[0]) || !reader.ReadByte(word[1])) return false;
      }
    }
  }
  if (reader.In.Remaining() != 0 || reader.LiteralCount != 0 || reader.RepeatCount != 0)
    return false;
  data = TQoByteView(buffer.data(), buffer.size());
  return true;
}

}  // namespace

uint8_t TQoAtariSTQuantumPaintEngine::Detect(TQoLoadSource& source) {
  std::vector<uint8_t> buffer;
  TQoByteView data;
  if (!QuantumData(source.Bytes(), buffer, data)) return 0;
  const uint8_t mode = source.Bytes().U8(3);
  if (mode < 2) {
    const int words = mode == 0 ? 16 : 4;
    for (std::size_t r = 0; r < kRasterRecords; ++r) {
      const TQoByteView record = data.Sub(r * kRasterRecordBytes, kRasterRecordBytes);
      const bool active = record.BE16(34) != 0;
      if (r == 0 && (!active || record.BE16(32) != 0)) return 0;
      if (active && !IsValidSTPalette(record, words)) return 0;
      if (record.BE16(44) != 0) return 0;
    }
  } else {
    const std::size_t bytes = QuantumPaletteBytes(mode);
    if (!IsValidSTPalette(data.Sub(0, bytes), static_cast<int>(bytes / 2))) return 0;
  }
  return QoDetect(source, {.Extensions = ".pbx"});
}

TQoAtariSTQuantumPaintEngine::TQoAtariSTQuantumPaintEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoByteView data;
  if (!QuantumData(Bytes(), unpacked_, data)) qo::RaiseInternalError();
  mode_ = Bytes().U8(3);
  const std::size_t paletteBytes = QuantumPaletteBytes(mode_);
  AuxData = data.Sub(0, paletteBytes);
  PixelData = data.From(paletteBytes);
  ModeName = "QuantumPaint";
  DefaultExtension = ".pbx";
  if (mode_ < 2) {
    SetSTResolution(mode_);
    Layout = mode_ == 0 ? kSTLayoutLowLinePalettes : kSTLayoutMediumLinePalettes;
    bool ste = false;
    for (std::size_t r = 0; r < kRasterRecords; ++r) {
      ste = ste || HasSTEBits(AuxData.Sub(r * kRasterRecordBytes, 32), 1 << ColorDepth);
    }
    SelectSTE(*this, ste);
    return;
  }
  SetSTResolution(kSTLowResolution);
  sets_ = mode_ == 0x81 ? 2 : 1;
  FrameCount = sets_;
  DetectSTPalette(AuxData, static_cast<int>(paletteBytes / 2));
}

void TQoAtariSTQuantumPaintEngine::GetLinePalette(int line, TQoPalette256& palette) {
  std::size_t chosen = 0;
  int chosenLine = -1;
  for (std::size_t r = 1; r < kRasterRecords; ++r) {
    const TQoByteView record = AuxData.Sub(r * kRasterRecordBytes, kRasterRecordBytes);
    const int start = record.BE16(32);
    if (record.BE16(34) != 0 && start <= line && start > chosenLine) {
      chosen = r;
      chosenLine = start;
    }
  }
  LoadSTPalette(AuxData.Sub(chosen * kRasterRecordBytes, 32), palette, 1 << ColorDepth,
                PaletteType);
}

std::unique_ptr<TQoBitmap> TQoAtariSTQuantumPaintEngine::Decode() {
  if (sets_ == 0) return TQoAtariSTBaseEngine::Decode();
  return DecodeSets();
}

std::unique_ptr<TQoBitmap> TQoAtariSTQuantumPaintEngine::DecodeSets() {
  constexpr std::size_t kSetBytes = 2 * kSetWords;
  constexpr std::size_t kLinePaletteBytes = 64;
  uint8_t values[320];
  std::vector<uint32_t> row(320);
  auto wordAt = [&](std::size_t set, int y, int c, int x) {
    return AuxData.BE16(set * kSetBytes + static_cast<std::size_t>(y) * kLinePaletteBytes +
                        2 * static_cast<std::size_t>(QuantumPaletteIndex(c, x)));
  };

  if (sets_ == 2) {
    TQoBitmap* frames[2] = {};
    auto bmp = NewPair(Width, Height, frames[0], frames[1]);
    std::vector<uint32_t> rows[2] = {std::vector<uint32_t>(320), std::vector<uint32_t>(320)};
    for (int y = 0; y < Height; ++y) {
      QoReadPlaneLine(PixelData, static_cast<std::size_t>(y) * kLowLineBytes, 2, 8, 4, 320, values);
      for (int x = 0; x < 320; ++x) {
        const uint16_t a = wordAt(0, y, values[x], x), b = wordAt(1, y, values[x], x);
        rows[0][x] = STColor(a, PaletteType);
        rows[1][x] = STColor(b, PaletteType);
        row[x] = QoAverageLinear(DecodeSTLinearColor(a, PaletteType),
                                 DecodeSTLinearColor(b, PaletteType));
      }
      bmp->SetRow(y, row.data(), 320);
      frames[0]->SetRow(y, rows[0].data(), 320);
      frames[1]->SetRow(y, rows[1].data(), 320);
    }
    return bmp;
  }

  Palette->Clear();
  try {
    for (std::size_t i = 0; i < kSetWords; ++i)
      Palette->AddUnique(STColor(AuxData.BE16(2 * i), PaletteType));
    Palette->SortByLuminance(0);
  } catch (const ETooManyColors&) {
    Palette->Clear();
  }
  const int count = Palette->GetCount();
  std::unordered_map<uint32_t, uint32_t> indexOf;
  for (int i = 0; i < count; ++i) indexOf.emplace(Palette->GetRGBQuad(i), static_cast<uint32_t>(i));
  std::unique_ptr<TQoBitmap> bmp = NewBitmapForCollectedPalette();
  for (int y = 0; y < Height; ++y) {
    QoReadPlaneLine(PixelData, static_cast<std::size_t>(y) * kLowLineBytes, 2, 8, 4, 320, values);
    for (int x = 0; x < 320; ++x) {
      const uint32_t color = STColor(wordAt(0, y, values[x], x), PaletteType);
      row[x] = count == 0 ? color : indexOf.at(color);
    }
    bmp->SetRow(y, row.data(), 320);
  }
  return bmp;
}

// HighresMedium.

namespace {

constexpr std::size_t kHighresScreenBytes = 64000;
constexpr std::size_t kHighresRecordBytes = 140;
constexpr int kHighresWords = 14000;

}  // namespace

uint8_t TQoAtariSTHighresMediumEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() != 92000) return 0;
  if (!IsValidSTPalette(file.From(kHighresScreenBytes), kHighresWords)) return 0;
  return QoDetect(source, {.Extensions = ".hrm"});
}

TQoAtariSTHighresMediumEngine::TQoAtariSTHighresMediumEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  PixelData = Bytes().Sub(0, kHighresScreenBytes);
  PaletteData = Bytes().Sub(kHighresScreenBytes, 2 * kHighresWords);
  SetSTResolution(kSTMediumResolution);
  FrameCount = 2;
  DetectSTPalette(PaletteData, kHighresWords);
  ModeName = "HighresMedium";
  DefaultExtension = ".hrm";
}

std::unique_ptr<TQoBitmap> TQoAtariSTHighresMediumEngine::Decode() {
  TQoBitmap* frames[2] = {};
  auto bmp = NewPair(Width, Height, frames[0], frames[1]);
  uint8_t values[2][640];
  std::vector<uint32_t> rows[3] = {std::vector<uint32_t>(640), std::vector<uint32_t>(640),
                                   std::vector<uint32_t>(640)};
  for (int y = 0; y < Height; ++y) {
    const auto line = static_cast<std::size_t>(y);
    const TQoByteView record = PaletteData.Sub(line * kHighresRecordBytes, kHighresRecordBytes);
    TQoLinRGBColor linear[2];
    for (std::size_t s = 0; s < 2; ++s) {
      QoReadPlaneLine(PixelData, (2 * line + s) * 160, 2, 4, 2, 640, values[s]);
    }
    for (int x = 0; x < 640; ++x) {
      for (std::size_t s = 0; s < 2; ++s) {
        const auto entry = static_cast<std::size_t>(HighresMediumPaletteIndex(values[s][x], x));
        const uint16_t word = record.BE16(s * 70 + 2 * entry);
        rows[s][x] = STColor(word, PaletteType);
        linear[s] = DecodeSTLinearColor(word, PaletteType);
      }
      rows[2][x] = QoAverageLinear(linear[0], linear[1]);
    }
    frames[0]->SetRow(y, rows[0].data(), 640);
    frames[1]->SetRow(y, rows[1].data(), 640);
    bmp->SetRow(y, rows[2].data(), 640);
  }
  return bmp;
}

// GFA Artist with its 1000-colour mode.

namespace {

const char* const kThousandColorsOff = "1000-Colors OFF";
const char* const kThousandColorsOn = "1000-Colors ON";

}  // namespace

uint8_t TQoAtariSTGFAArtistEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() != 34360 || file.BE16(0) != 4) return 0;
  if (!IsValidSTPalette(file.Sub(32004, 32), 16) || !IsValidSTPalette(file.From(32036), 1104)) {
    return 0;
  }
  return QoDetect(source, {.Extensions = ".art"});
}

TQoAtariSTGFAArtistEngine::TQoAtariSTGFAArtistEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  SetSTResolution(kSTLowResolution);
  PixelData = Bytes().Sub(4, 32000);
  PaletteData = Bytes().Sub(32004, 32);
  AuxData = Bytes().Sub(32036, 69 * 32);
  DetectSTPalette(Bytes().Sub(32004, 1120 * 2), 1120);
  ModeName = "GFA Artist";
  DefaultExtension = ".art";
  PaletteVariants = std::make_shared<TQoPaletteVariantList>(
      TQoPaletteVariantList{kThousandColorsOff, kThousandColorsOn});
  PaletteVariant = kThousandColorsOn;
  Layout = kSTLayoutLowLinePalettes;
}

std::unique_ptr<TQoBitmap> TQoAtariSTGFAArtistEngine::Decode() {
  Layout = PaletteVariant == kThousandColorsOff ? kSTLayoutLow : kSTLayoutLowLinePalettes;
  return TQoAtariSTBaseEngine::Decode();
}

void TQoAtariSTGFAArtistEngine::GetLinePalette(int line, TQoPalette256& palette) {
  // A new palette every three lines, the first one a little above the picture.
  const auto index = static_cast<std::size_t>((line + 5) / 3);
  LoadSTPalette(AuxData.Sub(index * 32, 32), palette, 16, PaletteType);
}

// PaletteMaster.

uint8_t TQoAtariSTPaletteMasterEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (file.Size() != 36864 || file.BE16(35968) != 0xFFFF) return 0;
  if (!IsValidSTPalette(file.Sub(32768, 3200), 1600)) return 0;
  return QoDetect(source, {.Extensions = ".art"});
}

TQoAtariSTPaletteMasterEngine::TQoAtariSTPaletteMasterEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  SetSTResolution(kSTLowResolution);
  Layout = kSTLayoutLowLinePalettes;
  PixelData = Bytes().Sub(0, 32000);
  AuxData = Bytes().Sub(32768, 3200);
  DetectSTPalette(AuxData, 1600);
  ModeName = "PaletteMaster";
  DefaultExtension = ".art";
}

void TQoAtariSTPaletteMasterEngine::GetLinePalette(int line, TQoPalette256& palette) {
  LoadSTPalette(AuxData.Sub(static_cast<std::size_t>(line / 2) * 32, 32), palette, 16, PaletteType);
}
