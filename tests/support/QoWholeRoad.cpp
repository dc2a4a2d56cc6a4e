#include "support/QoWholeRoad.h"

#include <algorithm>

#include "export/QoExport.h"

TQoCarvedSource::TQoCarvedSource(const std::string& name, const uint8_t* data, int32_t size,
                                 const uint8_t* companion, int32_t companionSize)
    : TQoMemoryLoadSource(name, data, size, false) {
  if (companion && companionSize > 0) {
    companion_.Name = "companion";
    companion_.Data = companion;
    companion_.Size = companionSize;
    hasCompanion_ = true;
  }
}

const TQoLoadSourceRec* TQoCarvedSource::GetCompanion(const std::string& name) {
  if (!hasCompanion_) return nullptr;
  companion_.Name = name;
  companion_.Extension = QoLowerExtension(name);
  return &companion_;
}

namespace {

// One decode with the engine's current choices; EQoError is a clean refusal.
bool DecodeOnce(TQoSourceEngine& engine, int& budget) {
  if (budget <= 0) return false;
  --budget;
  try {
    std::unique_ptr<TQoBitmap> bmp = engine.Decode();
    if (!bmp) return false;
    std::unique_ptr<TQoBitmap32> picture = bmp->ToBitmap32();
    for (int i = 0; i < bmp->FrameCount(); ++i) bmp->Frames->GetBitmap(i)->ToBitmap32();
    std::unique_ptr<TQoBitmap> exported =
        QoEnlarge(std::move(bmp), QoExportRepeat(engine.AspectIndex));
    QoEncodePng(*exported);
    return true;
  } catch (const EQoError&) {
    return false;
  }
}

}  // namespace

TQoRoadResult QoRunWholeRoad(TQoLoadSource& source, const TQoEngineRegistry& registry,
                             int maxDecodes) {
  TQoRoadResult result;
  std::unique_ptr<TQoSourceEngineList> engines = DetectWithUnwrap(source, registry);
  if (!engines) return result;
  result.Engines = engines->Count();
  int budget = maxDecodes;
  for (int e = 0; e < engines->Count(); ++e) {
    TQoSourceEngine& engine = *engines->GetEngine(e);
    if (DecodeOnce(engine, budget)) ++result.Decodes;
    // Every other choice the viewer offers, one at a time from the defaults.
    const uint8_t defaultType = engine.PaletteType;
    for (int t = 0; t < engine.GetPaletteTypeCount(); ++t) {
      if (engine.GetPaletteType(t) == defaultType) continue;
      engine.PaletteType = engine.GetPaletteType(t);
      if (DecodeOnce(engine, budget)) ++result.Decodes;
    }
    engine.PaletteType = defaultType;
    const std::string defaultVariant = engine.PaletteVariant;
    for (int v = 0; v < engine.GetPaletteVariantCount(); ++v) {
      if (engine.GetPaletteVariant(v) == defaultVariant) continue;
      engine.PaletteVariant = engine.GetPaletteVariant(v);
      if (DecodeOnce(engine, budget)) ++result.Decodes;
    }
    engine.PaletteVariant = defaultVariant;
    const uint8_t defaultCalc = engine.CalcMode;
    for (uint8_t calc = 0; calc < 2; ++calc) {
      if (calc == defaultCalc || !(engine.CalcModes & (1u << calc))) continue;
      engine.CalcMode = calc;
      if (DecodeOnce(engine, budget)) ++result.Decodes;
    }
    engine.CalcMode = defaultCalc;
  }
  return result;
}

const std::vector<std::string>& QoRegistryExtensions(const TQoEngineRegistry& registry) {
  static const TQoEngineRegistry* cachedFor = nullptr;
  static std::vector<std::string> extensions;
  if (cachedFor == &registry) return extensions;
  extensions.clear();
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    // Engines that need data to be built are reached through the other extensions.
    const std::string extension = QoDescribeEngineClass(engineClass).DefaultExtension;
    if (!extension.empty()) extensions.push_back(extension);
  }
  // Wrapper and inner extensions that no engine names as its default.
  for (const char* extra : {".bin", ".$c", ".flash.scr", ".zxb"}) extensions.push_back(extra);
  std::sort(extensions.begin(), extensions.end());
  extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
  cachedFor = &registry;
  return extensions;
}

TQoFuzzInput QoDecodeFuzzInput(const uint8_t* data, std::size_t size,
                               const std::vector<std::string>& extensions) {
  TQoFuzzInput input;
  input.Name = "fuzz";
  if (size < 2) return input;
  const std::size_t pick = data[0] | static_cast<std::size_t>(data[1] >> 1) << 8;
  if (!extensions.empty()) input.Name += extensions[pick % extensions.size()];
  std::size_t start = 2, end = size;
  if ((data[1] & 1) && size >= 4) {
    const std::size_t wanted = data[2] | (static_cast<std::size_t>(data[3]) << 8);
    start = 4;
    const std::size_t companion = std::min(wanted, end - start);
    input.Companion = data + end - companion;
    input.CompanionSize = static_cast<int32_t>(companion);
    end -= companion;
  }
  input.Data = data + start;
  input.Size = static_cast<int32_t>(end - start);
  return input;
}

std::vector<uint8_t> QoEncodeFuzzInput(const std::string& extension,
                                       const std::vector<uint8_t>& file,
                                       const std::vector<std::string>& extensions) {
  std::vector<uint8_t> input(2 + file.size(), 0);
  std::copy(file.begin(), file.end(), input.begin() + 2);
  const auto found = std::find(extensions.begin(), extensions.end(), extension);
  if (found != extensions.end()) {
    const std::size_t pick = static_cast<std::size_t>(found - extensions.begin());
    input[0] = static_cast<uint8_t>(pick);
    input[1] = static_cast<uint8_t>((pick >> 8) << 1);
  }
  return input;
}
