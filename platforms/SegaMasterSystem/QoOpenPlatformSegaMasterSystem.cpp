#include "platforms/SegaMasterSystem/QoOpenPlatformSegaMasterSystem.h"

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

TQoBaseSegaMasterSystemEngine::TQoBaseSegaMasterSystemEngine(TQoLoadSource& source,
                                                             const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Sega Master System";
}

void TQoBaseSegaMasterSystemEngine::SetUp(const TQoSMSVideoState& state) {
  State = state;
  Width = State.Width();
  Height = 192;
  ColorDepth = 5;
  AspectIndex = kQoAspect1138to1;
  AspectMask |= QoAspectBit(AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoBaseSegaMasterSystemEngine::Decode() {
  EnsureSourcePalette();
  QoSMSColors(*SourcePalette);
  Palette->Clear();
  for (std::size_t i = 0; i < TQoSMSVideoState::kCramSize; ++i) {
    Palette->Add(SourcePalette->GetStdRGB(State.Cram.U8(i) & 63));
  }
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  QoSMSRender(State, *bmp);
  return bmp;
}

uint8_t TQoSegaMasterSystemEngine::Detect(TQoLoadSource& source) {
  TQoMSBMPHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".sbm"});
}

TQoSegaMasterSystemEngine::TQoSegaMasterSystemEngine(TQoLoadSource& source)
    : TQoBaseSegaMasterSystemEngine(source, ClassName) {
  TQoMSBMPHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  DefaultExtension = ".sbm";
  InfoTitle = header.Title(Bytes());
  SetUp(header.State(Bytes()));
}

uint8_t TQoMekaSnapshotEngine::Detect(TQoLoadSource& source) {
  TQoMekaSnapshot snapshot;
  return snapshot.Read(source.Bytes()) ? kQoDetectSignature : 0;
}

TQoMekaSnapshotEngine::TQoMekaSnapshotEngine(TQoLoadSource& source)
    : TQoBaseSegaMasterSystemEngine(source, ClassName) {
  TQoMekaSnapshot snapshot;
  if (!snapshot.Read(Bytes())) qo::RaiseInternalError();
  DefaultExtension = source.Extension;
  SetUp(snapshot.State(Bytes()));
}

void RegisterSegaMasterSystemEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoSegaMasterSystemEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoMekaSnapshotEngine>());
}
