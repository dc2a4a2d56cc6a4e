// Export from the viewer window: the context menu's enabled states, the clipboard after
// each copy command, the real Save dialog for every save command, the Lister's own Copy
// command, and the warning that ends a true-colour GIF before any dialog.

#include "QoHostExport.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "viewer/win32/QoViewerCommands.h"

namespace {

using namespace qohost;

constexpr int kListCommandCopy = 1;

// ---------------------------------------------------------------------------------------
// The menu's enabled states, read by a timer inside the menu's modal loop.

std::vector<bool> menuEnabled;

void CALLBACK ReadMenuStates(HWND, UINT, UINT_PTR, DWORD) {
  HWND menuWindow = VisibleThreadWindow(L"#32768");
  if (!menuWindow) return;
  auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
  menuEnabled.clear();
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    menuEnabled.push_back(!(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED));
  }
  EndMenu();
}

std::vector<bool> MenuStates(HWND form) {
  menuEnabled.clear();
  OpenContextMenu(form, &ReadMenuStates, 50);
  return menuEnabled;
}

// ---------------------------------------------------------------------------------------
// Dialogs met while a command runs, answered by a timer inside their modal loops.

struct TDialogVisit {
  std::wstring Target;  // typed into a Save dialog; empty: the dialog is cancelled
  // What the Save dialog showed when it opened.
  int SaveDialogs = 0;
  std::wstring Filter, ProposedName, Folder;
  // The message boxes: their texts and whether they carried the warning icon.
  std::vector<std::wstring> Messages;
  std::vector<bool> Warnings;
} visit;

// The dialog's static control showing an icon, and its longest text.
void ReadMessageBox(HWND box, std::wstring& text, bool& warning) {
  warning = false;
  for (HWND child : Children(box)) {
    if (ClassOf(child) != L"Static") continue;
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
      warning = icon && icon == LoadIconW(nullptr, MAKEINTRESOURCEW(32515) /* IDI_WARNING */);
    } else if (TextOf(child).size() > text.size()) {
      text = TextOf(child);
    }
  }
}

void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = VisibleThreadWindow(L"#32770");
  if (!dialog) return;
  HWND filterBox = GetDlgItem(dialog, cmb1);
  if (filterBox) {
    if (visit.SaveDialogs++ > 0) {
      // Answered already and closing; one that stays open did not take the answer.
      if (visit.SaveDialogs < 20) return;
      for (HWND child : Children(dialog)) {
        std::printf("  save dialog control %d, %s: \"%s\"\n", GetDlgCtrlID(child),
                    Narrow(ClassOf(child)).c_str(), Narrow(TextOf(child)).c_str());
      }
      Press(dialog, IDCANCEL);
      visit.Messages.push_back(L"the Save dialog did not close");
      visit.Warnings.push_back(false);
      return;
    }
    visit.Filter = SelectedText(filterBox);
    HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    visit.ProposedName = TextOf(name);
    wchar_t path[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
    visit.Folder = path;
    if (visit.Target.empty()) {
      Press(dialog, IDCANCEL);
    } else {
      // The name box is a ComboBoxEx: what the dialog reads is the text of its edit.
      HWND edit = reinterpret_cast<HWND>(SendMessageW(name, CBEM_GETEDITCONTROL, 0, 0));
      SetWindowTextW(edit ? edit : name, visit.Target.c_str());
      Press(dialog, IDOK);
    }
    return;
  }
  std::wstring text;
  bool warning = false;
  ReadMessageBox(dialog, text, warning);
  visit.Messages.push_back(text);
  visit.Warnings.push_back(warning);
  Press(dialog, GetDlgItem(dialog, IDYES) ? IDYES : IDOK);
}

// Runs a menu command as the menu does (a posted command) and answers its dialogs.
void RunCommand(HWND form, UINT command, const std::wstring& target) {
  visit = TDialogVisit{};
  visit.Target = target;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &AnswerDialogs);
  PostMessageW(form, WM_COMMAND, command, 0);
  Pump(1500);
  KillTimer(nullptr, timer);
}

// ---------------------------------------------------------------------------------------
// The clipboard

void ClearClipboard(HWND owner) {
  if (OpenClipboard(owner)) {
    EmptyClipboard();
    CloseClipboard();
  }
}

