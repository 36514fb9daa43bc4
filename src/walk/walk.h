// The directory tree walk of the counting pass and the copy pass.
#pragma once

#include <memory>
#include <string>

#include "walk/file_sink.h"

// Walks `dir` (long-path form, ending with '\') and, unless recursion is off,
// every folder below it: depth-first, a folder's own files after those of its
// subfolders. The counting pass counts the files that match file_types; the
// copy pass hands every match that is not excluded to `sink`.
void walk_directory(const std::wstring& dir, FileSink& sink);

class ReadAheadSource;
// While one exists (the driver holds one over both passes), walk_directory
// reads each folder once for all file types, ahead of the walk on threads of
// its own, and the copy pass uses what the counting pass read, where the host
// makes that pay. Otherwise it lists each folder by pattern when it gets
// there. Made after the options are final.
class FolderReading {
public:
    explicit FolderReading(const FileSink& sink);
    ~FolderReading();
    FolderReading(const FolderReading&) = delete;
    FolderReading& operator=(const FolderReading&) = delete;

private:
    std::unique_ptr<ReadAheadSource> source_;
};
