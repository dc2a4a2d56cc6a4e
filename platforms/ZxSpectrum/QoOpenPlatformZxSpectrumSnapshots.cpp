#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumSnapshots.h"

#include <algorithm>
#include <cctype>

#include "base/QoErrors.h"
#include "engine/QoInflate.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"

namespace {

constexpr std::size_t kScreen = kZxScreenBytes;
constexpr std::size_t kPage = 16384;
// A tape or TZX block holding exactly a screen: flag byte, 6,912 bytes, checksum.
constexpr std::size_t kScreenBlock = kScreen + 2;

TQoZxScreenFind InFile(TQoByteView bytes, std::size_t offset, std::size_t size = kScreen) {
  TQoZxScreenFind found;
  if (!bytes.Has(offset, size)) return found;
  found.Found = true;
  found.InFile = bytes.Sub(offset, size);
  return found;
}

const TQoEngineClass kColorScreen = QoEngineClassOf<TQoZxSpectrumColorEngine>();

}  // namespace

const TQoEngineRegistry& QoZxScreenRegistry() {
  static const TQoEngineRegistry registry = [] {
    TQoEngineRegistry r;
    r.RegisterEngine(QoEngineClassOf<TQoZxSpectrumBWEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoZxSpectrumColorEngine>());
    return r;
  }();
  return registry;
}

void TQoBaseZxSpectrumSnapshotEngine::WrapScreen(TQoZxScreenFind found,
                                                 const TQoEngineClass& screenClass) {
  if (!found.Found) qo::RaiseInternalError();
  std::unique_ptr<TQoMemoryLoadSource> screen;
  if (!found.Unpacked.empty()) {
    screen = std::make_unique<TQoMemoryLoadSource>("screen.scr", std::move(found.Unpacked));
  } else {
    screen = std::make_unique<TQoMemoryLoadSource>(
        "screen.scr", found.InFile.Data(), static_cast<int32_t>(found.InFile.Size()), false);
  }
  std::unique_ptr<TQoSourceEngine> engine = screenClass.Create(*screen);
  SetSubEngine(std::move(screen), std::move(engine));
}

bool QoUnpackZ80Block(TQoByteView packed, uint8_t* out, std::size_t size) {
  TQoByteCursor in(packed);
  std::size_t n = 0;
  uint8_t b = 0;
  while (n < size) {
    if (!in.TryNext(b)) return false;
    if (b != 0xED) {
      out[n++] = b;
      continue;
    }
    uint8_t next = 0;
    if (!in.TryNext(next)) return false;
    if (next != 0xED) {
      out[n++] = 0xED;
      if (n < size) out[n++] = next;
      continue;
    }
    uint8_t count = 0, value = 0;
    if (!in.TryNext(count) || !in.TryNext(value)) return false;
    const std::size_t run = std::min<std::size_t>(count, size - n);
    std::fill_n(out + n, run, value);
    n += run;
  }
  return true;
}

// TAP: blocks of a length word, a flag byte, data and an XOR checksum.

namespace {

struct TQoTapeScreen {
  TQoZxScreenFind Find;
  TQoEngineClass Class;
};

TQoTapeScreen FindTapeScreen(TQoByteView bytes) {
  TQoTapeScreen result;
  std::size_t pos = 0;
  while (bytes.Has(pos, 2)) {
    const std::size_t n = bytes.LE16(pos);
    if (n < 2 || !bytes.Has(pos + 2, n)) break;
    const TQoByteView block = bytes.Sub(pos + 2, n);
    uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) sum ^= block.U8(i);
    if (sum != block.U8(n - 1)) break;
    const uint8_t flag = block.U8(0);
    if (flag != 0 && flag != 255) break;
    if (flag == 255 && n >= 3) {
      const TQoByteView data = block.Sub(1, n - 2);
      TQoMemoryLoadSource probe("screen.scr", data.Data(), static_cast<int32_t>(data.Size()),
                                false);
      auto engines = DetectEngines(probe, QoZxScreenRegistry());
      if (engines && engines->Count() > 0) {
        const std::string& best = engines->GetEngine(0)->EngineClass;
        for (const TQoEngineClass& c : QoZxScreenRegistry().Classes()) {
          if (best == c.Name) result.Class = c;
        }
        result.Find.Found = true;
        result.Find.InFile = data;
        return result;
      }
    }
    pos += 2 + n;
  }
  return result;
}

}  // namespace

uint8_t TQoZxSpectrumTAPEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags =
      QoDetect(source, {.Signed = true, .ExtensionOnly = true, .Extensions = ".tap"});
  return flags && FindTapeScreen(source.Bytes()).Find.Found ? flags : 0;
}

