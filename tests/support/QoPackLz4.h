#pragma once
// An LZ4 frame writer for the tests: stored and compressed blocks (a greedy matcher over
// the frame's history), with every header field settable so that tests can also build
// frames the decoder must refuse.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

enum class TQoLz4Blocks {
  Compressed,
  Stored,
  Alternate,  // compressed, stored, compressed, ...
};

struct TQoLz4FrameOptions {
  TQoLz4Blocks Blocks = TQoLz4Blocks::Compressed;
  std::size_t BlockSize = 65536;         // data bytes per block (the last may be shorter)
  bool ContentSize = false;              // write the 8-byte content size
  std::optional<uint64_t> ContentValue;  // a content size other than the true one
  bool ContentChecksum = false;          // flag and 4 (meaningless) bytes after the end mark
  bool BlockChecksum = false;            // flag and 4 bytes after every block
  uint8_t Version = 1;                   // FLG bits 7-6
  bool ReservedFlag = false;             // FLG bit 1
  bool DictionaryId = false;             // flag and a 4-byte ID
  uint8_t Descriptor = 0x40;             // BD byte
  bool EndMark = true;
};

// The sequences of a compressed block for data[start, end): matches may reach back into
// data before start (the frame's earlier blocks), at most 65,535 bytes. The block keeps
// the format's tail rules: its last 5 bytes are literals and no match starts in its last
// 12 bytes.
std::vector<uint8_t> QoLz4CompressBlock(const std::vector<uint8_t>& data, std::size_t start,
                                        std::size_t end);

// One frame holding data.
std::vector<uint8_t> QoPackLz4Frame(const std::vector<uint8_t>& data,
                                    const TQoLz4FrameOptions& options = {});
