#pragma once
// What the family tests share: detection of bytes built in a test over a registry of the
// test's choosing, and the check of a decoded real picture against its pinned hash.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/QoLoadSource.h"
#include "support/QoSamples.h"

// A file in memory with the engines that accepted it; a companion, when given, answers
// every name an engine asks for.
struct TQoDetected {
  std::vector<uint8_t> Bytes;
  std::vector<uint8_t> Companion;
  std::unique_ptr<TQoLoadSource> Source;
  std::unique_ptr<TQoSourceEngineList> Engines;

  TQoSourceEngine* First() const;
  TQoSourceEngine* Find(const std::string& className) const;
  std::vector<std::string> Classes() const;
};

std::unique_ptr<TQoDetected> QoDetectIn(const TQoEngineRegistry& registry, const std::string& name,
                                        std::vector<uint8_t> bytes,
                                        std::vector<uint8_t> companion = {});

std::vector<uint8_t> QoReadWholeFile(const std::string& path);

// The class names of a registry, in order.
std::vector<std::string> QoClassNames(const TQoEngineRegistry& registry);

// Adds a test failure unless a module's classes (family, in its order) stand together in
// the whole registry, after the class named before and ahead of the class named after:
// the module's place in the start-up order, whatever modules join around it later.
void QoExpectModuleInStartUpOrder(const std::vector<std::string>& family, const std::string& before,
                                  const std::string& after);

// Adds a test failure unless the picture's hash is the one pinned for the sample file
// (after the picture was checked by eye); an unpinned file reports the hash to pin.
void QoExpectPinnedHash(const std::map<std::string, std::string>& pinned, const std::string& file,
                        const TQoBitmap& bmp);

// A sample the caller checks itself, given the engine class its format expects and what
// detection made of it; answers true when it did (the sample is then not decoded here).
using TQoSampleException =
    std::function<bool(const TQoSample&, const std::string&, const TQoDetected&)>;

// The real pictures of a family: every sample of each format of expectedEngine (sample
// format to engine class) is detected over the registry under its own file name; the
// first engine must be of the expected class and its picture must decode to the pinned
// hash. Answers how many pictures were decoded.
int QoCheckRealPictures(const TQoEngineRegistry& registry,
                        const std::map<std::string, std::string>& expectedEngine,
                        const std::map<std::string, std::string>& pinned,
                        const TQoSampleException& checkedByCaller = nullptr);
