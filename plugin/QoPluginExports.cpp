// The functions the file manager calls. Each is thin and wraps its body in one guard:
// no exception may cross into the host, which would take the whole program down.

#include <windows.h>

#include <cstring>
#include <string>

#include "engine/QoLoadSource.h"
#include "plugin/QoThumbnail.h"
#include "viewer/win32/WLXFormUnit.h"

namespace {

// The host's record of default parameters; this plug-in keeps no settings.
struct TQoListDefaultParams {
  int Size;
  DWORD PluginInterfaceVersionLow;
  DWORD PluginInterfaceVersionHi;
  char DefaultIniName[MAX_PATH];
};

// The load-next and send-command answers of the Lister interface.
constexpr int kListPluginOk = 0;
constexpr int kListPluginError = 1;

// The Lister's own Copy command (Ctrl+C) as it reaches a plug-in.
constexpr int kListCommandCopy = 1;

// Every file from 1 byte to just under 4 MiB is offered to the plug-in.
constexpr char kDetectString[] = "(SIZE>0)&(SIZE<4194304)";

template <class Result, class Body>
Result Guarded(Result failure, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

std::string Utf8Of(const wchar_t* text) {
  if (!text) return std::string();
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) throw EQoError("Cannot convert the file name");
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(length - 1));
  return utf8;
}

std::wstring WideOfAnsi(const char* text) {
  if (!text) return std::wstring();
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 0) throw EQoError("Cannot convert the file name");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

// A bitmap the host owns: the picture copied opaquely onto black, alpha ignored.
HBITMAP BitmapOf(const TQoBitmap32& picture) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.Width;
  info.bmiHeader.biHeight = -picture.Height;  // top-down, as the picture
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) return nullptr;
  const std::size_t stride = (static_cast<std::size_t>(picture.Width) * 3 + 3) & ~std::size_t{3};
  auto* rows = static_cast<uint8_t*>(bits);
  std::memset(rows, 0, stride * static_cast<std::size_t>(picture.Height));
  for (int32_t y = 0; y < picture.Height; ++y) {
    uint8_t* row = rows + stride * static_cast<std::size_t>(y);
    const uint32_t* in = picture.ScanLine(y);
    for (int32_t x = 0; x < picture.Width; ++x) {
      row[3 * x] = static_cast<uint8_t>(in[x]);
      row[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
    }
  }
  GdiFlush();
  return bitmap;
}

// The viewer window of a handle this module created, or nil.
TprWLXForm* FormOf(HWND window) {
  return dynamic_cast<TprWLXForm*>(TkivWinControl::FindControl(window));
}

// The file read and rated; nil when nothing accepts it.
std::unique_ptr<TQoLoadSourceEx> AcceptedSource(const wchar_t* fileToLoad) {
  auto source = std::make_unique<TQoLoadSourceEx>(Utf8Of(fileToLoad));
  if (!source->Engines || source->Engines->Count() == 0) return nullptr;
  return source;
}

}  // namespace

extern "C" {

__declspec(dllexport) HWND __stdcall ListLoadW(HWND parentWin, wchar_t* fileToLoad, int) {
  return Guarded<HWND>(nullptr, [&]() -> HWND {
    std::unique_ptr<TQoLoadSourceEx> source = AcceptedSource(fileToLoad);
    return source ? TprWLXForm::Open(parentWin, std::move(source)) : nullptr;
  });
}

__declspec(dllexport) HWND __stdcall ListLoad(HWND parentWin, char* fileToLoad, int showFlags) {
  return Guarded<HWND>(nullptr, [&]() -> HWND {
    std::wstring wide = WideOfAnsi(fileToLoad);
    return ListLoadW(parentWin, wide.data(), showFlags);
  });
}

__declspec(dllexport) int __stdcall ListLoadNextW(HWND, HWND listWin, wchar_t* fileToLoad, int) {
  return Guarded(kListPluginError, [&] {
    std::unique_ptr<TQoLoadSourceEx> source = AcceptedSource(fileToLoad);
    if (!source) return kListPluginError;
    TprWLXForm* form = FormOf(listWin);
    if (!form) return kListPluginError;
    form->LoadSource(std::move(source));
    return kListPluginOk;
  });
}

__declspec(dllexport) int __stdcall ListLoadNext(HWND parentWin, HWND listWin, char* fileToLoad,
                                                 int showFlags) {
  return Guarded(kListPluginError, [&] {
    std::wstring wide = WideOfAnsi(fileToLoad);
    return ListLoadNextW(parentWin, listWin, wide.data(), showFlags);
  });
}

__declspec(dllexport) void __stdcall ListCloseWindow(HWND listWin) {
  Guarded(0, [&] {
    delete FormOf(listWin);
    return 0;
  });
}

// Ctrl+C in the Lister copies the picture, as "Copy image" does; other commands are not
// the plug-in's.
__declspec(dllexport) int __stdcall ListSendCommand(HWND listWin, int command, int) {
  return Guarded(kListPluginError, [&] {
    TprWLXForm* form = FormOf(listWin);
    if (!form || command != kListCommandCopy) return kListPluginError;
    return form->RunCommand(kCmdCopyImage) ? kListPluginOk : kListPluginError;
  });
}

__declspec(dllexport) void __stdcall ListGetDetectString(char* detectString, int maxLength) {
  Guarded(0, [&] {
    if (!detectString || maxLength <= 0) return 0;
    if (maxLength < static_cast<int>(sizeof(kDetectString))) {
      detectString[0] = '\0';
    } else {
      std::memcpy(detectString, kDetectString, sizeof(kDetectString));
    }
    return 0;
  });
}

__declspec(dllexport) void __stdcall ListSetDefaultParams(TQoListDefaultParams*) {}

__declspec(dllexport) HBITMAP
    __stdcall ListGetPreviewBitmapW(wchar_t* fileToLoad, int width, int height, char*, int) {
  return Guarded<HBITMAP>(nullptr, [&]() -> HBITMAP {
    const std::unique_ptr<TQoBitmap32> thumb = QoMakeThumbnail(Utf8Of(fileToLoad), width, height);
    return thumb ? BitmapOf(*thumb) : nullptr;
  });
}

__declspec(dllexport) HBITMAP
    __stdcall ListGetPreviewBitmap(char* fileToLoad, int width, int height, char* contentBuffer,
                                   int contentLength) {
  return Guarded<HBITMAP>(nullptr, [&]() -> HBITMAP {
    std::wstring wide = WideOfAnsi(fileToLoad);
    return ListGetPreviewBitmapW(wide.data(), width, height, contentBuffer, contentLength);
  });
}

}  // extern "C"
