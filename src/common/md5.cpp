#include "common/md5.h"

namespace md5 {

namespace {

inline uint32_t rotate_left(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t load_le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void store_le32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// The four round functions. G is written as a sum of two disjoint masks and
// the constant and message word are added before the function, so each step
// has only a short chain that waits for the previous step's result.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

#define MD5_STEP(f, a, b, c, d, word, k, s) \
    a += (word) + (k);                      \
    a += f(b, c, d);                        \
    a = rotate_left(a, s) + (b);

#define MD5_STEP_G(a, b, c, d, word, k, s) \
    a += (word) + (k);                     \
    a += (c) & ~(d);                       \
    a += (b) & (d);                        \
    a = rotate_left(a, s) + (b);

// Compresses `blocks` 64-byte blocks into h. The sixteen words of a block and
// the four state words are locals, so the compiler keeps them in registers.
void compress(uint32_t h[4], const unsigned char* data, size_t blocks) {
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (; blocks; --blocks, data += 64) {
        const uint32_t w0 = load_le32(data), w1 = load_le32(data + 4), w2 = load_le32(data + 8),
                       w3 = load_le32(data + 12), w4 = load_le32(data + 16), w5 = load_le32(data + 20),
                       w6 = load_le32(data + 24), w7 = load_le32(data + 28), w8 = load_le32(data + 32),
                       w9 = load_le32(data + 36), w10 = load_le32(data + 40), w11 = load_le32(data + 44),
                       w12 = load_le32(data + 48), w13 = load_le32(data + 52), w14 = load_le32(data + 56),
                       w15 = load_le32(data + 60);
        const uint32_t aa = a, bb = b, cc = c, dd = d;

        MD5_STEP(MD5_F, a, b, c, d, w0, 0xd76aa478, 7)
        MD5_STEP(MD5_F, d, a, b, c, w1, 0xe8c7b756, 12)
        MD5_STEP(MD5_F, c, d, a, b, w2, 0x242070db, 17)
        MD5_STEP(MD5_F, b, c, d, a, w3, 0xc1bdceee, 22)
        MD5_STEP(MD5_F, a, b, c, d, w4, 0xf57c0faf, 7)
        MD5_STEP(MD5_F, d, a, b, c, w5, 0x4787c62a, 12)
        MD5_STEP(MD5_F, c, d, a, b, w6, 0xa8304613, 17)
        MD5_STEP(MD5_F, b, c, d, a, w7, 0xfd469501, 22)
        MD5_STEP(MD5_F, a, b, c, d, w8, 0x698098d8, 7)
        MD5_STEP(MD5_F, d, a, b, c, w9, 0x8b44f7af, 12)
        MD5_STEP(MD5_F, c, d, a, b, w10, 0xffff5bb1, 17)
        MD5_STEP(MD5_F, b, c, d, a, w11, 0x895cd7be, 22)
        MD5_STEP(MD5_F, a, b, c, d, w12, 0x6b901122, 7)
        MD5_STEP(MD5_F, d, a, b, c, w13, 0xfd987193, 12)
        MD5_STEP(MD5_F, c, d, a, b, w14, 0xa679438e, 17)
        MD5_STEP(MD5_F, b, c, d, a, w15, 0x49b40821, 22)

        MD5_STEP_G(a, b, c, d, w1, 0xf61e2562, 5)
        MD5_STEP_G(d, a, b, c, w6, 0xc040b340, 9)
        MD5_STEP_G(c, d, a, b, w11, 0x265e5a51, 14)
        MD5_STEP_G(b, c, d, a, w0, 0xe9b6c7aa, 20)
        MD5_STEP_G(a, b, c, d, w5, 0xd62f105d, 5)
        MD5_STEP_G(d, a, b, c, w10, 0x02441453, 9)
        MD5_STEP_G(c, d, a, b, w15, 0xd8a1e681, 14)
        MD5_STEP_G(b, c, d, a, w4, 0xe7d3fbc8, 20)
        MD5_STEP_G(a, b, c, d, w9, 0x21e1cde6, 5)
        MD5_STEP_G(d, a, b, c, w14, 0xc33707d6, 9)
        MD5_STEP_G(c, d, a, b, w3, 0xf4d50d87, 14)
        MD5_STEP_G(b, c, d, a, w8, 0x455a14ed, 20)
        MD5_STEP_G(a, b, c, d, w13, 0xa9e3e905, 5)
        MD5_STEP_G(d, a, b, c, w2, 0xfcefa3f8, 9)
        MD5_STEP_G(c, d, a, b, w7, 0x676f02d9, 14)
        MD5_STEP_G(b, c, d, a, w12, 0x8d2a4c8a, 20)

        MD5_STEP(MD5_H, a, b, c, d, w5, 0xfffa3942, 4)
        MD5_STEP(MD5_H, d, a, b, c, w8, 0x8771f681, 11)
        MD5_STEP(MD5_H, c, d, a, b, w11, 0x6d9d6122, 16)
        MD5_STEP(MD5_H, b, c, d, a, w14, 0xfde5380c, 23)
        MD5_STEP(MD5_H, a, b, c, d, w1, 0xa4beea44, 4)
        MD5_STEP(MD5_H, d, a, b, c, w4, 0x4bdecfa9, 11)
        MD5_STEP(MD5_H, c, d, a, b, w7, 0xf6bb4b60, 16)
        MD5_STEP(MD5_H, b, c, d, a, w10, 0xbebfbc70, 23)
        MD5_STEP(MD5_H, a, b, c, d, w13, 0x289b7ec6, 4)
        MD5_STEP(MD5_H, d, a, b, c, w0, 0xeaa127fa, 11)
        MD5_STEP(MD5_H, c, d, a, b, w3, 0xd4ef3085, 16)
        MD5_STEP(MD5_H, b, c, d, a, w6, 0x04881d05, 23)
        MD5_STEP(MD5_H, a, b, c, d, w9, 0xd9d4d039, 4)
        MD5_STEP(MD5_H, d, a, b, c, w12, 0xe6db99e5, 11)
        MD5_STEP(MD5_H, c, d, a, b, w15, 0x1fa27cf8, 16)
        MD5_STEP(MD5_H, b, c, d, a, w2, 0xc4ac5665, 23)

        MD5_STEP(MD5_I, a, b, c, d, w0, 0xf4292244, 6)
        MD5_STEP(MD5_I, d, a, b, c, w7, 0x432aff97, 10)
        MD5_STEP(MD5_I, c, d, a, b, w14, 0xab9423a7, 15)
        MD5_STEP(MD5_I, b, c, d, a, w5, 0xfc93a039, 21)
        MD5_STEP(MD5_I, a, b, c, d, w12, 0x655b59c3, 6)
        MD5_STEP(MD5_I, d, a, b, c, w3, 0x8f0ccc92, 10)
        MD5_STEP(MD5_I, c, d, a, b, w10, 0xffeff47d, 15)
        MD5_STEP(MD5_I, b, c, d, a, w1, 0x85845dd1, 21)
        MD5_STEP(MD5_I, a, b, c, d, w8, 0x6fa87e4f, 6)
        MD5_STEP(MD5_I, d, a, b, c, w15, 0xfe2ce6e0, 10)
        MD5_STEP(MD5_I, c, d, a, b, w6, 0xa3014314, 15)
        MD5_STEP(MD5_I, b, c, d, a, w13, 0x4e0811a1, 21)
        MD5_STEP(MD5_I, a, b, c, d, w4, 0xf7537e82, 6)
        MD5_STEP(MD5_I, d, a, b, c, w11, 0xbd3af235, 10)
        MD5_STEP(MD5_I, c, d, a, b, w2, 0x2ad7d2bb, 15)
        MD5_STEP(MD5_I, b, c, d, a, w9, 0xeb86d391, 21)

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    h[0] = a;
    h[1] = b;
    h[2] = c;
    h[3] = d;
}

#undef MD5_F
#undef MD5_H
#undef MD5_I
#undef MD5_STEP
#undef MD5_STEP_G

}  // namespace

void start(State& state) {
    state.h[0] = 0x67452301;
    state.h[1] = 0xefcdab89;
    state.h[2] = 0x98badcfe;
    state.h[3] = 0x10325476;
    state.pending.length = 0;
    state.pending.size = 0;
}

void feed(State& state, const void* data, size_t size) {
    digest_blocks::feed(state.pending, data, size,
                        [&](const unsigned char* blocks, size_t count) { compress(state.h, blocks, count); });
}

void finish(State& state, unsigned char digest[DIGEST_SIZE]) {
    digest_blocks::finish(state.pending, false,
                          [&](const unsigned char* blocks, size_t count) { compress(state.h, blocks, count); });
    for (int i = 0; i < 4; ++i) store_le32(digest + 4 * i, state.h[i]);
}

}  // namespace md5
