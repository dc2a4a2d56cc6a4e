#pragma once
// Depackers shared by several engines. Each works on a block it does not own and answers
// false on any inconsistency (header, lengths, a reference before the start of the
// output, data exhausted, a refusing sink); none raises. The Pack-Ice depacker lives with
// the wrapper detection (engine/QoLoadSource.h).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Version 2 SPX packing: unpacks the block into exactly outputSize bytes, whose size the
// header must give.
bool DepackSpx(const uint8_t* packed, std::size_t packedSize, uint8_t* output,
               std::size_t outputSize);

// Decodes one or more concatenated LZ4 frames, handing the output to sink piece by piece
// (pointer, length; the pointer is valid only during the call). A false answer from the
// sink stops decoding with failure. The input must be used up exactly.
bool DepackLz4Frame(const uint8_t* input, std::size_t size,
                    const std::function<bool(const uint8_t*, std::size_t)>& sink);

// DepackLz4Frame appending to out; fails when the call would add more than maxOutput
// bytes (never more than qo::kMaxAllocation). On failure out is left as it was.
bool DepackLz4ToVector(const uint8_t* input, std::size_t size, std::vector<uint8_t>& out,
                       std::size_t maxOutput);
