#pragma once
// What the stand-in host's window checks share: the plug-in's window exports, the
// folder of test files, a message pump and lookups in the window tree.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qohost {

using TListLoadW = HWND(__stdcall*)(HWND, wchar_t*, int);
using TListLoadA = HWND(__stdcall*)(HWND, char*, int);
using TListLoadNextW = int(__stdcall*)(HWND, HWND, wchar_t*, int);
using TListLoadNextA = int(__stdcall*)(HWND, HWND, char*, int);
using TListCloseWindow = void(__stdcall*)(HWND);
using TListSendCommand = int(__stdcall*)(HWND, int, int);

// Records one check: passed or not, and what was checked.
extern std::function<void(bool, const std::string&)> check;
// The folder of the test files.
extern std::string folder;

// An exported function by name (through void*: the exports have their own signatures).
template <class Function>
Function ExportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct TPlugin {
  TListLoadW LoadW = nullptr;
  TListLoadA LoadA = nullptr;
  TListLoadNextW NextW = nullptr;
  TListLoadNextA NextA = nullptr;
  TListCloseWindow Close = nullptr;
  TListSendCommand SendCommand = nullptr;

  explicit TPlugin(HMODULE plugin);
  bool Complete() const;
  HWND Load(HWND parent, const std::string& name) const;
  int Next(HWND parent, HWND viewer, const std::string& name) const;
};

// A file of the test folder.
std::string Path(const std::string& name);
bool Exists(const std::string& name);
// The whole file, empty when it cannot be read.
std::vector<char> ReadFileBytes(const std::string& path);

// Lets the windows of this thread run: paints, timers, posted keys.
void Pump(DWORD milliseconds);

std::wstring ClassOf(HWND window);
// The windows placed directly in parent.
std::vector<HWND> Children(HWND parent);
// The threads of this process.
int ThreadCount();
int ThreadWindowCount();
// The first visible top-level window of this thread with this class, or nil.
HWND VisibleThreadWindow(const wchar_t* className);
// The direct child of parent with this class and caption (any caption when null).
HWND Find(HWND parent, const wchar_t* className, const wchar_t* caption = nullptr);
// The drop-down list that belongs to a label: created right after it.
HWND BoxOf(HWND form, const wchar_t* caption);
bool Shown(HWND window);
std::wstring SelectedText(HWND box);
// What a user's choice in the list sends: the selection, then the notification.
void Choose(HWND box, int index);
std::wstring TextOf(HWND window);
// Opens the viewer's context menu over its picture as a right click does; whileOpen runs
// every tick milliseconds inside the menu's modal loop and must end it (EndMenu).
void OpenContextMenu(HWND form, TIMERPROC whileOpen, UINT tick);
// UTF-8 and the system's UTF-16, either way.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

}  // namespace qohost
