#pragma once
// A small SPX (version 2) packer for the tests. The depacker reads the stream backwards
// and fills its output from the end, so the packer works on the data from its end: a
// literal run holds the bytes going down, a match copies the bytes `Offset` above.
// Tests either let a greedy matcher choose the tokens or give their own sequence.

#include <cstdint>
#include <vector>

struct TQoSpxToken {
  bool Literal = false;
  uint32_t Length = 0;  // literal: 0 to 65,535 bytes; match: 3 to 65,538 bytes
  uint32_t Offset = 0;  // match: 1 to 65,535

  static TQoSpxToken Lit(uint32_t length) { return TQoSpxToken{true, length, 0}; }
  static TQoSpxToken Match(uint32_t length, uint32_t offset) {
    return TQoSpxToken{false, length, offset};
  }
};

inline constexpr uint32_t kQoSpxMaxLiteral = 65535;
inline constexpr uint32_t kQoSpxMaxMatch = 65538;
inline constexpr uint32_t kQoSpxMaxOffset = 65535;

// The tokens a greedy matcher picks (from the end of the data towards its start).
std::vector<TQoSpxToken> QoSpxGreedyTokens(const std::vector<uint8_t>& data);

// The packed block for data written with the given tokens. Raises std::invalid_argument
// when the tokens do not describe the data or cannot be coded: a literal run shorter
// than 65,535 bytes is always followed by a match (or by the start of the data).
std::vector<uint8_t> QoPackSpxTokens(const std::vector<uint8_t>& data,
                                     const std::vector<TQoSpxToken>& tokens);

// Greedy tokens, packed.
std::vector<uint8_t> QoPackSpx(const std::vector<uint8_t>& data);
