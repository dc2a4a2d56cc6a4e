#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"

#include <algorithm>
#include <cstring>
#include <string_view>

bool ParseDecimalLine(TQoByteCursor& cursor, uint32_t& value) {
  uint8_t c = 0;
  if (!cursor.Has(1) || cursor.View.U8(cursor.Pos) < '0' || cursor.View.U8(cursor.Pos) > '9') {
    return false;
  }
  value = 0;
  while (cursor.TryNext(c)) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<uint32_t>(c - '0');
      if (value >= 415030) return false;
      continue;
    }
    uint8_t lf = 0;
    return c == '\r' && cursor.TryNext(lf) && lf == '\n';
  }
  return false;
}

// Tiny.

bool TQoTinyReader::Start(TQoByteView block) {
  if (!block.Has(0, 4)) return false;
  const std::size_t controls = block.BE16(0), words = block.BE16(2);
  if (controls == 0 || words == 0 || !block.Has(4, controls + 2 * words)) return false;
  controls_ = block.Sub(4, controls);
  words_ = block.Sub(4 + controls, 2 * words);
  control_ = word_ = 0;
  copy_ = repeat_ = 0;
  return true;
}

bool TQoTinyReader::NextWord(uint16_t& word) {
  for (;;) {
    if (copy_ > 0) {
      if (!words_.Has(word_, 2)) return false;
      word = words_.BE16(word_);
      word_ += 2;
      --copy_;
      return true;
    }
    if (repeat_ > 0) {
      word = repeatWord_;
      --repeat_;
      return true;
    }
    auto control = [&](uint32_t& v) {
      if (!controls_.Has(control_, 1)) return false;
      v = controls_.U8(control_++);
      return true;
    };
    auto takeRepeatWord = [&]() {
      if (!words_.Has(word_, 2)) return false;
      repeatWord_ = words_.BE16(word_);
      word_ += 2;
      return true;
    };
    uint32_t x = 0, high = 0, low = 0;
    if (!control(x)) return false;
    if (x == 0 || x == 1) {
      if (!control(high) || !control(low)) return false;
      if (x == 0) {
        repeat_ = high << 8 | low;
        if (!takeRepeatWord()) return false;
      } else {
        copy_ = high << 8 | low;
      }
    } else if (x >= 128) {
      copy_ = 256 - x;
    } else {
      repeat_ = x;
      if (!takeRepeatWord()) return false;
    }
  }
}

std::size_t QoFillTinyColumns(TQoTinyReader& reader, uint8_t* out) {
  std::size_t n = 0;
  uint16_t word = 0;
  for (std::size_t p = 0; p < 4; ++p) {
    for (std::size_t g = 0; g < 20; ++g) {
      for (std::size_t y = 0; y < 200; ++y) {
        if (!reader.NextWord(word)) return n;
        if (out) {
          uint8_t* at = out + 2 * p + 8 * g + 160 * y;
          at[0] = static_cast<uint8_t>(word >> 8);
          at[1] = static_cast<uint8_t>(word);
        }
        n += 2;
      }
    }
  }
  return n;
}

// Crack Art.

bool TQoCrackArtReader::Start(TQoByteView block) {
  if (!block.Has(0, 4)) return false;
  escape_ = block.U8(0);
  delta_ = block.U8(1);
  offset_ = block.BE16(2);
  if (offset_ < 1 || offset_ > 31999) return false;
  in_ = TQoByteCursor(block, 4);
  run_ = 0;
  left_ = kQoSTScreenBytes;
  return true;
}

bool TQoCrackArtReader::NextByte(uint8_t& value) {
  if (left_ == 0) return false;
  if (run_ == 0) {
    uint8_t b = 0, c = 0, d = 0, e = 0;
    if (!in_.TryNext(b)) return false;
    if (b != escape_) {
      runByte_ = b;
      run_ = 1;
    } else {
      if (!in_.TryNext(c)) return false;
      if (c == escape_) {
        runByte_ = escape_;
        run_ = 1;
      } else {
        if (!in_.TryNext(d)) return false;
        if (c == 0) {
          if (!in_.TryNext(runByte_)) return false;
          run_ = d + 1u;
        } else if (c == 1) {
          if (!in_.TryNext(e) || !in_.TryNext(runByte_)) return false;
          run_ = d * 256u + e + 1;
        } else if (c == 2 && d == 0) {
          runByte_ = delta_;
          run_ = left_;
        } else if (c == 2) {
          if (!in_.TryNext(e)) return false;
          runByte_ = delta_;
          run_ = d * 256u + e + 1;
        } else {
          runByte_ = d;
          run_ = c + 1u;
        }
      }
    }
  }
  --run_;
  --left_;
  value = runByte_;
  return true;
}

