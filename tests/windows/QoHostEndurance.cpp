// The file manager stays open for days: a long round of files shown one after another in
// the Lister window (ListLoadW, then ListLoadNextW while the plug-in accepts the next file,
// ListCloseWindow when it does not and now and then in between) and of thumbnails, with
// the process's own counts taken before and after. Wine answers 0 for GDI and USER object
// counts, so the round measures what it does report: private bytes and working set,
// kernel handles, threads and windows.

#include "QoHostEndurance.h"

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "QoHostSupport.h"

namespace {

using namespace qohost;

// What may remain after the round. Freed memory stays with the heap and the heap grows
// in steps, so memory gets a small fixed allowance; every thread and window must end.
constexpr SIZE_T kPrivateAllowance = 8u << 20;
constexpr SIZE_T kWorkingSetAllowance = 12u << 20;
constexpr DWORD kHandleAllowance = 4;

struct TMeasures {
  SIZE_T PrivateBytes = 0;
  SIZE_T WorkingSet = 0;
  DWORD Handles = 0;
  int Threads = 0;
  int Windows = 0;
};

HWND lister = nullptr;

// The committed private memory of the process, region by region: what PrivateUsage
// reports on Windows, for Wine, which answers 0 there.
SIZE_T CommittedPrivate() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr;
       VirtualQuery(at, &region, sizeof(region)) == sizeof(region) && region.RegionSize > 0;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return total;
}

// The kernel handles of the process; where the count is not reported (Wine answers 0),
// the first free slot of the handle table, which the system fills lowest first, so every
// handle left open pushes it up.
DWORD HandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
  HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!probe) return 0;
  const auto slot = static_cast<DWORD>(reinterpret_cast<uintptr_t>(probe) / 4);
  CloseHandle(probe);
  return slot;
}

TMeasures Measure() {
  TMeasures m;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof(memory))) {
    m.PrivateBytes = memory.PrivateUsage;
    m.WorkingSet = memory.WorkingSetSize;
  }
  if (m.PrivateBytes == 0) m.PrivateBytes = CommittedPrivate();
  m.Handles = HandleCount();
  m.Threads = ThreadCount();
  m.Windows = ThreadWindowCount();
  EnumChildWindows(
      lister,
      [](HWND, LPARAM count) -> BOOL {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&m.Windows));
  return m;
}

std::string Kib(SIZE_T bytes) {
  return std::to_string(bytes / 1024) + " KiB";
}

// The leaks a test run plants on purpose, one per file shown, to prove that each
// measure trips.
enum class TLeak { None, Buffer, Bitmap, Handle, Thread, Window };

TLeak LeakOf(const std::string& name) {
  if (name == "buffer") return TLeak::Buffer;
  if (name == "bitmap") return TLeak::Bitmap;
  if (name == "handle") return TLeak::Handle;
  if (name == "thread") return TLeak::Thread;
  if (name == "window") return TLeak::Window;
  return TLeak::None;
}

HANDLE never = nullptr;  // the event the leaked threads wait for

void PlantLeak(TLeak leak, int file) {
  switch (leak) {
    case TLeak::Buffer: {
      // Touched, so it counts in the working set as well; kept in a volatile pointer so
      // that the compiler cannot drop the allocation.
      static char* volatile last = nullptr;
      last = new char[256 * 1024];
      std::memset(last, file & 0xFF, 256 * 1024);
      break;
    }
    case TLeak::Handle:
      CreateEventW(nullptr, TRUE, FALSE, nullptr);
      break;
    case TLeak::Thread:
      if (file % 10 == 0) {
        CreateThread(
            nullptr, 0,
            [](LPVOID) -> DWORD {
              WaitForSingleObject(never, INFINITE);
              return 0;
            },
            nullptr, 0, nullptr);
      }
      break;
    case TLeak::Window:
      if (file % 10 == 0)
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
      break;
    default:
      break;
  }
}