TQoZxSpectrumTAPEngine::TQoZxSpectrumTAPEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumSnapshotEngine(source, ClassName) {
  TQoTapeScreen screen = FindTapeScreen(Bytes());
  WrapScreen(std::move(screen.Find), screen.Class);
  DefaultExtension = ".tap";
}

// TZX: a signature and blocks of many kinds; the first standard or turbo data block of a
// screen's length holds it.

namespace {

uint32_t LE24(TQoByteView bytes, std::size_t at) {
  return bytes.U8(at) | static_cast<uint32_t>(bytes.U8(at + 1)) << 8 |
         static_cast<uint32_t>(bytes.U8(at + 2)) << 16;
}

TQoZxScreenFind FindTzxScreen(TQoByteView bytes) {
  if (bytes.Size() <= 10 || !bytes.Matches(0, "ZXTape!") ||
      (bytes.U8(7) != 0x1A && bytes.U8(7) != 0)) {
    return {};
  }
  std::size_t pos = 10;
  // Moves past a head of `head` bytes and a body of `length` more; false when the data
  // ends first.
  auto skip = [&](std::size_t head, std::size_t length) {
    if (!bytes.Has(pos, head) || !bytes.Has(pos + head, length)) return false;
    pos += head + length;
    return true;
  };
  while (pos < bytes.Size()) {
    const uint8_t id = bytes.U8(pos++);
    bool ok = true;
    switch (id) {
      case 0x10:
      case 0x11: {
        const std::size_t head = id == 0x10 ? 4 : 18;
        if (!bytes.Has(pos, head)) return {};
        const std::size_t length = id == 0x10 ? bytes.LE16(pos + 2) : LE24(bytes, pos + 15);
        if (length == kScreenBlock) return InFile(bytes, pos + head + 1);
        ok = skip(head, length);
        break;
      }
      case 0x12:
        ok = skip(4, 0);
        break;
      case 0x13:
        ok = bytes.Has(pos, 1) && skip(1, 2u * bytes.U8(pos));
        break;
      case 0x14:
        ok = bytes.Has(pos, 10) && skip(10, LE24(bytes, pos + 7));
        break;
      case 0x15:
        ok = bytes.Has(pos, 8) && skip(8, LE24(bytes, pos + 5));
        break;
      case 0x16:
      case 0x17:
      case 0x18:
      case 0x19:
      case 0x2A:
      case 0x2B:
        ok = bytes.Has(pos, 4) && skip(4, bytes.LE32(pos));
        break;
      case 0x20:
      case 0x23:
      case 0x24:
        ok = skip(2, 0);
        break;
      case 0x22:
      case 0x25:
      case 0x27:
        break;
      case 0x26:
        ok = bytes.Has(pos, 2) && skip(2, 2u * bytes.LE16(pos));
        break;
      case 0x28:
      case 0x32:
        ok = bytes.Has(pos, 2) && skip(2, bytes.LE16(pos));
        break;
      case 0x21:
      case 0x30:
        ok = bytes.Has(pos, 1) && skip(1, bytes.U8(pos));
        break;
      case 0x31:
        ok = bytes.Has(pos, 2) && skip(2, bytes.U8(pos + 1));
        break;
      case 0x33:
        ok = bytes.Has(pos, 1) && skip(1, 3u * bytes.U8(pos));
        break;
      case 0x35:
        ok = bytes.Has(pos, 20) && skip(20, bytes.LE32(pos + 16));
        break;
      case 0x5A:
        ok = skip(9, 0);
        break;
      default:
        ok = false;
    }
    if (!ok) break;
  }
  return {};
}

}  // namespace

uint8_t TQoZxSpectrumTZXEngine::Detect(TQoLoadSource& source) {
  return FindTzxScreen(source.Bytes()).Found
             ? QoDetect(source, {.Signed = true, .Extensions = ".tzx"})
             : 0;
}

TQoZxSpectrumTZXEngine::TQoZxSpectrumTZXEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumSnapshotEngine(source, ClassName) {
  WrapScreen(FindTzxScreen(Bytes()), kColorScreen);
  DefaultExtension = ".tzx";
}

// SZX: chunks; the screen page is a RAMP chunk, stored or deflated.

