// The folder source that reads each folder whole, for every file type at
// once, ahead of the walk on threads of its own, and keeps the counting
// pass's readings for the copy pass (where the host makes that pay).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "state/run_state.h"
#include "walk/folder_reader.h"
#include "walk/folder_source.h"

class ReadAheadSource : public FolderSource {
public:
    // Made after the options are final; `sink` tells whether the copy pass
    // wants attribute records of every file.
    ReadAheadSource(const Configuration& config, const Run& run, const FileSink& sink);
    // Before the copy pass walks a start path: the sink is told the files of
    // the folders held, in walk order.
    void before_start_path(const std::wstring& dir, FileSink& sink) override;
    std::unique_ptr<OpenFolder> open(const std::wstring& dir, Reached how, int* failure) override;

private:
    void watch_for_overlap();

    const Configuration& config_;
    const Run& run_;
    FolderReader reader_;
    // A start path lies in the destination: the copy pass reads every folder
    // when it reaches it.
    bool start_path_in_destination_ = false;
};

// True when file types have no folder part, so that a folder read whole can
// answer them.
bool file_types_name_files_only(const Configuration& config);
