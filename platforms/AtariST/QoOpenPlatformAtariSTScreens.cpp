// The uncompressed ST screens beyond DEGAS and NEOchrome: one engine shape over a table
// for those that differ only in numbers, and small engines for the few with a header,
// palette variants or a companion palette file.

#include <string>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"

uint8_t TQoAtariSTScreenEngine::Detect(TQoLoadSource& source, const TQoAtariSTScreenFormat& row) {
  const TQoByteView bytes = source.Bytes();
  if (!row.Signature.empty() && !bytes.Matches(row.SignatureOffset, row.Signature)) return 0;
  if (row.PaletteWords > 0 && !IsValidSTPalette(bytes.From(row.PaletteOffset), row.PaletteWords)) {
    return 0;
  }
  return QoDetect(source, {.Size = static_cast<std::size_t>(row.FileSize),
                           .Signed = row.HeaderStructure,
                           .Extensions = row.Extensions});
}

TQoAtariSTScreenEngine::TQoAtariSTScreenEngine(TQoLoadSource& source,
                                               const TQoAtariSTScreenFormat& row)
    : TQoAtariSTBaseEngine(source, row.ClassName) {
  SetSTResolution(row.Resolution);
  Width = row.Width;
  Height = row.Height;
  LinePadding = row.LinePadding;
  PixelData = Bytes().From(row.ScreenOffset);
  PaletteData = TQoByteView();
  if (row.PaletteWords > 0) {
    PaletteData = Bytes().From(row.PaletteOffset);
    DetectSTPalette(PaletteData, row.PaletteWords);
  }
  ModeName = row.ModeName;
  DefaultExtension = std::string(row.Extensions.First());
}

TQoAtariSTDaliEngine::TQoAtariSTDaliEngine(TQoLoadSource& source, const TQoAtariSTScreenFormat& row)
    : TQoAtariSTScreenEngine(source, row) {
  if (row.PaletteWords > 0) PaletteData = Bytes().From(4);
  PixelData = Bytes().From(128);
  ModeName = "Dali";
}

// Cyber Paint cells: a NEOchrome-like header (flag 0xFFFF) with the cell's own size.

namespace {

constexpr std::size_t kCellHeader = 128;

bool ReadCellSize(TQoByteView bytes, int32_t& width, int32_t& height) {
  if (bytes.Size() <= kCellHeader || bytes.BE16(0) != 0xFFFF || bytes.BE16(2) != 0 ||
      bytes.U8(62) != 0 || bytes.U8(63) != 0) {
    return false;
  }
  width = bytes.BE16(58);
  height = bytes.BE16(60);
  if (width < 1 || width > 320 || height < 1 || height > 320) return false;
  const std::size_t screen =
      (static_cast<std::size_t>(width) + 15) / 16 * 8 * static_cast<std::size_t>(height);
  return bytes.Size() == screen + kCellHeader;
}

}  // namespace

uint8_t TQoAtariSTCyberPaintCellEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  int32_t width = 0, height = 0;
  if (!ReadCellSize(bytes, width, height) || !IsValidSTPalette(bytes.From(4), 16)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".cel"});
}

TQoAtariSTCyberPaintCellEngine::TQoAtariSTCyberPaintCellEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  int32_t width = 0, height = 0;
  if (!ReadCellSize(Bytes(), width, height)) qo::RaiseInternalError();
  SetSTResolution(kSTLowResolution);
  Width = width;
  Height = height;
  PaletteData = Bytes().From(4);
  PixelData = Bytes().From(kCellHeader);
  DetectSTPalette(PaletteData, 16);
  ModeName = "Cyber Paint Cell";
  DefaultExtension = ".cel";
}

// Art Director: the screen, then eight palettes and the number of the one in use.

namespace {

constexpr std::size_t kArtDirectorSize = 32512;
constexpr std::size_t kArtDirectorPalettes = 32000;
constexpr std::size_t kArtDirectorCurrent = 32287;
constexpr int kArtDirectorPaletteCount = 8;
constexpr std::size_t kPaletteBytes = 32;

TQoByteView ArtDirectorPalette(TQoByteView bytes, int k) {
  return bytes.Sub(kArtDirectorPalettes + kPaletteBytes * static_cast<std::size_t>(k),
                   kPaletteBytes);
}

bool SamePalette(TQoByteView a, TQoByteView b) {
  for (std::size_t i = 0; i < kPaletteBytes; ++i) {
    if (a.U8(i) != b.U8(i)) return false;
  }
  return true;
}

}  // namespace

uint8_t TQoAtariSTArtDirectorEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (!bytes.Has(kArtDirectorCurrent, 1)) return 0;
  const uint8_t current = bytes.U8(kArtDirectorCurrent);
  if (current >= kArtDirectorPaletteCount) return 0;
  if (!IsValidSTPalette(ArtDirectorPalette(bytes, current), 16)) return 0;
  return QoDetect(source, {.Size = kArtDirectorSize, .Extensions = ".art"});
}

