// The directory tree walk of the counting pass and the copy pass.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

// The routine that the copy pass hands each matching file to: the folder
// (ending with '\'), the long name and the walk's own copy of the find record.
using PerFileRoutine = void (*)(const std::wstring& dir, const std::wstring& name, platform::FindRecord record);
// process_file of the copy engine; tests put a recorder here.
extern PerFileRoutine per_file_routine;

// Walks `dir` (long-path form, ending with '\') and, unless recursion is off,
// every folder below it: depth-first, a folder's own files after those of its
// subfolders. The counting pass counts the files that match file_types; the
// copy pass hands every match that is not excluded to per_file_routine.
void walk_directory(const std::wstring& dir);

class FolderReader;
// While one exists (the driver holds one over both passes), walk_directory
// reads each folder once for all file types, ahead of the walk on threads of
// its own, and the copy pass uses what the counting pass read, where the host
// makes that pay. Made after the options are final.
class FolderReading {
public:
    FolderReading();
    ~FolderReading();
    FolderReading(const FolderReading&) = delete;
    FolderReading& operator=(const FolderReading&) = delete;

private:
    std::unique_ptr<FolderReader> reader_;
};
