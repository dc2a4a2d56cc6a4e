#pragma once
// The engines of the PMD 85 module: the 16384-byte screen dump read through each of the
// machine's ways of colouring the attribute bits. The file says nothing of the monitor
// it was made for; its extension does (".85a" to ".85f", ".85h").

#include "color/QoPaletteTypes.h"
#include "engine/QoFormatRow.h"

struct TQoPMD85Format {
  const char* ClassName;
  TQoExtensions Extensions;  // the engine's own extension
  TQoPaletteType PaletteType;
};

// 256 rows of 64 bytes, 48 of them visible: six pixels a byte from bit 0 (leftmost) to
// bit 5, bits 6 and 7 the attribute of the six.
class TQoPMD85Engine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoPMD85Format& format);
  TQoPMD85Engine(TQoLoadSource& source, const TQoPMD85Format& format);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// clang-format off
inline constexpr TQoPMD85Format kQoPMD85AFormat{"TQoPMD85AEngine", ".85a", ptPMD85A};
inline constexpr TQoPMD85Format kQoPMD85BFormat{"TQoPMD85BEngine", ".85b", ptPMD85B};
inline constexpr TQoPMD85Format kQoPMD85CFormat{"TQoPMD85CEngine", ".85c", ptPMD85C};
inline constexpr TQoPMD85Format kQoPMD85DFormat{"TQoPMD85DEngine", ".85d", ptPMD85D};
inline constexpr TQoPMD85Format kQoPMD85EFormat{"TQoPMD85EEngine", ".85e", ptPMD85E};
inline constexpr TQoPMD85Format kQoPMD85FFormat{"TQoPMD85FEngine", ".85f", ptPMD85F};
// The colour expansion: the attributes of two neighbouring lines choose one of 8 colours.
inline constexpr TQoPMD85Format kQoPMD85HFormat{"TQoPMD85HEngine", ".85h", ptPMD85H};
// clang-format on

using TQoPMD85AEngine = TQoRowEngine<TQoPMD85Engine, kQoPMD85AFormat>;
using TQoPMD85BEngine = TQoRowEngine<TQoPMD85Engine, kQoPMD85BFormat>;
using TQoPMD85CEngine = TQoRowEngine<TQoPMD85Engine, kQoPMD85CFormat>;
using TQoPMD85DEngine = TQoRowEngine<TQoPMD85Engine, kQoPMD85DFormat>;
using TQoPMD85EEngine = TQoRowEngine<TQoPMD85Engine, kQoPMD85EFormat>;
using TQoPMD85FEngine = TQoRowEngine<TQoPMD85Engine, kQoPMD85FFormat>;
using TQoPMD85HEngine = TQoRowEngine<TQoPMD85Engine, kQoPMD85HFormat>;

void RegisterPMD85Engines(TQoEngineRegistry& registry);
