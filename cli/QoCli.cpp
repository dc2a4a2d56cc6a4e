#include "cli/QoCli.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "base/QoErrors.h"
#include "cli/QoCliAnimate.h"
#include "cli/QoCliGallery.h"
#include "cli/QoCliJson.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "export/QoExport.h"
#include "platforms/QoPlatformModules.h"
#include "plugin/QoThumbnail.h"

#ifndef ORVALON_VERSION
#define ORVALON_VERSION "unknown"
#endif

namespace fs = std::filesystem;

namespace {

// What names one file whatever its spelling: its device and inode where the system keeps
// them (one stat, where resolving the path would read every folder on the way as a
// link), otherwise, and for a missing file, its absolute path resolved as far as it goes.
std::string FileIdentity(const std::string& file) {
#if !defined(_WIN32)
  struct stat info {};
  if (::stat(file.c_str(), &info) == 0) {
    return "inode " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
  }
#endif
  std::error_code error;
  fs::path key = fs::weakly_canonical(fs::absolute(file, error), error);
  if (error) key = fs::absolute(file, error).lexically_normal();
  return key.string();
}

// The help text; the man page is made from it too, so it says everything once.
constexpr const char* kUsage =
    "Usage:\n"
    "  orvalon formats [--json] [--platform NAME]\n"
    "      the registered engine classes in registry order: index, class, platform,\n"
    "      default extension, description (\"-\" where a class tells only with data);\n"
    "      --platform keeps the classes of one platform or module (any case)\n"
    "  orvalon info FILE... [--json]\n"
    "      the engines that accept each file, best first, with what they offer\n"
    "  orvalon convert FILE... [-o OUT | -d DIR] [selection] [--animate]\n"
    "      writes the picture as .png (default), .bmp or .gif by OUT's extension;\n"
    "      without -o or -d the picture is written beside FILE as .png\n"
    "      --animate writes an animated GIF (beside FILE as .gif without -o): a\n"
    "      colour-cycling picture over one whole period of all its ranges, each range\n"
    "      at its own delay in 1/60 s ticks; a two-screen picture as a two-frame loop\n"
    "      at 1/50 s a screen. GIF counts in 1/100 s, so a change is shown for at\n"
    "      least 2/100 s; at most 600 frames, a longer cycle is cut there\n"
    "  orvalon palette FILE... [-o OUT.pal | -d DIR] [selection]\n"
    "      writes the picture's palette as a JASC-PAL text file (beside FILE as .pal\n"
    "      without -o or -d)\n"
    "  orvalon thumbnail FILE... [-o OUT.png | -d DIR] [--size WxH]\n"
    "      the thumbnail the file manager shows: the best engine's picture fitted into\n"
    "      a box of W x H (default 96x96) with its pixel aspect; written beside FILE\n"
    "      as NAME.thumb.png without -o (in DIR with -d)\n"
    "  orvalon gallery FILE... -o DIR [--size WxH] [--note TEXT]\n"
    "      DIR/index.html, a plain page of every file with its thumbnail, picture,\n"
    "      format, size, palette and pixel aspect; the pictures go to DIR/pictures,\n"
    "      the thumbnails (default 160x160) to DIR/thumbnails; --note adds a line of\n"
    "      text under the title\n"
    "  orvalon --version | --help\n"
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
    "Batches (convert, palette, thumbnail, gallery):\n"
    "  -j N                       N files at a time (default: every core; -j 1 one\n"
    "                             after the other); output stays in input order and\n"
    "                             a file that fails does not stop the others\n"
    "  --compression fast|default|best\n"
    "                             how hard PNG files are packed (default: default)\n"
    "  -d DIR                     the output folder, created with its parents\n"
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

// A selection and the aspect entry it comes to for one engine.
struct TSourceChoice {
  TSelection Selection;
  int Aspect = 0;
};

struct TCommandLine {
  std::string Command;
  std::vector<std::string> Files;
  std::string Output;
  std::string Directory;
  std::string Platform;
  std::string Note;  // a line for the gallery page
  bool Json = false;
  bool Animate = false;
  bool SizeGiven = false;
  int32_t BoxWidth = 96;
  int32_t BoxHeight = 96;
  int Jobs = 0;  // 0: every core
  TQoPngOptions Png;
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
      // A side of 0 gives the smallest thumbnail, as the file manager's request does.
      if (line.BoxWidth > 4096 || line.BoxHeight > 4096) {
        throw EUsage("--size takes sides of 0 to 4096 pixels, such as 96x96");
      }
      line.SizeGiven = true;
    } else if (arg == "--native") {
      line.Selection.Native = true;
    } else if (arg == "--animate") {
      line.Animate = true;
    } else if (arg == "--note") {
      line.Note = value();
    } else if (arg == "--platform") {
      line.Platform = value();
    } else if (arg == "-j" || arg == "--jobs") {
      line.Jobs = ParseIndex(arg, value());
      if (line.Jobs == 0) throw EUsage(arg + " needs a number of 1 or more");
    } else if (arg.size() > 2 && arg.compare(0, 2, "-j") == 0) {
      line.Jobs = ParseIndex("-j", arg.substr(2));
      if (line.Jobs == 0) throw EUsage("-j needs a number of 1 or more");
    } else if (arg == "--compression") {
      const std::string level = value();
      if (level == "fast") {
        line.Png.Compression = TQoPngCompression::Fast;
      } else if (level == "default") {
        line.Png.Compression = TQoPngCompression::Default;
      } else if (level == "best") {
        line.Png.Compression = TQoPngCompression::Best;
      } else {
        throw EUsage("--compression takes fast, default or best, not \"" + level + "\"");
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw EUsage("unknown option " + arg);
    } else {
      line.Files.push_back(arg);
    }
  }
  // The same file twice would be processed twice and, in a batch, written twice.
  std::set<std::string> seen;
  for (const std::string& file : line.Files) {
    if (!seen.insert(FileIdentity(file)).second) throw EUsage(file + ": the file is given twice");
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
    err << "orvalon: " << path
        << ": no engine accepts this file ('orvalon formats' lists what is known)\n";
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

// Progress on a terminal for long batches: one line, rewritten in place and cleared
// before any message so that messages stay whole lines.
class TProgress {
 public:
  TProgress(std::ostream& err, bool enabled, std::size_t total)
      : err_(err), enabled_(enabled && total >= kMinimumBatch), total_(total) {}
  ~TProgress() { Clear(); }
  void Step(std::size_t done, const std::string& file) {
    if (!enabled_) return;
    err_ << "\r\033[K[" << done << "/" << total_ << "] " << file << std::flush;
    shown_ = true;
  }
  void Clear() {
    if (shown_) err_ << "\r\033[K" << std::flush;
    shown_ = false;
  }

 private:
  static constexpr std::size_t kMinimumBatch = 8;
  std::ostream& err_;
  bool enabled_;
  bool shown_ = false;
  std::size_t total_;
};

// What one file of a batch said, held until every file before it has been written out.
struct TFileResult {
  std::string Out;
  std::string Err;
  int Status = qeSuccess;
  bool Done = false;
};

// The status of one file's work: a bad choice for this file is a usage error, anything
// else that went wrong a file error; either way the message names the file.
int RunGuarded(const std::string& path, std::ostream& err, const std::function<int()>& work) {
  try {
    return work();
  } catch (const EUsage& e) {
    err << "orvalon: " << path << ": " << e.what() << "\n";
    return qeUsage;
  } catch (const std::exception& e) {
    err << "orvalon: " << path << ": " << e.what() << "\n";
    return qeFileError;
  }
}

int JobCount(const TCommandLine& line) {
  if (line.Jobs > 0) return line.Jobs;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// Runs task for every file on up to jobs threads. Each file's output and messages are
// written in input order, as soon as it and all files before it are done, so a batch
// reads the same whatever the number of jobs. Returns the worst status.
int RunBatch(const TCommandLine& line, std::ostream& out, std::ostream& err, bool progress,
             const std::function<int(std::size_t, std::ostream&, std::ostream&)>& task) {
  const std::size_t count = line.Files.size();
  std::vector<TFileResult> results(count);
  std::mutex mutex;
  std::condition_variable doneSignal;
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      std::ostringstream fileOut, fileErr;
      const int status =
          RunGuarded(line.Files[i], fileErr, [&] { return task(i, fileOut, fileErr); });
      std::lock_guard<std::mutex> lock(mutex);
      results[i].Out = fileOut.str();
      results[i].Err = fileErr.str();
      results[i].Status = status;
      results[i].Done = true;
      doneSignal.notify_all();
    }
  };
  const std::size_t threads =
      std::min<std::size_t>(static_cast<std::size_t>(JobCount(line)), count);
  std::vector<std::thread> workers;
  if (threads > 1) {
    for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);
  }
  TProgress bar(err, progress, count);
  int status = qeSuccess;
  for (std::size_t i = 0; i < count; ++i) {
    TFileResult result;
    if (threads > 1) {
      std::unique_lock<std::mutex> lock(mutex);
      doneSignal.wait(lock, [&] { return results[i].Done; });
      result = std::move(results[i]);
    } else {
      bar.Step(i, line.Files[i]);
      std::ostringstream fileOut, fileErr;
      result.Status = RunGuarded(line.Files[i], fileErr, [&] { return task(i, fileOut, fileErr); });
      result.Out = fileOut.str();
      result.Err = fileErr.str();
    }
    if (!result.Err.empty()) bar.Clear();
    out << result.Out << std::flush;
    err << result.Err << std::flush;
    status = WorseStatus(status, result.Status);
    bar.Step(i + 1, line.Files[i]);
  }
  for (std::thread& worker : workers) worker.join();
  return status;
}

