// Text decoding of arguments and list lines: any bytes decode, and what the
// program decoded it writes back so that it decodes to the same text again.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring decoded = text::from_utf8(reinterpret_cast<const char*>(data), size);
    std::string encoded = text::to_utf8(decoded);
    FUZZ_CHECK(text::from_utf8(encoded) == decoded);
    return 0;
}
