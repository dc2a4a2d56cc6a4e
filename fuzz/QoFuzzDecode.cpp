// Fuzzes the whole road of a file: naming, companion files, detection with unwrapping,
// every engine with every palette choice, rendering and PNG export.

#include <cstddef>
#include <cstdint>

#include "platforms/QoPlatformModules.h"
#include "support/QoWholeRoad.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const TQoEngineRegistry& registry = QoDefaultRegistry();
  const TQoFuzzInput input = QoDecodeFuzzInput(data, size, QoRegistryExtensions(registry));
  TQoCarvedSource source(input.Name, input.Data, input.Size, input.Companion, input.CompanionSize);
  QoRunWholeRoad(source, registry);
  return 0;
}
