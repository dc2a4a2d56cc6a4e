// The LZ4 frame decoder. Its output goes to a sink in pieces, so a caller never needs a
// buffer of the whole result; the decoder keeps only the history matches may reach.
//
//   frame   magic 0x184D2204 (LE), FLG, BD, [content size, 8 bytes LE], header checksum,
//           blocks, end mark (a zero size), [content checksum, 4 bytes]
//   block   size (32-bit LE; bit 31: stored as it is), data, [block checksum, 4 bytes]
//   data    sequences: token (literal count << 4 | match length - 4), extended counts
//           (bytes added while they are 255), literals, 16-bit LE offset, ...
//
// The checksums are skipped unchecked. Frames may follow each other; the input must be
// used up exactly.

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/QoErrors.h"
#include "engine/QoByteView.h"
#include "engine/QoDepackers.h"

namespace {

constexpr uint32_t kFrameMagic = 0x184D2204;
constexpr std::size_t kWindowSize = 131072;
constexpr std::size_t kHistoryKept = 65535;  // the farthest a match offset reaches
constexpr std::size_t kScratchSize = 65535;

constexpr uint8_t kFlagVersionMask = 0xC0;
constexpr uint8_t kFlagVersion1 = 0x40;
constexpr uint8_t kFlagBlockChecksum = 0x10;
constexpr uint8_t kFlagContentSize = 0x08;
constexpr uint8_t kFlagContentChecksum = 0x04;
constexpr uint8_t kFlagReserved = 0x02;
constexpr uint8_t kFlagDictionaryId = 0x01;
constexpr uint8_t kDescriptorReserved = 0x8F;

using TQoSink = std::function<bool(const uint8_t*, std::size_t)>;

class TLz4Decoder {
 public:
  TLz4Decoder(const uint8_t* input, std::size_t size, const TQoSink& sink)
      : cursor_(TQoByteView(input, size)),
        sink_(sink),
        window_(new uint8_t[kWindowSize]),
        scratch_(new uint8_t[kScratchSize]) {}

  bool Run() {
    while (cursor_.Remaining() > 0) {
      if (!Frame()) return false;
    }
    return true;
  }

 private:
  bool Frame() {
    fill_ = 0;
    frameOutput_ = 0;
    if (!cursor_.Has(7)) return false;
    if (cursor_.View.LE32(cursor_.Pos) != kFrameMagic) return false;
    cursor_.Pos += 4;
    const uint8_t flags = cursor_.Next();
    const uint8_t descriptor = cursor_.Next();
    if ((flags & kFlagVersionMask) != kFlagVersion1) return false;
    if (flags & (kFlagReserved | kFlagDictionaryId)) return false;
    if (descriptor & kDescriptorReserved) return false;
    hasContentSize_ = (flags & kFlagContentSize) != 0;
    if (hasContentSize_) {
      if (!cursor_.Has(8)) return false;
      const uint8_t* p = cursor_.Take(8);
      contentSize_ = 0;
      for (int i = 7; i >= 0; --i) contentSize_ = (contentSize_ << 8) | p[i];
    }
    if (!cursor_.Has(1)) return false;
    cursor_.Pos += 1;  // header checksum

    for (;;) {
      if (!cursor_.Has(4)) return false;
      const uint32_t blockSize = cursor_.View.LE32(cursor_.Pos);
      cursor_.Pos += 4;
      if (blockSize == 0) break;
      const std::size_t dataSize = blockSize & 0x7FFFFFFFu;
      if (!cursor_.Has(dataSize)) return false;
      const uint8_t* data = cursor_.Take(dataSize);
      const bool ok = (blockSize & 0x80000000u) ? Emit(data, dataSize) : Block(data, dataSize);
      if (!ok) return false;
      if (flags & kFlagBlockChecksum) {
        if (!cursor_.Has(4)) return false;
        cursor_.Pos += 4;
      }
    }
    if (flags & kFlagContentChecksum) {
      if (!cursor_.Has(4)) return false;
      cursor_.Pos += 4;
    }
    // A frame that stops short of the size it announced is damaged.
    return !hasContentSize_ || frameOutput_ == contentSize_;
  }

