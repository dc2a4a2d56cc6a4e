#pragma once
// From a file name to a ranked list of engines: load sources that hold a file in
// memory (and fetch companion files from the same folder), the registry of engine
// classes, detection and ranking, and the unwrapping of the three container wrappers
// old ZX Spectrum and Atari files often carry (+3DOS header, Pack-Ice, Hobeta header).

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/QoByteView.h"
#include "engine/QoSourceEngine.h"

// text with its ASCII capitals lower-cased, as names are compared without case.
std::string QoLowerAscii(std::string text);
// The extension of a bare file name, lower-cased (ASCII), with its dot; empty when none.
std::string QoLowerExtension(const std::string& name);
// name with its extension (if any) replaced by extension, which carries its dot.
std::string QoReplaceExtension(const std::string& name, const std::string& extension);
// True when name ends in lowerTail, ignoring ASCII case ("pic.FLASH.scr", ".flash.scr").
bool QoNameEndsWith(const std::string& name, const std::string& lowerTail);

// One file held in memory.
struct TQoLoadSourceRec {
  std::string Name;       // file name without folder, case kept
  std::string Extension;  // lower-cased, with its dot; empty when the name has none
  const uint8_t* Data = nullptr;
  int32_t Size = 0;

  TQoByteView Bytes() const {
    return TQoByteView(Data, Size > 0 ? static_cast<std::size_t>(Size) : 0);
  }
};

class TQoLoadSource {
 public:
  virtual ~TQoLoadSource();

  std::unique_ptr<TQoLoadSource> InnerSource;  // the unwrapped content, if any
  std::string Name;
  std::string Extension;
  const uint8_t* Data = nullptr;
  int32_t Size = 0;

  // A second file that belongs to the picture, from the same folder, or nil. Never
  // raises. Memory sources have no companions.
  virtual const TQoLoadSourceRec* GetCompanion(const std::string& name);
  // The bytes of that companion; an empty view when it is missing or empty.
  TQoByteView CompanionBytes(const std::string& name);
  // The bytes of the companion named like this file with another extension (with its
  // dot: ".pal"); an empty view when it is missing or empty.
  TQoByteView CompanionWithExtension(const std::string& extension);

  TQoByteView Bytes() const {
    return TQoByteView(Data, Size > 0 ? static_cast<std::size_t>(Size) : 0);
  }
};

class TQoFileLoadSource : public TQoLoadSource {
 public:
  // Companion files (and the main file) of this size or more are refused.
  static constexpr int64_t kMaxFileSize = 10 * 1024 * 1024;

  explicit TQoFileLoadSource(const std::string& path);
  ~TQoFileLoadSource() override;

  const TQoLoadSourceRec* GetCompanion(const std::string& name) override;

  const std::string& Folder() const { return folder_; }

 private:
  struct CacheEntry {
    TQoLoadSourceRec Rec;
    std::vector<uint8_t> Buffer;
  };
  std::string folder_;            // with its trailing separator; empty for the current one
  std::deque<CacheEntry> cache_;  // the main file first; entries never move
};

class TQoMemoryLoadSource : public TQoLoadSource {
 public:
  // Borrows data unless ownsData, in which case data must come from new uint8_t[].
  TQoMemoryLoadSource(const std::string& name, const uint8_t* data, int32_t size, bool ownsData);
  // Takes the buffer over.
  TQoMemoryLoadSource(const std::string& name, std::vector<uint8_t> buffer);
  ~TQoMemoryLoadSource() override;

  uint8_t OwnsData = 0;

 private:
  std::unique_ptr<uint8_t[]> owned_;
  std::vector<uint8_t> buffer_;
};

// The engine classes in registry order. A value type: the plug-in uses one built at
// start-up, snapshot engines and tests build their own.
class TQoEngineRegistry {
 public:
  void RegisterEngine(const TQoEngineClass& engineClass) { classes_.push_back(engineClass); }
  const std::vector<TQoEngineClass>& Classes() const { return classes_; }
  int Count() const { return static_cast<int>(classes_.size()); }

 private:
  std::vector<TQoEngineClass> classes_;
};

// What an engine class says of itself before it sees data, from an engine built on an
// empty source: platform, default extension and description as far as its constructor
// got before it gave up for lack of data; empty strings for what it never set.
TQoEngineClassInfo QoDescribeEngineClass(const TQoEngineClass& engineClass);

// The registry of every platform module, in module start-up order; built once.
const TQoEngineRegistry& QoDefaultRegistry();

// Rates the source with every class of the registry, creates the accepting engines and
// orders them by rating, best first. Classes whose Detect or constructor raises are
// left out.
std::unique_ptr<TQoSourceEngineList> DetectEngines(TQoLoadSource& source,
                                                   const TQoEngineRegistry& registry);

// The wrapper a source's content was taken out of.
enum class TQoWrapper { None, Plus3Dos, PackIce, Hobeta };
const char* QoWrapperName(TQoWrapper wrapper);  // nullptr, "+3DOS", "Pack-Ice", "Hobeta"

// Detection, and when nothing accepts the file, one wrapper removed and detection run
// again on the inner data (kept in source.InnerSource).
std::unique_ptr<TQoSourceEngineList> DetectWithUnwrap(TQoLoadSource& source,
                                                      const TQoEngineRegistry& registry,
                                                      TQoWrapper* removed = nullptr);

// The load source of a shown file: the file, its companions and its ranked engines.
class TQoLoadSourceEx : public TQoFileLoadSource {
 public:
  explicit TQoLoadSourceEx(const std::string& path,
                           const TQoEngineRegistry& registry = QoDefaultRegistry());
  ~TQoLoadSourceEx() override;

  std::unique_ptr<TQoSourceEngineList> Engines;  // nil for an empty file
  TQoWrapper Wrapper = TQoWrapper::None;
};

// The Pack-Ice depacker; never raises.
bool DepackIce(const uint8_t* block, std::size_t blockSize, uint8_t* output,
               std::size_t outputSize);

// Wrapper tests, exposed for the depacking engines and the tests.
bool QoIsPlus3DosHeader(TQoByteView data);
bool QoIsPackIceHeader(TQoByteView data);
bool QoIsHobetaHeader(TQoByteView data);
