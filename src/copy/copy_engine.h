// The copy engine as the walk's sink: each file goes to process_file, with
// what the destination probe found in the destination ahead of it, or with
// copy workers through the files in flight (copy/copies_in_flight.h).
#pragma once

#include <memory>
#include <string>

#include "copy/copy_context.h"
#include "copy/destination_probe.h"
#include "walk/file_sink.h"

class CopiesInFlight;

class CopyEngine : public FileSink {
public:
    CopyEngine(const Configuration& config, Run& run);
    ~CopyEngine() override;

    bool takes_incomplete_records() const override;
    void walk_lists_folders_per_type(bool again) override { walk_lists_folders_again_ = again; }
    // Looks up the destinations of the files ahead on threads of their own,
    // when the options let a destination be known before its file.
    void files_ahead(std::vector<FilesAhead> folders) override;
    void take_file(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record,
                   const FileOrigin& origin) override;
    // -M: the source folder's times go to the folders the copy pass
    // creates, and back to the source folder once its files are copied.
    void folder_reached(const std::wstring& dir) override;
    void folder_files_follow(const std::wstring& dir) override;
    void folder_done(const std::wstring& dir) override;
    void not_reached(const std::wstring& path, int failure) override;
    // The end of the copy pass: every file in flight is finished.
    void finish_copies();
    // The run ends (CopiesInFlight::settle): with `whole`, every file in
    // flight is finished; otherwise those whose copies are done.
    void settle_for_the_end(bool whole);

private:
    bool keeps_folder_times() const;

    CopyContext c_;
    std::unique_ptr<DestinationProbe> probe_;  // once destinations are looked up ahead
    // The look-ups of the folder whose files are coming in.
    std::wstring lookups_dir_;
    std::shared_ptr<const DestinationLookups> lookups_;
    // Chosen at the first file of the copy pass; null with one thread.
    bool workers_chosen_ = false;
    bool walk_lists_folders_again_ = false;
    std::unique_ptr<CopiesInFlight> copies_;
    // The files handed over so far and their bytes, for the progress lines;
    // the statistics count each file when its records are written.
    int32_t files_taken_ = 0;
    int64_t bytes_taken_ = 0;
};