  // One block of sequences; every count is checked against the block's own bytes.
  bool Block(const uint8_t* data, std::size_t size) {
    TQoByteCursor in(TQoByteView(data, size));
    while (in.Remaining() > 0) {
      const uint8_t token = in.Next();
      std::size_t literals = token >> 4;
      if (literals == 15 && !Extend(in, literals)) return false;
      if (!in.Has(literals)) return false;
      if (!Emit(in.Take(literals), literals)) return false;
      if (in.Remaining() == 0) break;  // the last sequence has no match

      if (!in.Has(2)) return false;
      const std::size_t offset = in.View.LE16(in.Pos);
      in.Pos += 2;
      std::size_t length = token & 15;
      if (length == 15 && !Extend(in, length)) return false;
      length += 4;
      if (offset == 0 || offset > fill_) return false;
      if (!Match(offset, length)) return false;
    }
    return true;
  }

  // Adds the extension bytes of a count: each is added, and one below 255 ends it. The
  // count cannot outgrow the block: every 255 added costs a byte of it.
  static bool Extend(TQoByteCursor& in, std::size_t& count) {
    for (;;) {
      if (!in.Has(1)) return false;
      const uint8_t byte = in.Next();
      count += byte;
      if (byte != 255) return true;
    }
  }

  bool Match(std::size_t offset, std::size_t length) {
    const uint8_t* source = window_.get() + fill_ - offset;
    if (offset >= length) {
      // The whole match is history already; copied aside, since passing it on may slide
      // the window under it.
      std::memcpy(scratch_.get(), source, length);
      return Emit(scratch_.get(), length);
    }
    // The match overlaps the bytes it produces: the offset-long pattern repeats. The
    // scratch holds the pattern repeated, so that every piece continues where the last
    // one stopped.
    const std::size_t filled = std::min(length, kScratchSize);
    std::memcpy(scratch_.get(), source, offset);
    for (std::size_t done = offset; done < filled;) {
      const std::size_t step = std::min(done, filled - done);
      std::memcpy(scratch_.get() + done, scratch_.get(), step);
      done += step;
    }
    std::size_t phase = 0;
    while (length > 0) {
      const std::size_t piece = std::min(length, filled - phase);
      if (!Emit(scratch_.get() + phase, piece)) return false;
      length -= piece;
      phase = (phase + piece) % offset;
    }
    return true;
  }

  // Hands bytes (never inside the window) to the sink, then appends them to the history.
  bool Emit(const uint8_t* bytes, std::size_t count) {
    while (count > 0) {
      if (fill_ == kWindowSize) {
        std::memmove(window_.get(), window_.get() + kWindowSize - kHistoryKept, kHistoryKept);
        fill_ = kHistoryKept;
      }
      const std::size_t piece = std::min(count, kWindowSize - fill_);
      if (hasContentSize_ && piece > contentSize_ - frameOutput_) return false;
      if (!sink_(bytes, piece)) return false;
      std::memcpy(window_.get() + fill_, bytes, piece);
      fill_ += piece;
      frameOutput_ += piece;
      bytes += piece;
      count -= piece;
    }
    return true;
  }

  TQoByteCursor cursor_;
  const TQoSink& sink_;
  std::unique_ptr<uint8_t[]> window_;
  std::unique_ptr<uint8_t[]> scratch_;
  std::size_t fill_ = 0;
  uint64_t frameOutput_ = 0;
  bool hasContentSize_ = false;
  uint64_t contentSize_ = 0;
};

}  // namespace

bool DepackLz4Frame(const uint8_t* input, std::size_t size, const TQoSink& sink) {
  if (size == 0) return true;
  if (!input || !sink) return false;
  try {
    TLz4Decoder decoder(input, size, sink);
    return decoder.Run();
  } catch (const std::exception&) {
    // Only an allocation failure or a sink that raises can get here; the reads are
    // checked before they are made.
    return false;
  }
}

bool DepackLz4ToVector(const uint8_t* input, std::size_t size, std::vector<uint8_t>& out,
                       std::size_t maxOutput) {
  const std::size_t start = out.size();
  const std::size_t limit = std::min(maxOutput, qo::kMaxAllocation);
  const bool ok = DepackLz4Frame(input, size, [&](const uint8_t* bytes, std::size_t count) {
    if (count > limit - (out.size() - start)) return false;
    out.insert(out.end(), bytes, bytes + count);
    return true;
  });
  if (!ok) out.resize(start);
  return ok;
}
