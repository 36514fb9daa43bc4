// Copying one file's data and the overwrite of protected destinations (-O).
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

// The platform's whole-file copy over `destination`, the buffered copy when
// that fails. `destination_attributes` is what stands there as just looked
// up (INVALID_ATTRIBUTES: nothing), or UNKNOWN_ATTRIBUTES.
// `*copied` receives the bytes copied.
CopyOutcome copy_with_fallback(const std::wstring& source, const std::wstring& destination,
                               uint32_t destination_attributes, uint64_t* copied);
// -O: makes an existing destination with attributes replaceable. Returns the
// attributes it had, to be given back after the copy, or 0.
// Like copy_with_fallback, trying first a whole-file copy given `details`
// (attributes and times) on its open file, which saves setting them by path
// afterwards. Falls back to the buffered copy as copy_with_fallback does.
CopyOutcome copy_with_details(const std::wstring& source, const std::wstring& destination,
                              uint32_t destination_attributes, const platform::CopyDetails& details,
                              uint64_t* copied);
uint32_t prepare_overwrite(const std::wstring& destination);

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

    bool copied() const { return outcome != CopyOutcome::failed && outcome != CopyOutcome::interrupted; }
};

// Before a copy into the folder of `destination`, on the thread that decides
// the copies: the partial copies earlier runs left there are removed.
void clear_earlier_partial_copies(const CopyContext& c, const std::wstring& destination);

// Copies `record`'s file `source` over `destination`. `standing` is what the
// lookup saw there (see copy_with_fallback); -O makes it unknown. A failed or
// interrupted copy leaves a protected destination its protection.
FileCopy copy_over(const CopyContext& c, const std::wstring& source, const std::wstring& destination,
                   const platform::FindRecord& record, uint32_t standing, CopyAttributes attribute_rule);

// What finish_copy could not do.
struct TimeFailures {
    bool source = false;  // the source's access time (-R)
    bool copy = false;    // the copy's times
};
TimeFailures finish_copy(const CopyContext& c, const FileCopy& copy);
