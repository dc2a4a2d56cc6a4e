#pragma once
// Screen captures of the viewer's windows, kept as PNG files under the test folder's
// "captures" so that a person can look at what the checks saw.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qohost {

struct TCapture {
  int W = 0, H = 0;
  std::vector<uint32_t> Pixels;  // 0x00RRGGBB
  uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * W + x] & 0xFFFFFF; }
};

// What the screen shows of a window, read through its top-level window's device
// context (children are not drawn by PrintWindow under Wine).
TCapture Capture(HWND window);
// Writes captures/<name>.png in the test folder.
void SavePng(const TCapture& capture, const std::string& name);
// Pixels that differ; a capture of another size differs everywhere.
int DifferentPixels(const TCapture& a, const TCapture& b);
// The image view of the viewer window once its resampled copy has arrived (poll timer
// of 100 ms), saved under name.
TCapture Settled(HWND form, const std::string& name);

// The checkerboard the image view paints around the picture, inside its 2-pixel edge.
bool IsBoard(const TCapture& capture, int x, int y);
// The inclusive bounds of what is not the checkerboard inside the edge; right < left
// when the whole view shows the board.
RECT PictureExtent(const TCapture& capture);

}  // namespace qohost