namespace {

TQoZxScreenFind FindSzxScreen(TQoByteView bytes) {
  if (bytes.Size() <= 8 || !bytes.Matches(0, "ZXST")) return {};
  std::size_t pos = 8;
  uint8_t screenPage = 5;
  while (bytes.Has(pos, 8)) {
    const std::size_t size = bytes.LE32(pos + 4);
    const std::size_t body = pos + 8;
    if (!bytes.Has(body, size)) break;
    if (bytes.Matches(pos, "SPCR") && size >= 4 && (bytes.U8(body + 1) & 0x08)) screenPage = 7;
    if (bytes.Matches(pos, "RAMP") && size > 2 && bytes.U8(body + 2) == screenPage) {
      const TQoByteView data = bytes.Sub(body + 3, size - 3);
      if (!(bytes.LE16(body) & 1)) return InFile(data, 0);
      // A whole 16 KiB page deflated; the screen is its start.
      TQoZxScreenFind found;
      std::vector<uint8_t> page(kPage);
      std::size_t produced = 0;
      if (!QoInflate(data.Data(), data.Size(), page.data(), page.size(), produced) ||
          produced < kScreen) {
        return {};
      }
      page.resize(kScreen);
      found.Found = true;
      found.Unpacked = std::move(page);
      return found;
    }
    pos = body + size;
  }
  return {};
}

}  // namespace

uint8_t TQoZxSpectrumSZXEngine::Detect(TQoLoadSource& source) {
  return FindSzxScreen(source.Bytes()).Found
             ? QoDetect(source, {.Signed = true, .Extensions = ".szx"})
             : 0;
}

TQoZxSpectrumSZXEngine::TQoZxSpectrumSZXEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumSnapshotEngine(source, ClassName) {
  WrapScreen(FindSzxScreen(Bytes()), kColorScreen);
  DefaultExtension = ".szx";
}

// SP: a 38-byte header and the memory from 0x4000.

uint8_t TQoZxSpectrumSPEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() < 38 || !bytes.Matches(0, "SP")) return 0;
  const uint16_t length = bytes.LE16(2);
  if ((length != 0x4000 && length != 0xC000) || bytes.LE16(4) != 0x4000 || bytes.LE16(32) != 0 ||
      bytes.U8(35) != 0 || bytes.Size() != length + 38u) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".sp"});
}

TQoZxSpectrumSPEngine::TQoZxSpectrumSPEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumSnapshotEngine(source, ClassName) {
  WrapScreen(InFile(Bytes(), 38), kColorScreen);
  DefaultExtension = ".sp";
}

// SNA: a 27-byte register block and the memory from 0x4000.

uint8_t TQoZxSpectrumSNAEngine::Detect(TQoLoadSource& source) {
  if (source.Size != 49179 && source.Size != 131103 && source.Size != 147487) return 0;
  return QoDetect(source, {.Signed = true, .ExtensionOnly = true, .Extensions = ".sna"});
}

TQoZxSpectrumSNAEngine::TQoZxSpectrumSNAEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumSnapshotEngine(source, ClassName) {
  WrapScreen(InFile(Bytes(), 27), kColorScreen);
  DefaultExtension = ".sna";
}

// Z80: versions 1 to 3, memory stored whole or in pages, packed or not.

namespace {

TQoZxScreenFind Unpack(TQoByteView packed) {
  TQoZxScreenFind found;
  std::vector<uint8_t> screen(kScreen);
  if (!QoUnpackZ80Block(packed, screen.data(), screen.size())) return found;
  found.Found = true;
  found.Unpacked = std::move(screen);
  return found;
}

TQoZxScreenFind FindZ80Screen(TQoByteView bytes) {
  if (bytes.Size() <= 30) return {};
  const uint8_t flags = bytes.U8(12) == 255 ? 1 : bytes.U8(12);
  if (bytes.LE16(6) != 0) {
    // Version 1: one 48K dump after the header.
    return (flags & 0x20) ? Unpack(bytes.From(30)) : InFile(bytes, 30);
  }
  const std::size_t extra = bytes.LE16(30);
  uint8_t wanted = 8;
  if (extra >= 23 && bytes.Has(32, extra)) {
    const uint8_t hardware = bytes.U8(34);
    const bool is128 = (hardware == 3 && (extra == 23 || (bytes.U8(37) & 0x80))) ||
                       (hardware >= 4 && hardware <= 16);
    if (is128 && (bytes.U8(35) & 0x08)) wanted = 10;  // the shadow screen is shown
  }
  std::size_t pos = 32 + extra;
  while (bytes.Has(pos, 3)) {
    const std::size_t stored = bytes.LE16(pos);
    const std::size_t length = stored == 0xFFFF ? kPage : stored;
    const uint8_t page = bytes.U8(pos + 2);
    if (!bytes.Has(pos + 3, length)) return {};
    if (page == wanted) {
      const TQoByteView data = bytes.Sub(pos + 3, length);
      return length == kPage ? InFile(data, 0) : Unpack(data);
    }
    pos += 3 + length;
  }
  return {};
}

}  // namespace

