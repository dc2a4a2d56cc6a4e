#include "support/QoEngineChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "color/QoBitmap.h"
#include "support/QoTestHash.h"
#include "support/QoWholeRoad.h"

TQoSourceEngine* TQoDetected::First() const {
  return Engines && Engines->Count() > 0 ? Engines->GetEngine(0) : nullptr;
}

TQoSourceEngine* TQoDetected::Find(const std::string& className) const {
  for (int i = 0; Engines && i < Engines->Count(); ++i) {
    if (Engines->GetEngine(i)->EngineClass == className) return Engines->GetEngine(i);
  }
  return nullptr;
}

std::vector<std::string> TQoDetected::Classes() const {
  std::vector<std::string> names;
  for (int i = 0; Engines && i < Engines->Count(); ++i) {
    names.push_back(Engines->GetEngine(i)->EngineClass);
  }
  return names;
}

std::unique_ptr<TQoDetected> QoDetectIn(const TQoEngineRegistry& registry, const std::string& name,
                                        std::vector<uint8_t> bytes,
                                        std::vector<uint8_t> companion) {
  auto d = std::make_unique<TQoDetected>();
  d->Bytes = std::move(bytes);
  d->Companion = std::move(companion);
  const auto size = static_cast<int32_t>(d->Bytes.size());
  if (d->Companion.empty()) {
    d->Source = std::make_unique<TQoMemoryLoadSource>(name, d->Bytes.data(), size, false);
  } else {
    d->Source = std::make_unique<TQoCarvedSource>(name, d->Bytes.data(), size, d->Companion.data(),
                                                  static_cast<int32_t>(d->Companion.size()));
  }
  d->Engines = DetectEngines(*d->Source, registry);
  return d;
}

std::vector<uint8_t> QoReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> QoClassNames(const TQoEngineRegistry& registry) {
  std::vector<std::string> names;
  for (const TQoEngineClass& c : registry.Classes()) names.push_back(c.Name);
  return names;
}

void QoExpectModuleInStartUpOrder(const std::vector<std::string>& family, const std::string& before,
                                  const std::string& after) {
  const std::vector<std::string> all = QoClassNames(QoDefaultRegistry());
  ASSERT_FALSE(family.empty());
  const auto first = std::find(all.begin(), all.end(), family.front());
  ASSERT_NE(all.end(), first) << family.front();
  const auto start = static_cast<std::size_t>(first - all.begin());
  ASSERT_LE(start + family.size(), all.size());
  EXPECT_EQ(family,
            std::vector<std::string>(first, first + static_cast<std::ptrdiff_t>(family.size())));
  const auto beforeAt = std::find(all.begin(), all.end(), before);
  const auto afterAt = std::find(all.begin(), all.end(), after);
  ASSERT_NE(all.end(), beforeAt) << before;
  ASSERT_NE(all.end(), afterAt) << after;
  EXPECT_LT(beforeAt, first) << before;
  EXPECT_GE(afterAt, first + static_cast<std::ptrdiff_t>(family.size())) << after;
}

void QoExpectPinnedHash(const std::map<std::string, std::string>& pinned, const std::string& file,
                        const TQoBitmap& bmp) {
  const auto hash = pinned.find(file);
  if (hash == pinned.end()) {
    ADD_FAILURE() << file << ": no pinned hash; decoded " << QoHashBitmapHex(bmp);
  } else {
    EXPECT_EQ(hash->second, QoHashBitmapHex(bmp)) << file;
  }
}

int QoCheckRealPictures(const TQoEngineRegistry& registry,
                        const std::map<std::string, std::string>& expectedEngine,
                        const std::map<std::string, std::string>& pinned,
                        const TQoSampleException& checkedByCaller) {
  int decoded = 0;
  for (const auto& [format, engineClass] : expectedEngine) {
    for (const TQoSample& sample : QoSamples(format)) {
      SCOPED_TRACE(sample.File);
      const auto d = QoDetectIn(registry, std::filesystem::path(sample.File).filename().string(),
                                QoReadWholeFile(sample.Path));
      if (checkedByCaller && checkedByCaller(sample, engineClass, *d)) continue;
      TQoSourceEngine* first = d->First();
      if (!first) {
        ADD_FAILURE() << sample.File << ": no engine accepts it";
        continue;
      }
      EXPECT_EQ(engineClass, first->EngineClass);
      const std::unique_ptr<TQoBitmap> bmp = first->Decode();
      if (!bmp) {
        ADD_FAILURE() << sample.File << ": no picture";
        continue;
      }
      QoExpectPinnedHash(pinned, sample.File, *bmp);
      ++decoded;
    }
  }
  return decoded;
}
