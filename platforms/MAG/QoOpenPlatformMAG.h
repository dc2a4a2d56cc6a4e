#pragma once
// The MAG module: version 2 pictures of the Japanese home computers.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/MAG/QoPlatformMAG.h"

class TQoMAGv2Engine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoMAGv2Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoMAGv2Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoMagHeader Header;
  int Screen = -1;         // the MSX screen, for MSX pictures told by their flag byte
  uint8_t Machine = 0;     // the machine code, the name's when the header gives 0
  int32_t SkipPixels = 0;  // pixels before x start in every unpacked line

 private:
  void BuildPalette();
};

void RegisterMAGEngines(TQoEngineRegistry& registry);