uint8_t TQoZxSpectrumZ80Engine::Detect(TQoLoadSource& source) {
  const uint8_t flags =
      QoDetect(source, {.Signed = true, .ExtensionOnly = true, .Extensions = ".z80 .slt"});
  return flags && FindZ80Screen(source.Bytes()).Found ? flags : 0;
}

TQoZxSpectrumZ80Engine::TQoZxSpectrumZ80Engine(TQoLoadSource& source)
    : TQoBaseZxSpectrumSnapshotEngine(source, ClassName) {
  WrapScreen(FindZ80Screen(Bytes()), kColorScreen);
  DefaultExtension = source.Extension == ".slt" ? ".slt" : ".z80";
}

// RZX: an input recording; its first embedded snapshot holds the screen.

namespace {

struct TQoRzxSnapshot {
  bool Found = false;
  std::string Extension;  // ".z80" or ".sna"
  std::vector<uint8_t> Data;
};

TQoRzxSnapshot FindRzxSnapshot(TQoByteView bytes) {
  TQoRzxSnapshot result;
  if (bytes.Size() <= 10 || !bytes.Matches(0, "RZX!")) return result;
  std::size_t pos = 10;
  while (bytes.Has(pos, 5)) {
    const uint8_t id = bytes.U8(pos);
    const std::size_t length = bytes.LE32(pos + 1);
    if (length < 5 || !bytes.Has(pos, length)) return result;
    const std::size_t bodySize = length - 5;
    const std::size_t body = pos + 5;
    if (id == 0x10 && bodySize < 24) return result;
    if (id == 0x30) {
      if (bodySize <= 12) return result;
      const uint32_t flags = bytes.LE32(body);
      const std::size_t unpacked = bytes.LE32(body + 8);
      if ((flags & 1) || unpacked == 0 || unpacked > qo::kMaxAllocation) return result;
      std::string extension;
      for (std::size_t i = 0; i < 4 && bytes.U8(body + 4 + i) != 0; ++i) {
        extension += static_cast<char>(std::tolower(bytes.U8(body + 4 + i)));
      }
      if (extension != "z80" && extension != "sna") return result;
      const TQoByteView data = bytes.Sub(body + 12, bodySize - 12);
      if (flags & 2) {
        result.Data.resize(unpacked);
        if (!QoInflateExact(data.Data(), data.Size(), result.Data.data(), unpacked)) return {};
      } else {
        result.Data.assign(data.Data(), data.Data() + data.Size());
      }
      result.Extension = "." + extension;
      result.Found = true;
      return result;
    }
    pos += length;
  }
  return result;
}

// The snapshot engine class that accepts the embedded snapshot, or none.
const TQoEngineClass* RzxInnerClass(TQoLoadSource& snapshot) {
  static const TQoEngineClass kZ80 = QoEngineClassOf<TQoZxSpectrumZ80Engine>();
  static const TQoEngineClass kSna = QoEngineClassOf<TQoZxSpectrumSNAEngine>();
  if (kZ80.Detect(snapshot)) return &kZ80;
  if (kSna.Detect(snapshot)) return &kSna;
  return nullptr;
}

}  // namespace

uint8_t TQoZxSpectrumRZXEngine::Detect(TQoLoadSource& source) {
  TQoRzxSnapshot snapshot = FindRzxSnapshot(source.Bytes());
  if (!snapshot.Found) return 0;
  TQoMemoryLoadSource inner("Snapshot" + snapshot.Extension, std::move(snapshot.Data));
  return RzxInnerClass(inner) ? QoDetect(source, {.Signed = true, .Extensions = ".rzx"}) : 0;
}

TQoZxSpectrumRZXEngine::TQoZxSpectrumRZXEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumSnapshotEngine(source, ClassName) {
  TQoRzxSnapshot snapshot = FindRzxSnapshot(Bytes());
  if (!snapshot.Found) qo::RaiseInternalError();
  auto inner = std::make_unique<TQoMemoryLoadSource>("Snapshot" + snapshot.Extension,
                                                     std::move(snapshot.Data));
  const TQoEngineClass* innerClass = RzxInnerClass(*inner);
  if (!innerClass) qo::RaiseInternalError();
  std::unique_ptr<TQoSourceEngine> engine = innerClass->Create(*inner);
  SetSubEngine(std::move(inner), std::move(engine));
  DefaultExtension = ".rzx";
}

void RegisterZxSpectrumSnapshotEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumTAPEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumTZXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumSZXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumRZXEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumSPEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumSNAEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumZ80Engine>());
}
