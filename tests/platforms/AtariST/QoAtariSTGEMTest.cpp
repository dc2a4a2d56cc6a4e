#include <gtest/gtest.h>

#include <map>

#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoAtariSTTestFiles.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"

using namespace qo::atari_test;

namespace {

// A GEM header of `words` words (the tag and palette in extra) over packed data.
TBytes GemFile(unsigned planes, unsigned width, unsigned height, const TBytes& extra,
               const TBytes& data, unsigned pixelW = 85, unsigned pixelH = 85) {
  TBytes file;
  for (unsigned v : {1u, static_cast<unsigned>(8 + extra.size() / 2), planes, 2u, pixelW, pixelH,
                     width, height}) {
    AppendBE16(file, v);
  }
  file.insert(file.end(), extra.begin(), extra.end());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

// Each plane line of every scan line as one literal run of the given bytes.
TBytes LiteralLines(const std::vector<TBytes>& planeLines) {
  TBytes data;
  for (const TBytes& line : planeLines) {
    data.push_back(0x80);
    data.push_back(static_cast<uint8_t>(line.size()));
    data.insert(data.end(), line.begin(), line.end());
  }
  return data;
}

TBytes Unpack(const TBytes& data, int width, int lines, int planes, int pattern, bool* ok) {
  TBytes out(QoGEMBufferBytes(width, lines, planes), 0);
  *ok = QoUnpackGEMLines(TQoByteView(data.data(), data.size()), width, lines, planes, pattern,
                         out.data());
  return out;
}

}  // namespace

TEST(QoAtariSTGEMTest, LineUnpackerRunsMarksAndRepeats) {
  bool ok = false;
  // 0x80 0: 256 literal bytes, then a solid run of 4 x 0xFF and 4 x 0 fill a 2048-pixel line
  // of 264 bytes (word padding none).
  TBytes data = {0x80, 0x00};
  for (int i = 0; i < 256; ++i) data.push_back(static_cast<uint8_t>(i));
  data.insert(data.end(), {0x84, 0x04});
  TBytes out = Unpack(data, 2112, 1, 1, 1, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(255, out[255]);
  EXPECT_EQ(0xFF, out[256]);
  EXPECT_EQ(0xFF, out[259]);
  EXPECT_EQ(0x00, out[260]);

  // Width 24: 3 bytes per plane line, padded to 4. Line 0: pattern AB CD twice is too
  // long, so: pattern (length 2) once gives AB CD, then keep mark (stores 0 on line 0).
  // Line 1 is marked to appear three times: literal 11, two keep marks (the bytes above).
  // The last line's first byte 0x00 0x00 0xFF is read by the pending literal run, never as
  // a repeat mark.
  data = {0x00, 0x01, 0xAB, 0xCD, 0x00, 0x00, 0x00,         // line 0
          0x00, 0x00, 0xFF, 0x03,                           // repeat the next line 3 times
          0x80, 0x01, 0x11, 0x00, 0x00, 0x01,               // line 1: 11, keep, keep
          0x80, 0x06, 0x00, 0x00, 0xFF, 0x03, 0x22, 0x33};  // lines 4 and 5 in one literal
  out = Unpack(data, 24, 6, 1, 2, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ((TBytes{0xAB, 0xCD, 0x00, 0x00}), TBytes(out.begin(), out.begin() + 4));
  for (int y = 1; y <= 3; ++y) {
    EXPECT_EQ((TBytes{0x11, 0xCD, 0x00, 0x00}),
              TBytes(out.begin() + 4 * y, out.begin() + 4 * y + 4))
        << y;
  }
  EXPECT_EQ((TBytes{0x00, 0x00, 0xFF, 0x00}), TBytes(out.begin() + 16, out.begin() + 20));
  EXPECT_EQ((TBytes{0x03, 0x22, 0x33, 0x00}), TBytes(out.begin() + 20, out.begin() + 24));

  // A zero repeat count and a stream that ends early both fail.
  Unpack({0x00, 0x00, 0xFF, 0x00, 0x83}, 24, 1, 1, 1, &ok);
  EXPECT_FALSE(ok);
  Unpack({0x83}, 24, 2, 1, 1, &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(QoUnpackGEMLines(TQoByteView(), 24, 1, 1, 1, nullptr));

  // Colour runs: blue, green, red; a record not starting with 0x80 ends the data.
  const TBytes runs = {0x80, 0x02, 1, 2, 3, 4, 5, 6, 0x81, 0x01, 7, 8, 9};
  uint32_t colors[3] = {};
  EXPECT_EQ(2u, QoReadGEMColorRuns(TQoByteView(runs.data(), runs.size()), 3, colors));
  EXPECT_EQ(0x030201u, colors[0]);
  EXPECT_EQ(0x060504u, colors[1]);
}

TEST(QoAtariSTGEMTest, VariantsChooseTheirPalettes) {
  // Plain 8 planes: 256 greys with the bits of the value reversed.
  std::vector<TBytes> lines;
  for (int k = 0; k < 8; ++k)
    lines.push_back({static_cast<uint8_t>(k == 0 ? 0x40 : k == 1 ? 0x20 : 0)});
  auto d = Detect("pic.img", GemFile(8, 8, 1, {}, LiteralLines(lines)));
  TQoSourceEngine* engine = d->Find("TQoAtariSTGEMBitImage");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(11, engine->DetectFlags);
  EXPECT_EQ("Atari Falcon", engine->PlatformName);
  auto bmp = engine->Decode();
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
  EXPECT_EQ(0x7F7F7Fu, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(0xBFBFBFu, bmp->Palette->GetRGBQuad(2));
  EXPECT_EQ(1u, bmp->GetPixel(1, 0));
  EXPECT_EQ(2u, bmp->GetPixel(2, 0));
  EXPECT_EQ(28, engine->AspectIndex);

  // Plain 2 planes: the system colours white, red, green, black.
  d = Detect("pic.xyz", GemFile(2, 16, 1, {}, LiteralLines({{0x80, 0x00}, {0xC0, 0x00}}), 0, 0));
  engine = d->Find("TQoAtariSTGEMBitImage");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(9, engine->DetectFlags);
  EXPECT_EQ("Atari STE", engine->PlatformName);
  EXPECT_EQ(kQoAspect5to12, engine->AspectIndex);
  bmp = engine->Decode();
  EXPECT_EQ(3u, bmp->GetPixel(0, 0));
  EXPECT_EQ(2u, bmp->GetPixel(1, 0));
  EXPECT_EQ(0x00FF00u, bmp->Palette->GetRGBQuad(2));

  // XIMG, 1 plane: VDI colours, exact halves rounded to even (300 -> 76.5 -> 76).
  TBytes ximg = {'X', 'I', 'M', 'G', 0, 0};
  for (unsigned v : {1000u, 1000u, 1000u, 300u, 100u, 900u}) AppendBE16(ximg, v);
  d = Detect("pic.ximg", GemFile(1, 8, 1, ximg, LiteralLines({{0x0F}}), 85, 170));
  engine = d->Find("TQoAtariSTGEMBitImage");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(kQoAspect1to2, engine->AspectIndex);
  bmp = engine->Decode();
  EXPECT_EQ(0x4C1AE6u, bmp->Palette->GetRGBQuad(1));  // 76, 26, 230 (229.5 -> 230)
  EXPECT_EQ(1u, bmp->GetPixel(7, 0));
  ximg[5] = 1;  // a colour model other than 0
  EXPECT_EQ(nullptr, Detect("pic.img", GemFile(1, 8, 1, ximg, LiteralLines({{0x0F}})))
                         ->Find("TQoAtariSTGEMBitImage"));

  // STTT and HyperPaint: ST palette words over line-planar planes; the aspect 2:1.
  TBytes sttt = {'S', 'T', 'T', 'T', 0, 4};
  for (unsigned w : {0x000u, 0x700u, 0x070u, 0x00Fu}) AppendBE16(sttt, w);
  TBytes hyper = {0x00, 0x80};
  for (unsigned w : {0x000u, 0x700u, 0x070u, 0x00Fu}) AppendBE16(hyper, w);
  for (const TBytes& extra : {sttt, hyper}) {
    d = Detect("pic.img",
               GemFile(2, 8, 2, extra, LiteralLines({{0xF0}, {0x0C}, {0x00}, {0xFF}}), 170, 85));
    engine = d->Find("TQoAtariSTGEMBitImage");
    ASSERT_NE(nullptr, engine);
    EXPECT_EQ(kQoAspect2to1, engine->AspectIndex);
    EXPECT_EQ("Atari STE", engine->PlatformName);  // the blue word uses the fourth bit
    bmp = engine->Decode();
    EXPECT_EQ(1u, bmp->GetPixel(0, 0));
    EXPECT_EQ(2u, bmp->GetPixel(4, 0));
    EXPECT_EQ(0u, bmp->GetPixel(6, 0));
    EXPECT_EQ(2u, bmp->GetPixel(0, 1));
    EXPECT_EQ(0x0000FFu, bmp->Palette->GetRGBQuad(3));
  }

  // An 8-plane STTT image shows its first four planes with 16 palette words.
  TBytes sttt8 = {'S', 'T', 'T', 'T', 0, 16};
  for (unsigned w = 0; w < 16; ++w) AppendBE16(sttt8, w << 4);
  d = Detect("pic.img",
             GemFile(8, 8, 1, sttt8,
                     LiteralLines({{0x80}, {0}, {0}, {0x80}, {0xFF}, {0xFF}, {0xFF}, {0xFF}})));
  engine = d->Find("TQoAtariSTGEMBitImage");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(4, engine->ColorDepth);
  bmp = engine->Decode();
  EXPECT_EQ(9u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0u, bmp->GetPixel(1, 0));
  EXPECT_EQ(0x003300u, bmp->Palette->GetRGBQuad(9));  // 0x090 on the STE: level 3 of 15

  // TIMG 16 planes: line-planar direct colour; plain 24 planes: chunky bytes R, G, B.
  std::vector<TBytes> direct(16, TBytes{0x00, 0x00});
  direct[0] = {0x80, 0x00};   // red 1 at pixel 0 (bits 0-4 red)
  direct[15] = {0x80, 0x00};  // blue 16 at pixel 0
  d = Detect("pic.img", GemFile(16, 16, 1, {'T', 'I', 'M', 'G', 0, 0}, LiteralLines(direct)));
  engine = d->Find("TQoAtariSTGEMBitImage");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(0x080084u, engine->Decode()->GetPixel(0, 0));
  std::vector<TBytes> rgb(24, TBytes{0});
  rgb[0] = {0x12};
  rgb[1] = {0x34};
  rgb[2] = {0x56};
  rgb[3] = {0x78};
  d = Detect("pic.img", GemFile(24, 8, 1, {}, LiteralLines(rgb)));
  bmp = d->Find("TQoAtariSTGEMBitImage")->Decode();
  EXPECT_EQ(0x123456u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0x780000u, bmp->GetPixel(1, 0));

  // Colour runs fill the picture line by line.
  d = Detect("pic.img", GemFile(24, 2, 1, {0, 3}, {0x80, 0x02, 1, 2, 3, 4, 5, 6}));
  engine = d->Find("TQoAtariSTGEMBitImage");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(0x060504u, engine->Decode()->GetPixel(1, 0));
  EXPECT_EQ(nullptr, Detect("pic.img", GemFile(24, 3, 1, {0, 3}, {0x80, 0x02, 1, 2, 3, 4, 5, 6}))
                         ->Find("TQoAtariSTGEMBitImage"));

  // Header faults: a pattern length of 9, a data stream that ends early.
  TBytes bad = GemFile(1, 8, 1, {}, LiteralLines({{0x0F}}));
  bad[7] = 9;
  EXPECT_EQ(nullptr, Detect("pic.img", bad)->Find("TQoAtariSTGEMBitImage"));
  EXPECT_EQ(nullptr, Detect("pic.img", GemFile(1, 8, 2, {}, LiteralLines({{0x0F}})))
                         ->Find("TQoAtariSTGEMBitImage"));
}

TEST(QoAtariSTGEMTest, RealBitImagesDecode) {
  QO_REQUIRE_SAMPLES();
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"atarist/MIDIPIC.IMG", "dcbb6a2becf1c09b"},  {"atarist/STEPHAN.IMG", "ee22a50fdf85a3f8"},
      {"atarist/flag_b24.img", "d3f4f66a44d9f948"}, {"atarist/grafprog.img", "cd53b6413ae1747b"},
      {"atarist/tru256.img", "0d8a69b67d2b799d"},   {"atarist/venus.img", "2284f401614ffcdd"},
  };
  const int decoded =
      QoCheckRealPictures(AtariRegistry(), {{"gem-img", "TQoAtariSTGEMBitImage"}}, pinned);
  EXPECT_EQ(6, decoded);
}
