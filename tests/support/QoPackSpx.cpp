#include "support/QoPackSpx.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace {

constexpr uint32_t kMinMatch = 3;
constexpr int kChainDepth = 64;

[[noreturn]] void Fail(const std::string& why) {
  throw std::invalid_argument("SPX: " + why);
}

// The data as the depacker produces it: from the last byte down. On this order the
// stream is a plain forward LZ77 stream.
std::vector<uint8_t> Reversed(const std::vector<uint8_t>& data) {
  return std::vector<uint8_t>(data.rbegin(), data.rend());
}

// Bits in the order the depacker reads them, packed into big-endian words that are
// stored from the end of the stream down.
class TBitWriter {
 public:
  void Bits(int n, uint32_t value) {
    for (int i = n - 1; i >= 0; --i) bits_.push_back(((value >> i) & 1) != 0);
  }
  void Number(uint32_t value) {
    uint32_t k = 0;
    while (k < 3 && value >= (uint32_t{1} << (4 * k + 4))) ++k;
    Bits(2, k);
    Bits(static_cast<int>(4 * k + 4), value);
  }
  std::vector<uint8_t> Stream() const {
    const std::size_t words = (bits_.size() + 31) / 32;
    std::vector<uint8_t> out(words * 4, 0);
    for (std::size_t i = 0; i < bits_.size(); ++i) {
      if (!bits_[i]) continue;
      const std::size_t word = i / 32;
      const int bit = 31 - static_cast<int>(i % 32);
      const std::size_t at = out.size() - 4 * (word + 1);  // big-endian word
      out[at + 3 - static_cast<std::size_t>(bit / 8)] |= static_cast<uint8_t>(1u << (bit % 8));
    }
    return out;
  }

 private:
  std::vector<bool> bits_;
};

void PutBE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

std::vector<TQoSpxToken> QoSpxGreedyTokens(const std::vector<uint8_t>& data) {
  const std::vector<uint8_t> r = Reversed(data);
  std::vector<TQoSpxToken> tokens;
  std::unordered_map<uint32_t, std::size_t> head;
  std::vector<std::size_t> previous(r.size(), SIZE_MAX);
  auto key = [&](std::size_t pos) {
    return static_cast<uint32_t>(r[pos]) | (static_cast<uint32_t>(r[pos + 1]) << 8) |
           (static_cast<uint32_t>(r[pos + 2]) << 16);
  };
  auto insert = [&](std::size_t pos) {
    if (pos + kMinMatch > r.size()) return;
    auto it = head.find(key(pos));
    if (it != head.end()) previous[pos] = it->second;
    head[key(pos)] = pos;
  };
  auto addLiteral = [&]() {
    if (tokens.empty() || !tokens.back().Literal || tokens.back().Length == kQoSpxMaxLiteral) {
      tokens.push_back(TQoSpxToken::Lit(0));
    }
    ++tokens.back().Length;
  };

  std::size_t pos = 0;
  while (pos < r.size()) {
    std::size_t bestLength = 0;
    std::size_t bestOffset = 0;
    if (pos + kMinMatch <= r.size()) {
      auto it = head.find(key(pos));
      std::size_t candidate = it == head.end() ? SIZE_MAX : it->second;
      const std::size_t longest = std::min<std::size_t>(r.size() - pos, kQoSpxMaxMatch);
      for (int depth = 0; depth < kChainDepth && candidate != SIZE_MAX; ++depth) {
        if (pos - candidate > kQoSpxMaxOffset) break;
        std::size_t length = 0;
        while (length < longest && r[candidate + length] == r[pos + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestOffset = pos - candidate;
        }
        candidate = previous[candidate];
      }
    }
    if (bestLength < kMinMatch) {
      addLiteral();
      insert(pos);
      ++pos;
      continue;
    }
    tokens.push_back(
        TQoSpxToken::Match(static_cast<uint32_t>(bestLength), static_cast<uint32_t>(bestOffset)));
    for (std::size_t i = 0; i < bestLength; ++i) insert(pos + i);
    pos += bestLength;
  }
  return tokens;
}

std::vector<uint8_t> QoPackSpxTokens(const std::vector<uint8_t>& data,
                                     const std::vector<TQoSpxToken>& tokens) {
  const std::vector<uint8_t> r = Reversed(data);
  TBitWriter bits;
  std::size_t pos = 0;
  bool matchNeedsFlag = true;  // false right after a literal run that was not the longest
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const TQoSpxToken& token = tokens[i];
    if (token.Literal) {
      if (!matchNeedsFlag) Fail("a short literal run must be followed by a match");
      if (token.Length > kQoSpxMaxLiteral) Fail("literal run too long");
      if (token.Length > r.size() - pos) Fail("literal run beyond the data");
      bits.Bits(1, 0);
      bits.Number(token.Length);
      for (uint32_t j = 0; j < token.Length; ++j) bits.Bits(8, r[pos++]);
      matchNeedsFlag = token.Length == kQoSpxMaxLiteral;
      continue;
    }
    if (token.Length < kMinMatch || token.Length > kQoSpxMaxMatch) Fail("bad match length");
    if (token.Offset == 0 || token.Offset > kQoSpxMaxOffset || token.Offset > pos) {
      Fail("bad match offset");
    }
    if (token.Length > r.size() - pos) Fail("match beyond the data");
    for (uint32_t j = 0; j < token.Length; ++j) {
      if (r[pos + j] != r[pos + j - token.Offset]) Fail("match does not describe the data");
    }
    if (matchNeedsFlag) bits.Bits(1, 1);
    bits.Number(token.Offset);
    bits.Number(token.Length - kMinMatch);
    pos += token.Length;
    matchNeedsFlag = true;
  }
  if (pos != r.size()) Fail("tokens do not cover the data");

  const std::vector<uint8_t> stream = bits.Stream();
  std::vector<uint8_t> out;
  PutBE32(out, static_cast<uint32_t>(data.size()));
  PutBE32(out, static_cast<uint32_t>(stream.size()));
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

std::vector<uint8_t> QoPackSpx(const std::vector<uint8_t>& data) {
  return QoPackSpxTokens(data, QoSpxGreedyTokens(data));
}
