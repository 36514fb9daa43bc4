// What MD5 and SHA-1 share around their block functions: data fed in any
// pieces goes to the block function in whole 64-byte blocks, and the end is
// padded with 0x80, zeros and the length in bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace digest_blocks {

struct Pending {
    uint64_t length;  // bytes fed so far
    unsigned char bytes[64];
    size_t size;
};

// Whole blocks go to `compress(blocks_data, block_count)` straight from the
// caller's data, without a copy; a part block waits in `pending`.
template <class Compress>
void feed(Pending& pending, const void* data, size_t size, Compress compress) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    pending.length += size;
    if (pending.size) {
        size_t take = 64 - pending.size < size ? 64 - pending.size : size;
        std::memcpy(pending.bytes + pending.size, bytes, take);
        pending.size += take;
        bytes += take;
        size -= take;
        if (pending.size < 64) return;
        compress(pending.bytes, size_t(1));
        pending.size = 0;
    }
    if (size >= 64) compress(bytes, size / 64);
    bytes += size / 64 * 64;
    size %= 64;
    std::memcpy(pending.bytes, bytes, size);
    pending.size = size;
}

// Feeds the padding and the bit length, little-endian (MD5) or big-endian (SHA-1).
template <class Compress>
void finish(Pending& pending, bool big_endian_length, Compress compress) {
    const uint64_t bit_length = pending.length * 8;
    unsigned char tail[128] = {0x80};
    size_t padding = (pending.size < 56 ? 56 : 120) - pending.size;
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = static_cast<unsigned char>(bit_length >> (big_endian_length ? 56 - 8 * i : 8 * i));
    feed(pending, tail, padding + 8, compress);
}

}  // namespace digest_blocks
