#pragma once
// The engines of the ZX Spectrum module for plain screens and their simple variants.

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

// The 16-colour engines share the ZX palette types.
class TQoZxSpectrumPalettedEngine : public TQoZxSpectrumEngine {
 public:
  TQoZxSpectrumPalettedEngine(TQoLoadSource& source, const char* className);
};

class TQoZxSpectrumBWEngine : public TQoZxSpectrumEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumBWEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumBWEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoZxSpectrumColorEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoZxSpectrumFlashColorEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumFlashColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumFlashColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoZxSpectrumColorInterlacedEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumColorInterlacedEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumColorInterlacedEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoZxSpectrumAtrEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumAtrEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumAtrEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoZxSpectrumTricolorEngine : public TQoZxSpectrumEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumTricolorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumTricolorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoZxSpectrumChrEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumChrEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumChrEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  int columns_ = 0, rows_ = 0, kind_ = 0;
};

class TQoZxSpectrumBscEngine : public TQoZxSpectrumPalettedEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumBscEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumBscEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterZxSpectrumEngines(TQoEngineRegistry& registry);
