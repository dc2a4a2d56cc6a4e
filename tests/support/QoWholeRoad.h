#pragma once
// The whole road a file takes in the plug-in, for fuzzing and hostile-input tests:
// detection with unwrapping over a registry, then every accepted engine decoded with each
// palette type, variant and calculation it offers, rendered to 32 bits, and exported as
// a PNG in memory. Engines that decline or raise EQoError are fine; anything else (a
// crash, a sanitizer report, another exception) is a finding.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/QoLoadSource.h"

// A memory source whose companion files are one carved block: whatever name an engine
// asks for, it gets that block, so engines that need a second file are reached too.
class TQoCarvedSource : public TQoMemoryLoadSource {
 public:
  TQoCarvedSource(const std::string& name, const uint8_t* data, int32_t size,
                  const uint8_t* companion, int32_t companionSize);
  const TQoLoadSourceRec* GetCompanion(const std::string& name) override;

 private:
  TQoLoadSourceRec companion_;
  bool hasCompanion_ = false;
};

struct TQoRoadResult {
  int Engines = 0;  // engines that accepted the source
  int Decodes = 0;  // decodes that produced a picture
};

// Runs the road; at most maxDecodes decodes in all, so one input cannot take long.
TQoRoadResult QoRunWholeRoad(TQoLoadSource& source, const TQoEngineRegistry& registry,
                             int maxDecodes = 48);

// The extensions the registry's engines claim, sorted and unique, each with its dot;
// the fuzzers name their inputs with them so that extension-bound engines are reached.
const std::vector<std::string>& QoRegistryExtensions(const TQoEngineRegistry& registry);

// The fuzz input layout: byte 0 and bits 1-7 of byte 1 pick the extension, byte 1 bit 0
// asks for a companion
// whose length is the next little-endian 16-bit word, carved from the end; the rest is
// the file. Seeds are made with QoEncodeFuzzInput.
struct TQoFuzzInput {
  std::string Name;
  const uint8_t* Data = nullptr;
  int32_t Size = 0;
  const uint8_t* Companion = nullptr;
  int32_t CompanionSize = 0;
};
TQoFuzzInput QoDecodeFuzzInput(const uint8_t* data, std::size_t size,
                               const std::vector<std::string>& extensions);
std::vector<uint8_t> QoEncodeFuzzInput(const std::string& extension,
                                       const std::vector<uint8_t>& file,
                                       const std::vector<std::string>& extensions);
