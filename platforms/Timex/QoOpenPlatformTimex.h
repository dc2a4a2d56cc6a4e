#pragma once
// The engines of the Timex module: hi-colour screens (alone or as an interlaced pair)
// and hi-res screens (alone or as two screens shown alternately).

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Timex/QoPlatformTimex.h"

class TQoTimexBaseEngine : public TQoSourceEngine {
 public:
  TQoTimexBaseEngine(TQoLoadSource& source, const char* className);

 protected:
  // The paper and ink of every attribute, as the ZX Spectrum shows them.
  static TQoZxCellColorTable StandardColorTable();
};

// Hi-colour screens: one, or two whose rows alternate.
struct TQoTimexHiColorFormat {
  const char* ClassName;
  int Screens;
  TQoExtensions Extensions;
  const char* Description;
};

class TQoTimexHiColorEngine : public TQoTimexBaseEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoTimexHiColorFormat& format);
  TQoTimexHiColorEngine(TQoLoadSource& source, const TQoTimexHiColorFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoTimexHiColorFormat& format_;
};

inline constexpr TQoTimexHiColorFormat kQoTimexFormat{"TQoTimexEngine", 1, ".scr",
                                                      " HiColor image"};
inline constexpr TQoTimexHiColorFormat kQoTimexInterlacedFormat{
    "TQoTimexInterlacedEngine", 2, ".lce", " HiColor interlaced image"};

using TQoTimexEngine = TQoRowEngine<TQoTimexHiColorEngine, kQoTimexFormat>;
using TQoTimexInterlacedEngine = TQoRowEngine<TQoTimexHiColorEngine, kQoTimexInterlacedFormat>;

// A hi-res screen and its port byte, 512 x 192 in one colour pair.
class TQoTimexBWEngine : public TQoTimexBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoTimexBWEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoTimexBWEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoTimexHiResPort Port;
};

// Two hi-res screens, each with its port byte, shown alternately.
class TQoTimexBWGigaEngine : public TQoTimexBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoTimexBWGigaEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoTimexBWGigaEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoTimexHiResPort Ports[2];
};

void RegisterTimexEngines(TQoEngineRegistry& registry);
