#include "platforms/MAG/QoOpenPlatformMAG.h"

#include <string>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"
#include "platforms/MSX/QoPlatformMSX.h"

namespace {

constexpr uint8_t kMSX = 3;
constexpr uint8_t kX68000 = 104;
constexpr uint8_t kPC88VA = 136;
constexpr uint8_t kTrueColorFiles = 153;

// The machine code a header of code 0 means by its machine name.
uint8_t MachineFromName(const std::string& name) {
  if (name == "XGE " || name == "X68K" || name == "XPST") return kX68000;
  if (name == "BMP " || name == "TIF2" || name == "TIFF") return kTrueColorFiles;
  if (name == "MSX2") return kMSX;
  if (name == "88VA") return kPC88VA;
  return 0;
}

// A palette byte by palette type: the top bits are the machine's level.
uint8_t ChannelLevel(uint8_t byte, uint8_t paletteType) {
  switch (paletteType) {
    case ptRGB555:
      return QoMSXLevel5(byte >> 3);
    case ptRGB444:
      return static_cast<uint8_t>((byte >> 4) * 17);
    case ptRGB333:
    case ptMSX9938:
    case ptMSX9958:
      return QoMSXLevel(byte >> 5, paletteType == ptMSX9958 ? ptMSX9958 : ptMSX9938);
    default:
      return byte;
  }
}

}  // namespace

uint8_t TQoMAGv2Engine::Detect(TQoLoadSource& source) {
  TQoMagHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .SizeFlag = false, .Extensions = ".mag"});
}

TQoMAGv2Engine::TQoMAGv2Engine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  DefaultExtension = ".mag";
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  const std::string_view text = Header.Text;
  const std::string name = QoTrimText(QoShiftJisToUtf8(text.substr(0, 19)));
  if (name != ">謎<") InfoName = name;
  if (text.size() > 19) InfoTitle = QoTrimText(QoShiftJisToUtf8(text.substr(19)));
  Width = Header.XEnd - Header.XStart + 1;
  Height = Header.YEnd - Header.YStart + 1;
  PlatformName = QoTrimText(QoShiftJisToUtf8(Header.Machine));
  PaletteTypes = {ptRGB888, ptRGB555, ptRGB444, ptRGB333};
  const int units = Header.UnitsPerByte();
  SkipPixels = static_cast<int32_t>(Header.XStart - Header.AlignedStart() * units);
  Machine = Header.MachineCode;
  if (Machine == kMSX) {
    // The flag byte keeps the MSX screen in its high nibble; bits 2-3 clear mark an
    // interlaced picture of twice the lines.
    static constexpr int kScreens[7] = {7, 8, 10, 11, 12, 5, 6};
    Screen = kScreens[Header.MachineFlags >> 4];
    const bool interlaced = (Header.MachineFlags & 0x0C) == 0;
    const bool yjk = Screen >= 10;
    const bool squareish = Screen == 7 || Screen == 6;
    AspectIndex = squareish ? (interlaced ? kQoAspect1138to1 : kQoAspect1138to2)
                            : (interlaced ? kQoAspect2276to1 : kQoAspect1138to1);
    ColorDepth = Screen == 8 ? 8 : Screen == 12 ? 15 : yjk ? 12 : Screen == 6 ? 2 : 4;
    if (yjk && units == 2) {
      // One byte a pixel, but the corners count nibbles.
      Width /= 2;
      SkipPixels /= 2;
    } else if (Screen == 6) {
      Width *= 2;
      SkipPixels *= 2;
    }
    if (yjk) {
      PaletteTypes.clear();
      PaletteType = ptMSX9958;
    } else {
      AddPaletteType(ptMSX9938);
      AddPaletteType(ptMSX9958);
      PaletteType = ptMSX9938;
    }
    PlatformName = yjk ? "MSX2+" : "MSX2";
    Description =
        " screen " + std::to_string(Screen) + (interlaced ? " interlaced" : "") + " image";
    return;
  }
  switch (Header.ScreenMode) {
    case 1:
    case 5:
      AspectIndex = kQoAspect1to2;
      [[fallthrough]];
    case 0:
    case 4:
      ColorDepth = 4;
      break;
    case 3:
    case 7:
      AspectIndex = kQoAspect1to2;
      [[fallthrough]];
    case 2:
    case 6:
      ColorDepth = 3;
      break;
    default:
      ColorDepth = 8;
      break;
  }
  if (Machine == 0) {
    Machine = MachineFromName(Header.Machine);
    if (Machine == kMSX && AspectIndex == kQoAspect1to1) AspectIndex = kQoAspect1138to1;
  }
  if (Machine == kMSX) {
    AddPaletteType(ptMSX9938);
    AddPaletteType(ptMSX9958);
    PaletteType = ptMSX9938;
  } else if (ColorDepth == 8 && Machine != kPC88VA) {
    PaletteType = ptRGB888;
  } else {
    PaletteType = Machine == kX68000 ? ptRGB555 : Machine == kTrueColorFiles ? ptRGB888 : ptRGB444;
  }
  Description = " image";
}