std::vector<std::string> FilesOf(const std::string& roundFolder) {
  std::vector<std::string> files;
  const std::string separator = roundFolder.find('/') != std::string::npos ? "/" : "\\";
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((roundFolder + separator + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.push_back(roundFolder + separator + found.cFileName);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(files.begin(), files.end());
  return files;
}

LRESULT CALLBACK ListerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

struct TRoundCounts {
  int Loads = 0, Accepted = 0, NextAccepted = 0, NextDeclined = 0, Closes = 0, Thumbnails = 0;
};

// count files through the window and count thumbnails, the files taken in turn.
TRoundCounts RunRound(const TPlugin& p, TPreviewBitmapW preview,
                      const std::vector<std::string>& files, int count, TLeak leak) {
  TRoundCounts c;
  HWND form = nullptr;
  for (int i = 0; i < count; ++i) {
    const std::string& file = files[static_cast<std::size_t>(i) % files.size()];
    if (!form) {
      ++c.Loads;
      form = p.Load(lister, file);
      c.Accepted += form != nullptr;
    } else if (p.Next(lister, form, file) == 0) {
      ++c.NextAccepted;
    } else {
      // The host closes the window and asks the next plug-in.
      ++c.NextDeclined;
      p.Close(form);
      ++c.Closes;
      form = nullptr;
    }
    if (form) {
      // A paint starts the background resampling, which the next file or closing stops.
      UpdateWindow(form);
      Pump(i % 25 == 0 ? 40 : 0);
      if (i % 40 == 39) {
        p.Close(form);
        ++c.Closes;
        form = nullptr;
      }
    }
    PlantLeak(leak, i);
  }
  if (form) {
    p.Close(form);
    ++c.Closes;
  }
  static const int boxes[][2] = {{96, 96}, {256, 256}, {512, 384}, {100, 50}};
  for (int i = 0; i < count; ++i) {
    std::wstring name = Wide(files[static_cast<std::size_t>(i) % files.size()]);
    const int* box = boxes[i % 4];
    HBITMAP bitmap = preview(name.data(), box[0], box[1], nullptr, 0);
    c.Thumbnails += bitmap != nullptr;
    if (bitmap && leak != TLeak::Bitmap) DeleteObject(bitmap);
  }
  return c;
}

}  // namespace

void CheckEndurance(HMODULE plugin, TPreviewBitmapW preview, const std::string& roundFolder,
                    int count, const std::string& leakName,
                    const std::function<void(bool, const std::string&)>& checkFunction) {
  check = checkFunction;
  const TPlugin p(plugin);
  const std::vector<std::string> files = FilesOf(roundFolder);
  check(p.Complete() && !files.empty(), "endurance: the window exports and the round's files");
  if (!p.Complete() || files.empty()) return;
  const TLeak leak = LeakOf(leakName);
  never = CreateEventW(nullptr, TRUE, FALSE, nullptr);

  WNDCLASSW wc{};
  wc.lpfnWndProc = &ListerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TQoEnduranceLister";
  RegisterClassW(&wc);
  lister = CreateWindowExW(0, wc.lpszClassName, L"Lister", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                           900, 700, nullptr, nullptr, wc.hInstance, nullptr);

  // One pass over every file first: fonts, caches and the heap's first growth are not leaks.
  RunRound(p, preview, files, static_cast<int>(files.size()), TLeak::None);
  Pump(200);
  const TMeasures before = Measure();
  const ULONGLONG start = GetTickCount64();
  const TRoundCounts c = RunRound(p, preview, files, count, leak);
  // Closing waits for the background work, but a thread may take a moment to be gone.
  TMeasures after = Measure();
  for (int wait = 0;
       wait < 50 && (after.Threads > before.Threads || after.Windows > before.Windows); ++wait) {
    Pump(20);
    after = Measure();
  }
  std::printf(
      "endurance: %d files (%zu distinct) in %.1f s: %d loads (%d accepted), %d next accepted, "
      "%d next declined, %d closes; %d thumbnails of %d\n",
      count, files.size(), static_cast<double>(GetTickCount64() - start) / 1000.0, c.Loads,
      c.Accepted, c.NextAccepted, c.NextDeclined, c.Closes, c.Thumbnails, count);
  std::printf(
      "endurance: private bytes %s -> %s, working set %s -> %s, handles %lu -> %lu, "
      "threads %d -> %d, windows %d -> %d\n",
      Kib(before.PrivateBytes).c_str(), Kib(after.PrivateBytes).c_str(),
      Kib(before.WorkingSet).c_str(), Kib(after.WorkingSet).c_str(),
      static_cast<unsigned long>(before.Handles), static_cast<unsigned long>(after.Handles),
      before.Threads, after.Threads, before.Windows, after.Windows);
  check(c.Accepted + c.NextAccepted > 0 && c.NextDeclined > 0 && c.Thumbnails > 0,
        "endurance: the round shows pictures and meets files the plug-in declines");
  check(after.PrivateBytes <= before.PrivateBytes + kPrivateAllowance,
        "endurance: private bytes flat (allowance " + Kib(kPrivateAllowance) + ")");
  check(after.WorkingSet <= before.WorkingSet + kWorkingSetAllowance,
        "endurance: working set flat (allowance " + Kib(kWorkingSetAllowance) + ")");
  check(after.Handles <= before.Handles + kHandleAllowance,
        "endurance: handle count flat (allowance " + std::to_string(kHandleAllowance) + ")");
  check(after.Threads <= before.Threads, "endurance: no thread left behind");
  check(after.Windows <= before.Windows, "endurance: no window left behind");
  DestroyWindow(lister);
  lister = nullptr;
}
