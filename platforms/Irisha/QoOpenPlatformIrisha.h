#pragma once
// The engine of the Irisha module: black-and-white screens of 320 x 200 or 640 x 200,
// rows of bytes, the most significant bit leftmost.

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"

class TQoIrishaEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoIrishaEngine";
  static constexpr std::string_view ClassExtension = ".pic";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoIrishaEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterIrishaEngines(TQoEngineRegistry& registry);