std::size_t QoFillWithOffset(TQoCrackArtReader& reader, uint8_t* out) {
  std::size_t n = 0, position = 0, column = 0;
  uint8_t value = 0;
  while (n < kQoSTScreenBytes && reader.NextByte(value)) {
    if (out) out[position] = value;
    ++n;
    position += reader.Offset();
    if (position >= kQoSTScreenBytes) position = ++column;
  }
  return n;
}

// Imagic.

bool TQoImagicReader::Start(TQoByteView file) {
  if (!file.Has(0, 67)) return false;
  escape_ = file.U8(66);
  in_ = TQoByteCursor(file, 67);
  run_ = 0;
  return true;
}

// k starts at 257 and grows by step for each byte 1; the first other byte is skipped
// and the one after it adds to k. Counts beyond 65535 mean the input is exhausted.
bool TQoImagicReader::LongCount(uint32_t step, uint32_t& count) {
  uint32_t k = 257;
  uint8_t b = 0;
  for (;;) {
    if (!in_.TryNext(b)) return false;
    if (b != 1) break;
    k += step;
    if (k > 65535) return false;
  }
  uint8_t y = 0;
  if (!in_.TryNext(y)) return false;
  count = k + y;
  return true;
}

bool TQoImagicReader::NextByte(uint8_t& value) {
  while (run_ == 0) {
    uint8_t b = 0, c = 0, n = 0;
    if (!in_.TryNext(b)) return false;
    if (b != escape_) {
      value = b;
      return true;
    }
    if (!in_.TryNext(c)) return false;
    if (c == escape_) {
      value = escape_;
      return true;
    }
    if (c == 0) {
      if (!in_.TryNext(n) || !in_.TryNext(runByte_)) return false;
      run_ = n + 1u;
    } else if (c == 1) {
      if (!LongCount(256, run_) || !in_.TryNext(runByte_)) return false;
    } else if (c == 2) {
      uint8_t d = 0;
      if (!in_.TryNext(d)) return false;
      runByte_ = 0;
      if (d == 0) {
        run_ = kQoSTScreenBytes;
      } else if (d == 1) {
        if (!LongCount(257, run_)) return false;
      } else if (d == 2) {
        uint8_t skipped = 1;
        while (skipped != 0) {
          if (!in_.TryNext(skipped)) return false;
        }
      } else {
        run_ = d + 1u;
      }
    } else {
      if (!in_.TryNext(runByte_)) return false;
      run_ = c + 1u;
    }
  }
  --run_;
  value = runByte_;
  return true;
}

// Paintworks.

bool TQoPaintworksReader::NextByte(uint8_t& value) {
  for (;;) {
    if (literal_ > 0) {
      --literal_;
      return in_.TryNext(value);
    }
    if (repeat_ > 0) {
      --repeat_;
      value = repeatByte_;
      return true;
    }
    uint8_t n = 0;
    if (!in_.TryNext(n)) return false;
    if (n < 128) {
      repeat_ = n;
      if (!in_.TryNext(repeatByte_)) return false;
    } else {
      literal_ = n - 128u;
    }
  }
}

// Column runs.

bool QoDecodeColumnRuns(TQoByteView counts, TQoByteView values, uint8_t* out) {
  static constexpr std::size_t kPositions = kQoSTScreenBytes / 4;
  std::size_t position = 0, count = 0, value = 0;
  while (position < kPositions) {
    if (count >= counts.Size() || !values.Has(4 * value, 4)) return false;
    const uint8_t run = counts.U8(count++);
    if (run == 0) return false;
    const uint8_t* v = values.Ptr(4 * value++, 4);
    for (uint8_t i = 0; i < run && position < kPositions; ++i, ++position) {
      // Position k lies in long column k / 200, line k % 200.
      if (out) std::memcpy(out + 4 * (position / 200) + 160 * (position % 200), v, 4);
    }
  }
  return true;
}

