// Plays the file manager: loads the plug-in DLL the way the host does and checks what it
// answers. Thumbnails are compared with the ones the native tool computed for the same
// files and boxes, listed in a manifest of lines "file<TAB>width<TAB>height<TAB>expected"
// where expected is a PNG file, or "-" when no thumbnail must come back.
// With a third argument it also plays the Lister window: it loads the files of that
// folder into a window of its own, drives the viewer through its controls and checks
// the window tree, screen captures (saved as PNG in its "captures" folder), the key
// forwarding and that closing gives back every thread and GDI object. A manifest of "-"
// skips the thumbnails.
//   QoHost.exe OrvalonWLX.wlx64 manifest.tsv|- [viewer-folder]
// The endurance round shows COUNT files of a folder in the window and makes COUNT
// thumbnails, and checks that the process gives back what it took; LEAK plants a leak of
// that kind on purpose, which must make the round fail.
//   QoHost.exe OrvalonWLX.wlx64 --endurance folder COUNT [buffer|bitmap|handle|thread|window]

#include <png.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "QoHostEndurance.h"
#include "QoHostViewer.h"

namespace {

using TDetectString = void(__stdcall*)(char*, int);
using TPreviewW = HBITMAP(__stdcall*)(wchar_t*, int, int, char*, int);
using TPreviewA = HBITMAP(__stdcall*)(char*, int, int, char*, int);

int passed = 0, failed = 0;

// An exported function by name (through void*: the exports have their own signatures).
template <class Function>
Function ExportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
  ++(ok ? passed : failed);
}

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

// The bitmap's pixels as RGB rows, top-down.
bool PixelsOf(HBITMAP bitmap, int& w, int& h, std::vector<uint8_t>& rgb) {
  BITMAP info{};
  if (!GetObject(bitmap, sizeof(info), &info)) return false;
  w = info.bmWidth;
  h = info.bmHeight;
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  request.bmiHeader.biWidth = w;
  request.bmiHeader.biHeight = -h;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  std::vector<uint8_t> bgra(static_cast<std::size_t>(w) * h * 4);
  HDC dc = GetDC(nullptr);
  const int lines =
      GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), bgra.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (lines != h) return false;
  rgb.resize(static_cast<std::size_t>(w) * h * 3);
  for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i) {
    rgb[3 * i] = bgra[4 * i + 2];
    rgb[3 * i + 1] = bgra[4 * i + 1];
    rgb[3 * i + 2] = bgra[4 * i];
  }
  return true;
}

bool ReadPng(const std::string& path, int& w, int& h, std::vector<uint8_t>& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  w = static_cast<int>(image.width);
  h = static_cast<int>(image.height);
  return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

void CheckDetectString(TDetectString detect) {
  const std::string expected = "(SIZE>0)&(SIZE<4194304)";
  char buffer[64];
  std::memset(buffer, 'x', sizeof(buffer));
  detect(buffer, 0);
  Check(buffer[0] == 'x', "detect string: length 0 writes nothing");
  detect(buffer, 23);
  Check(buffer[0] == '\0' && buffer[1] == 'x', "detect string: length 23 writes only a zero");
  detect(buffer, 24);
  Check(expected == buffer, "detect string: length 24 writes \"" + expected + "\"");
}

void CheckThumbnail(TPreviewW preview, const std::string& file, int boxW, int boxH,
                    const std::string& expected) {
  const std::string what =
      "thumbnail " + file + " in " + std::to_string(boxW) + "x" + std::to_string(boxH);
  std::wstring name = Wide(file);
  HBITMAP bitmap = preview(name.data(), boxW, boxH, nullptr, 0);
  if (expected == "-") {
    Check(bitmap == nullptr, what + ": none");
    if (bitmap) DeleteObject(bitmap);
    return;
  }
  int w = 0, h = 0, ew = 0, eh = 0;
  std::vector<uint8_t> got, want;
  const bool haveGot = bitmap && PixelsOf(bitmap, w, h, got);
  if (bitmap) DeleteObject(bitmap);
  if (!haveGot || !ReadPng(expected, ew, eh, want)) {
    Check(false, what + ": no bitmap or no expected picture");
    return;
  }
  if (w != ew || h != eh) {
    Check(false, what + ": size " + std::to_string(w) + "x" + std::to_string(h) + ", expected " +
                     std::to_string(ew) + "x" + std::to_string(eh));
    return;
  }
  // The two builds use different maths libraries, so a channel may round differently.
  int worst = 0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    worst = std::max(worst, std::abs(static_cast<int>(got[i]) - static_cast<int>(want[i])));
  }
  Check(worst <= 1, what + ": " + std::to_string(w) + "x" + std::to_string(h) +
                        ", largest channel difference " + std::to_string(worst));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::strcmp(argv[2], "--endurance") == 0) {
    HMODULE plugin = LoadLibraryA(argv[1]);
    auto previewW = plugin ? ExportOf<TPreviewW>(plugin, "ListGetPreviewBitmapW") : nullptr;
    Check(previewW != nullptr, std::string("load ") + argv[1]);
    if (!previewW) return 1;
    CheckEndurance(plugin, previewW, argv[3], std::atoi(argv[4]), argc >= 6 ? argv[5] : "", Check);
    std::printf("%d passed, %d failed\n", passed, failed);
    FreeLibrary(plugin);
    return failed == 0 && passed > 0 ? 0 : 1;
  }
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: QoHost.exe PLUGIN.wlx64 MANIFEST.tsv|- [VIEWER-FOLDER]\n");
    return 2;
  }
  HMODULE plugin = LoadLibraryA(argv[1]);
  Check(plugin != nullptr, std::string("load ") + argv[1]);
  if (!plugin) return 1;
  auto detect = ExportOf<TDetectString>(plugin, "ListGetDetectString");
  auto previewW = ExportOf<TPreviewW>(plugin, "ListGetPreviewBitmapW");
  auto previewA = ExportOf<TPreviewA>(plugin, "ListGetPreviewBitmap");
  Check(detect && previewW && previewA && GetProcAddress(plugin, "ListSetDefaultParams"),
        "exports by their plain names");
  if (!detect || !previewW || !previewA) return 1;
  CheckDetectString(detect);

  if (argc == 4) CheckViewer(plugin, argv[3], Check);

  std::ifstream manifest(std::string(argv[2]) == "-" ? std::string() : std::string(argv[2]));
  std::string line, firstFile;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string file, w, h, expected;
    if (!std::getline(fields, file, '\t') || !std::getline(fields, w, '\t') ||
        !std::getline(fields, h, '\t') || !std::getline(fields, expected)) {
      continue;
    }
    CheckThumbnail(previewW, file, std::stoi(w), std::stoi(h), expected);
    if (firstFile.empty() && expected != "-") firstFile = file;
  }
  if (!firstFile.empty()) {
    std::string ansi = firstFile;  // the manifest's files have plain ASCII names
    HBITMAP a = previewA(ansi.data(), 50, 50, nullptr, 0);
    Check(a != nullptr, "ANSI thumbnail of " + firstFile);
    if (a) DeleteObject(a);
  }
  Check(previewW(nullptr, 96, 96, nullptr, 0) == nullptr, "no file name: none");
  std::printf("%d passed, %d failed\n", passed, failed);
  FreeLibrary(plugin);
  return failed == 0 && passed > 0 ? 0 : 1;
}
