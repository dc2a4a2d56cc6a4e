#include "QoHostCapture.h"

#include <png.h>

#include <algorithm>

#include "QoHostSupport.h"

namespace qohost {

TCapture Capture(HWND window) {
  TCapture capture;
  RECT r;
  GetWindowRect(window, &r);
  HWND top = GetAncestor(window, GA_ROOT);
  POINT origin{r.left, r.top};
  ScreenToClient(top, &origin);
  capture.W = r.right - r.left;
  capture.H = r.bottom - r.top;
  if (capture.W <= 0 || capture.H <= 0) return capture;
  HDC source = GetDC(top);
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = capture.W;
  info.bmiHeader.biHeight = -capture.H;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, capture.W, capture.H, source, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  capture.Pixels.assign(
      static_cast<uint32_t*>(bits),
      static_cast<uint32_t*>(bits) + static_cast<std::size_t>(capture.W) * capture.H);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(top, source);
  return capture;
}

void SavePng(const TCapture& capture, const std::string& name) {
  CreateDirectoryA(Path("captures").c_str(), nullptr);
  std::vector<uint8_t> rgb;
  rgb.reserve(capture.Pixels.size() * 3);
  for (uint32_t p : capture.Pixels) {
    rgb.push_back(static_cast<uint8_t>(p >> 16));
    rgb.push_back(static_cast<uint8_t>(p >> 8));
    rgb.push_back(static_cast<uint8_t>(p));
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(capture.W);
  image.height = static_cast<png_uint_32>(capture.H);
  image.format = PNG_FORMAT_RGB;
  png_image_write_to_file(&image, Path("captures/" + name + ".png").c_str(), 0, rgb.data(), 0,
                          nullptr);
}

int DifferentPixels(const TCapture& a, const TCapture& b) {
  if (a.W != b.W || a.H != b.H) return std::max(a.W * a.H, b.W * b.H);
  int n = 0;
  for (std::size_t i = 0; i < a.Pixels.size(); ++i)
    n += (a.Pixels[i] & 0xFFFFFF) != (b.Pixels[i] & 0xFFFFFF);
  return n;
}

TCapture Settled(HWND form, const std::string& name) {
  UpdateWindow(GetAncestor(form, GA_ROOT));
  Pump(400);
  TCapture capture = Capture(Find(form, L"TQoImage"));
  SavePng(capture, name);
  return capture;
}

bool IsBoard(const TCapture& capture, int x, int y) {
  const uint32_t board = (((y - 2) / 8 ^ (x - 2) / 8) & 1) ? 0xFFFFFF : 0xEEEEEE;
  return capture.At(x, y) == board;
}

RECT PictureExtent(const TCapture& capture) {
  RECT extent{capture.W, capture.H, -1, -1};
  for (int y = 2; y < capture.H - 2; ++y) {
    for (int x = 2; x < capture.W - 2; ++x) {
      if (IsBoard(capture, x, y)) continue;
      extent.top = std::min<LONG>(extent.top, y), extent.bottom = std::max<LONG>(extent.bottom, y);
      extent.left = std::min<LONG>(extent.left, x), extent.right = std::max<LONG>(extent.right, x);
    }
  }
  return extent;
}

}  // namespace qohost
