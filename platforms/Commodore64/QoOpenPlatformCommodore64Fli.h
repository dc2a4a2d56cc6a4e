#pragma once
// The C64 engines whose pictures need more than one screen RAM: FLI pictures, which
// switch the screen RAM on every pixel line (and sometimes the background colour too),
// and interlace pictures, two complete screens the machine showed alternately so that
// the eye mixes them. Most are memory dumps told apart by size and load address; the
// member tables below give their layouts, and the packed members unpack to one of them.

#include <array>
#include <functional>
#include <string_view>
#include <vector>

#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"

// Screen RAMs of an FLI screen set lie this far apart; screen k serves line k of a cell.
inline constexpr std::size_t kQoC64ScreenStride = 1024;
// Bytes from the first screen of a set to the end of the last one's 1000 cells.
inline constexpr std::size_t kQoC64ScreenSetSize = 7 * kQoC64ScreenStride + kQoC64Cells;
inline constexpr int kQoC64Lines = 8 * kQoC64Rows;
inline constexpr int kQoC64HiresWidth = 8 * kQoC64Columns;
inline constexpr int kQoC64MulticolourWidth = 4 * kQoC64Columns;

// Where one screen's parts lie: the bitmap, the first screen RAM (of one, or of an FLI
// set), the colour RAM and the background table of one colour a line, taken from
// TableLines bytes at Table and the rest of the 200 lines from TableRest. -1 marks a
// part the format has not.
struct TQoC64FrameParts {
  int32_t Bitmap = -1;
  int32_t Screens = -1;
  int32_t Color = -1;
  int32_t Table = -1;
  int32_t TableLines = kQoC64Lines;
  int32_t TableRest = -1;
};

// One way a program laid out its file: by size, load address and a signature after the
// load address; an own extension answers 11, any other OtherResult (0 leaves the file to
// the next row).
struct TQoC64FrameLayout {
  std::array<int32_t, 3> Sizes;          // 0: unused
  std::array<int32_t, 2> LoadAddresses;  // -1: unused
  std::string_view Signature;            // at SignatureAt
  std::size_t SignatureAt;
  TQoExtensions OwnExtensions;
  uint8_t OtherResult;
  const char* ModeName;
  const char* DefaultExtension;
  int32_t Background;  // the byte of the background colour; -1: colour 0
  int32_t Mode;        // 1: the second frame is shifted a hires pixel (wide)
  int32_t ModeOffset;  // -1, or the byte that holds the mode, which must be 0 or 1
  int32_t Height;
  std::array<TQoC64FrameParts, 2> Frames;
};

// One screen as drawn, and a picture of one or two screens.
struct TQoC64Frame {
  TQoByteView Bitmap;
  TQoByteView Screens;
  TQoByteView Color;
  std::vector<uint8_t> Table;  // one background a line, or empty

  TQoByteView TableView() const { return TQoByteView(Table.data(), Table.size()); }
};

struct TQoC64Picture {
  uint8_t Background = 0;
  int32_t Mode = 0;
  std::array<TQoC64Frame, 2> Frames;

  // Points the frames into data (which must outlive them) and copies the tables.
  void Use(TQoByteView data, const TQoC64FrameLayout& layout);
};

// The FLI and interlace engines' tables.
struct TQoC64FramePacked;
using TQoC64FrameTable = TQoC64Table<TQoC64FrameLayout, TQoC64FramePacked>;

// The first row that takes the file, or nullptr; result gets its answer.
const TQoC64FrameLayout* QoFindC64FrameLayout(const TQoLoadSource& source,
                                              const TQoC64FrameTable& table, uint8_t& result);

// The packed members: a header check, a run-length stream and the layout of what it
// unpacks to.
enum class TQoC64FrameStream : uint8_t {
  Forward,       // escape, count, value, from StreamStart on
  Backward,      // the same stream read from the last byte down to StreamStart
  HiresManager,  // backwards: control n > 0 then n - 1 literals, or 0, count, value
};

