#pragma once
// The Sega Master System module: mode 4 screens from MSBMP files and emulator snapshots.

#include <memory>

#include "engine/QoLoadSource.h"
#include "platforms/SegaMasterSystem/QoPlatformSegaMasterSystem.h"

class TQoBaseSegaMasterSystemEngine : public TQoSourceEngine {
 public:
  TQoBaseSegaMasterSystemEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoSMSVideoState State;

 protected:
  void SetUp(const TQoSMSVideoState& state);
};

class TQoSegaMasterSystemEngine : public TQoBaseSegaMasterSystemEngine {
 public:
  static constexpr const char* ClassName = "TQoSegaMasterSystemEngine";
  static constexpr std::string_view ClassExtension = ".sbm";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSegaMasterSystemEngine(TQoLoadSource& source);
};

class TQoMekaSnapshotEngine : public TQoBaseSegaMasterSystemEngine {
 public:
  static constexpr const char* ClassName = "TQoMekaSnapshotEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoMekaSnapshotEngine(TQoLoadSource& source);
};

void RegisterSegaMasterSystemEngines(TQoEngineRegistry& registry);
