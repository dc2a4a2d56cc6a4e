#pragma once
// What the Atari tests share: the module's registry, detection over it, and big-endian
// writers for the files they build.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "support/QoEngineChecks.h"

namespace qo::atari_test {

using TBytes = std::vector<uint8_t>;

inline TQoEngineRegistry AtariRegistry() {
  TQoEngineRegistry registry;
  RegisterAtariSTEngines(registry);
  return registry;
}

inline std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(AtariRegistry(), name, std::move(bytes));
}

inline void PutBE16(TBytes& bytes, std::size_t at, unsigned value) {
  bytes.at(at) = static_cast<uint8_t>(value >> 8);
  bytes.at(at + 1) = static_cast<uint8_t>(value);
}

inline void AppendBE16(TBytes& bytes, unsigned value) {
  bytes.push_back(static_cast<uint8_t>(value >> 8));
  bytes.push_back(static_cast<uint8_t>(value));
}

inline void AppendBE32(TBytes& bytes, uint32_t value) {
  AppendBE16(bytes, value >> 16);
  AppendBE16(bytes, value & 0xFFFF);
}

}  // namespace qo::atari_test
