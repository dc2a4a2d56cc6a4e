#pragma once
// The PC-8000 module: bitmap screen dumps.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/PC8000/QoPlatformPC8000.h"

class TQoPC8000SourceEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoPC8000SourceEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoPC8000SourceEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterPC8000Engines(TQoEngineRegistry& registry);
