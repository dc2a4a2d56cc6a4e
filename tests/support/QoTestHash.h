#pragma once
// Pins a decoded picture by one number: a 64-bit FNV-1a hash of its size, every pixel
// value (indices, or 0x00RRGGBB for true colour) and its palette's bytes.

#include <cstdint>
#include <string>

class TQoBitmap;

uint64_t QoHashBitmap(const TQoBitmap& bmp);
// The same as 16 hexadecimal digits, for readable test expectations.
std::string QoHashBitmapHex(const TQoBitmap& bmp);
