#pragma once
// The stand-in host's endurance round (see QoHostEndurance.cpp).

#include <windows.h>

#include <functional>
#include <string>

using TPreviewBitmapW = HBITMAP(__stdcall*)(wchar_t*, int, int, char*, int);

// count files of roundFolder through the Lister window and count thumbnails; leak
// ("buffer", "bitmap", "handle", "thread", "window" or empty) plants one on purpose.
void CheckEndurance(HMODULE plugin, TPreviewBitmapW preview, const std::string& roundFolder,
                    int count, const std::string& leak,
                    const std::function<void(bool, const std::string&)>& check);
