#pragma once
// One engine class at a time, for the per-engine fuzzer and the kept crashers: the input
// names a registered class and the choices to decode with, the rest is the file, named
// with that class's own default extension. Detect runs, and when it accepts, the engine
// is created, decoded and rendered to 32 bits. Engines that decline or raise EQoError are
// fine; anything else is a finding.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/QoLoadSource.h"

// The input layout: bytes 0-1 (little-endian) pick the class, modulo the registry's count;
// byte 2 the palette type (0 the engine's default, n the (n-1)-th modulo the count),
// byte 3 the palette variant likewise; byte 4 bit 0 the calculation mode ("Linear" when
// set and offered), bit 1 asks for a companion whose length is the next little-endian
// 16-bit word, carved from the end; the rest is the file.
struct TQoEngineInput {
  int ClassIndex = -1;  // -1 when the input is too short to name one
  uint8_t PaletteChoice = 0;
  uint8_t VariantChoice = 0;
  uint8_t Linear = 0;
  const uint8_t* Data = nullptr;
  int32_t Size = 0;
  const uint8_t* Companion = nullptr;
  int32_t CompanionSize = 0;
};

constexpr std::size_t kQoEngineInputHeader = 5;

TQoEngineInput QoDecodeEngineInput(const uint8_t* data, std::size_t size, int classCount);
// A seed for class classIndex with the default choices.
std::vector<uint8_t> QoEncodeEngineInput(int classIndex, const uint8_t* file, std::size_t size,
                                         const uint8_t* companion = nullptr,
                                         std::size_t companionSize = 0);

// The default extension of every class of the registry, in registry order (empty for
// classes that name none); worked out once per registry.
const std::vector<std::string>& QoRegistryDefaultExtensions(const TQoEngineRegistry& registry);

struct TQoEngineRoadResult {
  bool Accepted = false;  // Detect answered non-zero and the constructor succeeded
  bool Decoded = false;   // a picture came out
};

TQoEngineRoadResult QoRunEngineRoad(const TQoEngineInput& input, const TQoEngineRegistry& registry);
