#pragma once
// The SymbOS module: tiled graphics files of four greys or sixteen colours.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/SymbOS/QoPlatformSymbOS.h"

class TQoSymbOS4Engine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoSymbOS4Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSymbOS4Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterSymbOSEngines(TQoEngineRegistry& registry);
