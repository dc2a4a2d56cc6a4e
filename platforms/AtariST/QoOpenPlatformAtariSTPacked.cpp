#include "platforms/AtariST/QoOpenPlatformAtariSTPacked.h"

#include <string>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoStreamReaders.h"

namespace {

constexpr const char* kResolutionDigits[] = {"1", "2", "3"};

// Palette words the ST resolutions use: 16 at low, 4 at medium, none (or 2) at high.
int STPaletteWords(uint16_t resolution, int highWords = 0) {
  return resolution == kSTLowResolution ? 16 : resolution == kSTMediumResolution ? 4 : highWords;
}

bool ValidPaletteFor(TQoByteView words, uint16_t resolution, int highWords = 0) {
  const int n = STPaletteWords(resolution, highWords);
  return n == 0 || IsValidSTPalette(words, n);
}

std::string ByResolution(const char* stem, uint16_t resolution) {
  return std::string(stem) + kResolutionDigits[resolution];
}

// The bytes a PackBits stream from offset delivers, up to limit + 1.
std::size_t PackBitsCount(TQoByteView bytes, std::size_t offset, std::size_t limit,
                          uint8_t* out = nullptr) {
  if (offset > bytes.Size()) return 0;
  PackBitsReader reader(bytes.Data(), bytes.Size(), offset);
  std::size_t n = 0;
  uint8_t value = 0;
  while (n <= limit && reader.ReadByte(value)) {
    if (out && n < limit) out[n] = value;
    ++n;
  }
  return n;
}

}  // namespace

// The shared lazy unpacking.

void TQoAtariSTUnpackingEngine::UseScreen() {
  PixelData = TQoByteView(Screen.data(), Screen.size());
}

std::unique_ptr<TQoBitmap> TQoAtariSTUnpackingEngine::Decode() {
  if (Screen.empty()) {
    Screen.assign(ScreenBytes, 0);
    Unpack(Screen.data());
  }
  UseScreen();
  return TQoAtariSTBaseEngine::Decode();
}

// DEGAS Elite compressed: PackBits by line and plane, then the cycle trailer through
// the same stream.

uint8_t TQoAtariSTDEGASCompressedEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (source.Size < 35) return 0;
  const uint16_t word = bytes.BE16(0);
  if (word < 0x8000 || word > 0x8002) return 0;
  const auto resolution = static_cast<uint16_t>(word & 0xFF);
  if (!ValidPaletteFor(bytes.From(2), resolution)) return 0;
  if (PackBitsCount(bytes, 34, kQoSTScreenBytes) < kQoSTScreenBytes) return 0;
  return QoDetect(source, {.Extensions = ByResolution(".pc", resolution).c_str()});
}

TQoAtariSTDEGASCompressedEngine::TQoAtariSTDEGASCompressedEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoByteView bytes = Bytes();
  const uint16_t word = bytes.BE16(0);
  const auto resolution = static_cast<uint16_t>(word & 0xFF);
  if ((word & 0xFF00) != 0x8000 || resolution > kSTHighResolution) qo::RaiseInternalError();
  SetSTResolution(resolution);
  if (resolution != kSTHighResolution) {
    Layout = resolution == kSTLowResolution ? kSTLayoutLowLinePlanar : kSTLayoutMediumLinePlanar;
    PaletteData = bytes.From(2);
    DetectSTPalette(PaletteData, STPaletteWords(resolution));
  }
  ModeName = "DEGAS Elite";
  DefaultExtension = ByResolution(".pc", resolution);

  // The screen, and then the 16 low bytes of the trailer words, each a one-byte literal.
  std::vector<uint8_t> all(kQoSTScreenBytes + 16, 0);
  PackBitsReader reader(bytes.Data(), bytes.Size(), 34);
  std::size_t n = 0;
  while (n < all.size() && reader.ReadByte(all[n])) ++n;
  screen_.assign(all.begin(), all.begin() + kQoSTScreenBytes);
  PixelData = TQoByteView(screen_.data(), screen_.size());
  if (n == all.size() && resolution == kSTLowResolution) {
    TQoDegasCycleTrailer trailer;
    for (std::size_t c = 0; c < 4; ++c) {
      trailer.Left[c] = all[kQoSTScreenBytes + c];
      trailer.Right[c] = all[kQoSTScreenBytes + 4 + c];
      trailer.Direction[c] = all[kQoSTScreenBytes + 8 + c];
      trailer.Delay[c] = all[kQoSTScreenBytes + 12 + c];
    }
    AddDegasCycleRanges(trailer);
  }
}

