#include "cli/QoCli.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "cli/QoCliJson.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "export/QoExport.h"
#include "plugin/QoThumbnail.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  orvalon formats\n"
    "      the registered engine classes in registry order: index, class, platform,\n"
    "      default extension\n"
    "  orvalon info FILE... [--json]\n"
    "      the engines that accept each file, best first, with what they offer\n"
    "  orvalon convert FILE... [-o OUT | -d DIR] [selection]\n"
    "      writes the picture as .png (default), .bmp or .gif by OUT's extension;\n"
    "      without -o or -d the picture is written beside FILE as .png\n"
    "  orvalon palette FILE... [-o OUT.pal | -d DIR] [selection]\n"
    "      writes the picture's palette as a JASC-PAL text file (beside FILE as .pal\n"
    "      without -o or -d)\n"
    "  orvalon thumbnail FILE [-o OUT.png] [--size WxH]\n"
    "      the thumbnail the file manager shows: the best engine's picture fitted into\n"
    "      a box of W x H (default 96x96) with its pixel aspect; written beside FILE\n"
    "      as .thumb.png without -o\n"
    "\n"
    "Selection (as the viewer offers it; 'orvalon info' lists the choices):\n"
    "  --engine N                 the N-th accepting engine (0 = best rated)\n"
    "  --palette LABEL            a palette type by its label\n"
    "  --variant NAME             a palette variant\n"
    "  --calc standard|linear     the colour-mix calculation\n"
    "  --aspect N                 a pixel-aspect entry the engine offers\n"
    "  --frame K                  frame K (0 = first screen) of a multi-screen picture\n"
    "  --native                   no whole-factor enlargement for the pixel aspect\n"
    "\n"
    "Exit status: 0 success, 1 no engine accepts a file, 2 usage error,\n"
    "3 a decode, read or write error.\n";

class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TSelection {
  int Engine = 0;
  std::string Palette;
  std::string Variant;
  std::string Calc;
  int Aspect = -1;
  int Frame = -1;
  bool Native = false;
};

struct TCommandLine {
  std::string Command;
  std::vector<std::string> Files;
  std::string Output;
  std::string Directory;
  bool Json = false;
  int32_t BoxWidth = 96;
  int32_t BoxHeight = 96;
  TSelection Selection;
};

int ParseIndex(const std::string& option, const std::string& text) {
  std::size_t used = 0;
  int value = -1;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || value < 0) {
    throw EUsage(option + " needs a number of 0 or more, not \"" + text + "\"");
  }
  return value;
}

TCommandLine Parse(const std::vector<std::string>& args) {
  TCommandLine line;
  if (args.empty()) throw EUsage("no command given");
  line.Command = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw EUsage(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--json") {
      line.Json = true;
    } else if (arg == "-o") {
      line.Output = value();
    } else if (arg == "-d") {
      line.Directory = value();
    } else if (arg == "--engine") {
      line.Selection.Engine = ParseIndex(arg, value());
    } else if (arg == "--palette") {
      line.Selection.Palette = value();
    } else if (arg == "--variant") {
      line.Selection.Variant = value();
    } else if (arg == "--calc") {
      line.Selection.Calc = value();
      if (line.Selection.Calc != "standard" && line.Selection.Calc != "linear") {
        throw EUsage("--calc takes standard or linear");
      }
    } else if (arg == "--aspect") {
      line.Selection.Aspect = ParseIndex(arg, value());
    } else if (arg == "--frame") {
      line.Selection.Frame = ParseIndex(arg, value());
    } else if (arg == "--size") {
      const std::string size = value();
      const std::size_t x = size.find('x');
      if (x == std::string::npos) throw EUsage("--size takes WxH, such as 96x96");
      line.BoxWidth = ParseIndex(arg, size.substr(0, x));
      line.BoxHeight = ParseIndex(arg, size.substr(x + 1));
    } else if (arg == "--native") {
      line.Selection.Native = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw EUsage("unknown option " + arg);
    } else {
      line.Files.push_back(arg);
    }
  }
  return line;
}

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::vector<std::string> PaletteTypeLabels(const TQoSourceEngine& engine) {
  std::vector<std::string> labels;
  for (uint8_t type : engine.PaletteTypes) labels.push_back(QoPaletteTypeLabel(type));
  return labels;
}

