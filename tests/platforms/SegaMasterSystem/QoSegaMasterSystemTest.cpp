#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platforms/SegaMasterSystem/QoOpenPlatformSegaMasterSystem.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterSegaMasterSystemEngines(registry);
  return registry;
}

constexpr std::size_t kNames = 0x0E * 1024;
constexpr std::size_t kSprites = 0x7E * 128;

// An MSBMP file: the text, then registers (mode 4, name table at 0x3800, sprite table at
// 0x3F00, patterns at 0), 64 bytes of palette memory and the video memory.
struct TDump {
  std::string Text = "Title\r\n";
  TBytes Registers = TBytes{0x04, 0, 0x0E, 0, 0, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  TBytes Cram = TBytes(64, 0);
  TBytes Vram = TBytes(16384, 0);

  TDump() {
    Vram[32] = 0x80;  // tile 1, row 0, plane 0: its top left pixel is 1
    Vram[kSprites] = 208;
  }
  void Name(int r, int c, uint16_t entry) {
    Vram[kNames + std::size_t(r * 32 + c) * 2] = uint8_t(entry);
    Vram[kNames + std::size_t(r * 32 + c) * 2 + 1] = uint8_t(entry >> 8);
  }
  void Sprite(int l, uint8_t y, uint8_t x, uint8_t tile) {
    Vram[kSprites + std::size_t(l)] = y;
    Vram[kSprites + 128 + 2 * std::size_t(l)] = x;
    Vram[kSprites + 129 + 2 * std::size_t(l)] = tile;
  }
  TBytes File() const {
    // Sized once and filled in place: GCC 12 for MinGW reports a false out-of-bounds
    // copy inside vector::insert here.
    TBytes f = {'M', 'S', 'B', 'M', 'P', 0, 9, 0, 0};
    std::size_t at = f.size() + Text.size();
    f.resize(at + Registers.size() + Cram.size() + Vram.size());
    std::copy(Text.begin(), Text.end(), f.begin() + 9);
    f[7] = uint8_t(at), f[8] = uint8_t(at >> 8);
    for (const TBytes* part : {&Registers, &Cram, &Vram}) {
      std::copy(part->begin(), part->end(), f.begin() + static_cast<std::ptrdiff_t>(at));
      at += part->size();
    }
    return f;
  }
};

TEST(QoSegaMasterSystemTest, RegistersInOrder) {
  EXPECT_EQ(QoClassNames(Registry()),
            (std::vector<std::string>{"TQoSegaMasterSystemEngine", "TQoMekaSnapshotEngine"}));
}

TEST(QoSegaMasterSystemTest, TilesSpritesPriorityAndPalette) {
  TDump dump;
  dump.Cram[1] = 0x03;   // red
  dump.Cram[17] = 0x30;  // sprite colour 1: blue
  dump.Name(0, 0, 1);
  dump.Name(0, 3, 1 | 0x0800);  // the sprite palette, colour 0 of it is drawn too
  dump.Name(1, 2, 1 | 0x1000);  // priority: over sprites
  dump.Sprite(0, 7, 16, 1);     // covers lines 8..15 from x = 16
  dump.Sprite(1, 208, 0, 0);    // the end of the list
  auto d = QoDetectIn(Registry(), "pic.sbm", dump.File());
  ASSERT_EQ(d->Engines->Count(), 1);
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.DetectFlags, 11);
  EXPECT_EQ(e.InfoTitle, "Title");
  EXPECT_EQ(e.GetDisplayName(), "Sega Master System 256x192x5 image");
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 1u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 0u);
  EXPECT_EQ(bmp->GetPixel(24, 0), 17u);
  EXPECT_EQ(bmp->GetPixel(25, 0), 16u);
  EXPECT_EQ(bmp->GetPixel(16, 8), 1u);  // the priority tile hides the sprite pixel
  EXPECT_EQ(e.Palette->GetRGBQuad(1), 0xFF0000u);
  EXPECT_EQ(e.Palette->GetRGBQuad(17), 0x0000FFu);

  // The sprite without the priority tile; eight more sprites on its line hide the ninth.
  dump.Name(1, 2, 0);
  for (int l = 1; l <= 8; ++l) dump.Sprite(l, 7, uint8_t(40 + 10 * l), 1);
  dump.Sprite(9, 208, 0, 0);
  auto s = QoDetectIn(Registry(), "pic.sbm", dump.File());
  auto sprites = s->First()->Decode();
  EXPECT_EQ(sprites->GetPixel(16, 8), 17u);
  EXPECT_EQ(sprites->GetPixel(40 + 10 * 7, 8), 17u);
  EXPECT_EQ(sprites->GetPixel(40 + 10 * 8, 8), 0u);

  // The blank left column: 248 pixels, everything 8 to the left.
  dump.Registers[0] |= 0x20;
  dump.Text = "\r\n  Second  \r\n";
  auto narrow = QoDetectIn(Registry(), "p.dat", dump.File());
  EXPECT_EQ(narrow->First()->DetectFlags, 9);
  EXPECT_EQ(narrow->First()->Width, 248);
  EXPECT_EQ(narrow->First()->InfoTitle, "Second");
  EXPECT_EQ(narrow->First()->Decode()->GetPixel(16, 0), 17u);
  // Not mode 4, or a wrong size: declined.
  dump.Registers[0] = 0;
  EXPECT_EQ(QoDetectIn(Registry(), "p.sbm", dump.File())->Engines->Count(), 0);
  TBytes cut = TDump().File();
  cut.pop_back();
  EXPECT_EQ(QoDetectIn(Registry(), "p.sbm", cut)->Engines->Count(), 0);
}

TEST(QoSegaMasterSystemTest, SnapshotsLocateTheirMemories) {
  TDump dump;
  dump.Name(0, 0, 1);
  for (int version : {11, 13}) {
    const std::size_t body = version < 12 ? 7 : 11;
    const std::size_t work = body + (version <= 12 ? 96 : 98);
    TBytes file(work + 8192 + 16384 + 64, 0);
    std::copy(std::begin("MEKA"), std::begin("MEKA") + 4, file.begin());
    file[4] = 26, file[5] = uint8_t(version);
    std::copy(dump.Registers.begin(), dump.Registers.end(), file.begin() + long(body + 52));
    std::copy(dump.Vram.begin(), dump.Vram.end(), file.begin() + long(work + 8192));
    file[work + 8192 + 16384 + 1] = 0x0C;  // colour 1: green
    auto d = QoDetectIn(Registry(), "game.s00", file);
    ASSERT_EQ(d->Engines->Count(), 1) << version;
    EXPECT_EQ(d->First()->DetectFlags, 1);
    EXPECT_EQ(d->First()->DefaultExtension, ".s00");
    EXPECT_EQ(d->First()->Decode()->GetPixel(0, 0), 1u);
    EXPECT_EQ(d->First()->Palette->GetRGBQuad(1), 0x00FF00u);
    file.resize(work + 8192 + 16384 + 32);  // too short for the palette memory
    EXPECT_EQ(QoDetectIn(Registry(), "game.s00", file)->Engines->Count(), 0);
  }
}

}  // namespace
