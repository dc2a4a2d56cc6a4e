#include "color/QoPaletteTypes.h"

#include <string>

namespace {

// The labels the viewer lists palette types by, indexed by TQoPaletteType.
constexpr const char* kLabels[kQoPaletteTypeCount] = {
    "RGB888",       // ptRGB888
    "RGB777",       // ptRGB777
    "RGB666",       // ptRGB666
    "RGB565",       // ptRGB565
    "RGB555",       // ptRGB555
    "RGB444",       // ptRGB444
    "RGB333",       // ptRGB333
    "RGB332",       // ptRGB332
    "RGB222",       // ptRGB222
    "RGB111",       // ptRGB111
    "Black/white",  // ptBW
    "White/black",  // ptWB
    "Auto",         // ptAuto
    ("\xD0\xA1"
     "olor"),                   // ptColored: the first letter is the Cyrillic capital Es (U+0421)
    "Gate Array (sRGB)",        // ptCPCGateArray
    "Gate Array (RGB)",         // ptCPCGateArrayRGB
    "ASIC (sRGB)",              // ptCPCASIC
    "ASIC (RGB)",               // ptCPCASICRGB
    "CPC Plus",                 // ptCPCPlus
    "Yamaha V9938",             // ptMSX9938
    "Yamaha V9958",             // ptMSX9958
    "Pulsar (205)",             // ptPulsar
    "Linear",                   // ptColoredLinear
    "Alone (160)",              // ptAlone
    "RGB (128)",                // ptStdRGBMiddle
    "Orthodox",                 // ptOrthodox
    "15 colors",                // ptColored15
    "16 from 256 colors",       // ptColored16of256
    "15 colors (single byte)",  // ptColored15x1
    "15 colors (double byte)",  // ptColored15x2
    "64 colors (single byte)",  // ptColored64x1
    "64 colors (double byte)",  // ptColored64x2
    "MSX",                      // ptColoredMSX
    "Amstrad CPC",              // ptColoredCPC
    "EMU",                      // ptColoredEMU
    "EmuStudio",                // ptColoredEMUStudio
    "Virtual Vector",           // ptColoredVirtualVector
    "DDp",                      // ptColoredDDp
    "B/Green/Red/Brown (low intensity)",      // ptBackGreenRedYellowLow
    "B/Green/Red/Yellow (high intensity)",    // ptBackGreenRedYellowHigh
    "B/Cyan/Magenta/Gray (low intensity)",    // ptBackCyanMagentaWhiteLow
    "B/Cyan/Magenta/White (high intensity)",  // ptBackCyanMagentaWhiteHigh
    "B/Cyan/Red/Gray (low intensity)",        // ptBackCyanRedWhiteLow
    "B/Cyan/Red/White (high intensity)",      // ptBackCyanRedWhiteHigh
    "v1.0",                                   // ptV10
    "v1.1",                                   // ptV11
    "v1.1 (Gray)",                            // ptV11Gray
    "5 colors",                               // ptColored5
    "8 colors",                               // ptColored8
    "16 colors",                              // ptColored16
    "Black + RGB",                            // ptColoredBRGB
    "White + RGB",                            // ptColoredWRGB
    "4096 colors",                            // ptColored4096
    "8 colors (gray)",                        // ptGray8
    "16 colors (gray)",                       // ptGray16
    "Black + Gray",                           // ptGrayBRGB
    "White + Gray",                           // ptGrayWRGB
    "Calculated",                             // ptTI99Calculated
    "MSX",                                    // ptTI99MSX
    "Coleco ADAM",                            // ptTI99Adam
    "Convert9918",                            // ptTI99Convert9918
    "15 colors",                              // ptTI9915Colors
    "Black + 15 colors",                      // ptTI99Black15Colors
    "16 colors",                              // ptTI9916Colors
    "Standard",                               // ptPMD85A
    "Gray (PMD 85-3)",                        // ptPMD85B
    "Gray (Didaktik Alfa)",                   // ptPMD85C
    "Color RGB (PMD 85-1/2/2A)",              // ptPMD85D
    "Color RGB (PMD 85-3)",                   // ptPMD85E
    "Color TV (PMD 85-3)",                    // ptPMD85F
    "Custom",                                 // ptPMD85GCustom
    "ColorAce",                               // ptPMD85H
    "EGA (00, 55, AA, FF)",                   // ptEvoEGA
    "Pentevo (00, 5D, A2, FF)",               // ptPentevo
    "Video DAC",                              // ptVideoDAC
    "Dark",                                   // ptCommandore64Dark
    "Light",                                  // ptCommandore64Light
    "Kegs32 RGB",                             // ptAppleIIKegs32
    "CiderPress RGB",                         // ptAppleIICiderPress
    "Old AppleWin NTSC",                      // ptAppleIIOldAppleWin
    "New AppleWin NTSC",                      // ptAppleIINewAppleWin
    "Wikipedia NTSC",                         // ptAppleIIWikipedia
    "tohgr NTSC DHGR",                        // ptAppleIIToHgrDHGR
    "tohgr NTSC HGR",                         // ptAppleIIToHgrHGR
    "Super Convert RGB",                      // ptAppleIISuperConvert
    "Jace NTSC",                              // ptAppleIIJace
    "Measured NTSC",                          // ptAppleIIMeasured
    "Atari ST",                               // ptAtariST
    "Atari STE",                              // ptAtariSTE
};

}  // namespace

const char* QoPaletteTypeLabel(uint8_t type) {
  return type < kQoPaletteTypeCount ? kLabels[type] : "";
}

int QoPaletteTypeByLabel(const std::string& label) {
  for (int i = 0; i < kQoPaletteTypeCount; ++i) {
    if (label == kLabels[i]) return i;
  }
  return -1;
}