std::vector<int> OfferedAspects(const TQoSourceEngine& engine) {
  const uint64_t offered = QoOfferedAspects(engine.AspectMask, engine.AspectIndex);
  std::vector<int> entries;
  for (int i = 0; i < kQoAspectCount; ++i) {
    if (offered & (uint64_t{1} << i)) entries.push_back(i);
  }
  return entries;
}

// Writes the user's choices into the engine, as the viewer does; a choice the engine
// does not offer is a usage error that lists what it offers.
void ApplySelection(TQoSourceEngine& engine, const TSelection& selection) {
  if (!selection.Palette.empty()) {
    auto it =
        std::find_if(engine.PaletteTypes.begin(), engine.PaletteTypes.end(),
                     [&](uint8_t type) { return selection.Palette == QoPaletteTypeLabel(type); });
    if (it == engine.PaletteTypes.end()) {
      const std::vector<std::string> labels = PaletteTypeLabels(engine);
      throw EUsage("palette \"" + selection.Palette + "\" is not offered; available: " +
                   (labels.empty() ? std::string("none") : Join(labels)));
    }
    engine.PaletteType = *it;
  }
  if (!selection.Variant.empty()) {
    const int count = engine.GetPaletteVariantCount();
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(engine.GetPaletteVariant(i));
    if (std::find(names.begin(), names.end(), selection.Variant) == names.end()) {
      throw EUsage("variant \"" + selection.Variant + "\" is not offered; available: " +
                   (names.empty() ? std::string("none") : Join(names)));
    }
    engine.PaletteVariant = selection.Variant;
  }
  if (!selection.Calc.empty()) {
    const uint8_t mode = selection.Calc == "linear" ? 1 : 0;
    if (!(engine.CalcModes & (1u << mode))) {
      std::vector<std::string> modes;
      if (engine.CalcModes & 1) modes.push_back("standard");
      if (engine.CalcModes & 2) modes.push_back("linear");
      throw EUsage("calculation \"" + selection.Calc + "\" is not offered; available: " +
                   (modes.empty() ? std::string("none") : Join(modes)));
    }
    engine.CalcMode = mode;
  }
  if (selection.Aspect >= 0) {
    const std::vector<int> offered = OfferedAspects(engine);
    if (std::find(offered.begin(), offered.end(), selection.Aspect) == offered.end()) {
      std::vector<std::string> entries;
      for (int i : offered)
        entries.push_back(std::to_string(i) + " (" + QoAspectEntry(i).Label + ")");
      throw EUsage("aspect entry " + std::to_string(selection.Aspect) +
                   " is not offered; available: " + Join(entries));
    }
  }
}

// One file's load source, or the status that ends its processing.
struct TLoaded {
  std::unique_ptr<TQoLoadSourceEx> Source;
  int Status = qeSuccess;
};

TLoaded Load(const std::string& path, const TQoEngineRegistry& registry, std::ostream& err) {
  TLoaded loaded;
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    err << "orvalon: " << path
        << ": cannot read: " << (fs::exists(path, error) ? "not a regular file" : "no such file")
        << "\n";
    loaded.Status = qeFileError;
    return loaded;
  }
  const auto size = fs::file_size(path, error);
  if (!error && size >= static_cast<uintmax_t>(TQoFileLoadSource::kMaxFileSize)) {
    err << "orvalon: " << path << ": cannot read: larger than 10 MiB\n";
    loaded.Status = qeFileError;
    return loaded;
  }
  loaded.Source = std::make_unique<TQoLoadSourceEx>(path, registry);
  if (loaded.Source->Size == 0 && !error && size > 0) {
    err << "orvalon: " << path << ": cannot read the file\n";
    loaded.Status = qeFileError;
  } else if (!loaded.Source->Engines || loaded.Source->Engines->Count() == 0) {
    err << "orvalon: " << path << ": no engine accepts this file\n";
    loaded.Status = qeNoEngine;
  }
  return loaded;
}

TQoSourceEngine& SelectEngine(TQoLoadSourceEx& source, const TSelection& selection) {
  const int count = source.Engines->Count();
  if (selection.Engine >= count) {
    std::ostringstream list;
    for (int i = 0; i < count; ++i) {
      list << (i ? ", " : "") << i << " (" << source.Engines->GetEngine(i)->GetDisplayName() << ")";
    }
    throw EUsage("engine " + std::to_string(selection.Engine) +
                 " is out of range; available: " + list.str());
  }
  TQoSourceEngine& engine = *source.Engines->GetEngine(selection.Engine);
  ApplySelection(engine, selection);
  return engine;
}