struct TQoC64FramePacked {
  const char* ModeName;
  const char* DefaultExtension;
  TQoExtensions OwnExtensions;
  uint8_t OtherResult;  // for any other extension
  int32_t LoadAddress;
  std::string_view Signature;
  std::size_t SignatureAt;
  std::string_view OtherSignature;  // also taken, when not empty
  int32_t NonZeroAt;                // a byte that must not be 0 (a packed-file flag), or -1
  TQoC64FrameStream Stream;
  std::size_t EscapeAt;
  std::size_t StreamStart;
  int32_t DefaultCount;  // a count of 0 stands for this; 0 ends the stream
  bool CountPlusOne;     // stored counts are one less than the run
  std::size_t Minimum;   // the stream must yield at least this many bytes
  std::size_t Exact;     // and exactly this many; 0 for any length from Minimum
  std::size_t BufferSize;
  std::size_t BufferOffset;         // where the stream starts writing (from the end when backwards)
  const TQoC64FrameLayout* Layout;  // of the buffer
};

// The answer of Detect for a packed member.
uint8_t QoRateC64FramePacked(const TQoC64FramePacked& format, const TQoLoadSource& source);
// A zero-filled buffer with the stream unpacked into it.
std::vector<uint8_t> QoUnpackC64Frames(const TQoC64FramePacked& format, TQoByteView bytes);

// What the FLI and interlace bases share: the picture's parts, taken from the layout row
// that fits the file, or from the buffer a packed member unpacks to.
class TQoCommodore64CommonFramesEngine : public TQoCommodore64CommonEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoC64FrameTable& table);
  // Takes nothing yet: a base calls TakeRow once it has set its own size.
  TQoCommodore64CommonFramesEngine(TQoLoadSource& source, const TQoC64FrameTable& table);

  TQoC64Picture Picture;

  // Takes the parts from data; the engine's size and aspect follow the row and mode.
  void Take(TQoByteView data, const TQoC64FrameLayout& layout);

 protected:
  // Names the engine after the row that takes the source and takes its parts. A packed
  // member unpacks here when its layout keeps the mode (and so the width) in the data,
  // else on the first Decode, which calls UnpackOnce first.
  void TakeRow();
  void UnpackOnce();
  // Multicolour interlace: 320 wide with hires pixels when the second frame is shifted,
  // else 160 wide with multicolour pixels.
  void SetWide(bool wide);
  virtual void ApplyMode() {}
  // Two-frame pictures of 200 lines: with the frame colours in Palette, each frame drawn
  // by draw from its parts, the second shifted a hires pixel right when wide, then the
  // two mixed.
  using TFrameDraw = std::function<void(TQoBitmap&, const TQoC64Frame&)>;
  void SetTwoFrames(int width);
  std::unique_ptr<TQoBitmap> DecodeTwoFrames(const TFrameDraw& draw, bool wide);

 private:
  void Unpack();
  const TQoC64FrameTable& table_;
  std::vector<uint8_t> unpacked_;  // a packed member's buffer; empty until unpacked
};

