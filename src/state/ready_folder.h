// The destination folder of the files being copied, known to exist: files of
// one folder come one after another, so the folder is made sure of once, not
// per file.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

// The destination folder of the source folder handed over last, in tree
// replication, with what it was made from.
struct ReplicatedFolder {
    std::wstring source;  // the source folder, ending with a backslash
    std::wstring root;    // the destination root then
    int32_t start_path_len = 0;
    std::wstring destination;
};

struct ReadyFolder {
    std::wstring folder;  // empty while none is ready
    // The folder was made by this run, and these are the names (upper-cased)
    // the run has since given copies there: any other name is surely free.
    bool is_new = false;
    std::unordered_set<std::wstring> names_given;
    // A link on the way from the destination root keeps the copies out: what
    // lies beyond it is not looked at, and each copy fails.
    bool changes_refused = false;
    // The folder whose partial copies of earlier runs were removed last.
    std::wstring partial_copies_cleared;
    ReplicatedFolder replicated;
};
