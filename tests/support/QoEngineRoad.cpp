#include "support/QoEngineRoad.h"

#include <algorithm>

#include "support/QoWholeRoad.h"

TQoEngineInput QoDecodeEngineInput(const uint8_t* data, std::size_t size, int classCount) {
  TQoEngineInput input;
  if (size < kQoEngineInputHeader || classCount <= 0) return input;
  input.ClassIndex = static_cast<int>((data[0] | static_cast<unsigned>(data[1]) << 8) %
                                      static_cast<unsigned>(classCount));
  input.PaletteChoice = data[2];
  input.VariantChoice = data[3];
  input.Linear = data[4] & 1;
  std::size_t start = kQoEngineInputHeader, end = size;
  if ((data[4] & 2) && size >= start + 2) {
    const std::size_t wanted = data[start] | (static_cast<std::size_t>(data[start + 1]) << 8);
    start += 2;
    const std::size_t companion = std::min(wanted, end - start);
    input.Companion = data + end - companion;
    input.CompanionSize = static_cast<int32_t>(companion);
    end -= companion;
  }
  input.Data = data + start;
  input.Size = static_cast<int32_t>(end - start);
  return input;
}

std::vector<uint8_t> QoEncodeEngineInput(int classIndex, const uint8_t* file, std::size_t size,
                                         const uint8_t* companion, std::size_t companionSize) {
  companionSize = std::min<std::size_t>(companionSize, 0xFFFF);
  std::vector<uint8_t> input = {static_cast<uint8_t>(classIndex),
                                static_cast<uint8_t>(classIndex >> 8), 0, 0,
                                static_cast<uint8_t>(companion && companionSize ? 2 : 0)};
  if (companion && companionSize) {
    input.push_back(static_cast<uint8_t>(companionSize));
    input.push_back(static_cast<uint8_t>(companionSize >> 8));
  }
  input.insert(input.end(), file, file + size);
  if (companion && companionSize) input.insert(input.end(), companion, companion + companionSize);
  return input;
}

const std::vector<std::string>& QoRegistryDefaultExtensions(const TQoEngineRegistry& registry) {
  static const TQoEngineRegistry* cachedFor = nullptr;
  static std::vector<std::string> extensions;
  if (cachedFor == &registry) return extensions;
  extensions.clear();
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    extensions.push_back(QoDescribeEngineClass(engineClass).DefaultExtension);
  }
  cachedFor = &registry;
  return extensions;
}

namespace {

// Choice 0 keeps the default; n picks the (n-1)-th of count, modulo count.
int Pick(uint8_t choice, int count) {
  return choice == 0 || count <= 0 ? -1 : (choice - 1) % count;
}

}  // namespace

TQoEngineRoadResult QoRunEngineRoad(const TQoEngineInput& input,
                                    const TQoEngineRegistry& registry) {
  TQoEngineRoadResult result;
  if (input.ClassIndex < 0 || input.ClassIndex >= registry.Count()) return result;
  const TQoEngineClass& engineClass =
      registry.Classes()[static_cast<std::size_t>(input.ClassIndex)];
  if (!engineClass.Detect || !engineClass.Create) return result;
  const std::string& extension =
      QoRegistryDefaultExtensions(registry)[static_cast<std::size_t>(input.ClassIndex)];
  TQoCarvedSource source("fuzz" + (extension.empty() ? std::string(".bin") : extension), input.Data,
                         input.Size, input.Companion, input.CompanionSize);
  try {
    const uint8_t flags = engineClass.Detect(source);
    if (flags == 0) return result;
    std::unique_ptr<TQoSourceEngine> engine = engineClass.Create(source);
    if (!engine) return result;
    engine->DetectFlags = flags;
    result.Accepted = true;
    const int type = Pick(input.PaletteChoice, engine->GetPaletteTypeCount());
    if (type >= 0) engine->PaletteType = engine->GetPaletteType(type);
    const int variant = Pick(input.VariantChoice, engine->GetPaletteVariantCount());
    if (variant >= 0) engine->PaletteVariant = engine->GetPaletteVariant(variant);
    if (input.Linear && (engine->CalcModes & 2)) engine->CalcMode = 1;
    std::unique_ptr<TQoBitmap> bmp = engine->Decode();
    if (!bmp) return result;
    bmp->ToBitmap32();
    for (int i = 0; i < bmp->FrameCount(); ++i) bmp->Frames->GetBitmap(i)->ToBitmap32();
    result.Decoded = true;
  } catch (const EQoError&) {
    // A clean refusal.
  }
  return result;
}
