#pragma once
// The TRSE module: FLUFF64 image-editor files for many target machines.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/TRSE/QoPlatformTRSE.h"

class TQoTRSEEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoTRSEEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoTRSEEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoFluffHeader Header;

 private:
  void BuildPalette();
  std::unique_ptr<TQoBitmap> DecodeCells() const;
  std::unique_ptr<TQoBitmap> DecodeCharacters() const;
};

void RegisterTRSEEngines(TQoEngineRegistry& registry);
