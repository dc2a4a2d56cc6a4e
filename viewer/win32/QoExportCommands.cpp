#include "viewer/win32/QoExportCommands.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/QoErrors.h"
#include "engine/QoLoadSource.h"
#include "export/QoExport.h"
#include "viewer/QoViewerLogic.h"
#include "viewer/win32/kivUI.h"

namespace {

// The clipboard, opened for the lifetime of the object.
class TClipboardSession {
 public:
  explicit TClipboardSession(HWND owner) {
    // Another program may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
      open_ = OpenClipboard(owner) != FALSE;
      if (!open_) Sleep(10);
    }
    if (!open_) throw EQoError("Cannot open the clipboard");
  }
  ~TClipboardSession() {
    if (open_) CloseClipboard();
  }
  TClipboardSession(const TClipboardSession&) = delete;
  TClipboardSession& operator=(const TClipboardSession&) = delete;

 private:
  bool open_ = false;
};

std::wstring RegistryDefaultValue(const std::wstring& key) {
  wchar_t value[512] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return std::wstring();
  }
  return value;
}

}  // namespace

void QoPutOnClipboard(HWND owner, UINT format, const void* data, std::size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) throw EOutOfResources();
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    throw EOutOfResources();
  }
  std::memcpy(target, data, size);
  GlobalUnlock(block);
  try {
    TClipboardSession session(owner);
    EmptyClipboard();
    // Once placed, the block belongs to the clipboard.
    if (!SetClipboardData(format, block)) throw EQoError("Cannot place the data on the clipboard");
  } catch (...) {
    GlobalFree(block);
    throw;
  }
}

void QoCopyPictureToClipboard(HWND owner, const TQoBitmap& picture) {
  const std::vector<uint8_t> dib = QoEncodePackedDib(picture);
  QoPutOnClipboard(owner, CF_DIB, dib.data(), dib.size());
}

void QoCopyTextToClipboard(HWND owner, const std::string& text) {
  const std::wstring wide = KivWide(text);
  QoPutOnClipboard(owner, CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

std::string QoSystemTypeName(const std::string& extension) {
  // The extension's key names the file type; the type's key holds its readable name.
  const std::wstring fileType = RegistryDefaultValue(KivWide(extension));
  if (fileType.empty()) return std::string();
  return KivUtf8(RegistryDefaultValue(fileType));
}

bool CreateSaveDialog(HWND owner, const std::string& folder, const std::string& shownName,
                      const std::string& extension, std::string& chosenPath) {
  const TQoSaveFilter filter = QoSaveFilter(QoSystemTypeName(extension), extension);
  std::wstring filterText = KivWide(filter.Description);
  filterText += L'\0';
  filterText += KivWide(filter.Mask);
  filterText += L'\0';  // the list ends with an empty entry

  std::vector<wchar_t> name(32768, L'\0');
  const std::wstring proposed = KivWide(QoReplaceExtension(shownName, extension));
  proposed.copy(name.data(), std::min(proposed.size(), name.size() - 1));
  const std::wstring initialFolder = KivWide(folder);
  const std::wstring defaultExtension = KivWide(extension.substr(extension.empty() ? 0 : 1));

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filterText.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
  dialog.lpstrDefExt = defaultExtension.c_str();
  // A plug-in must not move the host's current folder.
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING |
                 OFN_EXPLORER | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) {
    if (CommDlgExtendedError() != 0) throw EQoError("Cannot show the Save dialog");
    return false;
  }
  chosenPath = KivUtf8(name.data());
  return true;
}
