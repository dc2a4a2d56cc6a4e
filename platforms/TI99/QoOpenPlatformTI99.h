#pragma once
// The engines of the TI-99/4A and Geneve 9640 module: bitmap and multicolour screens of
// the TMS9918A kept in TI files (with the colour table and an F18A palette beside them),
// the Geneve's run-length G6 and G7 pictures, and the pictures of its fractal program.

#include <memory>
#include <vector>

#include "engine/QoLoadSource.h"
#include "platforms/TI99/QoPlatformTI99.h"

// What the TMS9918A pictures share: the platform and the chip's three colour tables.
class TQoTIEngine : public TQoSourceEngine {
 public:
  TQoTIEngine(TQoLoadSource& source, const char* className);

 protected:
  void OfferTMS9918APalettes();
};

// Graphics II screens: ".tiap" patterns, an optional ".tiac" colour table and, with it,
// an optional ".tiam" F18A palette of 16 colours or of 16 colours for every line.
class TQoTi9918AEngine : public TQoTIEngine {
 public:
  static constexpr const char* ClassName = "TQoTi9918AEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoTi9918AEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Patterns;
  TQoByteView Colors;       // empty without ".tiac"
  TQoByteView F18APalette;  // 16 words, or 192 lines of 16 words; empty without ".tiam"
  bool LinePalettes = false;
};

// Multicolour screens: 64 x 48 blocks, and a second screen in ".tiac" shown alternately.
class TQoTi9918A6448Engine : public TQoTIEngine {
 public:
  static constexpr const char* ClassName = "TQoTi9918A6448Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoTi9918A6448Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Screens[2];  // the second empty for a single screen
};

// Geneve G6 (512 wide, 16 colours) and G7 (256 wide, SCREEN 8 colours) run pictures.
class TQoTiG67Engine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoTiG67Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoTiG67Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoGeneveLayout Layout;

 private:
  TQoByteView data_;
};

// The fractal program's 512 x 212 pictures with their palette and title.
class TQoTiG6FractalEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoTiG6FractalEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoTiG6FractalEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoFractalPicture picture_;  // the compacted sectors, owned here
};

void RegisterTI99Engines(TQoEngineRegistry& registry);
