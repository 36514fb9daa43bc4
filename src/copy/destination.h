// The destination of the current file: tree replication, drive destinations,
// flattening into numbered folders, the tilde check and duplicate renaming.
#pragma once

#include "copy/copy_context.h"

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct Run;
struct ReadyFolder;
struct RenameNumbers;

// The destination of the file `name` in the source folder `dir` (ending with
// '\'), below the run's target; creates missing folders unless only listing,
// and renames for a tilde clash. Written into `destination`, whose room is reused.
// `reached_folder`, when given, is a folder just reached as changes in it
// reach it: it stands, and no refused link leads to it.
void build_destination(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                       const platform::FindRecord& record, std::wstring& destination,
                       const std::wstring* reached_folder = nullptr);

// The destination folder (ending with '\') of a file in `dir`, kept in the
// run's state until the next call.
const std::wstring& destination_folder(const CopyContext& c, const std::wstring& dir);
// The numbered flatten sub-folder ("0001\") for the file about to be copied,
// or "" while files go to the root; advances flatten_folder.
std::wstring flatten_subfolder(const CopyContext& c, RenameNumbers& numbers);
// A '~' among the first 8 characters of a long name.
bool has_early_tilde(const wchar_t* long_name);
// ".D[nnnnn]": five digits of the current time in seconds, from the sixth.
std::wstring tilde_time_suffix(int64_t seconds_since_1970);
// The path with "[NNNN]" (dupe_index, which then grows) before its extension.
std::wstring renamed_duplicate(RenameNumbers& numbers, const std::wstring& path);
// --nodupe with flattening, then the renaming long option.
void rename_duplicates(const CopyContext& c, RenameNumbers& numbers, std::wstring& destination);
// True when nothing can stand at `path` but what this run put there: it lies
// in a folder this run made for the current files and no copy of this run has
// taken its name (note_destination_taken). Saves looking up each new copy's name.
bool destination_surely_free(const CopyContext& c, const ReadyFolder& ready, const std::wstring& path);
// A copy of this run is about to take `path`.
void note_destination_taken(ReadyFolder& ready, const std::wstring& path);
// Something exists under `path` (long or 8.3 name).
bool something_exists(const std::wstring& path);
