#include "copy/hashing_hook.h"

#include "common/file_hashing.h"
#include "common/text.h"
#include "copy/hash_records.h"
#include "run/config.h"
#include "run/run_state.h"

namespace {

// The texts something shows: the COPIED record, the verdict or the hash log.
// A text that nothing shows is not computed (--SHA without a hash log reads
// no file a second time).
struct WantedTexts {
    bool source_md5, destination_md5, source_sha1, destination_sha1;
};

WantedTexts wanted_texts(const LogStreams& logs) {
    const int32_t mode = opt->hash_mode;
    const bool verdict = mode & HASH_BOTH;
    const bool sha1 = opt->sha1_wanted && logs.hash_log;
    WantedTexts wanted;
    wanted.source_md5 = hashes_source(mode) && (logs.copied_log || verdict || logs.hash_log);
    wanted.destination_md5 = hashes_destination(mode) && (verdict || logs.hash_log);
    wanted.source_sha1 = sha1 && hashes_source(mode);
    wanted.destination_sha1 = sha1 && hashes_destination(mode);
    return wanted;
}

}  // namespace

void hash_copied_file(const std::wstring& source, const std::wstring& destination, bool) {
    const int32_t mode = opt->hash_mode;
    if (mode == 0) return;
    const Run& run = current_run();
    const WantedTexts wanted = wanted_texts(run.logs);
    hashing::HashTexts of_source = hashing::hash_texts_of_file(source, wanted.source_md5, wanted.source_sha1);
    if (hashes_source(mode)) text::print(run.logs.copied_log, "%s|", of_source.md5.c_str());
    hashing::HashTexts of_copy =
        hashing::hash_texts_of_file(destination, wanted.destination_md5, wanted.destination_sha1);

    const FileHashTexts texts{of_source.md5, of_copy.md5, of_source.sha1, of_copy.sha1};
    if (mode & HASH_BOTH) text::print(run.screen, " [%s]", hash_verdict(texts));
    write_hash_log_line(run.logs.hash_log, mode, opt->sha1_wanted, source, destination, texts);
}