int WorseStatus(int a, int b) {
  // A usage or file error outweighs a file nobody accepts, which outweighs success.
  auto weight = [](int status) { return status == qeNoEngine ? 1 : (status == qeSuccess ? 0 : 2); };
  if (weight(a) != weight(b)) return weight(a) > weight(b) ? a : b;
  return std::max(a, b);
}

// Progress on a terminal for long batches.
class TProgress {
 public:
  TProgress(std::ostream& err, bool enabled, std::size_t total)
      : err_(err), enabled_(enabled && total >= kMinimumBatch), total_(total) {}
  ~TProgress() {
    if (enabled_) err_ << "\r\033[K" << std::flush;
  }
  void Step(std::size_t index, const std::string& file) {
    if (enabled_) err_ << "\r\033[K[" << index + 1 << "/" << total_ << "] " << file << std::flush;
  }

 private:
  static constexpr std::size_t kMinimumBatch = 8;
  std::ostream& err_;
  bool enabled_;
  std::size_t total_;
};

// formats

int RunFormats(const TCommandLine& line, std::ostream& out, const TQoEngineRegistry& registry) {
  if (!line.Files.empty()) throw EUsage("formats takes no file");
  // Classes that need real data to be built show "-".
  int index = 0;
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    const TQoEngineClassInfo info = QoDescribeEngineClass(engineClass);
    const std::string platform = info.Platform.empty() ? "-" : info.Platform;
    const std::string extension = info.DefaultExtension.empty() ? "-" : info.DefaultExtension;
    out << index++ << "\t" << engineClass.Name << "\t" << platform << "\t" << extension << "\n";
  }
  return qeSuccess;
}

// info

