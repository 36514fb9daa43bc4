// MD5 (RFC 1321): the digest that kestro compares between a source and its
// copy. Feed the data in any pieces; the digest is that of their concatenation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/digest_blocks.h"

namespace md5 {

constexpr size_t DIGEST_SIZE = 16;

struct State {
    uint32_t h[4];
    digest_blocks::Pending pending;
};

void start(State& state);
void feed(State& state, const void* data, size_t size);
void finish(State& state, unsigned char digest[DIGEST_SIZE]);

}  // namespace md5
