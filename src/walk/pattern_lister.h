// The folder source that lists by pattern when the walk reaches a folder:
// one listing for its subfolders, then one per file type.
#pragma once

#include "state/run_state.h"
#include "walk/folder_source.h"

class PatternLister : public FolderSource {
public:
    // `sizes_only`: the sink completes the records of the files it copies,
    // so the copy pass may list without attribute records (as the counting
    // pass always does).
    PatternLister(const Run& run, bool sizes_only);
    std::unique_ptr<OpenFolder> open(const std::wstring& dir, Reached how, int* failure) override;

private:
    const Run& run_;
    const bool sizes_only_;
    std::wstring pattern_;  // the folder followed by one pattern: one buffer for the run
};
