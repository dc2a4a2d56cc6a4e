#pragma once
// The pixel-aspect table: the shape of one pixel on the machines' displays. A picture
// of Width x Height pixels is shown with the proportions (Width * H) : (Height * V);
// the label reads pixel width : pixel height.

#include <cstdint>

struct TQoAspectEntry {
  const char* Label;
  int32_t V;  // vertical factor
  int32_t H;  // horizontal factor
};

inline constexpr int kQoAspectCount = 63;
inline constexpr int kQoAspect1to1Index = 28;

// The entries the machines' modes start from, by their labels.
inline constexpr uint8_t kQoAspect5to12 = 6;
inline constexpr uint8_t kQoAspect16to35 = 7;
inline constexpr uint8_t kQoAspect1to2 = 9;
inline constexpr uint8_t kQoAspect1138to2 = 13;
inline constexpr uint8_t kQoAspect2to3 = 15;
inline constexpr uint8_t kQoAspect3to4 = 18;
inline constexpr uint8_t kQoAspect4to5 = 21;
inline constexpr uint8_t kQoAspect5to6 = 22;
inline constexpr uint8_t kQoAspect32to35 = 25;
inline constexpr uint8_t kQoAspect1138to1 = 34;
inline constexpr uint8_t kQoAspect4to3 = 35;
inline constexpr uint8_t kQoAspect3to2 = 38;
inline constexpr uint8_t kQoAspect8to5 = 41;
inline constexpr uint8_t kQoAspect5to3 = 42;
inline constexpr uint8_t kQoAspect64to35 = 45;
inline constexpr uint8_t kQoAspect2to1 = 47;
inline constexpr uint8_t kQoAspect2276to1 = 51;
inline constexpr uint8_t kQoAspect8to3 = 53;
inline constexpr uint8_t kQoAspect4to1 = 56;

// The bit of an entry in an engine's AspectMask.
constexpr uint64_t QoAspectBit(int index) {
  return uint64_t{1} << index;
}

// Entry index of the table; an index outside it gives the 1:1 entry.
const TQoAspectEntry& QoAspectEntry(int index);

// The set of entries the viewer offers for an engine (bit n = entry n): the engine's
// mask, its start entry and 1:1, plus the companions that belong with some entries.
uint64_t QoOfferedAspects(uint64_t aspectMask, uint8_t aspectIndex);

// The index of the entry with this label ("2:1"), or -1.
int QoAspectIndexByLabel(const char* label);
