#include "color/QoAspect.h"

#include <cstring>

namespace {

// Pixel width : pixel height of the machines' displays. Each entry is stored as the
// pair (vertical, horizontal); the measured video-standard ratios keep their odd
// numerators so that the shown proportions are exact.
constexpr TQoAspectEntry kAspects[kQoAspectCount] = {
    {"3:14", 14, 3},                          // 0
    {"1:4", 4, 1},                            // 1
    {"13:50", 50, 13},                        // 2
    {"23:75", 300, 92},                       // 3
    {"1:3", 3, 1},                            // 4
    {"3:7", 7, 3},                            // 5
    {"5:12", 12, 5},                          // 6
    {"16:35", 35, 16},                        // 7
    {"25:52", 52, 25},                        // 8
    {"1:2", 2, 1},                            // 9
    {"13:25", 1418758, 737500},               // 10
    {"8:15", 15, 8},                          // 11
    {"13:24", 24, 13},                        // 12
    {"1.138:2", 1000, 569},                   // 13
    {"3:5", 5, 3},                            // 14
    {"2:3", 3, 2},                            // 15
    {"1:1.37", 48, 35},                       // 16
    {"0.7375:1", 10000, 7375},                // 17
    {"3:4", 4, 3},                            // 18
    {"0.7500 NTSC", 4, 3},                    // 19
    {"0.7617 NTSC (old)", 98461, 75000},      // 20
    {"4:5", 5, 4},                            // 21
    {"5:6", 6, 5},                            // 22
    {"6:7", 7, 6},                            // 23
    {"0.9077 PAL-N (Drean)", 99236, 90076},   // 24
    {"32:35", 35, 32},                        // 25
    {"0.92:1", 100, 92},                      // 26
    {"0.9365 PAL", 99911, 93568},             // 27
    {"1:1", 1, 1},                            // 28
    {"26:25", 709379, 737500},                // 29
    {"16:15", 15, 16},                        // 30
    {"13:12", 12, 13},                        // 31
    {"6:5", 5, 6},                            // 32
    {"5:4", 4, 5},                            // 33
    {"1.138:1", 500, 569},                    // 34
    {"4:3", 3, 4},                            // 35
    {"7:5", 5, 7},                            // 36
    {"1.475:1", 1000, 1475},                  // 37
    {"3:2", 2, 3},                            // 38
    {"1.5000 NTSC", 2, 3},                    // 39
    {"1.5234 NTSC (old)", 98461, 150000},     // 40
    {"8:5", 5, 8},                            // 41
    {"5:3", 3, 5},                            // 42
    {"12:7", 7, 12},                          // 43
    {"1.8154 PAL-N (Drean)", 99236, 180152},  // 44
    {"64:35", 35, 64},                        // 45
    {"1.8730 PAL", 99911, 187136},            // 46
    {"2:1", 1, 2},                            // 47
    {"52:25", 709379, 1475000},               // 48
    {"32:15", 15, 32},                        // 49
    {"13:6", 6, 13},                          // 50
    {"2.276:1", 250, 569},                    // 51
    {"12:5", 5, 12},                          // 52
    {"8:3", 3, 8},                            // 53
    {"3:1", 1, 3},                            // 54
    {"24:7", 7, 24},                          // 55
    {"4:1", 1, 4},                            // 56
    {"104:25", 709379, 2950000},              // 57
    {"64:15", 15, 64},                        // 58
    {"13:3", 3, 13},                          // 59
    {"4.552:1", 500, 2276},                   // 60
    {"24:5", 5, 24},                          // 61
    {"16:3", 3, 16},                          // 62
};

}  // namespace

const TQoAspectEntry& QoAspectEntry(int index) {
  return kAspects[(index >= 0 && index < kQoAspectCount) ? index : kQoAspect1to1Index];
}

uint64_t QoOfferedAspects(uint64_t aspectMask, uint8_t aspectIndex) {
  auto bit = [](int n) { return uint64_t{1} << n; };
  uint64_t offered = aspectMask | bit(kQoAspect1to1Index);
  if (aspectIndex < 64) offered |= bit(aspectIndex);
  // The very narrow and very wide pixels come with a plain companion ratio: 1:4 with
  // 3:14 and 13:50, 1:2 with 3:7, 13:25 and 1.138:2, 2:1 with 12:7, 52:25 and 2.276:1,
  // 4:1 with 24:7, 104:25 and 4.552:1.
  struct Companion {
    int Entry;
    uint64_t Triggers;
  };
  constexpr Companion kCompanions[] = {
      {1, (uint64_t{1} << 0) | (uint64_t{1} << 2)},
      {9, (uint64_t{1} << 5) | (uint64_t{1} << 10) | (uint64_t{1} << 13)},
      {47, (uint64_t{1} << 43) | (uint64_t{1} << 48) | (uint64_t{1} << 51)},
      {56, (uint64_t{1} << 55) | (uint64_t{1} << 57) | (uint64_t{1} << 60)},
  };
  for (const Companion& c : kCompanions) {
    if (offered & c.Triggers) offered |= bit(c.Entry);
  }
  return offered;
}

int QoAspectIndexByLabel(const char* label) {
  for (int i = 0; i < kQoAspectCount; ++i) {
    if (std::strcmp(QoAspectEntry(i).Label, label) == 0) return i;
  }
  return -1;
}