// Canvas groups.

bool QoDecodeCanvasGroups(TQoByteView data, int planes, uint8_t* out) {
  const std::size_t groupBytes = 2 * static_cast<std::size_t>(planes);
  const std::size_t groups = kQoSTScreenBytes / groupBytes;
  std::vector<bool> written(groups, false);
  TQoByteCursor in(data);
  for (;;) {
    uint16_t w = 0;
    if (!in.TryNextBE16(w)) return false;
    if (w == 0xFFFF) {
      if (!in.Has(2 + groupBytes)) return false;
      in.Pos += 2 + groupBytes;
      break;
    }
    uint16_t g = 0;
    if (!in.TryNextBE16(g) || !in.Has(groupBytes)) return false;
    const uint8_t* group = in.Take(groupBytes);
    for (std::size_t k = 0; k <= w; ++k) {
      const std::size_t index = g + k;
      if (index * static_cast<std::size_t>(planes) >= kQoSTScreenBytes / 2) return false;
      if (out) std::memcpy(out + index * groupBytes, group, groupBytes);
      written[index] = true;
    }
  }
  for (std::size_t index = 0; index < groups; ++index) {
    if (written[index]) continue;
    if (!in.Has(groupBytes)) return false;
    const uint8_t* group = in.Take(groupBytes);
    if (out) std::memcpy(out + index * groupBytes, group, groupBytes);
  }
  return in.Remaining() == 0;
}

// GEM bit images.

namespace {

class TQoGEMByteReader {
 public:
  TQoGEMByteReader(TQoByteView data, int patternLength)
      : in_(data), patternLength_(static_cast<std::size_t>(patternLength)) {}

  // The next byte of the unpacked stream; keep is set for a mark that keeps the byte of
  // the line above.
  bool Next(uint8_t& value, bool& keep) {
    for (;;) {
      keep = false;
      if (literal_ > 0) {
        --literal_;
        return in_.ReadByte(value);
      }
      if (solid_ > 0) {
        --solid_;
        value = solidValue_;
        keep = solidKeep_;
        return true;
      }
      if (repeat_ > 0) {
        value = pattern_[index_++];
        if (index_ == patternLength_) {
          index_ = 0;
          --repeat_;
        }
        return true;
      }
      uint8_t control = 0;
      if (!in_.ReadByte(control)) return false;
      if (control == 0x80) {
        uint8_t count = 0;
        if (!in_.ReadByte(count)) return false;
        literal_ = count == 0 ? 256 : count;
      } else if (control != 0) {
        solid_ = control & 0x7Fu;
        solidValue_ = (control & 0x80) ? 255 : 0;
        solidKeep_ = false;
      } else {
        uint8_t count = 0;
        if (!in_.ReadByte(count)) return false;
        if (count != 0) {
          if (!in_.ReadBytes(pattern_, patternLength_)) return false;
          repeat_ = count;
          index_ = 0;
        } else {
          if (!in_.ReadByte(count)) return false;
          solid_ = count + 1u;
          solidValue_ = 0;
          solidKeep_ = true;
        }
      }
    }
  }

  // The number of times the coming line appears: a mark 0, 0, 0xFF, n at the start of a
  // line when no run of any kind is under way, else 1. False for a count of zero.
  bool LineRepeat(uint32_t& count) {
    count = 1;
    if (literal_ > 0 || solid_ > 0 || repeat_ > 0 || in_.Remaining() < 4) return true;
    const TQoByteView& v = in_.View;
    if (v.U8(in_.Pos) != 0 || v.U8(in_.Pos + 1) != 0 || v.U8(in_.Pos + 2) != 0xFF) return true;
    count = v.U8(in_.Pos + 3);
    in_.Pos += 4;
    return count != 0;
  }

 private:
  TQoByteCursor in_;
  std::size_t patternLength_;
  uint32_t literal_ = 0, solid_ = 0, repeat_ = 0;
  uint8_t solidValue_ = 0;
  bool solidKeep_ = false;
  uint8_t pattern_[8] = {};
  std::size_t index_ = 0;
};

}  // namespace