std::vector<char> ClipboardBytes(UINT format) {
  std::vector<char> bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  if (HANDLE data = GetClipboardData(format)) {
    if (const void* block = GlobalLock(data)) {
      const auto* first = static_cast<const char*>(block);
      bytes.assign(first, first + GlobalSize(data));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return bytes;
}

// The clipboard's bitmap against a BMP file: the same bytes after its 14-byte file header.
bool SameBitmap(const std::vector<char>& dib, const std::vector<char>& bmpFile) {
  if (bmpFile.size() <= 14 || dib.size() < bmpFile.size() - 14) return false;
  // The system may round the block up; what counts is the bitmap's own length.
  return std::memcmp(dib.data(), bmpFile.data() + 14, bmpFile.size() - 14) == 0;
}

std::string DescribeDib(const std::vector<char>& dib) {
  if (dib.size() < sizeof(BITMAPINFOHEADER)) return "no bitmap";
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib.data(), sizeof(header));
  return std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) + ", " +
         std::to_string(header.biBitCount) + " bits, " + std::to_string(header.biClrUsed) +
         " colours";
}

// The dialog resolves a relative name against the folder it shows, not ours.
std::wstring FullPathOf(const std::string& path) {
  char full[MAX_PATH] = {};
  GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return Wide(full);
}

// ---------------------------------------------------------------------------------------

void CheckCopyImage(const TPlugin& p, HWND lister) {
  HWND form = p.Load(lister, Path("med.pi2"));
  if (!form) {
    check(false, "export: med.pi2 opens");
    return;
  }
  const std::vector<char> expected = ReadFileBytes(Path("export-expected/med.bmp"));
  ClearClipboard(form);
  RunCommand(form, kCmdCopyImage, L"");
  const std::vector<char> dib = ClipboardBytes(CF_DIB);
  check(SameBitmap(dib, expected) && visit.Messages.empty(),
        "export: \"Copy image\" places the picture enlarged for its pixel aspect, as the native "
        "tool writes it (" +
            DescribeDib(dib) + ")");

  ClearClipboard(form);
  const int answer = p.SendCommand(form, kListCommandCopy, 0);
  check(answer == 0 && SameBitmap(ClipboardBytes(CF_DIB), expected),
        "export: the Lister's Copy command copies the picture and answers 0");
  check(p.SendCommand(form, 2, 0) == 1 && p.SendCommand(nullptr, kListCommandCopy, 0) == 1,
        "export: other commands and foreign windows are answered 1");
  p.Close(form);
}

void CheckSaves(const TPlugin& p, HWND lister) {
  HWND form = p.Load(lister, Path("rings.bsc"));
  if (!form) {
    check(false, "export: rings.bsc opens");
    return;
  }
  Choose(BoxOf(form, L"&Palette:"), 0);  // "Pulsar (205)", as the expected files were made
  Pump(100);
  const std::vector<bool> enabled = MenuStates(form);
  check(enabled == std::vector<bool>{true, false, true, true, true, true},
        "export: without title or comment only \"Copy comment\" is disabled");

  CreateDirectoryA(Path("export-out").c_str(), nullptr);
  struct TSave {
    UINT Command;
    const char* Extension;
  };
  for (const TSave& save : {TSave{kCmdSaveBmp, "bmp"}, TSave{kCmdSavePng, "png"},
                            TSave{kCmdSaveGif, "gif"}, TSave{kCmdSavePalette, "pal"}}) {
    const std::string name = std::string("rings.") + save.Extension;
    const std::string target = Path("export-out/" + name);
    DeleteFileA(target.c_str());  // no overwrite question from an earlier run
    RunCommand(form, save.Command, FullPathOf(target));
    const std::vector<char> written = ReadFileBytes(target);
    check(visit.SaveDialogs == 1 && visit.Messages.empty() && !written.empty() &&
              written == ReadFileBytes(Path("export-expected/" + name)),
          "export: the Save dialog's " + name + " is what the native tool writes (" +
              std::to_string(written.size()) + " bytes)");
    const std::string mask = std::string("(*.") + save.Extension + ")";
    const std::string filter = Narrow(visit.Filter);
    check(filter.size() > mask.size() + 1 &&
              filter.compare(filter.size() - mask.size(), mask.size(), mask) == 0 &&
              Narrow(visit.ProposedName) == name && visit.Folder == FullPathOf(folder),
          "export: the dialog offers \"" + filter + "\", proposes \"" + Narrow(visit.ProposedName) +
              "\" in \"" + Narrow(visit.Folder) + "\"");
    if (save.Command == kCmdSavePalette) {
      check(filter == "PAL File (*.pal)", "export: an unregistered type is named \"PAL File\"");
    }
  }

  // A cancelled dialog ends silently and writes nothing.
  const std::string cancelled = Path("export-out/rings-cancelled.png");
  RunCommand(form, kCmdSavePng, L"");
  check(visit.SaveDialogs == 1 && visit.Messages.empty() &&
            GetFileAttributesA(cancelled.c_str()) == INVALID_FILE_ATTRIBUTES,
        "export: a cancelled Save dialog ends without a message");

  // A file that cannot be written (another program holds it open without sharing): the
  // overwrite question is answered yes, and the error that follows names the file and the
  // reason, with the error icon.
  const std::string locked = Path("export-out/rings-locked.bmp");
  std::ofstream(locked, std::ios::binary) << "old";
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  RunCommand(form, kCmdSaveBmp, FullPathOf(locked));
  CloseHandle(holder);
  const std::string message = visit.Messages.empty() ? "" : Narrow(visit.Messages.back());
  check(visit.SaveDialogs == 1 && !visit.Warnings.empty() && !visit.Warnings.back() &&
            message.find("Cannot write") == 0 &&
            message.find("rings-locked.bmp") != std::string::npos &&
            ReadFileBytes(locked) == std::vector<char>{'o', 'l', 'd'},
        "export: a file that cannot be written is reported as an error (\"" + message + "\")");
  p.Close(form);
}

