// The lines of a source list: where a line's path ends, which file it names
// and where that file goes below the destination.
#pragma once

#include <string>

// Cuts the line at its first '|' and removes trailing line ends and blanks.
// False when fewer than 2 characters remain: such a line ends the list.
bool take_listed_text(std::string& line);

// The source path (long-path form) of a listed drive path: "D:\DATA\A.TXT"
// or the same already prefixed ("\\?\D:\DATA\A.TXT"), its "." and ".."
// components resolved (never above the drive's root). Empty for anything
// else (a network path, a relative path, a path with wildcards), which the
// copy has no drive-relative place for.
std::wstring listed_source_path(const std::wstring& text);

// The folder (ending with '\') that the file `source` (from
// listed_source_path) goes to: the destination root followed by the file's
// folder below its drive's root.
std::wstring listed_destination_folder(const std::wstring& destination_root, const std::wstring& source);
