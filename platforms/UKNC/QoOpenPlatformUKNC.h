#pragma once
// The engine of the UKNC module: three-plane pictures of the paint program.

#include "engine/QoLoadSource.h"
#include "engine/QoSourceEngine.h"
#include "platforms/UKNC/QoPlatformUKNC.h"

class TQoUKNCEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoUKNCEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoUKNCEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoUKNCHeader Header;
};

void RegisterUKNCEngines(TQoEngineRegistry& registry);
