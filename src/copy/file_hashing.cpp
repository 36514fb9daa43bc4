#include "copy/file_hashing.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <new>

#include "common/md5.h"
#include "common/sha1.h"
#include "log/output.h"
#include "platform/platform.h"

namespace hashing {

namespace {

constexpr const char* MD5_UNIT = "Md5func_64";
constexpr size_t INPUT_BUFFER_SIZE = 524288;
// Large reads: few calls per file, and the piece still fits the processor's
// second-level cache while both digests go over it.
constexpr uint32_t READ_PIECE = 524288;

// Obtained on first use and kept while the thread that hashes lasts (the
// run, for the copy workers).
unsigned char* input_buffer() {
    thread_local std::unique_ptr<unsigned char[]> buffer;
    if (!buffer) buffer.reset(new (std::nothrow) unsigned char[INPUT_BUFFER_SIZE]);
    return buffer.get();
}

// No read-ahead hint: the files hashed have mostly just been copied and are
// in the cache, and the host reads ahead of sequential reads by itself.
platform::FileHandle open_to_read(const std::wstring& path) {
    return platform::open_file(path.c_str(), platform::Access::read, platform::Disposition::open_existing,
                               platform::OPEN_BACKUP_SEMANTICS);
}

// The MD5 unit's open: with the narrow file-name calls on ANSI, once more
// on OEM after a failure, then the code page as it was when it was ANSI.
platform::FileHandle open_trying_code_pages(const std::wstring& path) {
    if (platform::file_apis_are_ansi()) {
        platform::FileHandle handle = open_to_read(path);
        if (handle) return handle;
    }
    // The code page is the process's: threads that hash switch it one at a time.
    static std::mutex switching;
    std::lock_guard<std::mutex> lock(switching);
    const bool was_ansi = platform::file_apis_are_ansi();
    if (!was_ansi) {
        platform::set_file_apis_ansi();
        platform::FileHandle handle = open_to_read(path);
        if (handle) return handle;
    }
    platform::set_file_apis_oem();
    platform::FileHandle handle = open_to_read(path);
    if (was_ansi) platform::set_file_apis_ansi();
    return handle;
}

// The file being hashed: the platform's handle, or a C runtime stream when
// the platform could not open it.
struct OpenFile {
    platform::FileHandle handle = nullptr;
    FILE* stream = nullptr;
    int failure = 0;  // why neither opened: the platform's reason

    bool is_open() const { return handle || stream; }
    // False on a failed read; *got is 0 at the end of the file.
    bool read(unsigned char* buffer, uint32_t size, uint32_t* got) {
        if (handle) return platform::read_file(handle, buffer, size, got);
        *got = static_cast<uint32_t>(std::fread(buffer, 1, size, stream));
        return *got > 0 || !std::ferror(stream);
    }
    void close() {
        if (handle) platform::close_file(handle);
        if (stream) std::fclose(stream);
    }
};

OpenFile open_for_hashing(const std::wstring& path, bool md5_wanted) {
    OpenFile file;
    file.handle = md5_wanted ? open_trying_code_pages(path) : open_to_read(path);
    if (file.handle) return file;
    // The platform's open says why; the C runtime's open after it may not.
    file.failure = platform::last_failure();
    file.stream = platform::open_file_data_stream(path.c_str());
    return file;
}

struct Digests {
    bool md5_wanted, sha1_wanted;
    md5::State md5;
    sha1::State sha1;
};

// Feeds the whole file to the digests. False when a read failed: what was
// read is then no digest of the file.
bool feed_whole_file(OpenFile& file, unsigned char* buffer, Digests& digests, int* failure) {
    for (;;) {
        uint32_t got = 0;
        if (!file.read(buffer, READ_PIECE, &got)) {
            *failure = platform::last_failure();
            return false;
        }
        if (got == 0) return true;
        if (digests.md5_wanted) md5::feed(digests.md5, buffer, got);
        if (digests.sha1_wanted) sha1::feed(digests.sha1, buffer, got);
    }
}

HashTexts failure_texts(bool md5_wanted, bool sha1_wanted, int failure) {
    HashTexts texts;
    texts.failure = failure;
    if (md5_wanted) texts.md5 = MD5_FAILURE_TEXT;
    if (sha1_wanted) texts.sha1 = SHA1_FAILURE_TEXT;
    return texts;
}

HashTexts digest_texts(Digests& digests) {
    HashTexts texts;
    if (digests.md5_wanted) {
        unsigned char digest[md5::DIGEST_SIZE];
        md5::finish(digests.md5, digest);
        texts.md5 = hex_text(digest, sizeof digest);
    }
    if (digests.sha1_wanted) {
        unsigned char digest[sha1::DIGEST_SIZE];
        sha1::finish(digests.sha1, digest);
        texts.sha1 = hex_text(digest, sizeof digest);
    }
    return texts;
}

}  // namespace

HashTexts hash_texts_of_file(const std::wstring& path, bool md5_wanted, bool sha1_wanted) {
    if (!md5_wanted && !sha1_wanted) return HashTexts{};
    unsigned char* buffer = input_buffer();
    if (!buffer) return HashTexts{{}, {}, true};
    OpenFile file = open_for_hashing(path, md5_wanted);
    if (!file.is_open()) return failure_texts(md5_wanted, sha1_wanted, file.failure);

    Digests digests{md5_wanted, sha1_wanted, {}, {}};
    md5::start(digests.md5);
    sha1::start(digests.sha1);
    int failure = 0;
    const bool whole = feed_whole_file(file, buffer, digests, &failure);
    file.close();
    return whole ? digest_texts(digests) : failure_texts(md5_wanted, sha1_wanted, failure);
}

void report_no_buffer(const text::Out& out, bool md5_wanted) {
    if (md5_wanted)
        out.print(stderr, "\n%s\n%d\nCouldn't create MD5 hash input buffer\n", MD5_UNIT, 90);
    else
        out.print(stderr, "Memory allocation error\n");
}

std::string md5_of_file(const std::wstring& path) {
    HashTexts texts = hash_texts_of_file(path, true, false);
    if (texts.no_buffer) report_no_buffer(text::Out{}, true);
    return texts.md5;
}

std::string hex_text(const unsigned char* digest, size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text(2 * size, '0');
    for (size_t i = 0; i < size; ++i) {
        text[2 * i] = digits[digest[i] >> 4];
        text[2 * i + 1] = digits[digest[i] & 15];
    }
    return text;
}

bool holds_error(const std::string& text) { return text.empty() || text.find("ERROR") != std::string::npos; }

}  // namespace hashing
