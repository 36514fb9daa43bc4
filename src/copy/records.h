// The lines the per-file routine writes: screen lines, -n/-N listings, the
// LIST, NOT_COPIED, COPIED and RENAMED records, the progress line and the
// rate display. A record for a stream that is not open is skipped.
#pragma once

#include "copy/copy_context.h"

#include <cstdint>
#include <string>

#include "copy/time_breakdown.h"
#include "platform/platform.h"

void write_list_record(const CopyContext& c, const std::wstring& source, int64_t size, const FileTimeBreakdown& times);
// Shows the full source path, long-path prefix included.
void write_not_copied_record(const CopyContext& c, const std::wstring& source, const char* reason);
void write_listing_line(const CopyContext& c, const std::wstring& source, const wchar_t* size_text,
                        const std::wstring& destination);
// The name line and the size line of a file that goes to the copy.
void write_screen_copy_lines(const CopyContext& c, const std::wstring& source, const std::wstring& name,
                             const wchar_t* size_text, const std::wstring& destination);
void write_copy_error(const CopyContext& c, const std::wstring& source, const std::wstring& destination);
// On the error stream: the folder `path` (ending with '\') that could not be
// listed, or the entry `path` that could not be looked up, and the host's
// reason. Nothing on the screen: such a folder is passed over without a word
// there, but a backup that missed it can be found in its logs.
void write_not_reached(const CopyContext& c, const std::wstring& path, int failure);
// A folder link in the destination that a change would not pass (its owner
// is neither the run's user nor root): named with its owner on the error
// stream, once per run. Nothing when `link` is empty.
void write_refused_link(const CopyContext& c, const platform::RefusedLink& link);
// The same for the link the last refused change of this thread met, if any.
void write_link_refused_here(const CopyContext& c);
void write_copied_record(const CopyContext& c, const wchar_t* size_text, const std::wstring& source,
                         const std::wstring& destination, const FileTimeBreakdown& times);
void write_copied_line_end(const CopyContext& c);
void write_renamed_before(const CopyContext& c, const std::wstring& destination);
void write_renamed_after(const CopyContext& c, const std::wstring& destination);
// The progress line of a copied file, with the files handed over before it
// and the bytes handed over up to it, and the rate display every
// 200,000,000 examined bytes.
void write_progress(const CopyContext& c, int32_t files_processed, int64_t bytes_processed);
void show_rate(const CopyContext& c, int64_t total_bytes, int64_t bytes_so_far);

// The COPIED record's source path: every character above 127 becomes the
// first byte of its UTF-8 form.
std::string copied_path_bytes(const wchar_t* path);
