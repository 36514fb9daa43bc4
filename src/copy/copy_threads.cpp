#include "copy/copy_threads.h"

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "walk/file_sink.h"

namespace {

constexpr unsigned MOST_WORKERS_ASKED = 64;

bool lies_within(const std::vector<platform::FileIdentity>& chain, const platform::FileIdentity& folder) {
    return std::find(chain.begin(), chain.end(), folder) != chain.end();
}

// The destination inside a start path, or a start path inside the destination.
bool trees_overlap(const CopyContext& c) {
    if (!c.options.dest_given || c.config.dest_path.empty()) return false;
    std::vector<platform::FileIdentity> destination = platform::identities_up_from(c.config.dest_path);
    if (destination.empty()) return true;  // cannot tell: assume the worst
    for (const std::wstring& start : c.config.source_paths) {
        std::vector<platform::FileIdentity> source = platform::identities_up_from(start);
        if (source.empty()) continue;
        if (lies_within(destination, source.front()) || lies_within(source, destination.front())) return true;
    }
    return false;
}

bool on_rotating_disks(const CopyContext& c) {
    if (platform::on_rotating_disk(c.config.dest_path.c_str())) return true;
    for (const std::wstring& start : c.config.source_paths)
        if (platform::on_rotating_disk(start.c_str())) return true;
    return false;
}

// A walk that lists a folder once more for each further file type does so
// after the files of the types before it have been handed over: their copies
// must be done by then, as a copy's read moves its source's access time.
bool needs_one_thread(const CopyContext& c, bool walk_lists_folders_again) {
    return c.options.list_only || c.options.flatten > 5 || walk_lists_folders_again || trees_overlap(c);
}

}  // namespace

unsigned copy_threads_asked(const std::wstring& value) {
    if (value.empty() || value.size() > 2) return 0;
    unsigned number = 0;
    for (wchar_t c : value) {
        if (c < L'0' || c > L'9') return 0;
        number = number * 10 + static_cast<unsigned>(c - L'0');
    }
    return number >= 1 && number <= MOST_WORKERS_ASKED ? number : 0;
}

unsigned copy_workers_for_this_run(const CopyContext& c, bool walk_lists_folders_again) {
    if (needs_one_thread(c, walk_lists_folders_again)) return 1;
    std::wstring value;
    if (platform::get_env("KESTRO_COPY_THREADS", &value)) {
        unsigned asked = copy_threads_asked(value);
        if (asked) return asked;
    }
    if (on_rotating_disks(c)) return 1;
    return helper_threads();
}
