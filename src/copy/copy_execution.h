// Putting one file in place, for both copy drivers, read top to bottom in
// copy_over: -O makes a protected destination replaceable; the data goes to
// the destination by the first way that works (a nameless copy given its
// attributes and times, linked to a free name; a complete copy under a
// temporary name, renamed over what stands there; the platform's whole-file
// copy under a temporary name; our own buffered copy, likewise); then the
// copy's attributes; and after the records and the hash (finish_copy) the
// source's access time and the copy's times. A copy cut short never carries
// the destination's name. Nothing here writes to a screen or a log: what
// went wrong is kept in the FileCopy for the driver to report.
#pragma once

#include "copy/copy_context.h"

#include <cstdint>
#include <string>

#include "copy/temporary.h"
#include "platform/platform.h"
#include "state/config.h"

// complete_copy: the whole-file copy that was also given its attributes and
// times before it took the destination's name. interrupted: Ctrl+C stopped
// the copy; nothing of it is left and the destination is as it was.
enum class CopyOutcome { failed, whole_file_copy, buffered_copy, complete_copy, interrupted };

// The attributes a copy gets (unless -O remembered the destination's): the
// source's without read-only (the tree walk), or the source's as they are,
// as the whole-file copy gives them (source-list mode).
enum class CopyAttributes { without_read_only, as_source };

// One file's copy over its destination, for both copy drivers: -O, the copy
// (given its attributes and times while open unless a hash of the copy will
// be read first), the copy's attributes, and after the records and the hash
// (finish_copy) the source's access time and the copy's times.
struct FileCopy {
    std::wstring source, destination;
    FileTimes saved;                        // the source's times before the copy
    uint32_t source_attributes = 0;
    CopyAttributes attribute_rule = CopyAttributes::without_read_only;
    uint32_t remembered = 0;                // -O: the destination's attributes, given back
    CopyOutcome outcome = CopyOutcome::failed;
    uint32_t attributes = UNKNOWN_ATTRIBUTES;  // the copy's, when known
    // The bytes copied: the size the source had when it was read, which is
    // not the listed size when it shrank or grew meanwhile.
    uint64_t bytes = 0;
    // What the driver reports (report_copy_problems): no buffer for the
    // buffered copy; the copy's attributes, or the protection -O took from
    // the destination, could not be given.
    bool no_copy_buffer = false;
    bool attributes_not_given = false;
    // The destination's folder link that kept the copy from its place.
    platform::RefusedLink refused_link;

    bool copied() const { return outcome != CopyOutcome::failed && outcome != CopyOutcome::interrupted; }
};

// Before a copy into the folder of `destination`, on the thread that decides
// the copies: the partial copies earlier runs left there are removed.
void clear_earlier_partial_copies(const CopyContext& c, const std::wstring& destination);

// Copies `record`'s file `source` over `destination`. `standing` is what the
// lookup saw there: its attributes, INVALID_ATTRIBUTES when nothing, or
// UNKNOWN_ATTRIBUTES; -O makes it unknown. A failed or interrupted copy
// leaves a protected destination its protection. Touches no run state: it
// may run on a copy worker.
FileCopy copy_over(const CopyContext& c, const std::wstring& source, const std::wstring& destination,
                   const platform::FindRecord& record, uint32_t standing, CopyAttributes attribute_rule);
// The messages of what copy_over could not do, on the driver's thread.
void report_copy_problems(const CopyContext& c, const FileCopy& copy);

// What finish_copy could not do.
struct TimeFailures {
    bool source = false;  // the source's access time (-R)
    bool copy = false;    // the copy's times
};
TimeFailures finish_copy(const CopyContext& c, const FileCopy& copy);
