#pragma once
// The stand-in host's checks of the viewer window (see QoHost.cpp).

#include <windows.h>

#include <functional>
#include <string>

void CheckViewer(HMODULE plugin, const std::string& folder,
                 const std::function<void(bool, const std::string&)>& check);
