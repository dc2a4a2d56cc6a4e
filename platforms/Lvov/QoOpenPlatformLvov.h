#pragma once
// The engine of the Lvov module: screens of four colours from a palette port byte.

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Lvov/QoPlatformLvov.h"

class TQoLvovEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoLvovEngine";
  static constexpr std::string_view ClassExtension = ".lvs";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoLvovEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoLvovPicture Picture;
};

void RegisterLvovEngines(TQoEngineRegistry& registry);
