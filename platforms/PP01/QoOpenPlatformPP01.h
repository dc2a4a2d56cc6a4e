#pragma once
// The engine of the PP-01 module: 256 x 256 screens of three bit-planes in eight colours.

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"

class TQoPP01Engine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoPP01Engine";
  static constexpr std::string_view ClassExtension = ".01s";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoPP01Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterPP01Engines(TQoEngineRegistry& registry);
