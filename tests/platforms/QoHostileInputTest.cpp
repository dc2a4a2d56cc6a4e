// Hostile files against the whole registry: truncated and bit-flipped real pictures,
// the kept crashers, and tiny files whose headers claim enormous sizes. Every one must
// be declined or decoded cleanly and quickly.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/QoEngineRoad.h"
#include "support/QoSamples.h"
#include "support/QoWholeRoad.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Runs one input and fails the test when it takes a second or more.
void RunTimed(const std::string& name, const std::vector<uint8_t>& bytes, const std::string& what) {
  const auto start = std::chrono::steady_clock::now();
  TQoMemoryLoadSource source(name, bytes.data(), static_cast<int32_t>(bytes.size()), false);
  QoRunWholeRoad(source, QoDefaultRegistry(), 8);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(1)) << what << " took too long";
}

// Cuts at a spread of lengths and single-byte flips at a spread of offsets.
void Sweep(const std::string& name, const std::vector<uint8_t>& file) {
  const std::size_t n = file.size();
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{17}, n / 7, n / 2, n - n / 5,
                          n > 0 ? n - 1 : 0}) {
    if (cut >= n) continue;
    RunTimed(name, std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(cut)),
             name + " cut at " + std::to_string(cut));
  }
  for (int k = 0; k < 6 && n > 0; ++k) {
    std::vector<uint8_t> flipped = file;
    const std::size_t at = (k * 2654435761u + 5) % n;
    flipped[at] ^= static_cast<uint8_t>(0xFF >> k);
    RunTimed(name, flipped, name + " flipped at " + std::to_string(at));
  }
}

}  // namespace

TEST(QoHostileInputTest, CutAndFlippedSamplesDeclineOrDecodeCleanly) {
  QO_REQUIRE_SAMPLES();
  for (const TQoSample& sample : QoSamples()) {
    SCOPED_TRACE(sample.File);
    const std::string name = fs::path(sample.File).filename().string();
    Sweep(name, ReadAll(sample.Path));
  }
}

TEST(QoHostileInputTest, CutAndFlippedSyntheticScreens) {
  // Screen-sized files of every common size, with patterned content.
  for (std::size_t size : {6144u, 6912u, 12288u, 13824u, 18432u, 32000u, 32034u, 32128u}) {
    std::vector<uint8_t> file(size);
    for (std::size_t i = 0; i < size; ++i) file[i] = static_cast<uint8_t>(i * 31 + (i >> 8));
    for (const char* name : {"pic.scr", "pic.pi1", "pic.neo", "pic.bin"}) Sweep(name, file);
  }
}

// The engine class a kept crasher of the per-engine fuzzer was found with: its sidecar's
// line "class TQo...Engine", since the class index in the input shifts as classes are
// registered. Empty for whole-road crashers.
std::string CrasherClass(const fs::path& sidecar) {
  std::ifstream in(sidecar);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("class ", 0) == 0) return line.substr(6);
  }
  return std::string();
}

TEST(QoHostileInputTest, KeptCrashersStayFixed) {
  const fs::path folder = fs::path(ORVALON_SOURCE_DIR) / "tests" / "crashers";
  const TQoEngineRegistry& registry = QoDefaultRegistry();
  int count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".txt" || extension == ".md") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const fs::path sidecar = fs::path(entry.path()).replace_extension(".txt");
    EXPECT_TRUE(fs::exists(sidecar)) << "every crasher says what it pinned";
    const std::vector<uint8_t> bytes = ReadAll(entry.path());
    const std::string className = CrasherClass(sidecar);
    if (!className.empty()) {
      TQoEngineInput input = QoDecodeEngineInput(bytes.data(), bytes.size(), registry.Count());
      input.ClassIndex = -1;
      for (int c = 0; c < registry.Count(); ++c) {
        if (className == registry.Classes()[static_cast<std::size_t>(c)].Name) input.ClassIndex = c;
      }
      ASSERT_GE(input.ClassIndex, 0) << className << " is registered";
      QoRunEngineRoad(input, registry);
    } else {
      const TQoFuzzInput input =
          QoDecodeFuzzInput(bytes.data(), bytes.size(), QoRegistryExtensions(registry));
      TQoCarvedSource source(input.Name, input.Data, input.Size, input.Companion,
                             input.CompanionSize);
      QoRunWholeRoad(source, registry);
    }
    ++count;
  }
  RecordProperty("crashers", count);
}

TEST(QoHostileInputTest, TinyFilesClaimingHugeContentAreRefusedQuickly) {
  // A Pack-Ice header that claims 2 GiB unpacked, and one that claims more packed data
  // than the file holds.
  std::vector<uint8_t> ice = {'I', 'C', 'E', '!', 0, 0, 0, 40, 0x7F, 0xFF, 0xFF, 0xFF};
  ice.resize(40, 0x55);
  std::vector<uint8_t> shortIce = {'I', 'C', 'E', '!', 0, 1, 0, 0, 0, 0, 0x1B, 0};
  shortIce.resize(64, 0xAA);
  for (const auto& bytes : {ice, shortIce}) {
    RunTimed("pic.scr", bytes, "lying Pack-Ice header");
    TQoMemoryLoadSource source("pic.scr", bytes.data(), static_cast<int32_t>(bytes.size()), false);
    TQoWrapper removed = TQoWrapper::None;
    auto engines = DetectWithUnwrap(source, QoDefaultRegistry(), &removed);
    EXPECT_EQ(nullptr, source.InnerSource);
  }
}

TEST(QoHostileInputTest, PerEngineInputsReachTheirDecoder) {
  // What the per-engine fuzzer starts from: each real picture given to the class that
  // ranks best on it, under that class's own extension, with the choices read from the
  // header bytes. Most must decode, or the fuzzer spends its time on refusals.
  QO_REQUIRE_SAMPLES();
  const TQoEngineRegistry& registry = QoDefaultRegistry();
  int tried = 0, decoded = 0;
  for (const TQoSample& sample : QoSamples()) {
    TQoFileLoadSource file(sample.Path);
    std::unique_ptr<TQoSourceEngineList> engines = DetectEngines(file, registry);
    if (!engines || engines->Count() == 0) continue;
    int index = -1;
    for (int c = 0; c < registry.Count(); ++c) {
      if (engines->GetEngine(0)->EngineClass ==
          registry.Classes()[static_cast<std::size_t>(c)].Name) {
        index = c;
      }
    }
    ASSERT_GE(index, 0) << sample.File;
    std::vector<uint8_t> input =
        QoEncodeEngineInput(index, file.Data, static_cast<std::size_t>(file.Size));
    input[2] = 1;  // the first palette type, whatever the default
    input[4] = 1;  // "Linear" where offered
    const TQoEngineInput decodedInput =
        QoDecodeEngineInput(input.data(), input.size(), registry.Count());
    ASSERT_EQ(index, decodedInput.ClassIndex);
    ASSERT_EQ(file.Size, decodedInput.Size);
    ++tried;
    decoded += QoRunEngineRoad(decodedInput, registry).Decoded;
  }
  RecordProperty("decoded", decoded);
  EXPECT_GT(tried, 0);
  EXPECT_GE(decoded * 10, tried * 8) << decoded << " of " << tried << " decode";
}