// Tiny: mode byte, optional cycling bytes, palette, packed block.

namespace {

struct TQoTinyLayout {
  uint8_t Mode = 0;
  uint16_t Resolution = 0;
  std::size_t Palette = 1;
  std::size_t Block = 33;
};

bool ReadTinyLayout(TQoByteView bytes, TQoTinyLayout& layout) {
  if (bytes.Size() <= 40) return false;
  layout.Mode = bytes.U8(0);
  if (layout.Mode > 5) return false;
  layout.Resolution = layout.Mode % 3;
  const bool cycling = layout.Mode >= 3;
  layout.Palette = cycling ? 5 : 1;
  layout.Block = cycling ? 37 : 33;
  const std::size_t needed =
      bytes.BE16(layout.Block) + 2u * bytes.BE16(layout.Block + 2) + layout.Block + 4;
  return bytes.Size() >= needed;
}

}  // namespace

uint8_t TQoAtariSTTinyEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  TQoTinyLayout layout;
  if (!ReadTinyLayout(bytes, layout) ||
      !ValidPaletteFor(bytes.From(layout.Palette), layout.Resolution)) {
    return 0;
  }
  TQoTinyReader reader;
  if (!reader.Start(bytes.From(layout.Block)) ||
      QoFillTinyColumns(reader, nullptr) < kQoSTScreenBytes) {
    return 0;
  }
  static constexpr TQoExtensions kTinyExtensions[] = {".tny .tn1", ".tny .tn2", ".tny .tn3",
                                                      ".tny .tn4", ".tny .tn5", ".tny .tn6"};
  return QoDetect(source, {.Extensions = kTinyExtensions[layout.Mode]});
}

TQoAtariSTTinyEngine::TQoAtariSTTinyEngine(TQoLoadSource& source)
    : TQoAtariSTUnpackingEngine(source, ClassName) {
  const TQoByteView bytes = Bytes();
  TQoTinyLayout layout;
  if (!ReadTinyLayout(bytes, layout)) qo::RaiseInternalError();
  SetSTResolution(layout.Resolution);
  if (layout.Resolution != kSTHighResolution) {
    PaletteData = bytes.From(layout.Palette);
    DetectSTPalette(PaletteData, STPaletteWords(layout.Resolution));
  }
  ModeName = "Tiny Stuff";
  DefaultExtension = source.Extension == ".tny" ? ".tny" : ".tn" + std::to_string(layout.Mode + 1);
  if (layout.Mode == 3) AddLimitsCycleRange(bytes.U8(1), static_cast<int8_t>(bytes.U8(2)));
}

void TQoAtariSTTinyEngine::Unpack(uint8_t* screen) {
  TQoTinyLayout layout;
  TQoTinyReader reader;
  if (ReadTinyLayout(Bytes(), layout) && reader.Start(Bytes().From(layout.Block))) {
    QoFillTinyColumns(reader, screen);
  }
}

// Crack Art: "CA", compression flag, resolution, palette, then plain or packed screen.

namespace {

struct TQoCrackArtLayout {
  bool Packed = false;
  uint16_t Resolution = 0;
  std::size_t Screen = 0;
};

bool ReadCrackArtLayout(TQoByteView bytes, TQoCrackArtLayout& layout) {
  if (bytes.Size() <= 4 || !bytes.Matches(0, "CA") || bytes.U8(2) > 1 || bytes.U8(3) > 2) {
    return false;
  }
  layout.Packed = bytes.U8(2) == 1;
  layout.Resolution = bytes.U8(3);
  layout.Screen = 4 + 2 * static_cast<std::size_t>(STPaletteWords(layout.Resolution));
  return ValidPaletteFor(bytes.From(4), layout.Resolution) &&
         (layout.Packed ? bytes.Size() > layout.Screen + 4
                        : bytes.Size() == layout.Screen + kQoSTScreenBytes);
}

}  // namespace

uint8_t TQoAtariSTCrackArtEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  TQoCrackArtLayout layout;
  if (!ReadCrackArtLayout(bytes, layout)) return 0;
  if (layout.Packed) {
    TQoCrackArtReader reader;
    if (!reader.Start(bytes.From(layout.Screen)) ||
        QoFillWithOffset(reader, nullptr) < kQoSTScreenBytes) {
      return 0;
    }
  }
  return QoDetect(source,
                  {.Signed = true, .Extensions = ByResolution(".ca", layout.Resolution).c_str()});
}

TQoAtariSTCrackArtEngine::TQoAtariSTCrackArtEngine(TQoLoadSource& source)
    : TQoAtariSTUnpackingEngine(source, ClassName) {
  TQoCrackArtLayout layout;
  if (!ReadCrackArtLayout(Bytes(), layout)) qo::RaiseInternalError();
  SetSTResolution(layout.Resolution);
  if (layout.Resolution != kSTHighResolution) {
    PaletteData = Bytes().From(4);
    DetectSTPalette(PaletteData, STPaletteWords(layout.Resolution));
  }
  PixelData = Bytes().From(layout.Screen);
  packed_ = layout.Packed;
  ModeName = "Crack Art";
  DefaultExtension = ByResolution(".ca", layout.Resolution);
}

std::unique_ptr<TQoBitmap> TQoAtariSTCrackArtEngine::Decode() {
  if (!packed_) return TQoAtariSTBaseEngine::Decode();
  return TQoAtariSTUnpackingEngine::Decode();
}

void TQoAtariSTCrackArtEngine::Unpack(uint8_t* screen) {
  TQoCrackArtLayout layout;
  TQoCrackArtReader reader;
  if (ReadCrackArtLayout(Bytes(), layout) && reader.Start(Bytes().From(layout.Screen))) {
    QoFillWithOffset(reader, screen);
  }
}

// EZ-Art Professional: "EZ", palette at 4, PackBits at 44 holding exactly one screen.

uint8_t TQoAtariSTEZArtProfessionalEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (source.Size <= 44 || !bytes.Matches(0, "EZ") || !IsValidSTPalette(bytes.From(4), 16)) {
    return 0;
  }
  if (PackBitsCount(bytes, 44, kQoSTScreenBytes) != kQoSTScreenBytes) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".eza"});
}

TQoAtariSTEZArtProfessionalEngine::TQoAtariSTEZArtProfessionalEngine(TQoLoadSource& source)
    : TQoAtariSTUnpackingEngine(source, ClassName) {
  SetSTResolution(kSTLowResolution);
  Layout = kSTLayoutLowLinePlanar;
  PaletteData = Bytes().From(4);
  DetectSTPalette(PaletteData, 16);
  ModeName = "EZ-Art Professional";
  DefaultExtension = ".eza";
}

void TQoAtariSTEZArtProfessionalEngine::Unpack(uint8_t* screen) {
  PackBitsCount(Bytes(), 44, kQoSTScreenBytes, screen);
}

// Column runs: Dali's packed screens and ZZ ROUGH.