void TQoMAGv2Engine::BuildPalette() {
  Palette->Clear();
  if (Screen == 12) return;
  if (ColorDepth == 8 && Machine == kMSX &&
      (PaletteType == ptMSX9938 || PaletteType == ptMSX9958)) {
    QoSetScreen8Palette(*Palette, PaletteType);
    return;
  }
  const TQoByteView data = Bytes();
  const std::size_t first = Header.At + TQoMagHeader::kHeadSize;
  const std::size_t end = Header.At + Header.FlagA;
  const int count = ColorDepth == 12 ? 16 : 1 << ColorDepth;
  for (int i = 0; i < count; ++i) {
    const std::size_t at = first + 3 * static_cast<std::size_t>(i);
    uint8_t g = 0, r = 0, b = 0;
    if (at + 3 <= end) {
      g = data.U8(at);
      r = data.U8(at + 1);
      b = data.U8(at + 2);
    }
    Palette->Add(ChannelLevel(r, PaletteType), ChannelLevel(g, PaletteType),
                 ChannelLevel(b, PaletteType));
  }
}

std::unique_ptr<TQoBitmap> TQoMAGv2Engine::Decode() {
  BuildPalette();
  const std::vector<uint8_t> unpacked =
      QoUnpackMag(Bytes(), Header, static_cast<std::size_t>(Height));
  const std::size_t lineBytes = Header.LineBytes();
  if (ColorDepth >= 12) {
    auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
    std::vector<uint32_t> rgb(lineBytes);
    for (int32_t y = 0; y < Height; ++y) {
      const TQoByteView line(unpacked.data() + static_cast<std::size_t>(y) * lineBytes, lineBytes);
      QoDecodeYJKRow(line, static_cast<int32_t>(lineBytes), rgb.data(), false,
                     Screen == 12 ? nullptr : Palette.get());
      for (int32_t x = 0; x < Width && SkipPixels + x < static_cast<int32_t>(lineBytes); ++x) {
        bmp->SetPixel(x, y, rgb[static_cast<std::size_t>(SkipPixels + x)]);
      }
    }
    return bmp;
  }
  auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  const int perByte = ColorDepth == 2 ? 4 : ColorDepth == 8 ? 1 : 2;
  const int bits = 8 / perByte;
  const unsigned mask = ColorDepth == 3 ? 7u : (1u << bits) - 1u;
  for (int32_t y = 0; y < Height; ++y) {
    const uint8_t* line = unpacked.data() + static_cast<std::size_t>(y) * lineBytes;
    const int32_t total = static_cast<int32_t>(lineBytes) * perByte;
    for (int32_t x = 0; x < Width && SkipPixels + x < total; ++x) {
      const int32_t p = SkipPixels + x;
      const int shift = 8 - bits * (p % perByte + 1);
      bmp->SetPixel(x, y, (line[p / perByte] >> shift) & mask);
    }
  }
  return bmp;
}

void RegisterMAGEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoMAGv2Engine>());
}