// The output folder of -d, made with its parents when missing.
void PrepareDirectory(const std::string& directory) {
  if (directory.empty()) return;
  std::error_code error;
  if (fs::is_directory(directory, error)) return;
  if (fs::exists(directory, error)) {
    throw EQoError(directory + ": cannot write into it: not a folder");
  }
  fs::create_directories(directory, error);
  if (error) throw EQoError(directory + ": cannot create the folder: " + error.message());
}

// formats

std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The module that registers each class of the built modules, by class name.
std::map<std::string, std::string> ModulesByClass() {
  std::map<std::string, std::string> modules;
  for (const TQoPlatformModule& module : QoPlatformModules()) {
    TQoEngineRegistry own;
    module.Register(own);
    for (const TQoEngineClass& engineClass : own.Classes()) {
      modules.emplace(engineClass.Name, module.Name);
    }
  }
  return modules;
}

int RunFormats(const TCommandLine& line, std::ostream& out, const TQoEngineRegistry& registry) {
  if (!line.Files.empty()) throw EUsage("formats takes no file");
  struct TRow {
    int Index;
    std::string Class, Platform, Module, Extension, Description;
  };
  const std::map<std::string, std::string> modules = ModulesByClass();
  const std::string wanted = QoLowerAscii(line.Platform);
  std::vector<TRow> rows;
  std::set<std::string> platforms;
  int index = 0;
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    const TQoEngineClassInfo info = QoDescribeEngineClass(engineClass);
    TRow row{index++, engineClass.Name,      info.Platform,
             "",      info.DefaultExtension, TrimSpaces(info.Description)};
    if (auto it = modules.find(row.Class); it != modules.end()) row.Module = it->second;
    // A class that names its platform only once it sees data belongs to its module's.
    if (row.Platform.empty()) row.Platform = row.Module;
    platforms.insert(row.Platform.empty() ? std::string("-") : row.Platform);
    if (!wanted.empty() && QoLowerAscii(row.Platform) != wanted &&
        QoLowerAscii(row.Module) != wanted) {
      continue;
    }
    rows.push_back(row);
  }
  if (!wanted.empty() && rows.empty()) {
    std::vector<std::string> known(platforms.begin(), platforms.end());
    throw EUsage("no class of the platform \"" + line.Platform + "\"; known: " + Join(known));
  }
  if (line.Json) {
    TQoJsonWriter json(out);
    json.BeginArray();
    for (const TRow& row : rows) {
      json.BeginObject();
      json.Member("index", row.Index);
      json.Member("class", row.Class);
      json.Member("platform", row.Platform);
      json.Member("module", row.Module);
      json.Member("defaultExtension", row.Extension);
      json.Member("description", row.Description);
      json.EndObject();
    }
    json.EndArray();
    out << "\n";
    return qeSuccess;
  }
  const auto orDash = [](const std::string& text) {
    return text.empty() ? std::string("-") : text;
  };
  for (const TRow& row : rows) {
    out << row.Index << "\t" << row.Class << "\t" << orDash(row.Platform) << "\t"
        << orDash(row.Extension) << "\t" << orDash(row.Description) << "\n";
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

// The outputs of a batch, in input order: each beside its input (directory empty) or in
// directory, named after the input with suffix. pic.scr and pic.bsc would both become
// pic.png: such files keep their extension in the output name (pic.scr.png, pic.bsc.png).
// Files of one name from different folders gathered into one directory are numbered in
// input order (pic.scr.png, pic.scr-2.png); names are compared without case, as the
// file systems of Windows and macOS do. So nothing is overwritten.
std::vector<std::string> OutputPaths(const std::vector<std::string>& files,
                                     const std::string& directory, int frame,
                                     const std::string& suffix) {
  std::map<std::string, int> stems;
  for (const std::string& file : files) ++stems[fs::path(file).stem().string()];
  std::set<std::string> taken;
  std::vector<std::string> paths;
  for (const std::string& file : files) {
    const fs::path input(file);
    const std::string stem = input.stem().string();
    std::string name = stems[stem] > 1 ? input.filename().string() : stem;
    if (frame >= 0) name += "-frame" + std::to_string(frame);
    const fs::path folder = directory.empty() ? input.parent_path() : fs::path(directory);
    std::string path = (folder / (name + suffix)).string();
    for (int n = 2; !taken.insert(QoLowerAscii(path)).second; ++n) {
      path = (folder / (name + "-" + std::to_string(n) + suffix)).string();
    }
    paths.push_back(path);
  }
  return paths;
}

// The output of -o, or the batch's outputs beside the inputs or in -d's folder.
std::vector<std::string> OutputPathsFor(const TCommandLine& line, const std::string& suffix) {
  if (!line.Output.empty()) return {line.Output};
  return OutputPaths(line.Files, line.Directory, line.Selection.Frame, suffix);
}

// The whole-factor repeats for the chosen aspect entry (none for the native size) and the
// pixel shape left after them.
TQoExportRepeat RepeatFor(const TSourceChoice& choice) {
  return choice.Selection.Native ? QoNativeRepeat(choice.Aspect) : QoExportRepeat(choice.Aspect);
}

// The picture to write: the decoded picture or one of its frames, enlarged by whole
// factors for the pixel aspect unless the native size is asked for.
std::unique_ptr<TQoBitmap> BuildPicture(TQoSourceEngine& engine, const TSourceChoice& choice) {
  const TSelection& selection = choice.Selection;
  // The whole picture as the viewer exports it.
  if (selection.Frame < 0 && !selection.Native) return ExportPicture(engine, choice.Aspect);
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
  return QoEnlarge(std::move(bmp), RepeatFor(choice));
}

// The animation --animate writes: colour cycling where the engine has moving ranges,
// otherwise the screens of a two-screen picture.
TQoAnimation BuildAnimation(TQoSourceEngine& engine, const TSourceChoice& choice) {
  std::unique_ptr<TQoBitmap> bmp = engine.Decode();
  if (!bmp) throw EQoError("the engine produced no picture");
  if (QoHasMovingCycleRange(engine.CycleRanges)) {
    return QoCycleAnimation(QoEnlarge(std::move(bmp), RepeatFor(choice)), engine.CycleRanges);
  }
  if (bmp->FrameCount() == 2) {
    std::vector<std::unique_ptr<TQoBitmap>> screens;
    for (int k = 0; k < 2; ++k) {  // Extract hands over the first remaining screen
      screens.push_back(QoEnlarge(bmp->Frames->Extract(0), RepeatFor(choice)));
    }
    return QoScreenAnimation(std::move(screens));
  }
  if (bmp->FrameCount() > 2) {
    throw EQoError("the picture has " + std::to_string(bmp->FrameCount()) +
                   " screens and no colour cycling; --animate loops two screens (--frame K "
                   "writes one)");
  }
  throw EQoError(
      "nothing to animate: the picture has no colour cycling and is not made of two screens");
}

int ConvertOne(const TCommandLine& line, const std::string& path, const std::string& target,
               std::ostream& out, std::ostream& err, const TQoEngineRegistry& registry) {
  TLoaded loaded = Load(path, registry, err);
  if (loaded.Status != qeSuccess) return loaded.Status;
  std::error_code error;
  if (fs::exists(target, error) && fs::equivalent(target, path, error)) {
    throw EUsage("the output \"" + target + "\" would overwrite the input");
  }
  TQoSourceEngine& engine = SelectEngine(*loaded.Source, line.Selection);
  const TSourceChoice choice{
      line.Selection, line.Selection.Aspect >= 0 ? line.Selection.Aspect : engine.AspectIndex};
  std::vector<uint8_t> bytes;
  if (line.Command == "palette") {
    std::unique_ptr<TQoBitmap> bmp = engine.Decode();
    if (engine.Palette->GetCount() == 0) throw EQoError("the picture has no palette");
    const std::string text = QoPaletteToText(*engine.Palette);
    bytes.assign(text.begin(), text.end());
  } else if (line.Animate) {
    const TQoAnimation animation = BuildAnimation(engine, choice);
    bytes = QoEncodeAnimatedGif(animation);
  } else {
    std::unique_ptr<TQoBitmap> bmp = BuildPicture(engine, choice);
    // The pixel shape that remains after the enlargement rides along in the PNG.
    TQoPngOptions png = line.Png;
    png.PixelAspect = RepeatFor(choice).PixelAspect;
    bytes = QoEncodeForExtension(*bmp, ExtensionOf(target), png);
  }
  QoWriteFile(target, bytes);
  out << path << " -> " << target << " (" << engine.GetDisplayName() << ")\n";
  return qeSuccess;
}

// Checks shared by the commands that write one output per input.
void CheckOutputs(const TCommandLine& line) {
  if (line.Files.empty()) throw EUsage(line.Command + " needs at least one file");
  if (!line.Output.empty() && !line.Directory.empty()) throw EUsage("give -o or -d, not both");
  if (!line.Output.empty() && line.Files.size() > 1) {
    throw EUsage("-o names one output file; use -d DIR for several files");
  }
}

int RunConvert(const TCommandLine& line, std::ostream& out, std::ostream& err,
               const TQoEngineRegistry& registry, bool progress) {
  CheckOutputs(line);
  std::string suffix = ".png";
  if (line.Command == "palette") {
    suffix = ".pal";
    if (line.Animate) throw EUsage("--animate makes pictures, not palettes");
    if (!line.Output.empty() && ExtensionOf(line.Output) != ".pal") {
      throw EUsage("the palette file \"" + line.Output + "\" must end in .pal");
    }
  } else if (line.Animate) {
    suffix = ".gif";
    if (line.Selection.Frame >= 0) throw EUsage("--animate shows every frame; leave out --frame");
    if (!line.Output.empty() && ExtensionOf(line.Output) != ".gif") {
      throw EUsage("an animation is a GIF: \"" + line.Output + "\" must end in .gif");
    }
  } else if (!line.Output.empty()) {
    CheckPictureType(line.Output);
  }
  PrepareDirectory(line.Directory);
  const std::vector<std::string> targets = OutputPathsFor(line, suffix);
  return RunBatch(line, out, err, progress, [&](std::size_t i, std::ostream& o, std::ostream& e) {
    return ConvertOne(line, line.Files[i], targets[i], o, e, registry);
  });
}

// thumbnail

// The thumbnail of the best engine with its own defaults, as the file manager gets it,
// as a 24-bit picture.
std::unique_ptr<TQoBitmap24> ThumbnailPicture(TQoSourceEngine& engine, int32_t width,
                                              int32_t height) {
  const std::unique_ptr<TQoBitmap32> thumb = QoThumbnailOfEngine(engine, width, height);
  auto picture = std::make_unique<TQoBitmap24>(thumb->Width, thumb->Height);
  std::vector<uint32_t> row(static_cast<std::size_t>(thumb->Width));
  for (int32_t y = 0; y < thumb->Height; ++y) {
    const uint32_t* pixels = thumb->ScanLine(y);
    for (int32_t x = 0; x < thumb->Width; ++x)
      row[static_cast<std::size_t>(x)] = pixels[x] & 0xFFFFFF;
    picture->SetRow(y, row.data(), thumb->Width);
  }
  return picture;
}

int ThumbnailOne(const TCommandLine& line, const std::string& path, const std::string& target,
                 std::ostream& out, std::ostream& err, const TQoEngineRegistry& registry) {
  TLoaded loaded = Load(path, registry, err);
  if (loaded.Status != qeSuccess) return loaded.Status;
  TQoSourceEngine& engine = *loaded.Source->Engines->GetEngine(0);
  const std::unique_ptr<TQoBitmap24> picture =
      ThumbnailPicture(engine, line.BoxWidth, line.BoxHeight);
  QoWriteFile(target, QoEncodePng(*picture, line.Png));
  out << path << " -> " << target << " (" << picture->Width << "x" << picture->Height << ", "
      << engine.GetDisplayName() << ")\n";
  return qeSuccess;
}

int RunThumbnail(const TCommandLine& line, std::ostream& out, std::ostream& err,
                 const TQoEngineRegistry& registry, bool progress) {
  CheckOutputs(line);
  if (!line.Output.empty() && ExtensionOf(line.Output) != ".png") {
    throw EUsage("the thumbnail file \"" + line.Output + "\" must end in .png");
  }
  PrepareDirectory(line.Directory);
  const std::vector<std::string> targets = OutputPathsFor(line, ".thumb.png");
  return RunBatch(line, out, err, progress, [&](std::size_t i, std::ostream& o, std::ostream& e) {
    return ThumbnailOne(line, line.Files[i], targets[i], o, e, registry);
  });
}

// gallery

int RunGallery(const TCommandLine& line, std::ostream& out, std::ostream& err,
               const TQoEngineRegistry& registry, bool progress) {
  if (line.Files.empty()) throw EUsage("gallery needs at least one file");
  if (line.Output.empty() || !line.Directory.empty()) {
    throw EUsage("gallery writes into a folder: give -o DIR");
  }
  PrepareDirectory(line.Output);
  const int32_t boxWidth = line.SizeGiven ? line.BoxWidth : 160;
  const int32_t boxHeight = line.SizeGiven ? line.BoxHeight : 160;
  const std::string pictures = (fs::path(line.Output) / "pictures").string();
  const std::string thumbnails = (fs::path(line.Output) / "thumbnails").string();
  const std::vector<std::string> picturePaths = OutputPaths(line.Files, pictures, -1, ".png");
  const std::vector<std::string> thumbnailPaths = OutputPaths(line.Files, thumbnails, -1, ".png");
  PrepareDirectory(pictures);
  PrepareDirectory(thumbnails);
  std::vector<TQoGalleryEntry> entries(line.Files.size());
  const int status = RunBatch(
      line, out, err, progress, [&](std::size_t i, std::ostream& o, std::ostream& e) -> int {
        const std::string& path = line.Files[i];
        TQoGalleryEntry& entry = entries[i];
        entry.File = path;
        entry.FileSize = -1;
        TLoaded loaded = Load(path, registry, e);
        if (loaded.Status != qeSuccess) {
          entry.Problem = loaded.Status == qeNoEngine ? "no engine accepts this file"
                                                      : "the file cannot be read";
          return loaded.Status;
        }
        entry.FileSize = static_cast<int64_t>(loaded.Source->Size);
        TQoSourceEngine& engine = *loaded.Source->Engines->GetEngine(0);
        entry.Format = engine.GetDisplayName();
        try {
          const TSourceChoice choice{TSelection{}, engine.AspectIndex};
          const std::string& picture = picturePaths[i];
          std::unique_ptr<TQoBitmap> bmp = BuildPicture(engine, choice);
          TQoPngOptions png = line.Png;
          png.PixelAspect = RepeatFor(choice).PixelAspect;
          QoWriteFile(picture, QoEncodePng(*bmp, png));
          entry.Width = engine.Width;
          entry.Height = engine.Height;
          entry.ColorDepth = engine.ColorDepth;
          entry.Palette = engine.PaletteTypes.empty()
                              ? std::string()
                              : std::string(QoPaletteTypeLabel(engine.PaletteType));
          entry.PaletteColors = engine.Palette ? engine.Palette->GetCount() : 0;
          entry.Aspect = QoAspectEntry(engine.AspectIndex).Label;
          entry.Picture = fs::path(picture).lexically_relative(line.Output).generic_string();
          const std::string& thumbnail = thumbnailPaths[i];
          const std::unique_ptr<TQoBitmap24> thumb = ThumbnailPicture(engine, boxWidth, boxHeight);
          QoWriteFile(thumbnail, QoEncodePng(*thumb, line.Png));
          entry.Thumbnail = fs::path(thumbnail).lexically_relative(line.Output).generic_string();
        } catch (const std::exception& problem) {
          entry.Problem = problem.what();
          throw;
        }
        o << path << " -> " << entry.Picture << " (" << entry.Format << ")\n";
        return qeSuccess;
      });
  const std::string index = (fs::path(line.Output) / "index.html").string();
  try {
    const std::string html = QoGalleryHtml(entries, line.Note);
    QoWriteFile(index, std::vector<uint8_t>(html.begin(), html.end()));
  } catch (const std::exception& e) {
    err << "orvalon: " << index << ": " << e.what() << "\n";
    return qeFileError;
  }
  out << "Gallery: " << index << "\n";
  return status;
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
    if (!args.empty() && (args[0] == "--version" || args[0] == "version")) {
      out << "orvalon " << ORVALON_VERSION << "\n";
      return qeSuccess;
    }
    const TCommandLine line = Parse(args);
    if (!line.Platform.empty() && line.Command != "formats") {
      throw EUsage("--platform belongs to formats");
    }
    if (line.Animate && line.Command != "convert") throw EUsage("--animate belongs to convert");
    if (!line.Note.empty() && line.Command != "gallery") throw EUsage("--note belongs to gallery");
    if (line.Command == "formats") return RunFormats(line, out, registry);
    if (line.Command == "info") return RunInfo(line, out, err, registry, progress);
    if (line.Command == "convert" || line.Command == "palette") {
      return RunConvert(line, out, err, registry, progress);
    }
    if (line.Command == "thumbnail") return RunThumbnail(line, out, err, registry, progress);
    if (line.Command == "gallery") return RunGallery(line, out, err, registry, progress);
    throw EUsage("unknown command \"" + line.Command + "\"");
  } catch (const EUsage& e) {
    err << "orvalon: " << e.what() << "\n\n" << kUsage;
    return qeUsage;
  } catch (const std::exception& e) {
    err << "orvalon: " << e.what() << "\n";
    return qeFileError;
  }
}

void QoKeepLargeBlocksForBatches() {
#if defined(__GLIBC__)
  // Mapped afresh for every file, those buffers are faulted in page by page again: a
  // quarter of a batch's time went to the kernel before. 32 MiB is the largest block
  // the heap may serve; beyond it blocks are mapped as before.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}
