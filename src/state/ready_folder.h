// The destination folder of the files being copied, known to exist: files of
// one folder come one after another, so the folder is made sure of once, not
// per file.
#pragma once

#include <string>
#include <unordered_set>

struct ReadyFolder {
    std::wstring folder;  // empty while none is ready
    // The folder was made by this run, and these are the names (upper-cased)
    // the run has since given copies there: any other name is surely free.
    bool is_new = false;
    std::unordered_set<std::wstring> names_given;
    // The folder whose partial copies of earlier runs were removed last.
    std::wstring partial_copies_cleared;
};
