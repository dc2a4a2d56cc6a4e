// The viewer window as the Lister sees it: load functions, the window tree, the controls'
// own notifications, screen captures, key forwarding and clean closing.

#include "QoHostViewer.h"

#include "QoHostCapture.h"
#include "QoHostExport.h"
#include "QoHostKinds.h"
#include "QoHostSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using namespace qohost;

HWND listerWindow = nullptr;

// Counts of the process: threads, GDI and USER objects, handles.
struct TResources {
  int Threads = 0;
  int Windows = 0;  // top-level windows of the thread and everything inside the Lister
  DWORD Gdi = 0, User = 0, Handles = 0;
  bool operator==(const TResources&) const = default;
};

TResources Resources() {
  TResources r;
  r.Threads = ThreadCount();
  r.Windows = ThreadWindowCount();
  EnumChildWindows(
      listerWindow,
      [](HWND, LPARAM count) -> BOOL {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&r.Windows));
  r.Gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  r.User = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  GetProcessHandleCount(GetCurrentProcess(), &r.Handles);
  return r;
}

std::string Describe(const TResources& r) {
  return std::to_string(r.Threads) + " threads, " + std::to_string(r.Windows) + " windows, " +
         std::to_string(r.Gdi) + " GDI, " + std::to_string(r.User) + " USER objects, " +
         std::to_string(r.Handles) + " handles";
}

// The form counts the keys that reach it.
WNDPROC formProc = nullptr;
int keysReceived = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) ++keysReceived;
  return CallWindowProcW(formProc, window, message, wParam, lParam);
}

int KeysAfterPosting(HWND target, WPARAM key) {
  keysReceived = 0;
  PostMessageW(target, WM_KEYDOWN, key, 1);
  Pump(60);
  return keysReceived;
}

// The context menu, opened as a right click does; a timer inside its modal loop reads
// its items, posts "N" to the list (which must not reach the form while the menu is
// open) and closes it.
struct TMenuVisit {
  HWND Form = nullptr;
  HWND Target = nullptr;
  int FormKeys = 0;  // key messages for the form seen in the queue, taken or not
  int Ticks = 0;
  std::vector<std::wstring> Items;
} menuVisit;

void CALLBACK MenuTimer(HWND, UINT, UINT_PTR, DWORD) {
  ++menuVisit.Ticks;
  HWND menuWindow = VisibleThreadWindow(L"#32768");
  if (menuVisit.Ticks == 1 && menuWindow) {
    auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t text[64] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
      menuVisit.Items.push_back(text);
    }
    PostMessageW(menuVisit.Target, WM_KEYDOWN, 'N', 1);
  } else if (menuVisit.Ticks >= 3) {
    EndMenu();
  }
}

