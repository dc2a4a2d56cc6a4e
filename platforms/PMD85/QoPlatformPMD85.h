#pragma once
// The PMD 85's colours. The screen has no colour of its own: a lit pixel's two attribute
// bits choose a brightness or, on colour monitors and the colour expansion, a colour.
// Each palette type is a list that starts with black, the colour of unlit pixels.

#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// Fills palette with the colours of a PMD 85 palette type, black first: three for
// ptPMD85A, five for ptPMD85B to ptPMD85F and ptPMD85GCustom (whose four lit colours are
// the RGB triples of the 12 custom bytes), eight for ptPMD85H. Other types raise.
void QoSetPMD85Palette(TQoPalette256& palette, uint8_t type, TQoByteView custom = {});

// The ColorAce colour of a lit pixel whose byte has attribute a while the byte in the
// same column of the other line of its pair has attribute b.
uint32_t QoPMD85ColorAceIndex(unsigned a, unsigned b);
