#pragma once
// The engines of the Elektronika MS 0515 module: the 16000-byte screen in its two modes,
// 320 x 200 with an attribute byte for every eight pixels and 640 x 200 black and white.
// The file does not say which mode it was saved in, so both read it.

#include "engine/QoFormatRow.h"

struct TQoMS0515Format {
  const char* ClassName;
  bool Mono;  // 640 x 200 one bit a pixel, else pixel and attribute byte pairs
};

class TQoMS0515ScreenEngine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoMS0515Format& format);
  TQoMS0515ScreenEngine(TQoLoadSource& source, const TQoMS0515Format& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoMS0515Format& format_;
};

inline constexpr TQoMS0515Format kQoMS0515Format{"TQoMS0515Engine", false};
inline constexpr TQoMS0515Format kQoMS0515BWFormat{"TQoMS0515BWEngine", true};

using TQoMS0515Engine = TQoRowEngine<TQoMS0515ScreenEngine, kQoMS0515Format>;
using TQoMS0515BWEngine = TQoRowEngine<TQoMS0515ScreenEngine, kQoMS0515BWFormat>;

void RegisterElectronikaMS0515Engines(TQoEngineRegistry& registry);
