// List files are read in pieces of a fixed size whatever their bytes: no
// piece is longer than asked, and every piece takes at least one byte.
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "options/list_reader.h"

namespace {

// The bytes as a read-only stream in memory (fuzz builds are POSIX builds).
FILE* stream_of(const uint8_t* data, size_t size) {
    static const char nothing = 0;
    FILE* stream = size ? fmemopen(const_cast<uint8_t*>(data), size, "rb")
                        : fmemopen(const_cast<char*>(&nothing), 1, "rb");
    if (!stream) std::abort();
    if (size == 0) std::fgetc(stream);  // an empty file
    return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece_size = 2 + data[0] % 64;
    ++data, --size;

    FILE* stream = stream_of(data, size);
    std::string piece;
    size_t pieces = 0;
    while (read_byte_piece(stream, piece_size, piece)) {
        FUZZ_CHECK(piece.size() <= piece_size);
        FUZZ_CHECK(++pieces <= size);
    }
    std::fclose(stream);

    stream = stream_of(data, size);
    WidePieceReader reader(stream);
    std::wstring wide;
    pieces = 0;
    while (reader.next(piece_size, wide)) {
        FUZZ_CHECK(wide.size() <= piece_size);
        FUZZ_CHECK(++pieces <= size);
    }
    std::fclose(stream);
    return 0;
}
