#pragma once
// The ZX Evolution's byte-per-pixel pictures: 16 or 256 colours out of a palette of
// 15-bit colours, shown through one of the machine's three colour models.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

// The byte a 5-bit colour component shows under an SXG palette type: the EGA-like and
// the board's own curves reach full level at 24; the video DAC scales 0-31 linearly.
uint8_t QoSxgLevel(int component, uint8_t paletteType);

class TQoZxSpectrumSxgEngine : public TQoZxSpectrumEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumSxgEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumSxgEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoSxgHeader Header;
};