std::size_t QoGEMPlaneLineBytes(int lineWidth) {
  return (static_cast<std::size_t>(lineWidth) + 15) / 16 * 2;
}

std::size_t QoGEMBufferBytes(int lineWidth, int lines, int planes) {
  return QoGEMPlaneLineBytes(lineWidth) * static_cast<std::size_t>(planes) *
         static_cast<std::size_t>(lines);
}

bool QoUnpackGEMLines(TQoByteView data, int lineWidth, int lines, int planes, int patternLength,
                      uint8_t* out) {
  if (lineWidth <= 0 || lines <= 0 || planes <= 0 || patternLength < 1 || patternLength > 8) {
    return false;
  }
  TQoGEMByteReader reader(data, patternLength);
  const std::size_t planeBytes = (static_cast<std::size_t>(lineWidth) + 7) / 8;
  const std::size_t planeStride = QoGEMPlaneLineBytes(lineWidth);
  const std::size_t lineBytes = planeStride * static_cast<std::size_t>(planes);
  const auto height = static_cast<std::size_t>(lines);
  for (std::size_t y = 0; y < height;) {
    uint32_t repeat = 1;
    if (!reader.LineRepeat(repeat)) return false;
    uint8_t* line = out ? out + y * lineBytes : nullptr;
    if (line && y > 0) std::memcpy(line, line - lineBytes, lineBytes);
    for (std::size_t p = 0; p < static_cast<std::size_t>(planes); ++p) {
      for (std::size_t i = 0; i < planeBytes; ++i) {
        uint8_t value = 0;
        bool keep = false;
        if (!reader.Next(value, keep)) return false;
        if (!line) continue;
        // A mark keeps the byte copied from the line above; the first line has none.
        if (!keep) {
          line[p * planeStride + i] = value;
        } else if (y == 0) {
          line[p * planeStride + i] = 0;
        }
      }
    }
    ++y;
    for (uint32_t k = 1; k < repeat && y < height; ++k, ++y) {
      if (line) std::memcpy(out + y * lineBytes, line, lineBytes);
    }
  }
  return true;
}

std::size_t QoReadGEMColorRuns(TQoByteView data, std::size_t pixels, uint32_t* out) {
  TQoByteCursor in(data);
  std::size_t n = 0;
  uint8_t mark = 0, count = 0;
  while (n < pixels && in.ReadByte(mark) && mark == 0x80 && in.ReadByte(count) && count != 0) {
    for (uint8_t i = 0; i < count && n < pixels; ++i) {
      const uint8_t* bgr = in.TakePointer(3);
      if (!bgr) return n;
      if (out) out[n] = static_cast<uint32_t>(bgr[2]) << 16 | bgr[1] << 8 | bgr[0];
      ++n;
    }
  }
  return n;
}

// The monochrome packers.

bool TQoMonoRunReader::NextByte(uint8_t& value) {
  for (;;) {
    if (literal_ > 0) {
      --literal_;
      return in_.ReadByte(value);
    }
    if (run_ > 0) {
      --run_;
      value = runByte_;
      return true;
    }
    uint8_t c = 0, n = 0;
    if (!in_.ReadByte(c)) return false;
    switch (kind_) {
      case TQoKind::STAD:
        if (c == escape1_) {
          if (!in_.ReadByte(n)) return false;
          runByte_ = solid_;
          run_ = n + 1u;
        } else if (c == escape2_) {
          if (!in_.ReadByte(runByte_) || !in_.ReadByte(n)) return false;
          run_ = n + 1u;
        } else {
          value = c;
          return true;
        }
        break;
      case TQoKind::PublicPainter:
        if (c != escape1_) {
          value = c;
          return true;
        }
        if (!in_.ReadByte(n) || !in_.ReadByte(runByte_)) return false;
        run_ = n + 1u;
        break;
      case TQoKind::MegaPaint:
        if (c != 0 && c != 255) {
          value = c;
          return true;
        }
        if (!in_.ReadByte(n)) return false;
        runByte_ = c;
        run_ = n + 1u;
        break;
      case TQoKind::Calamus:
        if (c >= 128) {
          if (!in_.ReadByte(runByte_)) return false;
          run_ = c - 127u;
        } else {
          literal_ = c + 1u;
        }
        break;
    }
  }
}

