// Fuzzes one engine class at a time: the first bytes choose a registered class and the
// choices to decode with, the rest is the file under that class's own extension
// (layout in support/QoEngineRoad.h). Much faster than the whole road, which tries
// every class on every input, so coverage reaches deep into each decoder.

#include <cstddef>
#include <cstdint>

#include "platforms/QoPlatformModules.h"
#include "support/QoEngineRoad.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The class descriptions are built once, before the first input is timed.
  QoRegistryDefaultExtensions(QoDefaultRegistry());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const TQoEngineRegistry& registry = QoDefaultRegistry();
  QoRunEngineRoad(QoDecodeEngineInput(data, size, registry.Count()), registry);
  return 0;
}
