#pragma once
// The Sinclair QL module: 32 KB screen dumps of mode 4 and mode 8, and PIC files.

#include <memory>

#include "engine/QoFormatRow.h"
#include "platforms/SinclairQL/QoPlatformSinclairQL.h"

// A screen dump: 256 lines of 128 bytes in one of the two modes.
struct TQoQLScreenFormat {
  const char* ClassName;
  TQoQLLayout Layout;
  int32_t Width;
  int32_t ColorDepth;
  const char* Description;
  TQoExtensions Extensions;
  uint8_t AspectIndex;
};

class TQoSinclairQLScreenEngine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoQLScreenFormat& format);
  TQoSinclairQLScreenEngine(TQoLoadSource& source, const TQoQLScreenFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoQLScreenFormat& format_;
};

inline constexpr TQoQLScreenFormat kQoSinclairQL4Format{
    "TQoSinclairQL4Engine", kQoQLMode4, 512, 2, " QL mode 4 image", ".scr4 .qs4", 15};
inline constexpr TQoQLScreenFormat kQoSinclairQL8Format{
    "TQoSinclairQL8Engine", kQoQLMode8, 256, 3, " QL mode 8 image", ".scr8 .qs8", 35};
using TQoSinclairQL4Engine = TQoRowEngine<TQoSinclairQLScreenEngine, kQoSinclairQL4Format>;
using TQoSinclairQL8Engine = TQoRowEngine<TQoSinclairQLScreenEngine, kQoSinclairQL8Format>;

class TQoSinclairQLPICEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoSinclairQLPICEngine";
  static constexpr std::string_view ClassExtension = ".pic";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSinclairQLPICEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoQLPicHeader Header;
};

void RegisterSinclairQLEngines(TQoEngineRegistry& registry);