bool QoDecodePaintShopLines(TQoByteView data, int lines, std::size_t rowBytes, uint8_t* out) {
  if (lines <= 0 || rowBytes == 0) return false;
  TQoByteCursor in(data);
  const auto total = static_cast<std::size_t>(lines);
  std::size_t y = 0;
  auto fill = [&](auto byteAt) {
    if (out) {
      uint8_t* line = out + y * rowBytes;
      for (std::size_t i = 0; i < rowBytes; ++i) line[i] = byteAt(i);
    }
    ++y;
  };
  while (y < total) {
    uint8_t code = 0, a = 0, b = 0;
    if (!in.ReadByte(code)) return false;
    switch (code) {
      case 0:
      case 200:
        fill([code](std::size_t) { return code ? uint8_t{0xFF} : uint8_t{0}; });
        break;
      case 100:
        if (!in.ReadByte(a)) return false;
        fill([a](std::size_t) { return a; });
        break;
      case 102:
        if (!in.ReadByte(a) || !in.ReadByte(b)) return false;
        fill([a, b](std::size_t i) { return (i & 1) ? a : b; });
        break;
      case 110: {
        const uint8_t* stored = in.TakePointer(rowBytes);
        if (!stored) return false;
        fill([stored](std::size_t i) { return stored[i]; });
        break;
      }
      case 10:
      case 12: {
        if (y == 0 || !in.ReadByte(a)) return false;
        const std::size_t copies = a + (code == 10 ? 1u : 257u);
        if (copies > total - y) return false;
        for (std::size_t k = 0; k < copies; ++k) {
          if (out) std::memcpy(out + y * rowBytes, out + (y - 1) * rowBytes, rowBytes);
          ++y;
        }
        break;
      }
      case 99: {
        if (y != 0) return false;
        const uint8_t* stored = in.TakePointer(total * rowBytes);
        if (!stored) return false;
        if (out) std::memcpy(out, stored, total * rowBytes);
        y = total;
        break;
      }
      default:
        return false;
    }
  }
  uint8_t end = 0;
  return in.Remaining() == 1 && in.ReadByte(end) && end == 0xFF;
}

bool QoDecodePicworksBlocks(TQoByteView file, uint8_t* out) {
  if (file.Size() <= 4) return false;
  const std::size_t records = file.BE16(0);
  const std::size_t start = 4 + 4 * records;
  if (start >= file.Size()) return false;
  TQoByteCursor in(file, start);
  std::size_t written = 0;
  for (std::size_t r = 0; r < records; ++r) {
    const std::size_t literal = file.BE16(4 + 4 * r), repeat = file.BE16(6 + 4 * r);
    if (literal * 8 > kQoSTScreenBytes - written) return false;
    const uint8_t* blocks = in.TakePointer(8 * literal);
    if (!blocks) return false;
    if (out) std::memcpy(out + written, blocks, 8 * literal);
    written += 8 * literal;
    if (repeat == 0) continue;
    if (repeat * 8 > kQoSTScreenBytes - written) return false;
    const uint8_t* block = in.TakePointer(8);
    if (!block) return false;
    for (std::size_t k = 0; k < repeat; ++k) {
      if (out) std::memcpy(out + written, block, 8);
      written += 8;
    }
  }
  // What is left of the data is the rest of the screen, stored as it is.
  if (in.Remaining() != kQoSTScreenBytes - written) return false;
  if (out) std::memcpy(out + written, in.Cursor(), in.Remaining());
  return true;
}

// DEGAS Elite icons.

namespace {

bool IsBlank(uint8_t c) {
  return c == ' ' || c == '\t';
}

bool IsPunctuation(uint8_t c) {
  return c == '[' || c == ']' || c == '=' || c == '{' || c == '}' || c == ',' || c == ';';
}

// A decimal number of up to 9 digits or a hexadecimal one of up to 8 after 0x.
bool ParseIconNumber(std::string_view token, uint32_t& value) {
  value = 0;
  if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    token.remove_prefix(2);
    if (token.size() > 8) return false;
    for (const char c : token) {
      unsigned digit = 0;
      if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<unsigned>(c - 'A' + 10);
      } else {
        return false;
      }
      value = value << 4 | digit;
    }
    return true;
  }
  if (token.empty() || token.size() > 9) return false;
  for (const char c : token) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return true;
}

