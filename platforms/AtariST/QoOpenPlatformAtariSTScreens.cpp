// The uncompressed ST screens beyond DEGAS and NEOchrome: one engine shape over a table
// for those that differ only in numbers, and small engines for the few with a header,
// palette variants or a companion palette file.

#include <string>

#include "color/QoPaletteTypes.h"
#include "base/QoErrors.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoOpenPlatformAtariFalcon.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTMultiPalette.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTPacked.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTTrueColor.h"

namespace {

uint8_t RateExtension(const TQoLoadSource& source, const char* extension, uint8_t flags) {
  return source.Extension == extension ? static_cast<uint8_t>(flags | kQoDetectExtension) : flags;
}

}  // namespace

template <const TQoAtariSTScreenFormat& F, class Base>
uint8_t TQoAtariSTScreenEngine<F, Base>::Detect(TQoLoadSource& source) {
  if (source.Size != F.FileSize) return 0;
  const TQoByteView bytes = source.Bytes();
  if (!F.Signature.empty() && !bytes.Matches(F.SignatureOffset, F.Signature)) return 0;
  if (F.PaletteWords > 0 && !IsValidSTPalette(bytes.From(F.PaletteOffset), F.PaletteWords)) {
    return 0;
  }
  const uint8_t flags = F.HeaderStructure ? kQoDetectSize | kQoDetectSignature : kQoDetectSize;
  return RateExtension(source, F.Extension, flags);
}

template <const TQoAtariSTScreenFormat& F, class Base>
TQoAtariSTScreenEngine<F, Base>::TQoAtariSTScreenEngine(TQoLoadSource& source)
    : Base(source, F.ClassName) {
  this->SetSTResolution(F.Resolution);
  this->Width = F.Width;
  this->Height = F.Height;
  this->LinePadding = F.LinePadding;
  this->PixelData = this->Bytes().From(F.ScreenOffset);
  this->PaletteData = TQoByteView();
  if (F.PaletteWords > 0) {
    this->PaletteData = this->Bytes().From(F.PaletteOffset);
    this->DetectSTPalette(this->PaletteData, F.PaletteWords);
  }
  this->ModeName = F.ModeName;
  this->DefaultExtension = F.Extension;
}

template class TQoAtariSTScreenEngine<kQoGFAArtistFormat>;
template class TQoAtariSTScreenEngine<kQoSinbadSlideshowFormat>;
template class TQoAtariSTScreenEngine<kQoFullscreenConstructionKitFormat>;
template class TQoAtariSTScreenEngine<kQoDaliSD0Format, TQoAtariSTDaliEngine>;
template class TQoAtariSTScreenEngine<kQoDaliSD1Format, TQoAtariSTDaliEngine>;
template class TQoAtariSTScreenEngine<kQoDaliSD2Format, TQoAtariSTDaliEngine>;
template class TQoAtariSTScreenEngine<kQoSyntheticArtsFormat>;

TQoAtariSTDaliEngine::TQoAtariSTDaliEngine(TQoLoadSource& source, const char* className)
    : TQoAtariSTBaseEngine(source, className) {
  PaletteData = Bytes().From(4);
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
  return RateExtension(source, ".cel", kQoDetectSize | kQoDetectSignature);
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

constexpr int32_t kArtDirectorSize = 32512;
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
  if (source.Size != kArtDirectorSize) return 0;
  const TQoByteView bytes = source.Bytes();
  const uint8_t current = bytes.U8(kArtDirectorCurrent);
  if (current >= kArtDirectorPaletteCount) return 0;
  if (!IsValidSTPalette(ArtDirectorPalette(bytes, current), 16)) return 0;
  return RateExtension(source, ".art", kQoDetectSize);
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

constexpr int32_t kGraphicsProcessorSize = 32331;

}  // namespace

uint8_t TQoAtariSTGraphicsProcessorEngine::Detect(TQoLoadSource& source) {
  if (source.Size != kGraphicsProcessorSize) return 0;
  TQoAtariDegasHeader header;
  if (!header.Read(source.Bytes(), 0) || !header.HasValidSTResolution()) return 0;
  static constexpr const char* kExtensions[] = {".pg1", ".pg2", ".pg3"};
  return RateExtension(source, kExtensions[header.Resolution], kQoDetectSize);
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
  static constexpr const char* kExtensions[] = {".pg1", ".pg2", ".pg3"};
  ModeName = "Graphics Processor";
  DefaultExtension = kExtensions[header.Resolution];
}

// C.O.L.R. Object Editor: a bare screen whose VDI palette lies in a companion .pal file.

namespace {

constexpr int32_t kColrPaletteSize = 96;

const TQoLoadSourceRec* ColrPalette(TQoLoadSource& source) {
  const TQoLoadSourceRec* palette = source.GetCompanion(QoReplaceExtension(source.Name, ".pal"));
  if (!palette || palette->Size != kColrPaletteSize) return nullptr;
  const TQoByteView words(palette->Data, static_cast<std::size_t>(palette->Size));
  return IsValidVDIPalette(words, 16) ? palette : nullptr;
}

}  // namespace

uint8_t TQoAtariSTCOLRObjectEditorEngine::Detect(TQoLoadSource& source) {
  if (source.Size != 32000 || source.Extension != ".mur" || !ColrPalette(source)) return 0;
  return kQoDetectSize | kQoDetectExtension;
}

TQoAtariSTCOLRObjectEditorEngine::TQoAtariSTCOLRObjectEditorEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoLoadSourceRec* palette = ColrPalette(source);
  if (!palette) qo::RaiseInternalError();
  SetSTResolution(kSTLowResolution);
  PlatformName = "Atari STE";
  PaletteData = TQoByteView(palette->Data, static_cast<std::size_t>(palette->Size));
  PixelData = Bytes();
  ModeName = "C.O.L.R. Object Editor";
  DefaultExtension = ".mur";
}

std::unique_ptr<TQoBitmap> TQoAtariSTCOLRObjectEditorEngine::Decode() {
  Palette->Clear();
  LoadVDIPalette(PaletteData, *Palette, 16, true);
  return DecodeInterleaved(true);
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
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPabloPaintEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPaintworksEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTGraphicsProcessorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTSyntheticArtsEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTTinyEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTGFAArtistEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTPaletteMasterEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTHighresMediumEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTMultiPalettePicture>());
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
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTRGBIntermediateEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAtariSTQuantumPaintEngine>());
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
