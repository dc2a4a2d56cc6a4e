#pragma once
// The engines of the Corvette module: GRIN pictures packed (".grf"), plain (".pic") and
// as windows of any size (".win").

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Corvette/QoPlatformCorvette.h"

// What the GRIN pictures share: the palette types and the drawing of three planes.
class TQoBaseCorvetteEngine : public TQoSourceEngine {
 public:
  TQoBaseCorvetteEngine(TQoLoadSource& source, const char* className);

 protected:
  // Draws Width x Height from three planes of rows of ceil(Width / 8) bytes, one after
  // the other; bytes past the end of planes read as 0. A pixel is plane 0 + plane 1 *
  // weight1 + plane 2 * weight2.
  std::unique_ptr<TQoBitmap> DrawPlanes(TQoByteView planes, uint32_t weight1, uint32_t weight2);
};

class TQoCorvetteGrfEngine : public TQoBaseCorvetteEngine {
 public:
  static constexpr const char* ClassName = "TQoCorvetteGrfEngine";
  static constexpr std::string_view ClassExtension = ".grf";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCorvetteGrfEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoCorvettePicEngine : public TQoBaseCorvetteEngine {
 public:
  static constexpr const char* ClassName = "TQoCorvettePicEngine";
  static constexpr std::string_view ClassExtension = ".pic";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCorvettePicEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoCorvetteWinEngine : public TQoBaseCorvetteEngine {
 public:
  static constexpr const char* ClassName = "TQoCorvetteWinEngine";
  static constexpr std::string_view ClassExtension = ".win";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCorvetteWinEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterCorvetteEngines(TQoEngineRegistry& registry);
