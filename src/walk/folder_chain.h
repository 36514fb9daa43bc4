// The chain of folders that the walk is inside, from the start path down to
// the folder being listed: each is the start of the path of the folder being
// listed, so only its length is kept. A folder link that leads to one of
// them would make the walk go round for ever; the chain lets the walk notice
// and skip it. Identities are looked up only when a link is met, so a tree
// without links costs nothing beyond the push and pop per folder.
#pragma once

#include <cstddef>
#include <string>

// Enters the folder whose path (ending with '\') is the first `length`
// characters of the paths the walk passes from now on.
void enter_folder(size_t length);
void leave_folder();
// True when the folder link `child` (ending with '\'), a subfolder of the
// folder entered last, leads to the same folder as one of the folders
// entered and not yet left.
bool leads_to_entered_folder(const std::wstring& child);
