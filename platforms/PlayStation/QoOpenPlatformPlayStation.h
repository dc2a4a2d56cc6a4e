#pragma once
// The PlayStation module: TIM textures.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/PlayStation/QoPlatformPlayStation.h"

class TQoPlayStationSourceEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoPlayStationSourceEngine";
  static constexpr std::string_view ClassExtension = ".tim";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoPlayStationSourceEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoTimHeader Header;
};

void RegisterPlayStationEngines(TQoEngineRegistry& registry);
