#include "platforms/SymbOS/QoOpenPlatformSymbOS.h"

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

namespace {

// The sixteen system colours, each channel at level 0, 1 or 2 (red, green, blue).
constexpr uint8_t kLevels[16][3] = {
    {2, 2, 1}, {0, 0, 0}, {2, 1, 0}, {1, 0, 0}, {0, 2, 2}, {0, 0, 1}, {1, 1, 2}, {0, 0, 2},
    {2, 2, 2}, {0, 1, 0}, {0, 2, 0}, {2, 0, 2}, {2, 2, 0}, {1, 1, 1}, {2, 1, 1}, {2, 0, 0}};

// Levels 0, 1, 2 on the MSX's 3-bit DAC (0, 4, 7) and the CPC Plus's 4-bit one (0, 8, 15).
constexpr uint8_t kMSXBytes[3] = {0, 146, 255};
constexpr uint8_t kCPCBytes[3] = {0, 136, 255};

}  // namespace

uint8_t TQoSymbOS4Engine::Detect(TQoLoadSource& source) {
  TQoSymbOSPicture picture;
  if (!picture.Read(source.Bytes())) return 0;
  return QoDetect(source,
                  {.Signed = true, .SizeFlag = false, .ExtensionOnly = true, .Extensions = ".sgx"});
}

TQoSymbOS4Engine::TQoSymbOS4Engine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  PlatformName = "SymbOS";
  DefaultExtension = ".sgx";
  TQoSymbOSPicture picture;
  if (!picture.Read(Bytes())) qo::RaiseInternalError();
  Width = picture.Width;
  Height = picture.Height;
  ColorDepth = picture.ColorDepth;
  Description = ColorDepth == 2 ? " gray image" : " color image";
  AspectMask = QoAspectBit(kQoAspect1to2) | QoAspectBit(kQoAspect1138to2) |
               QoAspectBit(kQoAspect1to1Index) | QoAspectBit(kQoAspect1138to1) |
               QoAspectBit(kQoAspect2to1);
  if (ColorDepth == 4) {
    PaletteTypes = {ptColoredLinear, ptColoredMSX, ptColoredCPC};
    PaletteType = ptColoredLinear;
  }
  // The screens of the machines SymbOS runs on: CPC modes 1 and 2, the PCW, the MSX2.
  const bool gray = ColorDepth == 2;
  if (Width == 320 && Height == 200) {
    PaletteType = ptColoredCPC;
  } else if (Width == 640 && Height == 200 && gray) {
    AspectIndex = kQoAspect5to12;
    PaletteType = ptColoredCPC;
  } else if (Width == 720 && Height == 256 && gray) {
    AspectIndex = kQoAspect1to2;
  } else if (Width == 256 && Height == 212) {
    AspectIndex = kQoAspect1138to1;
    PaletteType = ptColoredMSX;
  } else if (Width == 512 && Height == 212) {
    AspectIndex = kQoAspect1138to2;
    PaletteType = ptColoredMSX;
  }
}

std::unique_ptr<TQoBitmap> TQoSymbOS4Engine::Decode() {
  Palette->Clear();
  if (ColorDepth == 2) {
    // Pixel value 0 is white, 1 black, 2 and 3 the light and dark grey.
    for (uint8_t grey : {255, 0, 170, 85}) Palette->Add(grey, grey, grey);
  } else {
    for (const auto& color : kLevels) {
      if (PaletteType == ptColoredMSX || PaletteType == ptColoredCPC) {
        const uint8_t* bytes = PaletteType == ptColoredMSX ? kMSXBytes : kCPCBytes;
        Palette->Add(bytes[color[0]], bytes[color[1]], bytes[color[2]]);
      } else {
        Palette->AddLinear({color[0] / 2.0, color[1] / 2.0, color[2] / 2.0});
      }
    }
  }
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  TQoSymbOSPicture picture;
  if (!picture.Read(Bytes(), bmp.get())) qo::RaiseInternalError();
  return bmp;
}

void RegisterSymbOSEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoSymbOS4Engine>());
}