// The next line of text without its CR LF (or LF); false at the end or past 1024 characters.
bool NextLine(TQoByteCursor& in, std::string_view& line) {
  if (in.Remaining() == 0) return false;
  const auto* start = reinterpret_cast<const char*>(in.Cursor());
  std::size_t length = 0;
  uint8_t c = 0;
  while (in.ReadByte(c) && c != '\n') ++length;
  if (length > 0 && start[length - 1] == '\r') --length;
  if (length > 1024) return false;
  line = std::string_view(start, length);
  return true;
}

// The tokens of the declaration: runs of other characters, or one punctuation mark;
// spaces, tabs and line ends separate them.
bool NextToken(TQoByteCursor& in, std::string_view& token) {
  uint8_t c = 0;
  while (in.Has(1) && (IsBlank(in.View.U8(in.Pos)) || in.View.U8(in.Pos) == '\r' ||
                       in.View.U8(in.Pos) == '\n')) {
    ++in.Pos;
  }
  if (!in.Has(1)) return false;
  const auto* start = reinterpret_cast<const char*>(in.Cursor());
  if (IsPunctuation(in.View.U8(in.Pos))) {
    ++in.Pos;
    token = std::string_view(start, 1);
    return true;
  }
  std::size_t length = 0;
  while (in.Has(1)) {
    c = in.View.U8(in.Pos);
    if (IsBlank(c) || c == '\r' || c == '\n' || IsPunctuation(c)) break;
    ++in.Pos;
    ++length;
  }
  token = std::string_view(start, length);
  return true;
}

}  // namespace

bool QoParseDegasIcon(TQoByteView text, TQoDegasIconText& icon, std::vector<uint16_t>* words) {
  TQoByteCursor in(text);
  std::string_view line;
  if (!NextLine(in, line) ||
      (line != "/* DEGAS Elite Icon Definition */" && line != "/* GEM Icon Definition: */")) {
    return false;
  }
  icon = TQoDegasIconText();
  bool seen[3] = {};
  for (int d = 0; d < 3; ++d) {
    if (!NextLine(in, line)) return false;
    std::string_view parts[3];
    int count = 0;
    std::size_t at = 0;
    while (at < line.size()) {
      while (at < line.size() && IsBlank(static_cast<uint8_t>(line[at]))) ++at;
      if (at == line.size()) break;
      std::size_t end = at;
      while (end < line.size() && !IsBlank(static_cast<uint8_t>(line[end]))) ++end;
      if (count == 3) return false;
      parts[count++] = line.substr(at, end - at);
      at = end;
    }
    uint32_t value = 0;
    if (count != 3 || parts[0] != "#define" || !ParseIconNumber(parts[2], value)) return false;
    static constexpr std::string_view kNames[] = {"ICON_W", "ICON_H", "ICONSIZE"};
    int which = -1;
    for (int k = 0; k < 3; ++k) {
      if (parts[1] == kNames[k]) which = k;
    }
    if (which < 0 || seen[which]) return false;
    seen[which] = true;
    (which == 0 ? icon.Width : which == 1 ? icon.Height : icon.Size) = value;
  }
  std::string_view token;
  auto expect = [&](std::string_view a, std::string_view b = {}) {
    return NextToken(in, token) && (token == a || (!b.empty() && token == b));
  };
  if (!expect("int", "short") || !expect("image", "img") || !expect("[") || !expect("ICONSIZE") ||
      !expect("]") || !expect("=") || !expect("{")) {
    return false;
  }
  // Every number takes at least two characters with its separator: a count beyond that
  // cannot be in the file.
  if (icon.Size == 0 || icon.Size > text.Size() / 2) return false;
  if (words) words->assign(icon.Size, 0);
  for (uint32_t i = 0; i < icon.Size; ++i) {
    uint32_t value = 0;
    if (i > 0 && !expect(",")) return false;
    if (!NextToken(in, token) || !ParseIconNumber(token, value)) return false;
    if (words) (*words)[i] = static_cast<uint16_t>(value);
  }
  return expect("}") && expect(";");
}
