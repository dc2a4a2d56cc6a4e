#pragma once
// The IBM module: ArtWorx text-mode pictures.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/IBM/QoPlatformIBM.h"

class TQoIBMADFEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoIBMADFEngine";
  static constexpr std::string_view ClassExtension = ".adf";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoIBMADFEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterIBMEngines(TQoEngineRegistry& registry);
