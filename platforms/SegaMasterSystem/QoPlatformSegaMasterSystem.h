#pragma once
// The Sega Master System's video chip in mode 4: 8 x 8 tiles of four bit-planes, a name
// table of 32 x 28 entries, 64 sprites and 32 palette entries out of 64 colours.

#include <cstddef>
#include <cstdint>
#include <string>

#include "color/QoBitmap.h"
#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The video state a picture is drawn from.
struct TQoSMSVideoState {
  static constexpr std::size_t kVramSize = 16384;
  static constexpr std::size_t kCramSize = 32;
  TQoByteView Registers;  // 16
  TQoByteView Cram;       // at least 32
  TQoByteView Vram;       // 16384

  bool Mode4() const { return (Registers.U8(0) & 4) != 0; }
  int32_t Width() const { return (Registers.U8(0) & 0x20) ? 248 : 256; }
};

// The 64 colours of the chip: --BBGGRR, two bits a gun.
void QoSMSColors(TQoPalette256& palette);
// Draws the screen into an 8-bit bitmap of state.Width() x 192 that starts at 0.
void QoSMSRender(const TQoSMSVideoState& state, TQoBitmap& bmp);

// The MSBMP container: "MSBMP", a text block and the dump.
struct TQoMSBMPHeader {
  static constexpr std::size_t kDumpSize = 16 + 64 + 16384;
  std::size_t TextAt = 0;
  std::size_t DumpAt = 0;
  bool Read(TQoByteView data);
  TQoSMSVideoState State(TQoByteView data) const;
  // The first three lines of the text, trimmed, the non-empty ones joined by " / ".
  std::string Title(TQoByteView data) const;
};

// An emulator snapshot: "MEKA", 26, a version and the machine's memories.
struct TQoMekaSnapshot {
  std::size_t Body = 0;
  std::size_t Work = 0;
  bool Read(TQoByteView data);
  TQoSMSVideoState State(TQoByteView data) const;
};
