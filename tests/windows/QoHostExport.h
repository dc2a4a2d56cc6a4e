#pragma once
// The stand-in host's checks of exporting from the viewer window (see QoHost.cpp).

#include <windows.h>

#include "QoHostSupport.h"

// Needs, in the test folder: rings.bsc, med.pi2, and in "export-expected" what the
// native tool writes for rings.bsc with the palette type "Pulsar (205)" (rings.bmp,
// rings.png, rings.gif, rings.pal) and for med.pi2 as it comes (med.bmp).
void CheckExport(const qohost::TPlugin& p, HWND lister);
