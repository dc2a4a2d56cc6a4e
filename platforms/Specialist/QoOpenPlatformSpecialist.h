#pragma once
// The engine of the Specialist module: screens of 384 x 256, black and white or coloured
// through colour codes.

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Specialist/QoPlatformSpecialist.h"

class TQoSpecialistEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoSpecialistEngine";
  static constexpr std::string_view ClassExtension = ".sps";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSpecialistEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoSpecialistPicture Picture;
};

void RegisterSpecialistEngines(TQoEngineRegistry& registry);
