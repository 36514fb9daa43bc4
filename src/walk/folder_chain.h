// The chain of folders that the walk is inside, from the start path down to
// the folder being listed. A folder link that leads to one of them would make
// the walk go round for ever; the chain lets the walk notice and skip it.
// Identities are looked up only when a link is met, so a tree without links
// costs nothing beyond the push and pop per folder.
#pragma once

#include <string>

// Enters `dir` (ending with '\'); the string must live until the matching
// leave_folder().
void enter_folder(const std::wstring& dir);
void leave_folder();
// True when the folder link `child` (ending with '\') leads to the same
// folder as one of the folders entered and not yet left.
bool leads_to_entered_folder(const std::wstring& child);

// Enters a folder for the lifetime of the object.
struct EnteredFolder {
    explicit EnteredFolder(const std::wstring& dir) { enter_folder(dir); }
    ~EnteredFolder() { leave_folder(); }
    EnteredFolder(const EnteredFolder&) = delete;
    EnteredFolder& operator=(const EnteredFolder&) = delete;
};