TQoAtariSTArtDirectorEngine::TQoAtariSTArtDirectorEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoByteView bytes = Bytes();
  const uint8_t current = bytes.U8(kArtDirectorCurrent);
  if (current >= kArtDirectorPaletteCount) qo::RaiseInternalError();
  SetSTResolution(kSTLowResolution);
  PixelData = bytes;
  PaletteData = ArtDirectorPalette(bytes, current);
  DetectSTPalette(PaletteData, 16);
  ModeName = "Art Director";
  DefaultExtension = ".art";

  // The other palettes worth offering: valid, and unlike the current one and every
  // palette before them.
  auto variants = std::make_shared<TQoPaletteVariantList>();
  for (int k = 0; k < kArtDirectorPaletteCount; ++k) {
    const TQoByteView palette = ArtDirectorPalette(bytes, k);
    bool offer = k == current;
    if (!offer && IsValidSTPalette(palette, 16) && !SamePalette(palette, PaletteData)) {
      offer = true;
      for (int earlier = 0; earlier < k && offer; ++earlier) {
        offer = !SamePalette(palette, ArtDirectorPalette(bytes, earlier));
      }
    }
    if (!offer) continue;
    variants->push_back(VariantName(k + 1));
    if (k == current) PaletteVariant = variants->back();
  }
  if (variants->size() > 1) {
    PaletteVariants = variants;
  } else {
    PaletteVariant.clear();
  }
}

std::unique_ptr<TQoBitmap> TQoAtariSTArtDirectorEngine::Decode() {
  const int number = SelectedVariantNumber();
  if (number >= 1 && number <= kArtDirectorPaletteCount) {
    PaletteData = ArtDirectorPalette(Bytes(), number - 1);
  }
  return TQoAtariSTBaseEngine::Decode();
}

// Graphics Processor: DEGAS's header in front of a 331-byte block.

namespace {

constexpr std::size_t kGraphicsProcessorSize = 32331;
constexpr const char* kGraphicsProcessorExtensions[] = {".pg1", ".pg2", ".pg3"};

}  // namespace

uint8_t TQoAtariSTGraphicsProcessorEngine::Detect(TQoLoadSource& source) {
  TQoAtariDegasHeader header;
  if (!header.Read(source.Bytes(), 0) || !header.HasValidSTResolution()) return 0;
  return QoDetect(source, {.Size = kGraphicsProcessorSize,
                           .Extensions = kGraphicsProcessorExtensions[header.Resolution]});
}

TQoAtariSTGraphicsProcessorEngine::TQoAtariSTGraphicsProcessorEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoAtariDegasHeader header;
  if (!header.Read(Bytes(), 0)) qo::RaiseInternalError();
  SetSTResolution(header.Resolution);
  PixelData = Bytes().From(331);
  if (header.Resolution != kSTHighResolution) {
    PaletteData = header.Palette;
    DetectSTPalette(PaletteData, header.Resolution == kSTLowResolution ? 16 : 4);
  }
  ModeName = "Graphics Processor";
  DefaultExtension = kGraphicsProcessorExtensions[header.Resolution];
}

// C.O.L.R. Object Editor: a bare screen whose VDI palette lies in a companion .pal file.

namespace {

constexpr std::size_t kColrPaletteSize = 96;

// The companion palette, or an empty view when it is missing, of another size or invalid.
TQoByteView ColrPalette(TQoLoadSource& source) {
  const TQoByteView words = source.CompanionWithExtension(".pal");
  if (words.Size() != kColrPaletteSize || !IsValidVDIPalette(words, 16)) return {};
  return words;
}

}  // namespace

uint8_t TQoAtariSTCOLRObjectEditorEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags =
      QoDetect(source, {.Size = 32000, .ExtensionOnly = true, .Extensions = ".mur"});
  if (!flags || ColrPalette(source).Empty()) return 0;
  return flags;
}

TQoAtariSTCOLRObjectEditorEngine::TQoAtariSTCOLRObjectEditorEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoByteView palette = ColrPalette(source);
  if (palette.Empty()) qo::RaiseInternalError();
  SetSTResolution(kSTLowResolution);
  PlatformName = "Atari STE";
  PaletteData = palette;
  PixelData = Bytes();
  ModeName = "C.O.L.R. Object Editor";
  DefaultExtension = ".mur";
}

std::unique_ptr<TQoBitmap> TQoAtariSTCOLRObjectEditorEngine::Decode() {
  Palette->Clear();
  LoadVDIPalette(PaletteData, *Palette, 16, true);
  return DecodeInterleaved(true);
}
