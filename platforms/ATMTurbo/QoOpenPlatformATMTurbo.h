#pragma once
// The engine of the ATM Turbo module.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/ATMTurbo/QoPlatformATMTurbo.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

class TQoATMTurboMultiColorEngine : public TQoZxSpectrumEngine {
 public:
  static constexpr const char* ClassName = "TQoATMTurboMultiColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoATMTurboMultiColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoATMTurboPicture Picture;
};

void RegisterATMTurboEngines(TQoEngineRegistry& registry);