namespace {

struct TQoColumnRunData {
  TQoByteView Counts, Values;
  std::size_t Palette = 0;
};

// Dali: palette, then the two counts as text lines, then the counts and the values.
bool ReadDaliRuns(TQoByteView bytes, TQoColumnRunData& data) {
  if (bytes.Size() <= 32) return false;
  TQoByteCursor cursor(bytes, 32);
  uint32_t countBytes = 0, valueBytes = 0;
  if (!ParseDecimalLine(cursor, countBytes) || !ParseDecimalLine(cursor, valueBytes) ||
      countBytes == 0 || valueBytes == 0 || cursor.Remaining() != countBytes + valueBytes) {
    return false;
  }
  data.Counts = bytes.Sub(cursor.Pos, countBytes);
  data.Values = bytes.Sub(cursor.Pos + countBytes, valueBytes);
  data.Palette = 0;
  return QoDecodeColumnRuns(data.Counts, data.Values, nullptr);
}

// ZZ ROUGH: signature, the run count as a text line, palette, counts, values.
bool ReadRoughRuns(TQoByteView bytes, TQoColumnRunData& data) {
  if (bytes.Size() <= 12 || !bytes.Matches(0, "(c)QUORLETAN")) return false;
  TQoByteCursor cursor(bytes, 12);
  uint32_t runs = 0;
  if (!ParseDecimalLine(cursor, runs) || runs == 0 ||
      cursor.Remaining() != 5 * static_cast<std::size_t>(runs) + 32) {
    return false;
  }
  data.Palette = cursor.Pos;
  data.Counts = bytes.Sub(cursor.Pos + 32, runs);
  data.Values = bytes.Sub(cursor.Pos + 32 + runs, 4 * static_cast<std::size_t>(runs));
  return IsValidSTPalette(bytes.From(data.Palette), 16) &&
         QoDecodeColumnRuns(data.Counts, data.Values, nullptr);
}

}  // namespace

uint8_t TQoAtariSTDaliPKEngine::Detect(TQoLoadSource& source, const TQoDaliPackedFormat& row) {
  TQoColumnRunData data;
  if (!ReadDaliRuns(source.Bytes(), data)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = row.Extensions});
}

TQoAtariSTDaliPKEngine::TQoAtariSTDaliPKEngine(TQoLoadSource& source,
                                               const TQoDaliPackedFormat& row)
    : TQoAtariSTUnpackingEngine(source, row.ClassName) {
  SetSTResolution(row.Resolution);
  PaletteData = Bytes();
  DetectSTPalette(PaletteData, row.PaletteWords);
  ModeName = "Dali";
  DefaultExtension = std::string(row.Extensions.First());
}

void TQoAtariSTDaliPKEngine::Unpack(uint8_t* screen) {
  TQoColumnRunData data;
  if (ReadDaliRuns(Bytes(), data)) QoDecodeColumnRuns(data.Counts, data.Values, screen);
}

uint8_t TQoAtariSTZZROUGHEngine::Detect(TQoLoadSource& source) {
  TQoColumnRunData data;
  if (!ReadRoughRuns(source.Bytes(), data)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".rgh"});
}

TQoAtariSTZZROUGHEngine::TQoAtariSTZZROUGHEngine(TQoLoadSource& source)
    : TQoAtariSTUnpackingEngine(source, ClassName) {
  TQoColumnRunData data;
  if (!ReadRoughRuns(Bytes(), data)) qo::RaiseInternalError();
  SetSTResolution(kSTLowResolution);
  PaletteData = Bytes().From(data.Palette);
  DetectSTPalette(PaletteData, 16);
  ModeName = "ZZ ROUGH";
  DefaultExtension = ".rgh";
}

void TQoAtariSTZZROUGHEngine::Unpack(uint8_t* screen) {
  TQoColumnRunData data;
  if (ReadRoughRuns(Bytes(), data)) QoDecodeColumnRuns(data.Counts, data.Values, screen);
}

// Imagic: "IMDC", resolution, palette, 200 and 2, the escape byte, packed byte columns.

namespace {

bool ReadImagicHeader(TQoByteView bytes, uint16_t& resolution) {
  if (bytes.Size() <= 67 || !bytes.Matches(0, "IMDC")) return false;
  resolution = bytes.BE16(4);
  return resolution <= kSTHighResolution && bytes.U8(64) == 200 && bytes.U8(65) == 2 &&
         ValidPaletteFor(bytes.From(6), resolution, 2);
}

}  // namespace

