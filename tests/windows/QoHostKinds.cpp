#include "QoHostKinds.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "QoHostCapture.h"

namespace {

using namespace qohost;

struct TKind {
  std::string File, Name, PaletteType;
  int Engines = 0, PaletteTypes = 0, Variants = 0, CalcModes = 0, Aspects = 0;
  int FittedWidth = 0, FittedHeight = 0;
};

bool ReadKind(const std::string& line, TKind& kind) {
  std::istringstream fields(line);
  std::string engines, types, variants, calc, aspects, w, h;
  if (!std::getline(fields, kind.File, '\t') || !std::getline(fields, kind.Name, '\t') ||
      !std::getline(fields, engines, '\t') || !std::getline(fields, types, '\t') ||
      !std::getline(fields, kind.PaletteType, '\t') || !std::getline(fields, variants, '\t') ||
      !std::getline(fields, calc, '\t') || !std::getline(fields, aspects, '\t') ||
      !std::getline(fields, w, '\t') || !std::getline(fields, h)) {
    return false;
  }
  kind.Engines = std::stoi(engines);
  kind.PaletteTypes = std::stoi(types);
  kind.Variants = std::stoi(variants);
  kind.CalcModes = std::stoi(calc);
  kind.Aspects = std::stoi(aspects);
  kind.FittedWidth = std::stoi(w);
  kind.FittedHeight = std::stoi(h);
  return kind.FittedWidth > 0 && kind.FittedHeight > 0;
}

int Count(HWND box) {
  return static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
}

// The option lists against what the native tool says the engine offers; empty when all
// agree, else what differs.
std::string OptionFaults(HWND form, const TKind& kind) {
  std::string faults;
  auto fault = [&](bool ok, const char* what) {
    if (!ok) faults += std::string(faults.empty() ? "" : ", ") + what;
  };
  if (kind.Engines == 1) {
    fault(Shown(Find(form, L"Static", Wide(kind.Name).c_str())) && !Shown(Find(form, L"ComboBox")),
          "the single engine's name");
  } else {
    HWND typeBox = Find(form, L"ComboBox");
    fault(Shown(typeBox) && Count(typeBox) == kind.Engines &&
              SelectedText(typeBox) == Wide(kind.Name),
          "the image-type list");
  }
  HWND palette = BoxOf(form, L"&Palette:");
  fault(kind.PaletteTypes >= 2 ? Shown(palette) && Count(palette) == kind.PaletteTypes &&
                                     SelectedText(palette) == Wide(kind.PaletteType)
                               : !Shown(palette),
        "the palette list");
  HWND variant = BoxOf(form, L"&Variant:");
  fault(kind.Variants >= 2 ? Shown(variant) && Count(variant) == kind.Variants : !Shown(variant),
        "the variant list");
  fault(Shown(BoxOf(form, L"&Calculation:")) == (kind.CalcModes == 3), "the calculation list");
  HWND aspect = BoxOf(form, L"Pixel &aspect ratio:");
  fault(kind.Aspects >= 2 ? Shown(aspect) && Count(aspect) == kind.Aspects : !Shown(aspect),
        "the aspect list");
  return faults;
}

// The rectangle inside the view's 2-pixel edge in which the picture must stand: as large
// as fits with its displayed proportions, centred.
RECT FittedRect(const TCapture& view, const TKind& kind) {
  const double innerW = view.W - 4, innerH = view.H - 4;
  const double ratio = static_cast<double>(kind.FittedWidth) / kind.FittedHeight;
  double w = innerW, h = innerW / ratio;
  if (h > innerH) h = innerH, w = innerH * ratio;
  const LONG left = 2 + static_cast<LONG>((innerW - w) / 2);
  const LONG top = 2 + static_cast<LONG>((innerH - h) / 2);
  return RECT{left, top, left + static_cast<LONG>(w) - 1, top + static_cast<LONG>(h) - 1};
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

void CheckKind(const TPlugin& p, HWND lister, const TKind& kind, int number) {
  HWND form = p.Load(lister, kind.File);
  if (!form) {
    check(false, "kinds: " + kind.File + " opens");
    return;
  }
  const std::string faults = OptionFaults(form, kind);
  const TCapture view = Settled(form, "kind-" + std::to_string(number));
  const RECT fitted = FittedRect(view, kind);
  const RECT extent = PictureExtent(view);
  // Pictures may have edges of the board's own colours, so the picture may look smaller
  // than its rectangle, never larger; one pixel of rounding either way.
  const bool inside = extent.left <= extent.right && extent.left >= fitted.left - 1 &&
                      extent.top >= fitted.top - 1 && extent.right <= fitted.right + 1 &&
                      extent.bottom <= fitted.bottom + 1;
  check(faults.empty() && inside,
        "kinds: " + kind.File + " opens as \"" + kind.Name + "\" with its options" +
            (faults.empty() ? "" : " (differ: " + faults + ")") + ", fitted in " +
            Describe(fitted) + " (drawn " + Describe(extent) + ", capture kind-" +
            std::to_string(number) + ".png)");
  p.Close(form);
}

}  // namespace

void CheckKinds(const TPlugin& p, HWND lister) {
  std::ifstream manifest(Path("kinds.tsv"));
  if (!manifest) {
    std::printf("kinds: no sample pictures on this machine\n");
    return;
  }
  int number = 0;
  std::string line;
  while (std::getline(manifest, line)) {
    TKind kind;
    if (!ReadKind(line, kind)) {
      check(false, "kinds: a readable manifest line (" + line + ")");
      continue;
    }
    CheckKind(p, lister, kind, ++number);
  }
  check(number > 0 && Children(lister).empty(),
        "kinds: " + std::to_string(number) + " kinds of picture opened and closed again");
}
