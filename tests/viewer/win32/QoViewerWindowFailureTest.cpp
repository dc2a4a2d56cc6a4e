// The viewer window facing an engine that fails while decoding: opening leaves no window
// behind, and a choice whose picture cannot be decoded is reported while the window goes
// on working.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/QoErrors.h"
#include "color/QoBitmap.h"
#include "color/QoPaletteTypes.h"
#include "support/QoTestFiles.h"
#include "viewer/win32/WLXFormUnit.h"

namespace {

// "BRK" + mode byte: 'A' fails always; 'W' fails only in white-on-black. 8 x 8 pixels.
class TBrittleEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TBrittleEngine";
  static uint8_t Detect(TQoLoadSource& source) {
    return source.Bytes().Matches(0, "BRK") && source.Size == 4 ? 9 : 0;
  }
  explicit TBrittleEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
    Width = 8;
    Height = 8;
    ColorDepth = 1;
    AddPaletteType(ptBW);
    AddPaletteType(ptWB);
    PaletteType = ptBW;
  }
  std::unique_ptr<TQoBitmap> Decode() override {
    const char mode = static_cast<char>(Bytes().U8(3));
    if (mode == 'A' || (mode == 'W' && PaletteType == ptWB)) {
      throw EQoError("The picture data is damaged");
    }
    SetMonoPalette(PaletteType == ptWB);
    auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) bmp->SetPixel(x, y, static_cast<uint8_t>((x ^ y) & 1));
    }
    return bmp;
  }
};

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The message boxes met inside a handler, answered by a thread timer from their own
// modal loop.
std::vector<std::wstring> messages;

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
  if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  std::wstring text;
  for (HWND child : ChildrenOf(box)) {
    if (ClassOf(child) == L"Static" && TextOf(child).size() > text.size()) text = TextOf(child);
  }
  messages.push_back(text);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

struct ViewerWindowFailure : ::testing::Test {
  TQoEngineRegistry registry;
  TQoTempFolder folder;
  HWND parent = nullptr;

  void SetUp() override {
    registry.RegisterEngine(QoEngineClassOf<TBrittleEngine>());
    parent = CreateWindowExW(0, L"Static", L"lister", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800,
                             600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    messages.clear();
  }
  void TearDown() override { DestroyWindow(parent); }

  std::unique_ptr<TQoLoadSourceEx> Source(char mode) {
    const std::string path =
        folder.Write(std::string("picture-") + mode + ".brk", std::string("BRK") + mode);
    return std::make_unique<TQoLoadSourceEx>(path, registry);
  }

  // Chooses item index of a combo box as the user does: selection, then the notification.
  void Choose(HWND form, HWND box, int index) {
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AnswerMessageBox);
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    KillTimer(nullptr, timer);
  }
};

}  // namespace

TEST_F(ViewerWindowFailure, OpeningAFailingPictureLeavesNoWindow) {
  std::unique_ptr<TQoLoadSourceEx> source = Source('A');
  ASSERT_TRUE(source->Engines && source->Engines->Count() == 1);
  EXPECT_THROW(TprWLXForm::Open(parent, std::move(source)), EQoError);
  EXPECT_TRUE(ChildrenOf(parent).empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerWindowFailure, AFailingChoiceIsReportedAndTheWindowStaysUsable) {
  HWND window = TprWLXForm::Open(parent, Source('W'));
  ASSERT_NE(nullptr, window);
  auto* form = dynamic_cast<TprWLXForm*>(TkivWinControl::FindControl(window));
  ASSERT_NE(nullptr, form);
  HWND paletteBox = nullptr;
  for (HWND child : ChildrenOf(window)) {
    if (ClassOf(child) == L"ComboBox" && IsWindowVisible(child) &&
        SendMessageW(child, CB_GETCOUNT, 0, 0) == 2) {
      paletteBox = child;
    }
  }
  ASSERT_NE(nullptr, paletteBox);

  Choose(window, paletteBox, 1);
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(L"The picture data is damaged", messages[0]);
  EXPECT_TRUE(IsWindow(window));

  // Back to the first palette type: the picture is there again, without a message.
  Choose(window, paletteBox, 0);
  EXPECT_EQ(1u, messages.size());
  EXPECT_EQ(ptBW, form->CurrentEngine()->PaletteType);
  EXPECT_EQ(2, form->PaletteDisplay().Palette().GetCount());
  EXPECT_TRUE(form->RunCommand(kCmdCopyImage));
  delete form;
  EXPECT_TRUE(ChildrenOf(parent).empty());
}
