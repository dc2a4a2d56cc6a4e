#pragma once
// The system side of exporting from the viewer window: the clipboard and the Save
// dialog. What is exported and how it is encoded is decided by the portable export code.

#include <windows.h>

#include <cstddef>
#include <string>

#include "color/QoBitmap.h"

// Places one block of data on the clipboard in the given format, replacing what was
// there. The clipboard is always closed again; raises when it cannot be opened or the
// data cannot be placed.
void QoPutOnClipboard(HWND owner, UINT format, const void* data, std::size_t size);

// The picture as a device-independent bitmap of its own depth, with its palette when
// it is indexed.
void QoCopyPictureToClipboard(HWND owner, const TQoBitmap& picture);

// UTF-8 text as Unicode text.
void QoCopyTextToClipboard(HWND owner, const std::string& text);

// The name the system registers for files of an extension (".png"), empty when the
// extension is not registered.
std::string QoSystemTypeName(const std::string& extension);

// The modal Save dialog for one extension, owned by owner, opening in folder with the
// shown file's name given the new extension. Answers the chosen path (UTF-8), or false
// when the user cancelled. Raises when the dialog cannot be shown.
bool CreateSaveDialog(HWND owner, const std::string& folder, const std::string& shownName,
                      const std::string& extension, std::string& chosenPath);
