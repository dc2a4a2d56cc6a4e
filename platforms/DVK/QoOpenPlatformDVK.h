#pragma once
// The engine of the DVK module: KCGD colour board pictures.

#include "engine/QoLoadSource.h"
#include "engine/QoSourceEngine.h"
#include "platforms/DVK/QoPlatformDVK.h"

class TQoDVKEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoDVKEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoDVKEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoDVKHeader Header;
};

void RegisterDVKEngines(TQoEngineRegistry& registry);
