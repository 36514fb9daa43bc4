// The directory tree walk of the counting pass and the copy pass.
#pragma once

#include <memory>
#include <string>

#include "state/run_state.h"
#include "walk/file_sink.h"

class PatternLister;
class ReadAheadSource;

class Walk {
public:
    // Made after the options are final, for both passes. Where the host makes
    // it pay, each folder is read once for all file types, ahead of the walk
    // on threads of its own, and the copy pass uses what the counting pass
    // read; otherwise each folder is listed by pattern when the walk gets there.
    Walk(const Configuration& config, Run& run, FileSink& sink);
    ~Walk();
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    // Walks `dir` (long-path form, ending with '\') and, unless recursion is
    // off, every folder below it: depth-first, a folder's own files after
    // those of its subfolders. The counting pass counts the files that match
    // file_types; the copy pass hands every match that is not excluded to
    // the sink.
    void walk_directory(const std::wstring& dir);

private:
    const Configuration& config_;
    Run& run_;
    FileSink& sink_;
    std::unique_ptr<PatternLister> lister_;
    std::unique_ptr<ReadAheadSource> read_ahead_;
};
