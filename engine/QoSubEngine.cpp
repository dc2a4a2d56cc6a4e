#include "engine/QoSubEngine.h"

#include <algorithm>

TQoSourceEngineWithSubEngine::TQoSourceEngineWithSubEngine(TQoLoadSource& source,
                                                           const char* className)
    : TQoSourceEngine(source, className) {}

TQoSourceEngineWithSubEngine::~TQoSourceEngineWithSubEngine() {
  // The variant list is shared with the inner engine; ours is only a second reference.
  PaletteVariants.reset();
  SubEngine.reset();
  SubSource.reset();
}

void TQoSourceEngineWithSubEngine::SetSubEngine(std::unique_ptr<TQoMemoryLoadSource> source,
                                                std::unique_ptr<TQoSourceEngine> engine) {
  SubSource = std::move(source);
  SubEngine = std::move(engine);
  CopyFromSubEngine();
}

void TQoSourceEngineWithSubEngine::CopyFromSubEngine() {
  if (!SubEngine) qo::RaiseInternalError();
  const TQoSourceEngine& e = *SubEngine;
  DefaultExtension = e.DefaultExtension;
  PlatformName = e.PlatformName;
  ModeName = e.ModeName;
  Description = e.Description;
  InfoName = e.InfoName;
  InfoTitle = e.InfoTitle;
  InfoComment = e.InfoComment;
  Width = e.Width;
  Height = e.Height;
  ColorDepth = e.ColorDepth;
  FrameCount = e.FrameCount;
  HasColorCycling = e.HasColorCycling;
  CycleRanges = e.CycleRanges;
  AspectMask = e.AspectMask;
  AspectIndex = e.AspectIndex;
  PaletteTypes = e.PaletteTypes;
  PaletteType = e.PaletteType;
  PaletteVariants = e.PaletteVariants;
  PaletteVariant = e.PaletteVariant;
  CalcModes = e.CalcModes;
  CalcMode = e.CalcMode;
}

std::unique_ptr<TQoBitmap> TQoSourceEngineWithSubEngine::Decode() {
  if (!SubEngine) return nullptr;
  SubEngine->PaletteType = PaletteType;
  SubEngine->PaletteVariant = PaletteVariant;
  SubEngine->CalcMode = CalcMode;
  std::unique_ptr<TQoBitmap> bmp = SubEngine->Decode();
  Palette->Assign(SubEngine->Palette.get());
  return bmp;
}

bool TQoSpriteLine::CanTake(int32_t width) const {
  return Count() == 0 || int64_t{LineWidth} + kGap + width <= kMaxLineWidth;
}

TQoSprite* TQoSpriteLine::Add(int32_t width, int32_t height) {
  auto sprite = std::make_unique<TQoSprite>();
  sprite->Width = width;
  sprite->Height = height;
  LineWidth = Count() == 0 ? width : LineWidth + kGap + width;
  LineHeight = Count() == 0 ? height : std::max(LineHeight, height);
  return sprites_.Add(std::move(sprite));
}

void TQoSpriteLine::Place(int32_t sheetWidth, int32_t y) {
  int32_t x = (sheetWidth - LineWidth) / 2;
  for (const auto& sprite : sprites_) {
    sprite->X = x;
    sprite->Y = y + (LineHeight - sprite->Height) / 2;
    x += sprite->Width + kGap;
  }
}

int TQoSpritePositions::AddSprite(int32_t width, int32_t height) {
  if (lines_.Count() == 0 || !lines_.Get(lines_.Count() - 1)->CanTake(width)) {
    lines_.Add(std::make_unique<TQoSpriteLine>());
  }
  sprites_.push_back(lines_.Get(lines_.Count() - 1)->Add(width, height));
  return static_cast<int>(sprites_.size()) - 1;
}

void TQoSpritePositions::Layout() {
  if (lines_.Count() == 0) {
    SheetWidth = 0;
    SheetHeight = 0;
    return;
  }
  int32_t widest = 0;
  for (const auto& line : lines_) widest = std::max(widest, line->LineWidth);
  SheetWidth = widest + 2 * kMargin;
  int32_t y = kMargin;
  for (int i = 0; i < lines_.Count(); ++i) {
    TQoSpriteLine& line = *lines_.Get(i);
    line.Place(SheetWidth, y);
    y += line.LineHeight;
    if (i + 1 < lines_.Count()) y += TQoSpriteLine::kGap;
  }
  SheetHeight = y + kMargin;
}
