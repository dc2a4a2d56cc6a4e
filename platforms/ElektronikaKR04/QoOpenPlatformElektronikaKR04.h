#pragma once
// The engine of the Elektronika KR-04 module: black-and-white or four-colour pictures of
// any size, alone or two screens shown in turn.

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/ElektronikaKR04/QoPlatformElektronikaKR04.h"

class TQoKR04Engine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoKR04Engine";
  static constexpr std::string_view ClassExtension = ".krs";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoKR04Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoKR04Header Header;
};

void RegisterElektronikaKR04Engines(TQoEngineRegistry& registry);
