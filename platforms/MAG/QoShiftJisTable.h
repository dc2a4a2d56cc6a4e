#pragma once
// The double-byte half of the Shift-JIS code page (932) as data: see QoShiftJisTable.cpp.

#include <cstdint>

inline constexpr int kQoShiftJisLeads = 60;    // 0x81-0x9F and 0xE0-0xFC
inline constexpr int kQoShiftJisTrails = 188;  // 0x40-0x7E and 0x80-0xFC
extern const uint16_t kQoShiftJisPairs[kQoShiftJisLeads * kQoShiftJisTrails];
