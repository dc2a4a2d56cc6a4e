#pragma once
// Emulator snapshots and tape images of the ZX Spectrum: each finds the screen among
// everything else the file holds and shows it through a screen engine of its own.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "engine/QoSubEngine.h"

// The screen as a snapshot holds it: bytes inside the file, or unpacked into a buffer.
struct TQoZxScreenFind {
  bool Found = false;
  TQoByteView InFile;
  std::vector<uint8_t> Unpacked;
};

class TQoBaseZxSpectrumSnapshotEngine : public TQoSourceEngineWithSubEngine {
 public:
  using TQoSourceEngineWithSubEngine::TQoSourceEngineWithSubEngine;

 protected:
  // Shows the found screen (6,912 bytes, or 6,144 for a monochrome tape block) with the
  // screen engine of class screenClass; raises when nothing was found.
  void WrapScreen(TQoZxScreenFind found, const TQoEngineClass& screenClass);
};

class TQoZxSpectrumTAPEngine : public TQoBaseZxSpectrumSnapshotEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumTAPEngine";
  static constexpr std::string_view ClassExtension = ".tap";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumTAPEngine(TQoLoadSource& source);
};

class TQoZxSpectrumTZXEngine : public TQoBaseZxSpectrumSnapshotEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumTZXEngine";
  static constexpr std::string_view ClassExtension = ".tzx";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumTZXEngine(TQoLoadSource& source);
};

class TQoZxSpectrumSZXEngine : public TQoBaseZxSpectrumSnapshotEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumSZXEngine";
  static constexpr std::string_view ClassExtension = ".szx";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumSZXEngine(TQoLoadSource& source);
};

class TQoZxSpectrumRZXEngine : public TQoBaseZxSpectrumSnapshotEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumRZXEngine";
  static constexpr std::string_view ClassExtension = ".rzx";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumRZXEngine(TQoLoadSource& source);
};

class TQoZxSpectrumSPEngine : public TQoBaseZxSpectrumSnapshotEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumSPEngine";
  static constexpr std::string_view ClassExtension = ".sp";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumSPEngine(TQoLoadSource& source);
};

class TQoZxSpectrumSNAEngine : public TQoBaseZxSpectrumSnapshotEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumSNAEngine";
  static constexpr std::string_view ClassExtension = ".sna";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumSNAEngine(TQoLoadSource& source);
};

class TQoZxSpectrumZ80Engine : public TQoBaseZxSpectrumSnapshotEngine {
 public:
  static constexpr const char* ClassName = "TQoZxSpectrumZ80Engine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoZxSpectrumZ80Engine(TQoLoadSource& source);
};

// The private registry the tape engine detects its data blocks with.
const TQoEngineRegistry& QoZxScreenRegistry();

// Unpacks the Z80 snapshot run-length code (0xED 0xED count value) until out is full;
// false when the data runs out first.
bool QoUnpackZ80Block(TQoByteView packed, uint8_t* out, std::size_t size);

void RegisterZxSpectrumSnapshotEngines(TQoEngineRegistry& registry);
