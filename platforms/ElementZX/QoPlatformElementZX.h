#pragma once
// The Element ZX board's video: the ZX Spectrum's colours at a normal level of 182, the
// 512 x 192 hi-res colour screens (HRC: an attribute per 8 x 4 pixels; HRXC: the same
// with 16 inks and 16 papers from a palette of 32), pictures of two screens shown
// alternately or one over the other, and planar screens of up to 8 bit planes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

inline constexpr std::size_t kQoHrcPixelBytes = 12288;  // 64 bytes a row, 192 rows
inline constexpr std::size_t kQoHrcBytes = kQoHrcPixelBytes + 3072;
inline constexpr std::size_t kQoHrxcBytes = kQoHrcBytes + 96;  // and 32 colours B, G, R

// The 16 colours: the ZX colours with the normal level 182 and the bright level 255.
void QoSetElementPalette16(TQoPalette256& palette);

// 256 entries i * 16 + j: each channel the byte average of colours i and j of the 16
// (the board mixes the stored levels, not the light); entries with j < i crossed out.
void QoSetElementGigaPalette(TQoPalette256& palette);

// The colour of a pixel of two pictures laid one over the other: the upper one shows
// unless it has the key colour (a key of 0 or 8 means black: 0 or 8).
uint32_t QoElementLayer(uint32_t lower, uint32_t upper, int key);

using TQoElementCellColors = TQoZxCellColors (*)(uint8_t attribute);

// The colour index of every pixel, row by row: of a standard screen (256 x 192) and of
// an HRC picture (512 x 192, the attribute of byte j of row y at 12,288 + 64 (y div 4) + j).
std::vector<uint8_t> QoElementScreenPixels(TQoByteView screen, TQoElementCellColors colorsOf);
std::vector<uint8_t> QoElementHrcPixels(TQoByteView picture, TQoElementCellColors colorsOf);

// HRXC attributes: ink = bits 0-3 (entries 0-15), paper = 16 + bits 4-7 (entries 16-31).
TQoZxCellColors QoHrxcColors(uint8_t attribute);

// Appends count colours stored as byte triplets blue, green, red.
void QoAddElementBGRColors(TQoPalette256& palette, TQoByteView bytes, int count);
