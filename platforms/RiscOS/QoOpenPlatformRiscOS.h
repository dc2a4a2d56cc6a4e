#pragma once
// The RISC OS module: sprite files, one sprite shown as it is, several on one sheet.

#include <memory>
#include <vector>

#include "engine/QoLoadSource.h"
#include "engine/QoSubEngine.h"
#include "platforms/RiscOS/QoPlatformRiscOS.h"

class TQoAcornSpriteEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAcornSpriteEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAcornSpriteEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  std::vector<TQoAcornSprite> Sprites;  // in file order
  TQoSpritePositions Sheet;             // where each sprite goes when there are several

  // The sprites of an area, or false when the area or any sprite is unusable.
  static bool ReadSprites(TQoByteView file, std::vector<TQoAcornSprite>& sprites);

 private:
  std::unique_ptr<TQoBitmap> DecodeOne(const TQoAcornSprite& sprite);
  std::unique_ptr<TQoBitmap> DecodeSheet();
};

void RegisterRiscOSEngines(TQoEngineRegistry& registry);
