#include "QoHostSupport.h"

#include <tlhelp32.h>

#include <fstream>
#include <iterator>

namespace qohost {

std::function<void(bool, const std::string&)> check;
std::string folder;

TPlugin::TPlugin(HMODULE plugin)
    : LoadW(ExportOf<TListLoadW>(plugin, "ListLoadW")),
      LoadA(ExportOf<TListLoadA>(plugin, "ListLoad")),
      NextW(ExportOf<TListLoadNextW>(plugin, "ListLoadNextW")),
      NextA(ExportOf<TListLoadNextA>(plugin, "ListLoadNext")),
      Close(ExportOf<TListCloseWindow>(plugin, "ListCloseWindow")),
      SendCommand(ExportOf<TListSendCommand>(plugin, "ListSendCommand")) {}

bool TPlugin::Complete() const {
  return LoadW && LoadA && NextW && NextA && Close && SendCommand;
}

HWND TPlugin::Load(HWND parent, const std::string& name) const {
  std::wstring wide = Wide(name);
  return LoadW(parent, wide.data(), 0);
}

int TPlugin::Next(HWND parent, HWND viewer, const std::string& name) const {
  std::wstring wide = Wide(name);
  return NextW(parent, viewer, wide.data(), 0);
}

std::string Path(const std::string& name) {
  const char separator = folder.find('/') != std::string::npos ? '/' : '\\';
  return folder + separator + name;
}

bool Exists(const std::string& name) {
  return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Pump(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  } while (GetTickCount64() < end);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> all;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    all.push_back(child);
  }
  return all;
}

int ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int n = 0;
  for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry)) {
    n += entry.th32OwnerProcessID == GetCurrentProcessId();
  }
  CloseHandle(snapshot);
  return n;
}

int ThreadWindowCount() {
  int n = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM count) -> BOOL {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&n));
  return n;
}

HWND VisibleThreadWindow(const wchar_t* className) {
  struct TSearch {
    const wchar_t* ClassName;
    HWND Found;
  } search{className, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(data);
        if (ClassOf(window) == s->ClassName && IsWindowVisible(window)) {
          s->Found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND Find(HWND parent, const wchar_t* className, const wchar_t* caption) {
  return FindWindowExW(parent, nullptr, className, caption);
}

HWND BoxOf(HWND form, const wchar_t* caption) {
  HWND label = Find(form, L"Static", caption);
  return label ? GetWindow(label, GW_HWNDNEXT) : nullptr;
}

bool Shown(HWND window) {
  return window && IsWindowVisible(window);
}

std::wstring SelectedText(HWND box) {
  const auto index = SendMessageW(box, CB_GETCURSEL, 0, 0);
  if (index < 0) return L"";
  wchar_t text[256] = {};
  SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}

void Choose(HWND box, int index) {
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(box), WM_COMMAND,
               MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(box)), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(box));
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring Wide(const std::string& text) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), n, nullptr, nullptr);
  utf8.resize(utf8.size() - 1);
  return utf8;
}

void OpenContextMenu(HWND form, TIMERPROC whileOpen, UINT tick) {
  const UINT_PTR timer = SetTimer(nullptr, 0, tick, whileOpen);
  RECT r;
  GetWindowRect(form, &r);
  SendMessageW(Find(form, L"TQoImage"), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form),
               MAKELPARAM(r.left + 40, r.top + 80));
  KillTimer(nullptr, timer);
  Pump(2 * tick);
}

}  // namespace qohost
