#pragma once
// The stand-in host's round of the real sample pictures: one file of each kind the
// project decodes, opened in the viewer window (see scripts/windows/test.sh).

#include <windows.h>

#include "QoHostSupport.h"

// Reads "kinds.tsv" of the test folder: per line the full path of a sample file, the best engine's
// display name, the number of engines, of palette types, the selected palette type, the
// number of palette variants, the calculation modes, the number of offered aspect entries,
// and the width and height of the picture fitted into a 1000 x 1000 box with its aspect.
// Without the file (no samples on this machine) nothing is checked.
void CheckKinds(const qohost::TPlugin& p, HWND lister);