void WriteEngineJson(TQoJsonWriter& json, int index, const TQoSourceEngine& engine) {
  json.BeginObject();
  json.Member("index", index);
  json.Member("class", engine.EngineClass);
  json.Member("name", engine.GetDisplayName());
  json.Member("flags", engine.DetectFlags);
  json.Member("rating", static_cast<int>(engine.Rating));
  json.Member("platform", engine.PlatformName);
  json.Member("mode", engine.ModeName);
  json.Member("description", engine.Description);
  json.Member("defaultExtension", engine.DefaultExtension);
  json.Member("width", static_cast<int>(engine.Width));
  json.Member("height", static_cast<int>(engine.Height));
  json.Member("colorDepth", static_cast<int>(engine.ColorDepth));
  json.Member("frameCount", static_cast<int>(engine.FrameCount));
  json.Key("paletteTypes");
  json.BeginArray();
  for (const std::string& label : PaletteTypeLabels(engine)) json.String(label);
  json.EndArray();
  json.Member("paletteType", engine.PaletteTypes.empty()
                                 ? std::string()
                                 : std::string(QoPaletteTypeLabel(engine.PaletteType)));
  json.Key("paletteVariants");
  json.BeginArray();
  for (int i = 0; i < engine.GetPaletteVariantCount(); ++i)
    json.String(engine.GetPaletteVariant(i));
  json.EndArray();
  json.Member("paletteVariant", engine.PaletteVariant);
  json.Member("calcModes", engine.CalcModes);
  json.Member("calcMode", engine.CalcMode);
  json.Member("aspectIndex", engine.AspectIndex);
  json.Key("aspectOffered");
  json.BeginArray();
  for (int entry : OfferedAspects(engine)) json.Number(entry);
  json.EndArray();
  json.Member("infoName", engine.InfoName);
  json.Member("infoTitle", engine.InfoTitle);
  json.Member("infoComment", engine.InfoComment);
  json.Key("cycleRanges");
  json.BeginArray();
  for (int i = 0; i < engine.CycleRanges.Count; ++i) {
    const TQoCycleRange& range = engine.CycleRanges.Items[static_cast<std::size_t>(i)];
    json.BeginObject();
    json.Member("low", static_cast<int>(range.Low));
    json.Member("high", static_cast<int>(range.High));
    json.Member("reverse", range.Reverse != 0);
    json.Member("delay", static_cast<int>(range.Delay));
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

void WriteFileJson(TQoJsonWriter& json, const std::string& path, const TQoLoadSourceEx* source) {
  json.BeginObject();
  json.Member("file", path);
  json.Member("size", static_cast<int64_t>(source ? source->Size : 0));
  json.Key("wrapper");
  const char* wrapper = source ? QoWrapperName(source->Wrapper) : nullptr;
  if (wrapper) {
    json.String(wrapper);
  } else {
    json.Null();
  }
  json.Key("engines");
  json.BeginArray();
  if (source && source->Engines) {
    for (int i = 0; i < source->Engines->Count(); ++i) {
      WriteEngineJson(json, i, *source->Engines->GetEngine(i));
    }
  }
  json.EndArray();
  json.EndObject();
}

void WriteFileText(std::ostream& out, const std::string& path, const TQoLoadSourceEx& source) {
  out << path << ": " << source.Size << " bytes";
  if (const char* wrapper = QoWrapperName(source.Wrapper))
    out << ", inside a " << wrapper << " wrapper";
  out << "\n";
  for (int i = 0; i < source.Engines->Count(); ++i) {
    const TQoSourceEngine& e = *source.Engines->GetEngine(i);
    out << "  [" << i << "] " << e.GetDisplayName() << "\n";
    out << "      class " << e.EngineClass << ", flags " << static_cast<int>(e.DetectFlags)
        << ", rating " << e.Rating;
    if (!e.DefaultExtension.empty()) out << ", extension " << e.DefaultExtension;
    out << "\n";
    if (!e.PaletteTypes.empty()) {
      out << "      palette types: " << Join(PaletteTypeLabels(e))
          << " (selected: " << QoPaletteTypeLabel(e.PaletteType) << ")\n";
    }
    if (e.GetPaletteVariantCount() > 0) {
      std::vector<std::string> names;
      for (int v = 0; v < e.GetPaletteVariantCount(); ++v) names.push_back(e.GetPaletteVariant(v));
      out << "      variants: " << Join(names) << " (selected: " << e.PaletteVariant << ")\n";
    }
    if ((e.CalcModes & 3) == 3) {
      out << "      calculation: standard, linear (selected: "
          << (e.CalcMode ? "linear" : "standard") << ")\n";
    }
    std::vector<std::string> aspects;
    for (int entry : OfferedAspects(e)) {
      aspects.push_back(std::to_string(entry) + " (" + QoAspectEntry(entry).Label + ")");
    }
    out << "      aspect: " << Join(aspects) << " (selected: " << static_cast<int>(e.AspectIndex)
        << ")\n";
    if (!e.InfoName.empty() || !e.InfoTitle.empty()) {
      out << "      info: " << e.InfoName << " / " << e.InfoTitle << "\n";
    }
    if (!e.InfoComment.empty()) out << "      comment: " << e.InfoComment << "\n";
    for (int r = 0; r < e.CycleRanges.Count; ++r) {
      const TQoCycleRange& range = e.CycleRanges.Items[static_cast<std::size_t>(r)];
      out << "      cycle: " << range.Low << "-" << range.High << (range.Reverse ? " reverse" : "")
          << ", delay " << range.Delay << "\n";
    }
  }
}

int RunInfo(const TCommandLine& line, std::ostream& out, std::ostream& err,
            const TQoEngineRegistry& registry, bool progress) {
  if (line.Files.empty()) throw EUsage("info needs at least one file");
  int status = qeSuccess;
  TQoJsonWriter json(out);
  const bool many = line.Files.size() > 1;
  if (line.Json && many) json.BeginArray();
  TProgress bar(err, progress && line.Json, line.Files.size());
  for (std::size_t i = 0; i < line.Files.size(); ++i) {
    const std::string& path = line.Files[i];
    bar.Step(i, path);
    TLoaded loaded = Load(path, registry, err);
    status = WorseStatus(status, loaded.Status);
    if (line.Json) {
      WriteFileJson(json, path, loaded.Source.get());
    } else if (loaded.Status == qeSuccess) {
      WriteFileText(out, path, *loaded.Source);
    }
  }
  if (line.Json && many) json.EndArray();
  if (line.Json) out << "\n";
  return status;
}

// convert and palette

// The lower-cased extension of a path's file name, with its dot.
std::string ExtensionOf(const std::string& path) {
  return QoLowerExtension(fs::path(path).filename().string());
}

// Refuses an output name whose extension names no picture writer.
void CheckPictureType(const std::string& path) {
  const std::string extension = ExtensionOf(path);
  if (extension != ".png" && extension != ".bmp" && extension != ".gif") {
    throw EUsage("cannot tell the picture type of \"" + path + "\": use .png, .bmp or .gif");
  }
}

std::string OutputPathFor(const TCommandLine& line, const std::string& input) {
  if (!line.Output.empty()) return line.Output;
  // pic.scr and pic.bsc in one batch would both become pic.png: such files keep their
  // extension in the output name (pic.scr.png, pic.bsc.png), so nothing is overwritten.
  const std::string stem = fs::path(input).stem().string();
  const bool shared =
      std::count_if(line.Files.begin(), line.Files.end(),
                    [&](const std::string& f) { return fs::path(f).stem().string() == stem; }) > 1;
  std::string name = shared ? fs::path(input).filename().string() : stem;
  if (line.Selection.Frame >= 0) name += "-frame" + std::to_string(line.Selection.Frame);
  name += line.Command == "palette" ? ".pal" : ".png";
  const fs::path folder =
      line.Directory.empty() ? fs::path(input).parent_path() : fs::path(line.Directory);
  return (folder / name).string();
}

// The picture to write: the decoded picture or one of its frames, enlarged by whole
// factors for the pixel aspect unless the native size is asked for.
std::unique_ptr<TQoBitmap> BuildPicture(TQoSourceEngine& engine, const TSelection& selection) {
  const int aspect = selection.Aspect >= 0 ? selection.Aspect : engine.AspectIndex;
  // The whole picture as the viewer exports it.
  if (selection.Frame < 0 && !selection.Native) return ExportPicture(engine, aspect);
  std::unique_ptr<TQoBitmap> bmp = engine.Decode();
  if (!bmp) throw EQoError("the engine produced no picture");
  if (selection.Frame >= 0) {
    const int frames = bmp->FrameCount();
    if (selection.Frame >= frames) {
      throw EUsage("frame " + std::to_string(selection.Frame) +
                   " is out of range; the picture has " + std::to_string(frames) +
                   (frames == 1 ? " frame" : " frames"));
    }
    bmp = bmp->Frames->Extract(selection.Frame);
  }
  if (selection.Native) return bmp;
  return QoEnlarge(std::move(bmp), QoExportRepeat(aspect));
}

int ConvertOne(const TCommandLine& line, const std::string& path, std::ostream& out,
               std::ostream& err, const TQoEngineRegistry& registry) {
  TLoaded loaded = Load(path, registry, err);
  if (loaded.Status != qeSuccess) return loaded.Status;
  const std::string target = OutputPathFor(line, path);
  std::error_code error;
  if (fs::exists(target, error) && fs::equivalent(target, path, error)) {
    throw EUsage("the output \"" + target + "\" would overwrite the input");
  }
  TQoSourceEngine& engine = SelectEngine(*loaded.Source, line.Selection);
  std::vector<uint8_t> bytes;
  if (line.Command == "palette") {
    if (ExtensionOf(target) != ".pal") throw EUsage("the palette file must end in .pal");
    std::unique_ptr<TQoBitmap> bmp = engine.Decode();
    if (engine.Palette->GetCount() == 0) throw EQoError("the picture has no palette");
    const std::string text = QoPaletteToText(*engine.Palette);
    bytes.assign(text.begin(), text.end());
  } else {
    CheckPictureType(target);
    std::unique_ptr<TQoBitmap> bmp = BuildPicture(engine, line.Selection);
    // The pixel shape that remains after the enlargement rides along in the PNG.
    const int aspect = line.Selection.Aspect >= 0 ? line.Selection.Aspect : engine.AspectIndex;
    TQoPngOptions png;
    png.PixelAspect =
        (line.Selection.Native ? QoNativeRepeat(aspect) : QoExportRepeat(aspect)).PixelAspect;
    bytes = QoEncodeForExtension(*bmp, ExtensionOf(target), png);
  }
  QoWriteFile(target, bytes);
  out << path << " -> " << target << " (" << engine.GetDisplayName() << ")\n";
  return qeSuccess;
}

int RunConvert(const TCommandLine& line, std::ostream& out, std::ostream& err,
               const TQoEngineRegistry& registry, bool progress) {
  if (line.Files.empty()) throw EUsage(line.Command + " needs at least one file");
  if (!line.Output.empty() && !line.Directory.empty()) throw EUsage("give -o or -d, not both");
  if (!line.Output.empty() && line.Files.size() > 1) {
    throw EUsage("-o names one output file; use -d DIR for several files");
  }
  if (!line.Output.empty() && line.Command == "convert") CheckPictureType(line.Output);
  if (!line.Directory.empty()) {
    std::error_code error;
    if (!fs::is_directory(line.Directory, error)) {
      throw EUsage("-d " + line.Directory + ": no such folder");
    }
  }
  int status = qeSuccess;
  TProgress bar(err, progress, line.Files.size());
  for (std::size_t i = 0; i < line.Files.size(); ++i) {
    const std::string& path = line.Files[i];
    bar.Step(i, path);
    int fileStatus = qeSuccess;
    try {
      fileStatus = ConvertOne(line, path, out, err, registry);
    } catch (const EUsage& e) {
      err << "orvalon: " << path << ": " << e.what() << "\n";
      fileStatus = qeUsage;
    } catch (const std::exception& e) {
      err << "orvalon: " << path << ": " << e.what() << "\n";
      fileStatus = qeFileError;
    }
    status = WorseStatus(status, fileStatus);
  }
  return status;
}

// thumbnail

int RunThumbnail(const TCommandLine& line, std::ostream& out, std::ostream& err,
                 const TQoEngineRegistry& registry) {
  if (line.Files.size() != 1) throw EUsage("thumbnail takes one file");
  const std::string& path = line.Files[0];
  std::string target = line.Output;
  if (target.empty()) target = fs::path(path).replace_extension(".thumb.png").string();
  if (ExtensionOf(target) != ".png") throw EUsage("the thumbnail file must end in .png");
  TLoaded loaded = Load(path, registry, err);
  if (loaded.Status != qeSuccess) return loaded.Status;
  try {
    // As the file manager gets it: the best engine with its own defaults.
    TQoSourceEngine& engine = *loaded.Source->Engines->GetEngine(0);
    const std::unique_ptr<TQoBitmap32> thumb =
        QoThumbnailOfEngine(engine, line.BoxWidth, line.BoxHeight);
    TQoBitmap24 picture(thumb->Width, thumb->Height);
    for (int32_t y = 0; y < thumb->Height; ++y) {
      for (int32_t x = 0; x < thumb->Width; ++x) picture.SetPixel(x, y, thumb->At(x, y) & 0xFFFFFF);
    }
    QoWriteFile(target, QoEncodePng(picture));
    out << path << " -> " << target << " (" << thumb->Width << "x" << thumb->Height << ", "
        << engine.GetDisplayName() << ")\n";
  } catch (const std::exception& e) {
    err << "orvalon: " << path << ": " << e.what() << "\n";
    return qeFileError;
  }
  return qeSuccess;
}

}  // namespace

int QoRunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const TQoEngineRegistry& registry, bool progress) {
  try {
    // Help is asked for instead of a command or right after one ("orvalon convert -h");
    // after a command a bare "help" is a file name.
    const auto isHelpOption = [](const std::string& arg) { return arg == "--help" || arg == "-h"; };
    if (!args.empty() && (isHelpOption(args[0]) || args[0] == "help" ||
                          (args.size() > 1 && isHelpOption(args[1])))) {
      out << kUsage;
      return qeSuccess;
    }
    const TCommandLine line = Parse(args);
    if (line.Command == "formats") return RunFormats(line, out, registry);
    if (line.Command == "info") return RunInfo(line, out, err, registry, progress);
    if (line.Command == "convert" || line.Command == "palette") {
      return RunConvert(line, out, err, registry, progress);
    }
    if (line.Command == "thumbnail") return RunThumbnail(line, out, err, registry);
    throw EUsage("unknown command \"" + line.Command + "\"");
  } catch (const EUsage& e) {
    err << "orvalon: " << e.what() << "\n\n" << kUsage;
    return qeUsage;
  }
}