// A HAM picture: true colour, with an annotation as its title.
const char kAnnotation[] = "A long annotation, longer than one line of the info text";

std::string MakeHamPicture() {
  auto be32 = [](std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>(v >> shift);
  };
  auto chunk = [&](const char* id, const std::string& data) {
    std::string c = id;
    be32(c, static_cast<uint32_t>(data.size()));
    c += data;
    if (data.size() % 2) c += '\0';
    return c;
  };
  // 16 x 2 pixels, 6 planes, no compression.
  const std::string bmhd(
      "\x00\x10\x00\x02\x00\x00\x00\x00\x06\x00\x00\x00\x00\x00\x0A\x0B\x00\x10\x00\x02", 20);
  std::string cmap;
  for (int i = 0; i < 16; ++i)
    cmap += {static_cast<char>(i * 16), static_cast<char>(255 - i * 16), 0};
  std::string body;
  for (int i = 0; i < 24; ++i) body += static_cast<char>(i * 37 + 5);
  std::string form = "ILBM" + chunk("BMHD", bmhd) + chunk("CAMG", std::string("\0\0\x08\0", 4)) +
                     chunk("CMAP", cmap) + chunk("ANNO", kAnnotation) + chunk("BODY", body);
  std::string file = "FORM";
  be32(file, static_cast<uint32_t>(form.size()));
  file += form;
  std::ofstream(Path("ham.iff"), std::ios::binary) << file;
  return "ham.iff";
}

void CheckTrueColour(const TPlugin& p, HWND lister) {
  HWND form = p.Load(lister, Path(MakeHamPicture()));
  if (!form) {
    check(false, "export: the HAM picture opens");
    return;
  }
  const std::vector<bool> enabled = MenuStates(form);
  check(enabled.size() == 6 && enabled[1], "export: a title enables \"Copy comment\"");
  ClearClipboard(form);
  RunCommand(form, kCmdCopyComment, L"");
  const std::vector<char> text = ClipboardBytes(CF_UNICODETEXT);
  const std::wstring copied(
      reinterpret_cast<const wchar_t*>(text.data()),
      wcsnlen(reinterpret_cast<const wchar_t*>(text.data()), text.size() / sizeof(wchar_t)));
  check(copied == Wide(kAnnotation), "export: \"Copy comment\" copies the title unbroken");

  ClearClipboard(form);
  RunCommand(form, kCmdCopyImage, L"");
  const std::vector<char> dib = ClipboardBytes(CF_DIB);
  BITMAPINFOHEADER header{};
  if (dib.size() >= sizeof(header)) std::memcpy(&header, dib.data(), sizeof(header));
  check(header.biBitCount == 24 && header.biWidth == 16 && header.biClrUsed == 0,
        "export: a true-colour picture is copied as a 24-bit bitmap (" + DescribeDib(dib) + ")");

  RunCommand(form, kCmdSaveGif, FullPathOf(Path("export-out/ham.gif")));
  check(visit.SaveDialogs == 0 && visit.Messages.size() == 1 &&
            visit.Messages[0] == L"Too many colors" && visit.Warnings[0],
        "export: a true-colour GIF ends in the warning \"Too many colors\" before any dialog");
  p.Close(form);
}

}  // namespace

void CheckExport(const TPlugin& p, HWND lister) {
  if (!Exists("export-expected/rings.png") || !Exists("med.pi2")) {
    check(false, "export: the expected files are missing");
    return;
  }
  CheckCopyImage(p, lister);
  CheckSaves(p, lister);
  CheckTrueColour(p, lister);
}
