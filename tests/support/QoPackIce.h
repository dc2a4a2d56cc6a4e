#pragma once
// A small Pack-Ice packer for the tests: it writes real "Ice!" (32-bit big-endian bit
// units) and "ICE!" (byte units) streams that the depacker reads backwards. Tests either
// let a greedy matcher choose the tokens or force a sequence of their own, so that every
// literal and match class can be produced on purpose.

#include <cstdint>
#include <vector>

enum class TQoIceFormat {
  Words,  // "Ice!"
  Bytes,  // "ICE!": a non-zero match offset is stored less its length code
};

// One step of the stream, in the order the depacker meets them: from the end of the data
// towards its start.
struct TQoIceToken {
  bool Literal = false;
  // Literal: bytes stored as they are (1 to 33,037). Match: the copy length written in
  // the stream (2 to 1,033); the depacker cuts it to what remains of the output.
  uint32_t Length = 0;
  // Match: how many already written bytes lie between the copied block and its copy.
  uint32_t Offset = 0;

  static TQoIceToken Lit(uint32_t length) { return TQoIceToken{true, length, 0}; }
  static TQoIceToken Match(uint32_t length, uint32_t offset) {
    return TQoIceToken{false, length, offset};
  }
};

inline constexpr uint32_t kQoIceMaxLiteral = 33037;
inline constexpr uint32_t kQoIceMaxMatch = 1033;

// The tokens a greedy matcher picks for data (longest match first). Raises
// std::length_error when a literal run would exceed kQoIceMaxLiteral.
std::vector<TQoIceToken> QoIceGreedyTokens(const std::vector<uint8_t>& data, TQoIceFormat format);

// Data that the tokens describe: literal bytes from a generator seeded with seed, match
// bytes copied as the depacker would. Raises std::invalid_argument when a match reaches
// beyond the bytes before it.
std::vector<uint8_t> QoIceDataFor(const std::vector<TQoIceToken>& tokens, uint32_t seed);

// The packed file for data written with the given tokens. firstUnitBits is the number
// of data bits the first unit carries above its marker bit (0 to unit bits - 1; -1 for
// all of them). Raises std::invalid_argument when the tokens do not describe the data,
// break the stream's grammar (a literal must open the stream and be followed by a
// match) or cannot be coded in the format.
std::vector<uint8_t> QoPackIceTokens(const std::vector<uint8_t>& data,
                                     const std::vector<TQoIceToken>& tokens, TQoIceFormat format,
                                     int firstUnitBits = -1);

// Greedy tokens, packed.
std::vector<uint8_t> QoPackIce(const std::vector<uint8_t>& data, TQoIceFormat format);

// The classes of the stream's codes, for tests that want each of them covered.
// Literal lengths: 0 = 1, 1 = 2-4, 2 = 5-7, 3 = 8-14, 4 = 15-269, 5 = 270-33,037.
int QoIceLiteralClass(uint32_t length);
// Match copy lengths: 0 = 2, 1 = 3, 2 = 4-5, 3 = 6-9, 4 = 10-1,033.
int QoIceMatchLengthClass(uint32_t length);
// Offsets as coded: for length 2, 0 = 0-63 and 1 = 64-575; longer matches, by the
// stored value: 2 = 0-31, 3 = 32-287, 4 = 288-4,383. -1 when not codable.
int QoIceOffsetClass(uint32_t length, uint32_t offset, TQoIceFormat format);
