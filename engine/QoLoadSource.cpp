#include "engine/QoLoadSource.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\' || c == ':';
#else
  return c == '/';
#endif
}

// File names travel as UTF-8 everywhere; the path type must be told so (on Windows it
// would otherwise take them for the ANSI code page).
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The file the name stands for: the exact path when it exists, else the one entry of its
// folder whose name differs only in ASCII case (pictures from case-blind systems ask for
// "PIC.PALS" when the disk has "pic.pals"). Several such entries: the smallest name wins,
// so the choice does not depend on directory order. Empty when nothing fits.
fs::path FindFile(const fs::path& wanted) {
  std::error_code error;
  if (fs::exists(wanted, error)) return wanted;
  const std::u8string wantedName = wanted.filename().u8string();
  const std::string name(reinterpret_cast<const char*>(wantedName.data()), wantedName.size());
  if (name.empty()) return fs::path();
  fs::path folder = wanted.parent_path();
  if (folder.empty()) folder = ".";
  fs::path found;
  std::string foundName;
  fs::directory_iterator it(folder, error);
  if (error) return fs::path();
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    const std::u8string entryName = it->path().filename().u8string();
    const std::string candidate(reinterpret_cast<const char*>(entryName.data()), entryName.size());
    if (!SameNameIgnoringCase(candidate, name)) continue;
    if (found.empty() || candidate < foundName) {
      found = it->path();
      foundName = candidate;
    }
  }
  return found;
}

// Reads a whole regular file below the size limit; false on any failure.
bool ReadWholeFile(const fs::path& path, int64_t limit, std::vector<uint8_t>& buffer) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
#ifdef _WIN32
  // Others may read the file while we hold it, but nobody may write it meanwhile.
  std::FILE* file = _wfsopen(path.c_str(), L"rb", 0x20 /* _SH_DENYWR */);
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (!file) return false;
  bool ok = false;
  if (std::fseek(file, 0, SEEK_END) == 0) {
#ifdef _WIN32
    const int64_t size = _ftelli64(file);
#else
    const int64_t size = ftello(file);
#endif
    if (size >= 0 && size < limit && std::fseek(file, 0, SEEK_SET) == 0) {
      buffer.assign(static_cast<std::size_t>(size), 0);
      std::size_t done = 0;
      while (done < buffer.size()) {
        const std::size_t got = std::fread(buffer.data() + done, 1, buffer.size() - done, file);
        if (got == 0) break;
        done += got;
      }
      ok = done == buffer.size();
    }
  }
  std::fclose(file);
  return ok;
}

// Rating from the detect flags, bits reversed: a signature (bit 0) weighs most, a bare
// size or structure match (bit 3) least.
int32_t RatingOf(uint8_t flags) {
  int32_t rating = 0;
  if (flags & kQoDetectSignature) rating += 8;
  if (flags & kQoDetectExtension) rating += 4;
  if (flags & kQoDetectInnerExtension) rating += 2;
  if (flags & kQoDetectSize) rating += 1;
  return rating;
}

}  // namespace

std::string QoReplaceExtension(const std::string& name, const std::string& extension) {
  const std::size_t cut = name.size() - QoLowerExtension(name).size();
  return name.substr(0, cut) + extension;
}

std::string QoLowerAscii(std::string text) {
  for (char& c : text) c = AsciiLower(c);
  return text;
}

std::string QoLowerExtension(const std::string& name) {
  std::size_t dot = std::string::npos;
  for (std::size_t i = name.size(); i-- > 0;) {
    if (name[i] == '.') {
      dot = i;
      break;
    }
    if (IsSeparator(name[i])) break;
  }
  if (dot == std::string::npos) return std::string();
  return QoLowerAscii(name.substr(dot));
}

TQoEngineClassInfo QoDescribeEngineClass(const TQoEngineClass& engineClass) {
  TQoEngineClassInfo info;
  TQoMemoryLoadSource empty("empty", nullptr, 0, false);
  TQoSourceEngine::CaptureDescriptions(&info);
  try {
    engineClass.Create(empty);  // destroyed at once, leaving its description in info
  } catch (...) {
    // The constructor needed data: info holds what it had set by then.
  }
  TQoSourceEngine::CaptureDescriptions(nullptr);
  return info;
}

