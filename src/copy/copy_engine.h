// The copy engine as the walk's sink: each file goes to process_file, with
// what the reader's threads found in the destination ahead of it.
#pragma once

#include <memory>
#include <string>

#include "walk/file_sink.h"

struct DestinationLookups;

class CopyEngine : public FileSink {
public:
    bool takes_incomplete_records() const override;
    // Looks up the destinations of the files ahead on the reader's threads,
    // when the options let a destination be known before its file.
    void files_ahead(std::vector<FilesAhead> folders, FolderReader& reader) override;
    void take_file(const std::wstring& dir, const std::wstring& name, platform::FindRecord record,
                   const FileOrigin& origin) override;

private:
    FolderReader* reader_ = nullptr;  // while destinations are looked up ahead
    // The look-ups of the folder whose files are coming in.
    std::wstring lookups_dir_;
    std::shared_ptr<const DestinationLookups> lookups_;
};
