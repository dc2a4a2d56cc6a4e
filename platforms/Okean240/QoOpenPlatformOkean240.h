#pragma once
// The engines of the Okean-240 module: colour and black-and-white screens, alone or two
// of them shown in turn.

#include <cstddef>
#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Okean240/QoPlatformOkean240.h"

struct TQoOkean240Format {
  const char* ClassName;
  std::size_t Size;
  int Screens;  // 1 or 2, each 16384 bytes
  bool Color;   // 256 x 256 in four colours, with a palette byte after the screens
};

class TQoOkean240BaseEngine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoOkean240Format& format);
  TQoOkean240BaseEngine(TQoLoadSource& source, const TQoOkean240Format& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  uint8_t PaletteByte = 0;

 private:
  const TQoOkean240Format& format_;
};

// clang-format off
inline constexpr TQoOkean240Format kQoOkean240Format{"TQoOkean240Engine", 16385, 1, true};
inline constexpr TQoOkean240Format kQoOkean240ExFormat{"TQoOkean240ExEngine", 32769, 2, true};
inline constexpr TQoOkean240Format kQoOkean240BWFormat{"TQoOkean240BWEngine", 16384, 1, false};
inline constexpr TQoOkean240Format kQoOkean240BWExFormat{"TQoOkean240BWExEngine", 32768, 2, false};
// clang-format on

using TQoOkean240Engine = TQoRowEngine<TQoOkean240BaseEngine, kQoOkean240Format>;
using TQoOkean240ExEngine = TQoRowEngine<TQoOkean240BaseEngine, kQoOkean240ExFormat>;
using TQoOkean240BWEngine = TQoRowEngine<TQoOkean240BaseEngine, kQoOkean240BWFormat>;
using TQoOkean240BWExEngine = TQoRowEngine<TQoOkean240BaseEngine, kQoOkean240BWExFormat>;

void RegisterOkean240Engines(TQoEngineRegistry& registry);
