#pragma once
// The engine of the Profi module.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/Profi/QoPlatformProfi.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

class TQoProfiEngine : public TQoZxSpectrumEngine {
 public:
  static constexpr const char* ClassName = "TQoProfiEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoProfiEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoProfiHeader Header;
};

void RegisterProfiEngines(TQoEngineRegistry& registry);
