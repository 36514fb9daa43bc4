// SHA-1 (FIPS 180-1): the reference digest kestro can add to the hash log.
// Feed the data in any pieces; the digest is that of their concatenation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/digest_blocks.h"

namespace sha1 {

constexpr size_t DIGEST_SIZE = 20;

struct State {
    uint32_t h[5];
    digest_blocks::Pending pending;
};

void start(State& state);
void feed(State& state, const void* data, size_t size);
void finish(State& state, unsigned char digest[DIGEST_SIZE]);

// The block function in use: the processor's SHA instructions where it has
// them, otherwise the portable one. Tests and benchmarks read it.
bool uses_processor_instructions();
// Forces the portable block function (tests compare both on the same data).
void use_portable_only(bool portable_only);

}  // namespace sha1
