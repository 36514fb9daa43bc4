// SHA-1 with the x86 SHA extensions: four rounds per instruction, the
// message schedule in four registers. About three times the portable speed.
#include "common/sha1_blocks.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#include <utility>

// Only these functions use the instructions; they run after processor_has_sha()
// said yes. A function attribute rather than a pragma: both compilers take it.
#define WITH_SHA_INSTRUCTIONS __attribute__((target("sha,ssse3,sse4.1")))

namespace sha1 {

namespace {

// Rounds 4g to 4g+3. msg[k % 4] holds words 4k..4k+3 of the schedule; the
// group finishes word group g+1, continues g+2 and g+3 and starts g+4... as
// far as the schedule reaches. e[g % 2] holds E for this group; the other
// takes A before the rounds, which becomes E of the next group.
template <int G>
WITH_SHA_INSTRUCTIONS inline __attribute__((always_inline)) void round_group(__m128i& abcd, __m128i e[2], __m128i msg[4]) {
    if constexpr (G == 0)
        e[0] = _mm_add_epi32(e[0], msg[0]);
    else
        e[G % 2] = _mm_sha1nexte_epu32(e[G % 2], msg[G % 4]);
    e[(G + 1) % 2] = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e[G % 2], G / 5);
    if constexpr (G >= 1 && G + 1 <= 19) {
        if constexpr (G >= 3) msg[(G + 1) % 4] = _mm_sha1msg2_epu32(msg[(G + 1) % 4], msg[G % 4]);
        if constexpr (G >= 2 && G + 2 <= 19) msg[(G + 2) % 4] = _mm_xor_si128(msg[(G + 2) % 4], msg[G % 4]);
        if constexpr (G + 3 <= 19) msg[(G + 3) % 4] = _mm_sha1msg1_epu32(msg[(G + 3) % 4], msg[G % 4]);
    }
}

template <int... G>
WITH_SHA_INSTRUCTIONS inline __attribute__((always_inline)) void eighty_rounds(__m128i& abcd, __m128i e[2], __m128i msg[4],
                                                         std::integer_sequence<int, G...>) {
    (round_group<G>(abcd, e, msg), ...);
}

}  // namespace

WITH_SHA_INSTRUCTIONS void compress_with_sha_instructions(uint32_t h[5], const unsigned char* data, size_t blocks) {
    const __m128i byte_order = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(h[4]), 0, 0, 0);
    for (; blocks; --blocks, data += 64) {
        const __m128i abcd_before = abcd, e_before = e0;
        __m128i msg[4];
        for (int i = 0; i < 4; ++i)
            msg[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byte_order);
        __m128i e[2] = {e0, e0};
        eighty_rounds(abcd, e, msg, std::make_integer_sequence<int, 20>{});
        e0 = _mm_sha1nexte_epu32(e[0], e_before);
        abcd = _mm_add_epi32(abcd, abcd_before);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_shuffle_epi32(abcd, 0x1B));
    h[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

bool processor_has_sha() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = c & bit_SSSE3, sse41 = c & bit_SSE4_1;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return ssse3 && sse41 && (b & bit_SHA);
}

}  // namespace sha1

#else

namespace sha1 {
void compress_with_sha_instructions(uint32_t*, const unsigned char*, size_t) {}
bool processor_has_sha() { return false; }
}  // namespace sha1

#endif