uint8_t TQoAtariSTImagicEngine::Detect(TQoLoadSource& source) {
  uint16_t resolution = 0;
  if (!ReadImagicHeader(source.Bytes(), resolution)) return 0;
  TQoImagicReader reader;
  if (!reader.Start(source.Bytes()) || QoFillByteColumns(reader, nullptr) < kQoSTScreenBytes) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ByResolution(".ic", resolution).c_str()});
}

TQoAtariSTImagicEngine::TQoAtariSTImagicEngine(TQoLoadSource& source)
    : TQoAtariSTUnpackingEngine(source, ClassName) {
  uint16_t resolution = 0;
  if (!ReadImagicHeader(Bytes(), resolution)) qo::RaiseInternalError();
  SetSTResolution(resolution);
  PaletteData = Bytes().From(6);
  DetectSTPalette(PaletteData, STPaletteWords(resolution, 2));
  ModeName = "Imagic";
  DefaultExtension = ByResolution(".ic", resolution);
}

void TQoAtariSTImagicEngine::Unpack(uint8_t* screen) {
  TQoImagicReader reader;
  if (reader.Start(Bytes())) QoFillByteColumns(reader, screen);
}

// Paintworks: a 128-byte header, then one or two screens, plain or packed.

namespace {

struct TQoPaintworksHeader {
  bool Packed = false;
  uint16_t Resolution = 0;
  uint8_t Kind = 0;
  std::size_t Screens = 1;
};

bool ReadPaintworksHeader(TQoByteView bytes, TQoPaintworksHeader& header) {
  if (bytes.Size() < 129 || bytes.U8(0) != 0 || !bytes.Matches(54, "ANvisionA")) return false;
  const uint8_t flags = bytes.U8(63);
  header.Packed = (flags & 0x80) != 0;
  header.Resolution = (flags >> 4) & 3;
  header.Kind = flags & 15;
  header.Screens = header.Kind == 0 ? 2 : 1;
  return header.Resolution <= kSTHighResolution && header.Kind <= 2 &&
         ValidPaletteFor(bytes.From(4), header.Resolution);
}

std::string PaintworksExtension(const TQoPaintworksHeader& header) {
  static constexpr const char* kKinds[] = {".pg", ".sc", ".cl"};
  return kKinds[header.Kind] + std::to_string(header.Resolution);
}

}  // namespace

uint8_t TQoAtariSTPaintworksEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  TQoPaintworksHeader header;
  if (!ReadPaintworksHeader(bytes, header)) return 0;
  const std::size_t needed = kQoSTScreenBytes * header.Screens;
  if (header.Packed) {
    TQoPaintworksReader reader(bytes.From(128));
    if (QoFillLinear(reader, nullptr, needed) < needed) return 0;
  } else if (bytes.Size() < 128 + needed) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = PaintworksExtension(header).c_str()});
}

TQoAtariSTPaintworksEngine::TQoAtariSTPaintworksEngine(TQoLoadSource& source)
    : TQoAtariSTUnpackingEngine(source, ClassName) {
  TQoPaintworksHeader header;
  if (!ReadPaintworksHeader(Bytes(), header)) qo::RaiseInternalError();
  SetSTResolution(header.Resolution);
  Height *= static_cast<int32_t>(header.Screens);
  packed_ = header.Packed;
  if (packed_ && header.Resolution != kSTHighResolution) {
    Layout = header.Resolution == kSTLowResolution ? kSTLayoutLowPlanePlanar
                                                   : kSTLayoutMediumPlanePlanar;
  }
  if (header.Resolution != kSTHighResolution) {
    PaletteData = Bytes().From(4);
    DetectSTPalette(PaletteData, STPaletteWords(header.Resolution));
  }
  PixelData = Bytes().From(128);
  ScreenBytes = kQoSTScreenBytes * header.Screens;
  ModeName = "Paintworks";
  DefaultExtension = PaintworksExtension(header);
}

std::unique_ptr<TQoBitmap> TQoAtariSTPaintworksEngine::Decode() {
  if (!packed_) return TQoAtariSTBaseEngine::Decode();
  return TQoAtariSTUnpackingEngine::Decode();
}