// The menu's loop eats key messages, so the host watches the queue itself.
LRESULT CALLBACK QueueWatch(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* message = reinterpret_cast<const MSG*>(lParam);
  if (code >= 0 && message && message->hwnd == menuVisit.Form && message->message == WM_KEYDOWN) {
    ++menuVisit.FormKeys;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CheckContextMenu(HWND form, HWND typeBox) {
  menuVisit = TMenuVisit{};
  menuVisit.Form = form;
  menuVisit.Target = typeBox;
  keysReceived = 0;
  HHOOK watch = SetWindowsHookExW(WH_GETMESSAGE, &QueueWatch, nullptr, GetCurrentThreadId());
  OpenContextMenu(form, &MenuTimer, 60);
  UnhookWindowsHookEx(watch);
  const std::vector<std::wstring> expected = {L"Copy image",           L"Copy comment",
                                              L"Save image as BMP...", L"Save image as PNG...",
                                              L"Save image as GIF...", L"Save palette as PAL..."};
  check(menuVisit.Items == expected, "viewer: the context menu holds the six commands");
  check(menuVisit.Ticks >= 3 && keysReceived == 0 && menuVisit.FormKeys == 0,
        "viewer: nothing is re-posted while the context menu is open");
}

// A gigascreen picture: the demo screen and its inverse, shown in turn.
std::string MakeTwoScreens() {
  std::ifstream in(Path("rings.scr"), std::ios::binary);
  std::vector<char> screen((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (screen.size() != 6912) return std::string();
  std::vector<char> second = screen;
  for (std::size_t i = 0; i < 6144; ++i) second[i] = static_cast<char>(~second[i]);
  std::ofstream out(Path("two-screens.img"), std::ios::binary);
  out.write(screen.data(), 6912);
  out.write(second.data(), 6912);
  return "two-screens.img";
}

HWND MakeLister() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = L"QoHostLister";
  RegisterClassW(&wc);
  HWND lister = CreateWindowExW(0, L"QoHostLister", L"Lister", WS_OVERLAPPEDWINDOW, 0, 0, 900, 620,
                                nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(lister, SW_SHOW);
  UpdateWindow(lister);
  return lister;
}

bool HasFrameWait() {
  HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
  const bool present = dwm && GetProcAddress(dwm, "DwmFlush");
  if (dwm) FreeLibrary(dwm);
  return present;
}

void CheckDeclined(const TPlugin& p, HWND lister) {
  for (const char* name : {"noise.bin", "empty.scr", "missing.scr"}) {
    check(p.Load(lister, Path(name)) == nullptr, std::string("viewer: ") + name + " is declined");
  }
  check(Children(lister).empty(), "viewer: a declined file leaves no window");
}

// One engine, its palette types, the palette display, grey by the check box.
void CheckSingleEngine(const TPlugin& p, HWND lister) {
  HWND form = p.Load(lister, Path("rings.bsc"));
  check(form && GetParent(form) == lister && ClassOf(form) == L"TprWLXForm",
        "viewer: rings.bsc opens a TprWLXForm inside the Lister window");
  if (!form) return;
  const std::wstring name = L"ZX Spectrum 384x304x4 image";
  HWND label = Find(form, L"Static", name.c_str());
  HWND typeBox = Find(form, L"ComboBox");
  check(Shown(label) && !Shown(typeBox),
        "viewer: one engine shows its name as the header and no image-type list");
  RECT lr, fr;
  GetWindowRect(label, &lr);
  GetClientRect(form, &fr);
  check(lr.right - lr.left > (fr.right - fr.left) / 2, "viewer: the single name spans the window");
  for (const wchar_t* caption :
       {L"Pixel &aspect ratio:", L"&Palette:", L"&Variant:", L"&Calculation:"}) {
    check(Find(form, L"Static", caption) != nullptr,
          "viewer: the label \"" + std::string(caption, caption + wcslen(caption)) + "\" exists");
  }
  HWND palette = BoxOf(form, L"&Palette:");
  // The controls follow the screen's dpi: the UI font and with it every control grows.
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT br{};
  GetWindowRect(palette, &br);
  check(br.bottom - br.top >= MulDiv(18, dpi, 96) && br.bottom - br.top <= MulDiv(30, dpi, 96),
        "viewer: at " + std::to_string(dpi) + " dpi the palette list is " +
            std::to_string(br.bottom - br.top) + " pixels high");
  // A larger message font, announced as the system announces it: the window measures
  // again and its lists grow; the old font back, and after a theme change, they shrink.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
  NONCLIENTMETRICSW larger = metrics;
  larger.lfMessageFont.lfHeight = metrics.lfMessageFont.lfHeight * 2;
  SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, larger.cbSize, &larger, 0);
  SendMessageW(form, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
  RECT grown{};
  GetWindowRect(palette, &grown);
  SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
  SendMessageW(form, WM_THEMECHANGED, 0, 0);
  RECT again{};
  GetWindowRect(palette, &again);
  check(grown.bottom - grown.top > br.bottom - br.top && EqualRect(&br, &again),
        "viewer: a font or theme change lays the window out again (list " +
            std::to_string(br.bottom - br.top) + ", " + std::to_string(grown.bottom - grown.top) +
            ", " + std::to_string(again.bottom - again.top) + " pixels high)");
  check(Shown(palette) && SendMessageW(palette, CB_GETCOUNT, 0, 0) == 3 &&
            SelectedText(palette) == L"Linear",
        "viewer: three palette types offered, \"Linear\" selected");
  check(!Shown(BoxOf(form, L"Pixel &aspect ratio:")) && !Shown(BoxOf(form, L"&Variant:")) &&
            !Shown(BoxOf(form, L"&Calculation:")),
        "viewer: aspect, variant and calculation lists hidden for this engine");
  check(Shown(Find(form, L"Button", L"&Gray")), "viewer: the \"&Gray\" box is shown");
  const bool frameWait = HasFrameWait();
  HWND flick = Find(form, L"Button", L"&Flick");
  check(frameWait ? (flick && !Shown(flick)) : flick == nullptr,
        frameWait ? "viewer: \"&Flick\" exists, hidden for a one-screen picture"
                  : "viewer: no \"&Flick\" box without the compositor's frame wait");

  // 16 colours in one row of cells, each cell at least 5 pixels.
  HWND grid = Find(form, L"TQoDestPalette");
  RECT gr{};
  GetClientRect(grid, &gr);
  const int cell = gr.bottom - 1;
  check(Shown(grid) && cell >= 5 && gr.right == 16 * cell + 1,
        "viewer: the palette display is one row of 16 cells (" + std::to_string(gr.right) + "x" +
            std::to_string(gr.bottom) + ")");

  // The first paint stretches at once; the resampled copy replaces it a little later.
  UpdateWindow(form);
  const TCapture stretched = Capture(Find(form, L"TQoImage"));
  SavePng(stretched, "bsc-stretched");
  const TCapture linear = Settled(form, "bsc-linear");
  check(DifferentPixels(stretched, linear) > 1000,
        "viewer: the background resampling replaces the first stretch (" +
            std::to_string(DifferentPixels(stretched, linear)) + " pixels)");
  SavePng(Capture(form), "bsc-window");
  Choose(palette, 0);
  const TCapture pulsar = Settled(form, "bsc-pulsar");
  check(SelectedText(palette) == L"Pulsar (205)" && DifferentPixels(linear, pulsar) > 1000,
        "viewer: another palette type by the list's notification changes the picture (" +
            std::to_string(DifferentPixels(linear, pulsar)) + " pixels)");

  // Grey by the check box's click: every pixel of the fitted picture is grey.
  SendMessageW(Find(form, L"Button", L"&Gray"), BM_CLICK, 0, 0);
  const TCapture gray = Settled(form, "bsc-gray");
  int coloured = 0, differing = DifferentPixels(pulsar, gray);
  for (int y = gray.H / 4; y < gray.H * 3 / 4; ++y) {
    for (int x = gray.W / 4; x < gray.W * 3 / 4; ++x) {
      const uint32_t c = gray.At(x, y);
      coloured += ((c >> 16) & 255) != (c & 255) || ((c >> 8) & 255) != (c & 255);
    }
  }
  check(differing > 1000 && coloured == 0, "viewer: \"&Gray\" shows the picture in grey (" +
                                               std::to_string(coloured) + " coloured pixels)");
  // The Lister sizes the window; the controls follow, the picture keeps its proportions.
  MoveWindow(form, 0, 0, 500, 420, TRUE);
  const TCapture small = Settled(form, "bsc-small");
  RECT gc, fc;
  GetWindowRect(Find(form, L"Button", L"&Gray"), &gc);
  GetWindowRect(form, &fc);
  const RECT extent = PictureExtent(small);
  const double ratio = (extent.right - extent.left + 1.0) / (extent.bottom - extent.top + 1.0);
  check(small.W < 500 && gc.bottom <= fc.bottom && fc.bottom - gc.bottom < 40 &&
            ratio > 384.0 / 304 - 0.03 && ratio < 384.0 / 304 + 0.03,
        "viewer: after a resize the picture fits with its proportions (" + std::to_string(ratio) +
            ") and \"&Gray\" stays at the bottom");
  p.Close(form);
  check(!IsWindow(form) && Children(lister).empty(), "viewer: ListCloseWindow frees the window");
}

// Several engines: the image-type list, the aspect list of the second engine, reuse of
// the window by ListLoadNext, and the keys the Lister wants.
void CheckSeveralEngines(const TPlugin& p, HWND lister) {
  HWND form = p.Load(lister, Path("rings.scr"));
  if (!form) {
    check(false, "viewer: rings.scr opens");
    return;
  }
  HWND typeBox = Find(form, L"ComboBox");
  // The screen, its FlashColor reading and the Spectra modes of the same size.
  check(Shown(typeBox) && SendMessageW(typeBox, CB_GETCOUNT, 0, 0) >= 2 &&
            SendMessageW(typeBox, CB_GETCURSEL, 0, 0) == 0 && GetFocus() == typeBox &&
            Shown(Find(form, L"Static", L"Image type:")),
        "viewer: the engines fill \"Image type:\" with the first selected and focused");

  // The same window takes the next file; a foreign window or an unknown file is refused.
  check(p.Next(lister, form, Path("rings-mono.scr")) == 0, "viewer: ListLoadNextW answers 0");
  check(Children(lister).size() == 1 && IsWindow(form), "viewer: ListLoadNextW reuses the window");
  HWND grid = Find(form, L"TQoDestPalette");
  RECT gr{};
  GetClientRect(grid, &gr);
  check(Shown(grid) && gr.right == 2 * (gr.bottom - 1) + 1,
        "viewer: two colours show as one row of two cells");
  check(p.Next(lister, lister, Path("rings.scr")) == 1,
        "viewer: ListLoadNextW with the Lister's "
        "own window answers 1");
  check(p.Next(lister, Find(form, L"TQoImage"), Path("rings.scr")) == 1,
        "viewer: ListLoadNextW with a handle that is no viewer window answers 1");
  check(p.Next(lister, form, Path("noise.bin")) == 1, "viewer: ListLoadNextW of noise answers 1");
  const TCapture mono = Settled(form, "mono-first-engine");
  check(SendMessageW(typeBox, CB_GETCOUNT, 0, 0) == 2 &&
            SelectedText(typeBox).find(L"256x192x1") != std::wstring::npos,
        "viewer: the refused loads left the window showing rings-mono.scr");
  HWND aspect = BoxOf(form, L"Pixel &aspect ratio:");
  check(!Shown(aspect), "viewer: a 1:1-only engine shows no aspect list");

  Choose(typeBox, 1);
  const TCapture multi = Settled(form, "mono-second-engine");
  SavePng(Capture(form), "mono-window");
  check(Shown(aspect) && SendMessageW(aspect, CB_GETCOUNT, 0, 0) == 2 &&
            SelectedText(aspect) == L"4:1",
        "viewer: the second engine offers \"1:1\" and \"4:1\", \"4:1\" selected");
  check(DifferentPixels(mono, multi) > 1000, "viewer: another image type changes the picture");
  Choose(aspect, 0);
  const TCapture square = Settled(form, "mono-second-engine-1to1");
  check(DifferentPixels(multi, square) > 1000, "viewer: another aspect changes the picture");

  // Keys: N on the closed list reaches the window, A does not; nothing while dropped down.
  formProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  SetFocus(typeBox);
  check(KeysAfterPosting(typeBox, 'N') == 1, "viewer: \"N\" on the image-type list is re-posted");
  check(KeysAfterPosting(typeBox, VK_ESCAPE) == 1 && KeysAfterPosting(typeBox, '7') == 1,
        "viewer: Escape and digits are re-posted");
  check(KeysAfterPosting(typeBox, 'A') == 0, "viewer: other keys are not re-posted");
  SendMessageW(typeBox, CB_SHOWDROPDOWN, TRUE, 0);
  const bool dropped = SendMessageW(typeBox, CB_GETDROPPEDSTATE, 0, 0) != 0;
  check(dropped && KeysAfterPosting(typeBox, 'N') == 0,
        "viewer: nothing is re-posted while a list is dropped down");
  SendMessageW(typeBox, CB_SHOWDROPDOWN, FALSE, 0);
  CheckContextMenu(form, typeBox);
  SetWindowLongPtrW(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(formProc));

  // Access keys: Alt+P moves to the palette list, Alt+G clicks "&Gray".
  SetFocus(typeBox);
  PostMessageW(typeBox, WM_SYSCHAR, 'p', 1 << 29);
  Pump(60);
  check(GetFocus() == BoxOf(form, L"&Palette:"),
        "viewer: Alt+P moves the focus to the palette list");
  HWND gray = Find(form, L"Button", L"&Gray");
  PostMessageW(GetFocus(), WM_SYSCHAR, 'g', 1 << 29);
  Pump(60);
  check(SendMessageW(gray, BM_GETCHECK, 0, 0) == BST_CHECKED, "viewer: Alt+G checks \"&Gray\"");

  // The ANSI twins.
  std::string mono8 = Path("rings.bsc");
  check(p.NextA(lister, form, mono8.data(), 0) == 0 &&
            Find(form, L"Static", L"ZX Spectrum 384x304x4 image") != nullptr,
        "viewer: ListLoadNext (ANSI) loads into the window");
  p.Close(form);
  HWND ansi = p.LoadA(lister, mono8.data(), 0);
  check(ansi && GetParent(ansi) == lister, "viewer: ListLoad (ANSI) opens a window");
  p.Close(ansi);
  p.Close(lister);  // not a viewer window: ignored
  p.Close(nullptr);
  check(IsWindow(lister) && Children(lister).empty(),
        "viewer: ListCloseWindow ignores handles that are no viewer window");
}

// Two screens: "&Flick" appears and alternates them on an overlay of the picture.
void CheckFlicker(const TPlugin& p, HWND lister) {
  const std::string file = MakeTwoScreens();
  HWND form = file.empty() ? nullptr : p.Load(lister, Path(file));
  if (!form) {
    check(false, "viewer: the two-screen picture opens");
    return;
  }
  HWND flick = Find(form, L"Button", L"&Flick");
  if (!HasFrameWait()) {
    check(flick == nullptr, "viewer: two screens without the frame wait: no \"&Flick\"");
    p.Close(form);
    return;
  }
  check(Shown(flick), "viewer: two screens show the \"&Flick\" box");
  const TResources before = Resources();
  SendMessageW(flick, BM_CLICK, 0, 0);
  HWND image = Find(form, L"TQoImage");
  HWND overlay = Find(image, L"TQoFlickBox");
  check(Shown(overlay) && ThreadCount() == before.Threads + 1,
        "viewer: flicker puts an overlay with its own thread over the picture");
  std::vector<TCapture> shots;
  int distinct = 0;
  for (int i = 0; i < 40 && distinct == 0; ++i) {
    Pump(7);
    shots.push_back(Capture(overlay));
    if (DifferentPixels(shots.front(), shots.back()) > 1000) distinct = i;
  }
  SavePng(shots.front(), "flicker-a");
  SavePng(shots.back(), "flicker-b");
  check(distinct > 0, "viewer: the overlay alternates the two screens");
  SendMessageW(flick, BM_CLICK, 0, 0);
  check(Find(image, L"TQoFlickBox") == nullptr && ThreadCount() == before.Threads,
        "viewer: switching flicker off stops its thread");
  p.Close(form);
}

// A picture with colour ranges rotates them on an overlay (when the compositor is there).
void CheckCycling(const TPlugin& p, HWND lister) {
  if (!Exists("cycling.pc1")) {
    std::printf("SKIP viewer: no colour-cycling sample\n");
    return;
  }
  HWND form = p.Load(lister, Path("cycling.pc1"));
  if (!form) {
    check(false, "viewer: the colour-cycling picture opens");
    return;
  }
  HWND overlay = Find(Find(form, L"TQoImage"), L"TQoPaletteCycleBox");
  if (!HasFrameWait()) {
    check(overlay == nullptr, "viewer: no cycling overlay without the frame wait");
  } else {
    Pump(100);
    const TCapture first = Capture(overlay);
    int changed = 0;
    for (int i = 0; i < 60 && changed == 0; ++i) {
      Pump(25);
      changed = DifferentPixels(first, Capture(overlay));
    }
    SavePng(first, "cycling");
    check(Shown(overlay) && changed > 0, "viewer: the cycling overlay rotates colours");
  }
  p.Close(form);
}

// Open and close many windows: every thread, window and GDI object comes back.
void CheckNoLeaks(const TPlugin& p, HWND lister) {
  std::vector<std::string> files = {"rings.scr", "rings.bsc", "rings-mono.scr", "two-screens.img"};
  if (Exists("cycling.pc1")) files.push_back("cycling.pc1");
  Pump(50);
  const TResources before = Resources();
  int opened = 0;
  for (int i = 0; i < 300; ++i) {
    HWND form = p.Load(lister, Path(files[static_cast<std::size_t>(i) % files.size()]));
    opened += form != nullptr;
    if (!form) continue;
    if (HWND flick = Find(form, L"Button", L"&Flick"); Shown(flick)) {
      SendMessageW(flick, BM_CLICK, 0, 0);
    }
    // A paint starts the background resampling, which closing must wait for.
    UpdateWindow(form);
    Pump(i % 10 == 0 ? 150 : 0);
    p.Close(form);
  }
  TResources after = Resources();
  for (int wait = 0; wait < 50 && !(after == before); ++wait) {
    Pump(20);
    after = Resources();
  }
  check(opened == 300 && after == before,
        "viewer: 300 windows opened and closed give everything back (before: " + Describe(before) +
            "; after: " + Describe(after) + ")");
}

}  // namespace

void CheckViewer(HMODULE plugin, const std::string& viewerFolder,
                 const std::function<void(bool, const std::string&)>& checkFunction) {
  check = checkFunction;
  folder = viewerFolder;
  const TPlugin p(plugin);
  check(p.Complete(), "viewer: the six window exports");
  if (!p.Complete()) return;
  std::printf("viewer: compositor frame wait %s\n", HasFrameWait() ? "present" : "absent");
  HWND lister = MakeLister();
  listerWindow = lister;
  CheckDeclined(p, lister);
  CheckSingleEngine(p, lister);
  CheckSeveralEngines(p, lister);
  CheckFlicker(p, lister);
  CheckCycling(p, lister);
  // The round of real pictures once, in the run with the frame wait.
  if (HasFrameWait()) CheckKinds(p, lister);
  CheckExport(p, lister);
  CheckNoLeaks(p, lister);
  DestroyWindow(lister);
}
