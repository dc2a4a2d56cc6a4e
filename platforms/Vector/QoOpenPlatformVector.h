#pragma once
// The engines of the Vector-06C module: the packed screens of the Karandash and Draw
// paint programs and REMBRANDT pictures, the last two with an optional ".pals" file
// that changes palette registers from line to line.

#include <array>
#include <vector>

#include "engine/QoLoadSource.h"
#include "engine/QoSourceEngine.h"
#include "platforms/Vector/QoPlatformVector.h"

class TQoVectorEngine : public TQoSourceEngine {
 public:
  TQoVectorEngine(TQoLoadSource& source, const char* className);

  // Plots pixel row y into bmp. With both palettes each value v becomes the index in
  // target of the colour source holds at v; otherwise v itself.
  virtual void DrawVectorRow(TQoBitmap& bmp, int y, const TQoPalette256* source,
                             const TQoPalette256* target);

  // The 16 palette registers, as colour bytes.
  std::array<uint8_t, 16> Registers{};
  TQoVectorLineChanges LineChanges;
  bool HasLineChanges = false;

 protected:
  // The screen in the machine's layout; allocated when first needed.
  uint8_t* ScreenBuffer();
  // Looks for the picture's ".pals" file.
  void FindLineChanges();
  std::unique_ptr<TQoBitmap> DecodePicture();
  static std::vector<uint8_t>& ValueMap(const TQoPalette256* source, const TQoPalette256* target,
                                        std::vector<uint8_t>& map);

 private:
  std::unique_ptr<TQoBitmap> DecodeLineChanges(const TQoPalette256& colors);
  std::vector<uint8_t> screen_;
};

// Karandash: a screen packed with three codes, read from its end.
class TQoVectorSCREngine : public TQoVectorEngine {
 public:
  static constexpr const char* ClassName = "TQoVectorSCREngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoVectorSCREngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Draw: the palette registers and a screen packed in runs, read from its end.
class TQoVectorSPREngine : public TQoVectorEngine {
 public:
  static constexpr const char* ClassName = "TQoVectorSPREngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoVectorSPREngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// REMBRANDT: up to 256 x 256 pixels stored line by line, four planes a line.
class TQoVectorRMBEngine : public TQoVectorEngine {
 public:
  static constexpr const char* ClassName = "TQoVectorRMBEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoVectorRMBEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
  void DrawVectorRow(TQoBitmap& bmp, int y, const TQoPalette256* source,
                     const TQoPalette256* target) override;

 private:
  std::size_t columns_ = 0;  // 8-pixel columns a line
};

void RegisterVectorEngines(TQoEngineRegistry& registry);
