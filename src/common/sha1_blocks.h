// The SHA-1 block functions behind common/sha1.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sha1 {

// Compresses `blocks` 64-byte blocks into h, with the processor's SHA
// instructions. Call only when processor_has_sha() is true.
void compress_with_sha_instructions(uint32_t h[5], const unsigned char* data, size_t blocks);
// The processor has the SHA, SSSE3 and SSE4.1 instructions the function above uses.
bool processor_has_sha();

}  // namespace sha1
