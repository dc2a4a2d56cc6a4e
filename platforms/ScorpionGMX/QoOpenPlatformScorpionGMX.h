#pragma once
// The engines of the Scorpion GMX module.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/ScorpionGMX/QoPlatformScorpionGMX.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

class TQoScorpionGMXEngine : public TQoZxSpectrumEngine {
 public:
  TQoScorpionGMXEngine(TQoLoadSource& source, const char* className);
};

class TQoScorpiorGMX640Engine : public TQoScorpionGMXEngine {
 public:
  static constexpr const char* ClassName = "TQoScorpiorGMX640Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoScorpiorGMX640Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoScorpiorGMX160Engine : public TQoScorpionGMXEngine {
 public:
  static constexpr const char* ClassName = "TQoScorpiorGMX160Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoScorpiorGMX160Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterScorpionGMXEngines(TQoEngineRegistry& registry);