// Multicolour interlace: two multicolour screens.
class TQoCommodore64CommonLoResGigascreenEngine : public TQoCommodore64CommonFramesEngine {
 public:
  TQoCommodore64CommonLoResGigascreenEngine(TQoLoadSource& source, const TQoC64FrameTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;

 protected:
  void ApplyMode() override { SetWide(Picture.Mode == 1); }
};

// Multicolour FLI, 160 x 200.
class TQoCommodore64CommonLoResFLIEngine : public TQoCommodore64CommonFramesEngine {
 public:
  TQoCommodore64CommonLoResFLIEngine(TQoLoadSource& source, const TQoC64FrameTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Big FLI: two FLI pictures one above the other, 160 x 400.
class TQoCommodore64CommonLoResBFLIGigascreenEngine : public TQoCommodore64CommonFramesEngine {
 public:
  TQoCommodore64CommonLoResBFLIGigascreenEngine(TQoLoadSource& source,
                                                const TQoC64FrameTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// FLI interlace: two multicolour FLI screens.
class TQoCommodore64CommonLoResFLIGigascreenEngine : public TQoCommodore64CommonFramesEngine {
 public:
  TQoCommodore64CommonLoResFLIGigascreenEngine(TQoLoadSource& source,
                                               const TQoC64FrameTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;

 protected:
  void ApplyMode() override { SetWide(Picture.Mode == 1); }
};

// Hires interlace: two hires screens, 320 x 200.
class TQoCommodore64CommonHiResGigascreenEngine : public TQoCommodore64CommonFramesEngine {
 public:
  TQoCommodore64CommonHiResGigascreenEngine(TQoLoadSource& source, const TQoC64FrameTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Hires FLI, 320 x 200 (or fewer lines).
class TQoCommodore64CommonHiResFLIEngine : public TQoCommodore64CommonFramesEngine {
 public:
  TQoCommodore64CommonHiResFLIEngine(TQoLoadSource& source, const TQoC64FrameTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Hires FLI interlace: two hires FLI screens.
class TQoCommodore64CommonHiResFLIGigascreenEngine : public TQoCommodore64CommonFramesEngine {
 public:
  TQoCommodore64CommonHiResFLIGigascreenEngine(TQoLoadSource& source,
                                               const TQoC64FrameTable& table);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// The member tables. Frame parts: bitmap, screens, colour RAM, background table (lines
// from it, then the rest).
// clang-format off
inline constexpr std::array<TQoC64FrameLayout, 2> kQoC64LoResGigascreenRows = {{
    {{18242}, {0x0000, 0x5800}, {}, 0, ".drl", kQoC64Other, "DrazLace", ".drl", 10050, 0, 10052, 200,
     {{{2050, 1026, 2}, {10242, 1026, 2}}}},
    {{19434}, {0x9C00, -1}, {}, 0, ".mci", kQoC64Other, "TruePaint", ".mci", 1002, 1, -1, 200,
     {{{1026, 2, 18434}, {9218, 17410, 18434}}}},
}};
// Two character screens of 7 rows; the bitmap is where the characters start.
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64MleRows = {{
    {{4098}, {0x2000, -1}, {}, 0, ".mle", kQoC64Other, "Multi-Lace Editor", ".mle", -1, 1, -1, 56,
     {{{2050}, {2}}}},
}};
inline constexpr std::array<TQoC64FrameLayout, 3> kQoC64LoResFLIRows = {{
    {{17218, 17409}, {0x3C00, -1}, {}, 0, ".fli", kQoC64Other, "FLI Designer", ".fli", -1, 0, -1, 200,
     {{{9218, 1026, 2}}}},
    {{17410}, {0x3C00, -1}, {}, 0, ".flm", kQoC64Other, "Flimatic", ".flm", 17281, 0, -1, 200,
     {{{9218, 1026, 2}}}},
    {{17474, 17665, 17666}, {0x3B00, -1}, {}, 0, ".bml", kQoC64Other, "FLI Graph", ".bml", -1, 0, -1, 200,
     {{{9474, 1282, 258, 2}}}},
}};
// Two colours a byte, the bytes of line k of a cell row in "screen" k.
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64CfliRows = {{
    {{8170}, {0x4000, -1}, {}, 0, ".cfli", kQoC64Other, "CFLI Designer", ".cfli", -1, 0, -1, 200,
     {{{-1, 2}}}},
}};
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64FprRows = {{
    {{18370}, {0x3780, -1}, {}, 0, ".fpr", kQoC64Other, "FLI Profi", ".fpr", -1, 0, -1, 200,
     {{{10370, 2178, 1154}}}},
}};
// The upper and the lower picture.
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64BFLIRows = {{
    {{33795}, {0x3BFF, -1}, "b", 2, ".bfli .bfl", kQoC64Other, "Big FLI", ".bfli", -1, 0, -1, 400,
     {{{9219, 1027, 3}, {25603, 17411, 3}}}},
}};
// FunPaint II keeps the table's halves apart. Its files carry other initials in the
// signature than the editor's documentation shows; both are taken.
inline constexpr std::array<TQoC64FrameLayout, 4> kQoC64FLIGigascreenRows = {{
    {{26115}, {0x3AFF, -1}, "f", 2, ".ffl .ffli", kQoC64Other, "Flash FLI", ".ffli", -1, 0, -1, 200,
     {{{9475, 1283, 259, 3}, {9475, 17667, 259, 25859}}}},
    {{33602}, {0x3C00, -1}, {}, 0, ".pp", kQoC64Other, "Pixel Perfect", ".pp", 17281, 1, -1, 200,
     {{{9218, 1026, 2}, {25602, 17410, 2}}}},
    {{33694}, {0x3FF0, -1}, std::string_view("FUNPAINT (QZ) \0", 15), 2, ".fun .fp2", kQoC64Other, "FunPaint II", ".fp2", -1, 1, -1, 200,
     {{{8210, 18, 16402, 16218, 100, 33594}, {25594, 17402, 16402, 16218, 100, 33594}}}},
    {{33694}, {0x3FF0, -1}, std::string_view("FUNPAINT (MT) \0", 15), 2, ".fun .fp2", kQoC64Other, "FunPaint II", ".fp2", -1, 1, -1, 200,
     {{{8210, 18, 16402, 16218, 100, 33594}, {25594, 17402, 16402, 16218, 100, 33594}}}},
}};
// Load address 0 is a raw memory dump, taken only with its own extension.
inline constexpr std::array<TQoC64FrameLayout, 2> kQoC64GunRows = {{
    {{33602, 33603}, {0x0000, -1}, {}, 0, ".vic", 0, "Gunpaint", ".gun", -1, 1, -1, 200,
     {{{8194, 2, 16386, 16209, 177, 18410}, {25602, 17410, 16386, 16209, 177, 18410}}}},
    {{33602, 33603}, {0x4000, -1}, {}, 0, ".gun", kQoC64Other, "Gunpaint", ".gun", -1, 1, -1, 200,
     {{{8194, 2, 16386, 16209, 177, 18410}, {25602, 17410, 16386, 16209, 177, 18410}}}},
}};
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64HiResGigascreenRows = {{
    {{24578}, {0x2000, -1}, {}, 0, ".hlf", kQoC64Other, "Hires interlace", ".hlf", -1, 0, -1, 200,
     {{{2, 10242}, {16386, 9218}}}},
}};
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64IheRows = {{
    {{16194}, {0x2000, -1}, {}, 0, ".ihe", kQoC64Other, "Interlace Hires Editor", ".ihe", -1, 0, -1, 200,
     {{{2}, {8194}}}},
}};
// Each frame's bitmap starts its 15368 bytes.
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64IshRows = {{
    {{30738}, {0x4000, -1}, {}, 0, ".ish", kQoC64Other, "Interlace-Super-Hires Painter", ".ish", -1, 0, -1, 200,
     {{{2}, {15370}}}},
}};
inline constexpr std::array<TQoC64FrameLayout, 3> kQoC64HiResFLIRows = {{
    {{16385}, {0x4000, -1}, "\xFF", 2, ".him", 0, "Hires Manager", ".him", -1, 0, -1, 192,
     {{{322, 8234}}}},
    {{16385}, {0x4000, -1}, {}, 0, ".afl .him", kQoC64Other, "AFLI-editor", ".afl", -1, 0, -1, 200,
     {{{8194, 2}}}},
    {{16386}, {0x4000, -1}, {}, 0, ".hfc .hfd", kQoC64Other, "Hires FLI Designer", ".hfc", -1, 0, -1, 200,
     {{{2, 8194}}}},
}};
inline constexpr std::array<TQoC64FrameLayout, 1> kQoC64HiResFLIGigascreenRows = {{
    {{32770}, {0x4000, -1}, {}, 0, ".eci", kQoC64Other, "ECI Graphic Editor", ".eci", -1, 0, -1, 200,
     {{{2, 8194}, {16386, 24578}}}},
}};

// What the packed members unpack to, where no file layout fits.
inline constexpr TQoC64FrameLayout kQoC64FbiBuffer =
    {{}, {-1, -1}, {}, 0, {}, 0, "Flip", ".fbi", -1, 0, -1, 200, {{{9216, 1024, 0}}}};
inline constexpr TQoC64FrameLayout kQoC64PppBuffer =
    {{}, {-1, -1}, {}, 0, {}, 0, "Pixel Perfect", ".ppp", -1, 1, -1, 200,
     {{{9218, 1026, 2}, {25602, 17410, 2}}}};
inline constexpr TQoC64FrameLayout kQoC64Fp2Buffer =
    {{}, {-1, -1}, {}, 0, {}, 0, "FunPaint II", ".fp2", -1, 1, -1, 200,
     {{{8192, 0, 16384, 16200, 100, 33576}, {25576, 17384, 16384, 16200, 100, 33576}}}};

inline constexpr TQoC64FrameTable kQoC64LoResGigascreenTable{"TQoCommodore64LoResGigascreenEngine", kQoC64LoResGigascreenRows.data(), kQoC64LoResGigascreenRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64MleTable{"TQoCommodore64LoResGigascreenMleEngine", kQoC64MleRows.data(), kQoC64MleRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64LoResFLITable{"TQoCommodore64LoResFLIEngine", kQoC64LoResFLIRows.data(), kQoC64LoResFLIRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64CfliTable{"TQoCommodore64LoResFLICfliEngine", kQoC64CfliRows.data(), kQoC64CfliRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64FprTable{"TQoCommodore64LoResFLIFprEngine", kQoC64FprRows.data(), kQoC64FprRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64BFLITable{"TQoCommodore64LoResBFLIGigascreenEngine", kQoC64BFLIRows.data(), kQoC64BFLIRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64FLIGigascreenTable{"TQoCommodore64LoResFLIGigascreenEngine", kQoC64FLIGigascreenRows.data(), kQoC64FLIGigascreenRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64GunTable{"TQoCommodore64LoResFLIGigascreenGunEngine", kQoC64GunRows.data(), kQoC64GunRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64HiResGigascreenTable{"TQoCommodore64HiResGigascreenEngine", kQoC64HiResGigascreenRows.data(), kQoC64HiResGigascreenRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64IheTable{"TQoCommodore64HiResGigascreenIheEngine", kQoC64IheRows.data(), kQoC64IheRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64IshTable{"TQoCommodore64HiResGigascreenIshEngine", kQoC64IshRows.data(), kQoC64IshRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64HiResFLITable{"TQoCommodore64HiResFLIEngine", kQoC64HiResFLIRows.data(), kQoC64HiResFLIRows.size(), nullptr};
inline constexpr TQoC64FrameTable kQoC64HiResFLIGigascreenTable{"TQoCommodore64HiResFLIGigascreenEngine", kQoC64HiResFLIGigascreenRows.data(), kQoC64HiResFLIGigascreenRows.size(), nullptr};

// Packed members: names, own extensions, other result, load address, signature
// (at), a second signature, a non-zero flag byte, stream, escape byte, start, default
// count, counts one less, minimum and exact length, buffer size and start, layout.
inline constexpr TQoC64FramePacked kQoC64DrlPacked{
    "DrazLace", ".drl", ".drl .dlp", kQoC64Other, 0x5800,
    "DRAZLACE! 1.0", 2, {}, -1, TQoC64FrameStream::Forward, 15, 16, 0, false, 0, 18240, 18242, 2,
    &kQoC64LoResGigascreenRows[0]};
inline constexpr TQoC64FramePacked kQoC64FbiPacked{
    "Flip", ".fbi", ".fbi", kQoC64Other, 0x38F0,
    {}, 0, {}, -1, TQoC64FrameStream::Backward, 2, 18, 0, false, 0, 17216, 17216, 0, &kQoC64FbiBuffer};
inline constexpr TQoC64FramePacked kQoC64PppPacked{
    "Pixel Perfect", ".ppp", ".ppp", kQoC64Other, 0x3BFC,
    "\x10\x10\x10", 2, {}, -1, TQoC64FrameStream::Forward, 5, 6, 0, true, 0, 33600, 33602, 2, &kQoC64PppBuffer};
inline constexpr TQoC64FramePacked kQoC64Fp2Packed{
    "FunPaint II", ".fp2", ".fun .fp2", kQoC64Other, 0x3FF0,
    "FUNPAINT (QZ) ", 2, "FUNPAINT (MT) ", 16, TQoC64FrameStream::Forward, 17, 18, 0, false, 0, 33676, 33676, 0,
    &kQoC64Fp2Buffer};
inline constexpr TQoC64FramePacked kQoC64HimPacked{
    "Hires Manager", ".him", ".him", kQoC64Other, 0x4000,
    "\xF2\x7F", 4, {}, -1, TQoC64FrameStream::HiresManager, 0, 6, 0, false, 0, 0, 16372, 0,
    &kQoC64HiResFLIRows[0]};
inline constexpr TQoC64FramePacked kQoC64EcpPacked{
    "ECI Graphic Editor", ".ecs", ".ecp", 0, 0x4000,
    {}, 0, {}, -1, TQoC64FrameStream::Forward, 2, 3, 0, false, 32768, 0, 32770, 2,
    &kQoC64HiResFLIGigascreenRows[0]};
inline constexpr TQoC64FramePacked kQoC64UflPacked{
    "UFLI-editor", ".ufl", ".ufl", kQoC64Other, 0x8000,
    {}, 0, {}, -1, TQoC64FrameStream::Forward, 2, 3, 256, false, 0, 16192, 16194, 2, nullptr};
inline constexpr TQoC64FrameTable kQoC64DrlTable{"TQoCommodore64LoResGigascreenDrlEngine", nullptr, 0, &kQoC64DrlPacked};
inline constexpr TQoC64FrameTable kQoC64FbiTable{"TQoCommodore64LoResFLIFbiEngine", nullptr, 0, &kQoC64FbiPacked};
inline constexpr TQoC64FrameTable kQoC64PppTable{"TQoCommodore64LoResFLIGigascreenPppEngine", nullptr, 0, &kQoC64PppPacked};
inline constexpr TQoC64FrameTable kQoC64Fp2Table{"TQoCommodore64LoResFLIGigascreenFp2Engine", nullptr, 0, &kQoC64Fp2Packed};
inline constexpr TQoC64FrameTable kQoC64HimTable{"TQoCommodore64HiResFLIHimEngine", nullptr, 0, &kQoC64HimPacked};
inline constexpr TQoC64FrameTable kQoC64EcpTable{"TQoCommodore64HiResFLIGigascreenEcpEngine", nullptr, 0, &kQoC64EcpPacked};
// clang-format on

using TQoCommodore64LoResGigascreenEngine =
    TQoRowEngine<TQoCommodore64CommonLoResGigascreenEngine, kQoC64LoResGigascreenTable>;
using TQoCommodore64LoResGigascreenDrlEngine =
    TQoRowEngine<TQoCommodore64CommonLoResGigascreenEngine, kQoC64DrlTable>;

// Multi-Lace Editor: two multicolour character screens of 7 rows in four fixed colours.
class TQoCommodore64LoResGigascreenMleEngine
    : public TQoRowEngine<TQoCommodore64CommonLoResGigascreenEngine, kQoC64MleTable> {
 public:
  explicit TQoCommodore64LoResGigascreenMleEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

using TQoCommodore64LoResFLIEngine =
    TQoRowEngine<TQoCommodore64CommonLoResFLIEngine, kQoC64LoResFLITable>;
using TQoCommodore64LoResFLIFbiEngine =
    TQoRowEngine<TQoCommodore64CommonLoResFLIEngine, kQoC64FbiTable>;

// FLI Profi: a gap-zone colour per line and a sprite layer over the gap zone.
class TQoCommodore64LoResFLIFprEngine
    : public TQoRowEngine<TQoCommodore64CommonLoResFLIEngine, kQoC64FprTable> {
 public:
  using TQoRowEngine::TQoRowEngine;
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Colour FLI: two colours a byte, no bitmap.
class TQoCommodore64LoResFLICfliEngine
    : public TQoRowEngine<TQoCommodore64CommonFramesEngine, kQoC64CfliTable> {
 public:
  explicit TQoCommodore64LoResFLICfliEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

using TQoCommodore64LoResBFLIGigascreenEngine =
    TQoRowEngine<TQoCommodore64CommonLoResBFLIGigascreenEngine, kQoC64BFLITable>;
using TQoCommodore64LoResFLIGigascreenEngine =
    TQoRowEngine<TQoCommodore64CommonLoResFLIGigascreenEngine, kQoC64FLIGigascreenTable>;
using TQoCommodore64LoResFLIGigascreenPppEngine =
    TQoRowEngine<TQoCommodore64CommonLoResFLIGigascreenEngine, kQoC64PppTable>;
using TQoCommodore64LoResFLIGigascreenGunEngine =
    TQoRowEngine<TQoCommodore64CommonLoResFLIGigascreenEngine, kQoC64GunTable>;
using TQoCommodore64LoResFLIGigascreenFp2Engine =
    TQoRowEngine<TQoCommodore64CommonLoResFLIGigascreenEngine, kQoC64Fp2Table>;

// UFLI: hires with a screen RAM for every two lines and a sprite layer under the bitmap.
class TQoCommodore64HiResUflEngine : public TQoCommodore64CommonHiResEngine {
 public:
  static constexpr const char* ClassName = "TQoCommodore64HiResUflEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCommodore64HiResUflEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoByteView data_;               // the file, or the unpacked buffer
  std::vector<uint8_t> unpacked_;  // of a packed file; empty until decoded
};

using TQoCommodore64HiResGigascreenEngine =
    TQoRowEngine<TQoCommodore64CommonHiResGigascreenEngine, kQoC64HiResGigascreenTable>;

// Interlace Hires Editor: two monochrome bitmaps.
class TQoCommodore64HiResGigascreenIheEngine
    : public TQoRowEngine<TQoCommodore64CommonHiResGigascreenEngine, kQoC64IheTable> {
 public:
  explicit TQoCommodore64HiResGigascreenIheEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Interlace-Super-Hires Painter: per-column colours and two sprite layers on the left.
class TQoCommodore64HiResGigascreenIshEngine
    : public TQoRowEngine<TQoCommodore64CommonHiResGigascreenEngine, kQoC64IshTable> {
 public:
  using TQoRowEngine::TQoRowEngine;
  std::unique_ptr<TQoBitmap> Decode() override;
};

using TQoCommodore64HiResFLIEngine =
    TQoRowEngine<TQoCommodore64CommonHiResFLIEngine, kQoC64HiResFLITable>;
using TQoCommodore64HiResFLIHimEngine =
    TQoRowEngine<TQoCommodore64CommonHiResFLIEngine, kQoC64HimTable>;
using TQoCommodore64HiResFLIGigascreenEngine =
    TQoRowEngine<TQoCommodore64CommonHiResFLIGigascreenEngine, kQoC64HiResFLIGigascreenTable>;
using TQoCommodore64HiResFLIGigascreenEcpEngine =
    TQoRowEngine<TQoCommodore64CommonHiResFLIGigascreenEngine, kQoC64EcpTable>;
