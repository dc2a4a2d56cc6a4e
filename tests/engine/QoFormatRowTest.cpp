#include "engine/QoFormatRow.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/QoEngineChecks.h"

namespace {

// A family of two formats that differ only in numbers: a fixed size and a signature.
struct TTestFormat {
  const char* ClassName;
  std::size_t Size;
  const char* Signature;
  TQoExtensions Extensions;
};

class TTestScreenEngine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TTestFormat& row) {
    return QoDetect(source,
                    {.Size = row.Size, .Signature = row.Signature, .Extensions = row.Extensions});
  }
  TTestScreenEngine(TQoLoadSource& source, const TTestFormat& row)
      : TQoSourceEngine(source, row.ClassName) {
    DefaultExtension = std::string(row.Extensions.First());
    Width = static_cast<int32_t>(row.Size);
  }
};

constexpr TTestFormat kPlainFormat{"TPlainEngine", 16, "", ".pln .pl"};
constexpr TTestFormat kSignedFormat{"TSignedEngine", 16, "SIG", ".sig"};
using TPlainEngine = TQoRowEngine<TTestScreenEngine, kPlainFormat>;
using TSignedEngine = TQoRowEngine<TTestScreenEngine, kSignedFormat>;

TEST(FormatRow, RowsBecomeRegisteredClassesWithTheUsualAnswers) {
  TQoEngineRegistry registry;
  registry.RegisterEngine(QoEngineClassOf<TPlainEngine>());
  registry.RegisterEngine(QoEngineClassOf<TSignedEngine>());
  EXPECT_EQ(QoClassNames(registry), (std::vector<std::string>{"TPlainEngine", "TSignedEngine"}));

  std::vector<uint8_t> signedBytes(16, 0);
  signedBytes[0] = 'S', signedBytes[1] = 'I', signedBytes[2] = 'G';
  // The signature outranks the plain size answer; the row's numbers reach the engine.
  auto d = QoDetectIn(registry, "pic.bin", signedBytes);
  EXPECT_EQ(d->Classes(), (std::vector<std::string>{"TSignedEngine", "TPlainEngine"}));
  EXPECT_EQ(d->First()->DetectFlags, kQoDetectSize | kQoDetectSignature);
  EXPECT_EQ(d->Find("TPlainEngine")->DetectFlags, kQoDetectSize);
  EXPECT_EQ(d->Find("TPlainEngine")->DefaultExtension, ".pln");
  // The second extension of the list counts as the format's own; a near miss does not.
  EXPECT_EQ(QoDetectIn(registry, "pic.pl", std::vector<uint8_t>(16))->First()->DetectFlags,
            kQoDetectSize | kQoDetectExtension);
  EXPECT_EQ(QoDetectIn(registry, "pic.p", std::vector<uint8_t>(16))->First()->DetectFlags,
            kQoDetectSize);
  // A wrong size declines both rows.
  EXPECT_EQ(QoDetectIn(registry, "pic.pln", std::vector<uint8_t>(17))->Engines->Count(), 0);
}

TEST(FormatRow, DetectRuleBoundsAndExtensionOnly) {
  std::vector<uint8_t> bytes(10, 0);
  TQoMemoryLoadSource source("a.xyz", bytes.data(), 10, false);
  EXPECT_EQ(QoDetect(source, {.MinSize = 10}), kQoDetectSize);
  EXPECT_EQ(QoDetect(source, {.MinSize = 11}), 0);
  EXPECT_EQ(QoDetect(source, {.MaxSize = 9}), 0);
  EXPECT_EQ(QoDetect(source, {.Signature = std::string_view("\0\0", 2), .SignatureOffset = 9}),
            0);  // past the end
  EXPECT_EQ(QoDetect(source, {.ExtensionOnly = true, .Extensions = ".xy .xyzz"}), 0);
  EXPECT_EQ(QoDetect(source, {.Signed = true, .SizeFlag = false, .Extensions = ".xyz"}),
            kQoDetectSignature | kQoDetectExtension);
  EXPECT_FALSE(TQoExtensions().Has(""));
}

}  // namespace
