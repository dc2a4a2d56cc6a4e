#pragma once
// The engines of the Apple II module: memory dumps of the low-resolution, double
// low-resolution, high-resolution and double high-resolution screens.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/AppleII/QoPlatformAppleII.h"

// The base of the colour engines: the ten published palettes, "Wikipedia NTSC" selected.
class TQoAppleIIColorEngine : public TQoSourceEngine {
 public:
  TQoAppleIIColorEngine(TQoLoadSource& source, const char* className);

 protected:
  // Palette := the 16 colours of the selected type.
  void BuildAppleIIPalette();
};

class TQoAppleIILREngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIILREngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIILREngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAppleIIDLREngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIDLREngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIDLREngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAppleIIHRBWEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIHRBWEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIHRBWEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAppleIIHRColorEngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIHRColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIHRColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAppleIIeDHRColorEngine : public TQoAppleIIColorEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIeDHRColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIeDHRColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAppleIIeDHRBWEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAppleIIeDHRBWEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAppleIIeDHRBWEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterAppleIIEngines(TQoEngineRegistry& registry);
