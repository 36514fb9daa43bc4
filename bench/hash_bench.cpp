// Hashes one file with the program's own file hashing, as the copy step
// does, and prints the seconds and the throughput.
// Usage: hash_bench <file> md5|sha1|both|sha1-portable
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/sha1.h"
#include "common/text.h"
#include "copy/file_hashing.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: hash_bench <file> md5|sha1|both|sha1-portable\n");
        return 2;
    }
    std::wstring path;
    if (!platform::full_path(text::from_utf8(argv[1], std::strlen(argv[1])).c_str(), path)) return 2;
    std::string what = argv[2];
    if (what == "sha1-portable") sha1::use_portable_only(true);
    bool md5 = what == "md5" || what == "both";
    bool sha1 = what != "md5";

    auto started = std::chrono::steady_clock::now();
    hashing::HashTexts texts = hashing::hash_texts_of_file(path, md5, sha1);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    uint64_t size = 0;
    platform::FileHandle h = platform::open_file(path.c_str(), platform::Access::read, platform::Disposition::open_existing);
    if (h) {
        platform::get_file_size(h, &size);
        platform::close_file(h);
    }
    std::printf("%-14s %8.3f s %8.1f MB/s  %s %s\n", what.c_str(), seconds, double(size) / 1e6 / seconds,
                texts.md5.c_str(), texts.sha1.c_str());
    return 0;
}
