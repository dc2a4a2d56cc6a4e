#pragma once
// zlib streams inside picture containers (emulator snapshots), inflated into buffers of
// known size. Never raises.

#include <cstddef>
#include <cstdint>

// True when the zlib stream in (inSize bytes) ends cleanly having produced at most
// capacity bytes; produced tells how many. A corrupt stream, or one that would go on
// beyond capacity, answers false.
bool QoInflate(const uint8_t* in, std::size_t inSize, uint8_t* out, std::size_t capacity,
               std::size_t& produced);

// True when the stream inflates to exactly outSize bytes.
bool QoInflateExact(const uint8_t* in, std::size_t inSize, uint8_t* out, std::size_t outSize);
