#include "common/sha1.h"

#include "common/sha1_blocks.h"

namespace sha1 {

namespace {

inline uint32_t rotate_left(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t load_be32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void store_be32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// The portable block function: the schedule kept in a ring of sixteen
// words, each round written out so the five state words stay in registers.
#define SHA1_W(i) (w[(i) & 15] = rotate_left(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i) & 15], 1))
#define SHA1_ROUND(a, b, c, d, e, f, k, word) \
    e += rotate_left(a, 5) + (f) + (k) + (word); \
    b = rotate_left(b, 30);
#define SHA1_CH(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define SHA1_PARITY(b, c, d) ((b) ^ (c) ^ (d))
#define SHA1_MAJ(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))
#define SHA1_FIVE(i, f, k, word)                           \
    SHA1_ROUND(a, b, c, d, e, f(b, c, d), k, word(i))         \
    SHA1_ROUND(e, a, b, c, d, f(a, b, c), k, word(i + 1))     \
    SHA1_ROUND(d, e, a, b, c, f(e, a, b), k, word(i + 2))     \
    SHA1_ROUND(c, d, e, a, b, f(d, e, a), k, word(i + 3))     \
    SHA1_ROUND(b, c, d, e, a, f(c, d, e), k, word(i + 4))
#define SHA1_LOADED(i) (w[i])

void compress_portable(uint32_t h[5], const unsigned char* data, size_t blocks) {
    uint32_t w[16];
    for (; blocks; --blocks, data += 64) {
        for (int i = 0; i < 16; ++i) w[i] = load_be32(data + 4 * i);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        SHA1_FIVE(0, SHA1_CH, 0x5a827999, SHA1_LOADED)
        SHA1_FIVE(5, SHA1_CH, 0x5a827999, SHA1_LOADED)
        SHA1_FIVE(10, SHA1_CH, 0x5a827999, SHA1_LOADED)
        SHA1_ROUND(a, b, c, d, e, SHA1_CH(b, c, d), 0x5a827999, w[15])
        SHA1_ROUND(e, a, b, c, d, SHA1_CH(a, b, c), 0x5a827999, SHA1_W(16))
        SHA1_ROUND(d, e, a, b, c, SHA1_CH(e, a, b), 0x5a827999, SHA1_W(17))
        SHA1_ROUND(c, d, e, a, b, SHA1_CH(d, e, a), 0x5a827999, SHA1_W(18))
        SHA1_ROUND(b, c, d, e, a, SHA1_CH(c, d, e), 0x5a827999, SHA1_W(19))
        SHA1_FIVE(20, SHA1_PARITY, 0x6ed9eba1, SHA1_W)
        SHA1_FIVE(25, SHA1_PARITY, 0x6ed9eba1, SHA1_W)
        SHA1_FIVE(30, SHA1_PARITY, 0x6ed9eba1, SHA1_W)
        SHA1_FIVE(35, SHA1_PARITY, 0x6ed9eba1, SHA1_W)
        SHA1_FIVE(40, SHA1_MAJ, 0x8f1bbcdc, SHA1_W)
        SHA1_FIVE(45, SHA1_MAJ, 0x8f1bbcdc, SHA1_W)
        SHA1_FIVE(50, SHA1_MAJ, 0x8f1bbcdc, SHA1_W)
        SHA1_FIVE(55, SHA1_MAJ, 0x8f1bbcdc, SHA1_W)
        SHA1_FIVE(60, SHA1_PARITY, 0xca62c1d6, SHA1_W)
        SHA1_FIVE(65, SHA1_PARITY, 0xca62c1d6, SHA1_W)
        SHA1_FIVE(70, SHA1_PARITY, 0xca62c1d6, SHA1_W)
        SHA1_FIVE(75, SHA1_PARITY, 0xca62c1d6, SHA1_W)
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
}

#undef SHA1_W
#undef SHA1_ROUND
#undef SHA1_CH
#undef SHA1_PARITY
#undef SHA1_MAJ
#undef SHA1_FIVE
#undef SHA1_LOADED

using BlockFunction = void (*)(uint32_t*, const unsigned char*, size_t);

BlockFunction best_block_function() {
    return processor_has_sha() ? compress_with_sha_instructions : compress_portable;
}

BlockFunction& block_function() {
    static BlockFunction chosen = best_block_function();
    return chosen;
}

}  // namespace

bool uses_processor_instructions() { return block_function() == compress_with_sha_instructions; }

void use_portable_only(bool portable_only) {
    block_function() = portable_only ? compress_portable : best_block_function();
}

void start(State& state) {
    state.h[0] = 0x67452301;
    state.h[1] = 0xefcdab89;
    state.h[2] = 0x98badcfe;
    state.h[3] = 0x10325476;
    state.h[4] = 0xc3d2e1f0;
    state.pending.length = 0;
    state.pending.size = 0;
}

void feed(State& state, const void* data, size_t size) {
    BlockFunction compress = block_function();
    digest_blocks::feed(state.pending, data, size,
                        [&](const unsigned char* blocks, size_t count) { compress(state.h, blocks, count); });
}

void finish(State& state, unsigned char digest[DIGEST_SIZE]) {
    BlockFunction compress = block_function();
    digest_blocks::finish(state.pending, true,
                          [&](const unsigned char* blocks, size_t count) { compress(state.h, blocks, count); });
    for (int i = 0; i < 5; ++i) store_be32(digest + 4 * i, state.h[i]);
}

}  // namespace sha1
