#pragma once
// The commands of the viewer window's context menu, in menu order: the identifiers its
// items carry in WM_COMMAND. Programs that drive the window from outside post them too.

#include <windows.h>

enum TQoViewerCommand : UINT {
  kCmdCopyImage = 100,
  kCmdCopyComment,
  kCmdSaveBmp,
  kCmdSavePng,
  kCmdSaveGif,
  kCmdSavePalette
};
