#pragma once
// The engines of the ULAplus module: a ZX Spectrum screen and a Timex hi-colour screen,
// each followed by its 64-byte ULAplus palette.

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/ULAplus/QoPlatformULAplus.h"

struct TQoUlaPlusFormat {
  const char* ClassName;
  std::size_t PaletteAt;  // where the screen ends; the file is the screen and the palette
  bool HiColor;           // a Timex hi-colour screen, else a standard screen
  TQoExtensions Extensions;
};

class TQoBaseZxSpectrumUlaPlusEngine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoUlaPlusFormat& format);
  TQoBaseZxSpectrumUlaPlusEngine(TQoLoadSource& source, const TQoUlaPlusFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoUlaPlusPalette UlaPalette;

 private:
  const TQoUlaPlusFormat& format_;
};

inline constexpr TQoUlaPlusFormat kQoZxSpectrumUlaPlusFormat{"TQoZxSpectrumUlaPlusEngine",
                                                             kZxScreenBytes, false, ".scr"};
inline constexpr TQoUlaPlusFormat kQoTimexUlaPlusFormat{"TQoTimexUlaPlusEngine",
                                                        2 * kZxScreenPixelBytes, true, ".tcu .scr"};

using TQoZxSpectrumUlaPlusEngine =
    TQoRowEngine<TQoBaseZxSpectrumUlaPlusEngine, kQoZxSpectrumUlaPlusFormat>;
using TQoTimexUlaPlusEngine = TQoRowEngine<TQoBaseZxSpectrumUlaPlusEngine, kQoTimexUlaPlusFormat>;

void RegisterULAplusEngines(TQoEngineRegistry& registry);
