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

// Entry index of the table; an index outside it gives the 1:1 entry.
const TQoAspectEntry& QoAspectEntry(int index);

// The set of entries the viewer offers for an engine (bit n = entry n): the engine's
// mask, its start entry and 1:1, plus the companions that belong with some entries.
uint64_t QoOfferedAspects(uint64_t aspectMask, uint8_t aspectIndex);

// The index of the entry with this label ("2:1"), or -1.
int QoAspectIndexByLabel(const char* label);