void TQoAtariSTPaintworksEngine::Unpack(uint8_t* screen) {
  TQoPaintworksReader reader(Bytes().From(128));
  QoFillLinear(reader, screen, ScreenBytes);
}

// Canvas.

namespace {

constexpr std::size_t kLineGroups = 50;
constexpr std::size_t kLinePaletteBytes = 48;  // 16 level triples
const std::string kMultipalette = "Multipalette";

int CanvasPlanes(uint16_t resolution) {
  return resolution == 0 ? 4 : resolution == 1 ? 2 : resolution == 2 ? 1 : 0;
}

// The picture block at offset: palette, resolution word, packed groups.
bool CanvasBlockValid(TQoByteView bytes, std::size_t offset) {
  if (!bytes.Has(offset, 35)) return false;
  const int planes = CanvasPlanes(bytes.BE16(offset + 32));
  if (planes == 0 || !IsValidSTPalette(bytes.From(offset), 1 << planes)) return false;
  return QoDecodeCanvasGroups(bytes.From(offset + 34), planes, nullptr);
}

}  // namespace

bool TQoAtariCanvasEngine::ReadLinePalettes(TQoByteView data, std::array<TQoByteView, 50>* groups,
                                            std::size_t* length) {
  if (data.Size() < 896 || data.BE16(0) == 0xFFFF) return false;
  std::size_t present = 0;
  for (std::size_t g = 0; g < kLineGroups; ++g) present += data.BE16(2 * g) != 0xFFFF;
  const std::size_t end = 848 + kLinePaletteBytes * present;
  if (data.Size() < end) return false;
  for (std::size_t i = end - kLinePaletteBytes * present; i < end; ++i) {
    if (data.U8(i) > 15) return false;
  }
  if (length) *length = end;
  if (groups) {
    // The first present group has the last palette, the next one the palette before it.
    std::size_t next = end;
    for (std::size_t g = 0; g < kLineGroups; ++g) {
      if (data.BE16(2 * g) != 0xFFFF) {
        next -= kLinePaletteBytes;
        (*groups)[g] = data.Sub(next, kLinePaletteBytes);
      } else {
        (*groups)[g] = (*groups)[g - 1];
      }
    }
  }
  return true;
}

TQoAtariCanvasEngine::TQoAtariCanvasEngine(TQoLoadSource& source, const char* className)
    : TQoAtariSTUnpackingEngine(source, className) {
  ModeName = "Canvas";
}

void TQoAtariCanvasEngine::SetUp(std::size_t blockOffset, TQoByteView linePalettes) {
  const TQoByteView bytes = Bytes();
  block_ = blockOffset;
  const uint16_t resolution = bytes.BE16(block_ + 32);
  planes_ = CanvasPlanes(resolution);
  if (planes_ == 0) qo::RaiseInternalError();
  SetSTResolution(resolution);
  PaletteData = bytes.From(block_);
  DetectSTPalette(PaletteData, 1 << planes_);
  if (planes_ > 1 && !linePalettes.Empty() && ReadLinePalettes(linePalettes, &groups_, nullptr)) {
    hasLinePalettes_ = true;
    PaletteVariants = std::make_shared<TQoPaletteVariantList>(
        TQoPaletteVariantList{planes_ == 4 ? "16 colors" : "4 colors", kMultipalette});
    PaletteVariant = kMultipalette;
  }
}

void TQoAtariCanvasEngine::Unpack(uint8_t* screen) {
  QoDecodeCanvasGroups(Bytes().From(block_ + 34), planes_, screen);
}

std::unique_ptr<TQoBitmap> TQoAtariCanvasEngine::Decode() {
  const bool lines = hasLinePalettes_ && PaletteVariant == kMultipalette;
  if (planes_ == 4) {
    Layout = lines ? kSTLayoutLowLinePalettes : kSTLayoutLow;
  } else if (planes_ == 2) {
    Layout = lines ? kSTLayoutMediumLinePalettes : kSTLayoutMedium;
  }
  return TQoAtariSTUnpackingEngine::Decode();
}