bool QoNameEndsWith(const std::string& name, const std::string& lowerTail) {
  if (name.size() < lowerTail.size()) return false;
  const std::size_t from = name.size() - lowerTail.size();
  for (std::size_t i = 0; i < lowerTail.size(); ++i) {
    if (AsciiLower(name[from + i]) != lowerTail[i]) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Load sources

TQoLoadSource::~TQoLoadSource() = default;

const TQoLoadSourceRec* TQoLoadSource::GetCompanion(const std::string&) {
  return nullptr;
}

TQoByteView TQoLoadSource::CompanionBytes(const std::string& name) {
  const TQoLoadSourceRec* rec = GetCompanion(name);
  return rec ? rec->Bytes() : TQoByteView();
}

TQoByteView TQoLoadSource::CompanionWithExtension(const std::string& extension) {
  return CompanionBytes(QoReplaceExtension(Name, extension));
}

TQoFileLoadSource::TQoFileLoadSource(const std::string& path) {
  std::size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  folder_ = path.substr(0, cut);
  const TQoLoadSourceRec* main = GetCompanion(path.substr(cut));
  if (main) {
    Name = main->Name;
    Extension = main->Extension;
    Data = main->Data;
    Size = main->Size;
  }
}

TQoFileLoadSource::~TQoFileLoadSource() {
  // The cached buffers go first, then (in the base) the inner source.
  cache_.clear();
}

const TQoLoadSourceRec* TQoFileLoadSource::GetCompanion(const std::string& name) {
  try {
    for (const CacheEntry& entry : cache_) {
      if (SameNameIgnoringCase(entry.Rec.Name, name)) return &entry.Rec;
    }
    if (name.empty()) return nullptr;
    const fs::path file = FindFile(PathOf(folder_ + name));
    if (file.empty()) return nullptr;
    std::vector<uint8_t> buffer;
    if (!ReadWholeFile(file, kMaxFileSize, buffer)) return nullptr;
    // Only a complete read becomes an entry, so no half-made entry is ever left behind.
    CacheEntry& entry = cache_.emplace_back();
    entry.Buffer = std::move(buffer);
    entry.Rec.Name = name;
    entry.Rec.Extension = QoLowerExtension(name);
    entry.Rec.Size = static_cast<int32_t>(entry.Buffer.size());
    entry.Rec.Data = entry.Buffer.empty() ? nullptr : entry.Buffer.data();
    return &entry.Rec;
  } catch (...) {
    return nullptr;
  }
}

TQoMemoryLoadSource::TQoMemoryLoadSource(const std::string& name, const uint8_t* data, int32_t size,
                                         bool ownsData) {
  if (ownsData) {
    owned_.reset(const_cast<uint8_t*>(data));
    OwnsData = 1;
  }
  Name = name;
  Extension = QoLowerExtension(name);
  Data = data;
  Size = size;
}

TQoMemoryLoadSource::TQoMemoryLoadSource(const std::string& name, std::vector<uint8_t> buffer)
    : OwnsData(1), buffer_(std::move(buffer)) {
  if (buffer_.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    throw EOutOfResources();
  }
  Name = name;
  Extension = QoLowerExtension(name);
  Data = buffer_.empty() ? nullptr : buffer_.data();
  Size = static_cast<int32_t>(buffer_.size());
}

TQoMemoryLoadSource::~TQoMemoryLoadSource() = default;

// ---------------------------------------------------------------------------------------
// Detection

void TQoSourceEngineList::Sort() {
  std::vector<std::unique_ptr<TQoSourceEngine>>& items = Items();
  // Bubble sort: stable, so engines of equal rating keep registry order.
  std::size_t pairs = items.size() > 0 ? items.size() - 1 : 0;
  bool moved = true;
  while (moved && pairs > 0) {
    moved = false;
    for (std::size_t i = 0; i < pairs; ++i) {
      if (items[i + 1]->Rating > items[i]->Rating) {
        std::swap(items[i], items[i + 1]);
        moved = true;
      }
    }
    --pairs;
  }
}

std::unique_ptr<TQoSourceEngineList> DetectEngines(TQoLoadSource& source,
                                                   const TQoEngineRegistry& registry) {
  std::unique_ptr<TQoSourceEngineList> list;
  try {
    list = std::make_unique<TQoSourceEngineList>();
  } catch (...) {
    return nullptr;
  }
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    if (!engineClass.Detect || !engineClass.Create) continue;
    uint8_t flags = 0;
    try {
      flags = engineClass.Detect(source);
    } catch (...) {
      continue;
    }
    if (flags == 0) continue;
    std::unique_ptr<TQoSourceEngine> engine;
    try {
      engine = engineClass.Create(source);
    } catch (...) {
      continue;
    }
    if (!engine) continue;
    engine->DetectFlags = flags;
    engine->Rating = RatingOf(flags);
    try {
      list->Add(std::move(engine));
    } catch (...) {
      // The list could not grow; the engine was freed on the way out.
    }
  }
  list->Sort();
  return list;
}

// ---------------------------------------------------------------------------------------
// Wrappers

const char* QoWrapperName(TQoWrapper wrapper) {
  switch (wrapper) {
    case TQoWrapper::Plus3Dos:
      return "+3DOS";
    case TQoWrapper::PackIce:
      return "Pack-Ice";
    case TQoWrapper::Hobeta:
      return "Hobeta";
    case TQoWrapper::None:
      break;
  }
  return nullptr;
}

bool QoIsPlus3DosHeader(TQoByteView data) {
  if (!data.Has(0, 128)) return false;
  if (!data.Matches(0, "PLUS3DOS\x1A")) return false;
  if (data.LE32(11) != data.Size()) return false;
  unsigned sum = 0;
  for (std::size_t i = 0; i < 127; ++i) sum += data.U8(i);
  return (sum & 0xFF) == data.U8(127);
}

bool QoIsPackIceHeader(TQoByteView data) {
  if (!data.Has(0, 12)) return false;
  if (!data.Matches(0, "Ice!") && !data.Matches(0, "ICE!")) return false;
  return data.BE32(4) <= data.Size() && data.BE32(8) > 0;
}

bool QoIsHobetaHeader(TQoByteView data) {
  if (!data.Has(0, 17)) return false;
  const uint32_t length = data.LE16(11);
  const uint32_t sectors = data.LE16(13);
  if (length == 0) return false;
  if (sectors < 256 || sectors % 256 != 0) return false;
  if (sectors != (length + 255) / 256 * 256) return false;
  if (data.Size() != sectors + 17) return false;
  uint32_t sum = 0;
  for (uint32_t i = 0; i < 15; ++i) sum += data.U8(i) * 257u + i;
  return (sum & 0xFFFF) == data.LE16(15);
}

namespace {

constexpr const char* kInnerName = "file.dat";

// The inner content of the source's one wrapper, or nil when it has none that opens.
std::unique_ptr<TQoLoadSource> Unwrap(const TQoLoadSource& source, TQoWrapper& wrapper) {
  const TQoByteView data = source.Bytes();
  if (source.Size > 128 && QoIsPlus3DosHeader(data)) {
    wrapper = TQoWrapper::Plus3Dos;
    return std::make_unique<TQoMemoryLoadSource>(kInnerName, source.Data + 128, source.Size - 128,
                                                 false);
  }
  if (source.Size > 12 && QoIsPackIceHeader(data)) {
    const uint32_t unpacked = data.BE32(8);
    // A lying header must not make us allocate; a failed depacking still lets the file
    // be taken for a Hobeta file below.
    if (unpacked <= qo::kMaxAllocation) {
      try {
        std::vector<uint8_t> buffer(unpacked);
        if (DepackIce(source.Data, static_cast<std::size_t>(source.Size), buffer.data(),
                      buffer.size())) {
          wrapper = TQoWrapper::PackIce;
          return std::make_unique<TQoMemoryLoadSource>(kInnerName, std::move(buffer));
        }
      } catch (...) {
      }
    }
  }
  if (source.Size >= 18 && QoIsHobetaHeader(data)) {
    wrapper = TQoWrapper::Hobeta;
    return std::make_unique<TQoMemoryLoadSource>(kInnerName, source.Data + 17, data.LE16(11),
                                                 false);
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<TQoSourceEngineList> DetectWithUnwrap(TQoLoadSource& source,
                                                      const TQoEngineRegistry& registry,
                                                      TQoWrapper* removed) {
  if (removed) *removed = TQoWrapper::None;
  std::unique_ptr<TQoSourceEngineList> list = DetectEngines(source, registry);
  if ((list && list->Count() > 0) || source.InnerSource) return list;
  // Only one level: the inner content is never searched for a further wrapper.
  TQoWrapper wrapper = TQoWrapper::None;
  std::unique_ptr<TQoLoadSource> inner;
  try {
    inner = Unwrap(source, wrapper);
  } catch (...) {
    inner.reset();
  }
  if (!inner) return list;
  list.reset();
  source.InnerSource = std::move(inner);
  if (removed) *removed = wrapper;
  return DetectEngines(*source.InnerSource, registry);
}

TQoLoadSourceEx::TQoLoadSourceEx(const std::string& path, const TQoEngineRegistry& registry)
    : TQoFileLoadSource(path) {
  if (Size > 0) Engines = DetectWithUnwrap(*this, registry, &Wrapper);
}

TQoLoadSourceEx::~TQoLoadSourceEx() {
  // The engines read the file buffers (and the inner source) until they are gone.
  Engines.reset();
}
