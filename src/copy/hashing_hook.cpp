#include "copy/hashing_hook.h"

#include "copy/copy_context.h"
#include "copy/file_hashing.h"
#include "log/output.h"

#include <new>
#include <system_error>
#include <thread>

WantedHashTexts wanted_hash_texts(const CopyContext& c, const LogStreams& logs) {
    const int32_t mode = c.options.hash_mode;
    const bool verdict = mode & HASH_BOTH;
    const bool sha1 = c.options.sha1_wanted && logs.hash_log;
    WantedHashTexts wanted;
    wanted.source_md5 = hashes_source(mode) && (logs.copied_log || verdict || logs.hash_log);
    wanted.destination_md5 = hashes_destination(mode) && (verdict || logs.hash_log);
    wanted.source_sha1 = sha1 && hashes_source(mode);
    wanted.destination_sha1 = sha1 && hashes_destination(mode);
    return wanted;
}

namespace {

// Below this a thread of its own costs more than hashing the copy after the source.
constexpr uint64_t SIDES_APART_FROM = uint64_t(4) << 20;

bool hashes_both_sides(const WantedHashTexts& wanted) {
    return (wanted.source_md5 || wanted.source_sha1) && (wanted.destination_md5 || wanted.destination_sha1);
}

// The copy's half, on a thread of its own when one can be had. Memory that
// cannot be had there is met again on the calling thread, where the run
// handles it.
class CopySide {
public:
    CopySide(const std::wstring& destination, const WantedHashTexts& wanted)
        : destination_(destination), wanted_(wanted) {}
    ~CopySide() {
        if (thread_.joinable()) thread_.join();
    }
    CopySide(const CopySide&) = delete;
    CopySide& operator=(const CopySide&) = delete;

    void start_apart() {
        try {
            thread_ = std::thread([this] {
                try {
                    hash();
                    hashed_apart_ = true;
                } catch (const std::bad_alloc&) {
                }
            });
        } catch (const std::system_error&) {
        }
    }
    hashing::HashTexts texts() {
        if (thread_.joinable()) thread_.join();
        if (!hashed_apart_) hash();
        return texts_;
    }

private:
    void hash() {
        texts_ = hashing::hash_texts_of_file(destination_, wanted_.destination_md5, wanted_.destination_sha1);
    }

    const std::wstring& destination_;
    const WantedHashTexts& wanted_;
    hashing::HashTexts texts_;
    std::thread thread_;
    bool hashed_apart_ = false;
};

}  // namespace

FileHashTexts hash_file_and_copy(const std::wstring& source, const std::wstring& destination,
                                 const WantedHashTexts& wanted, uint64_t size) {
    // A large file's two sides are read and hashed at once, on two cores.
    CopySide copy_side(destination, wanted);
    if (size >= SIDES_APART_FROM && hashes_both_sides(wanted)) copy_side.start_apart();
    hashing::HashTexts of_source = hashing::hash_texts_of_file(source, wanted.source_md5, wanted.source_sha1);
    hashing::HashTexts of_copy = copy_side.texts();
    return FileHashTexts{of_source.md5, of_copy.md5,         of_source.sha1,
                         of_copy.sha1,  of_source.no_buffer, of_copy.no_buffer};
}

void report_hash_problems(const CopyContext& c, const FileHashTexts& texts, const WantedHashTexts& wanted) {
    if (texts.source_no_buffer) hashing::report_no_buffer(c.out, wanted.source_md5);
    if (texts.destination_no_buffer) hashing::report_no_buffer(c.out, wanted.destination_md5);
}

void write_hash_records(const CopyContext& c, const std::wstring& source, const std::wstring& destination,
                        const FileHashTexts& texts) {
    const int32_t mode = c.options.hash_mode;
    const Run& run = c.run;
    if (hashes_source(mode)) c.out.print(run.logs.copied_log, "%s|", texts.source_md5.c_str());
    if (mode & HASH_BOTH) c.out.print(run.screen, " [%s]", hash_verdict(texts));
    write_hash_log_line(run.logs.hash_log, mode, c.options.sha1_wanted, source, destination, texts);
}