void TQoAtariCanvasEngine::GetLinePalette(int line, TQoPalette256& palette) {
  palette.Clear();
  const std::size_t group =
      std::min<std::size_t>(static_cast<std::size_t>(line) / 4, kLineGroups - 1);
  LoadVDILevelPalette(groups_[group], palette, 1 << planes_, PaletteType);
}

uint8_t TQoAtariSTCanvasCPTEngine::Detect(TQoLoadSource& source) {
  if (source.Size <= 34 || !CanvasBlockValid(source.Bytes(), 0)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".cpt"});
}

TQoAtariSTCanvasCPTEngine::TQoAtariSTCanvasCPTEngine(TQoLoadSource& source)
    : TQoAtariCanvasEngine(source, ClassName) {
  SetUp(0, source.CompanionWithExtension(".hbl"));
  DefaultExtension = ".cpt";
}

namespace {

// A FUL file: line palettes, 608 unused bytes, the picture block; the block's offset.
bool FulBlock(TQoByteView bytes, std::size_t& block) {
  std::size_t end = 0;
  if (!TQoAtariCanvasEngine::ReadLinePalettes(bytes, nullptr, &end)) return false;
  if (end >= bytes.Size() || end + 642 >= bytes.Size()) return false;
  block = end + 608;
  return true;
}

}  // namespace

uint8_t TQoAtariSTCanvasFulEngine::Detect(TQoLoadSource& source) {
  std::size_t block = 0;
  if (!FulBlock(source.Bytes(), block) || !CanvasBlockValid(source.Bytes(), block)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".ful"});
}

TQoAtariSTCanvasFulEngine::TQoAtariSTCanvasFulEngine(TQoLoadSource& source)
    : TQoAtariCanvasEngine(source, ClassName) {
  std::size_t block = 0;
  if (!FulBlock(Bytes(), block)) qo::RaiseInternalError();
  SetUp(block, Bytes());
  DefaultExtension = ".ful";
}

// Pablo Paint: a text header, the length as a text line, a block and the plain screen.

namespace {

constexpr std::string_view kPabloHeader = "PABLO PACKED PICTURE: Groupe CDND \r\n";

bool ReadPablo(TQoByteView bytes, std::size_t& block) {
  if (bytes.Size() <= 72 || !bytes.Matches(0, kPabloHeader)) return false;
  TQoByteCursor cursor(bytes, kPabloHeader.size());
  uint32_t length = 0;
  if (!ParseDecimalLine(cursor, length) || length != 32036 || cursor.Remaining() != 32036) {
    return false;
  }
  block = cursor.Pos;
  const uint8_t resolution = bytes.U8(block);
  return (resolution == 0 || resolution == 2) && bytes.U8(block + 1) == 0 &&
         bytes.BE16(block + 2) == 32036 &&
         (resolution != 0 || IsValidSTPalette(bytes.From(block + 4), 16));
}

}  // namespace

uint8_t TQoAtariSTPabloPaintEngine::Detect(TQoLoadSource& source) {
  std::size_t block = 0;
  if (!ReadPablo(source.Bytes(), block)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".ppp .pa3"});
}

TQoAtariSTPabloPaintEngine::TQoAtariSTPabloPaintEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  std::size_t block = 0;
  if (!ReadPablo(Bytes(), block)) qo::RaiseInternalError();
  if (Bytes().U8(block) == 0) {
    SetSTResolution(kSTLowResolution);
    PaletteData = Bytes().From(block + 4);
    DetectSTPalette(PaletteData, 16);
  } else {
    SetSTResolution(kSTHighResolution);
  }
  PixelData = Bytes().From(block + 36);
  if (source.Extension == ".pa3") {
    ModeName = "Pablo Paint 2.5";
    DefaultExtension = ".pa3";
  } else {
    ModeName = source.Extension == ".ppp" ? "Pablo Paint 1.1" : "Pablo Paint";
    DefaultExtension = ".ppp";
  }
}
