#include "copy/copy_execution.h"

#include "common/paths.h"
#include "copy/buffered_copy.h"
#include "copy/copy_context.h"
#include "copy/file_times.h"
#include "copy/records.h"
#include "copy/temporary.h"
#include "log/log_set.h"
#include "log/output.h"
#include "platform/platform.h"

namespace {

constexpr const char* BUFFERED_COPY_UNIT = "s_list_u64";

// -O: makes an existing destination with attributes replaceable. Returns the
// attributes it had, to be given back after the copy, or 0.
uint32_t prepare_overwrite(const std::wstring& destination) {
    uint32_t attributes = platform::get_file_attributes(destination.c_str());
    if (attributes == platform::INVALID_ATTRIBUTES || attributes == 0) return 0;
    platform::set_file_attributes(destination.c_str(), platform::ATTR_NORMAL);
    return attributes;
}

uint32_t wanted_attributes(const FileCopy& copy) {
    if (copy.remembered) return copy.remembered;
    if (copy.attribute_rule == CopyAttributes::as_source) return copy.source_attributes;
    return copy.source_attributes & ~platform::ATTR_READONLY;
}

platform::CopyDetails copy_details(const FileCopy& copy) {
    platform::CopyDetails details;
    details.attributes = wanted_attributes(copy);
    details.creation = copy.saved.creation;
    details.last_access = copy.saved.last_access;
    details.last_write = copy.saved.last_write;
    return details;
}

// Writes a copy under a temporary name beside `target` with `write`, and
// renames it over `target` once complete; a copy that fails part-way is
// removed under its temporary name.
template <typename Write>
bool under_temporary_name(const std::wstring& target, uint32_t standing, Write write) {
    std::wstring temporary = temporary_name_beside(target);
    if (!write(temporary)) {
        remove_temporary(temporary);
        return false;
    }
    return replace_with_temporary(temporary, target, standing);
}

// The data, by the first way that works. Without hashing, the copy gets its
// attributes and times while it is open; hashing reads the copy afterwards,
// which would change its access time, so the times wait for it.
CopyOutcome write_data(FileCopy& copy, bool hashing_follows, uint32_t standing) {
    const wchar_t* source = copy.source.c_str();
    uint64_t* bytes = &copy.bytes;
    if (!hashing_follows) {
        const platform::CopyDetails details = copy_details(copy);
        // Where nothing stands, the copy has no name until it is complete.
        if (standing == platform::INVALID_ATTRIBUTES &&
            platform::copy_file_to_free_name(source, copy.destination.c_str(), details, bytes))
            return CopyOutcome::complete_copy;
        if (under_temporary_name(copy.destination, standing, [&](const std::wstring& temporary) {
                return platform::copy_file_with_details(source, temporary.c_str(), details, bytes);
            }))
            return CopyOutcome::complete_copy;
    } else if (under_temporary_name(copy.destination, standing, [&](const std::wstring& temporary) {
                   return platform::copy_file(source, temporary.c_str(), true, bytes, copy.source_attributes);
               })) {
        return CopyOutcome::whole_file_copy;
    }

    // The platform could not copy the file: our own buffered copy, unless an
    // interrupt stopped the copy before it. A character 5 in the name becomes '+'.
    if (platform::interrupt_requested()) return CopyOutcome::interrupted;
    const std::wstring target = buffered_copy_name(copy.destination);
    if (under_temporary_name(target, UNKNOWN_ATTRIBUTES, [&](const std::wstring& temporary) {
            return buffered_copy(copy.source, temporary, bytes, &copy.no_copy_buffer);
        }))
        return CopyOutcome::buffered_copy;
    return platform::interrupt_requested() ? CopyOutcome::interrupted : CopyOutcome::failed;
}

// The whole-file copy has already given the copy the source's attributes
// (with archive): setting what it gave again would change nothing.
bool attributes_already_given(const FileCopy& copy) {
    if (copy.outcome != CopyOutcome::whole_file_copy || copy.remembered) return false;
    if (copy.attribute_rule == CopyAttributes::as_source) return true;
    return (copy.source_attributes & platform::ATTR_ARCHIVE) && !(copy.source_attributes & platform::ATTR_READONLY);
}

// Gives the copy the attributes it should have: the attributes the copy now
// has, UNKNOWN_ATTRIBUTES when setting them failed.
uint32_t give_copy_attributes(FileCopy& copy) {
    uint32_t wanted = wanted_attributes(copy);
    if (copy.outcome == CopyOutcome::complete_copy || attributes_already_given(copy)) return wanted;
    if (platform::set_file_attributes(copy.destination.c_str(), wanted)) return wanted;
    copy.attributes_not_given = true;
    return UNKNOWN_ATTRIBUTES;
}

}  // namespace

void clear_earlier_partial_copies(const CopyContext& c, const std::wstring& destination) {
    ReadyFolder& ready = c.run.ready_folder;
    remove_earlier_partial_copies(destination, ready.is_new ? ready.folder : std::wstring(),
                                  ready.partial_copies_cleared);
}

FileCopy copy_over(const CopyContext& c, const std::wstring& source, const std::wstring& destination,
                   const platform::FindRecord& record, uint32_t standing, CopyAttributes attribute_rule) {
    FileCopy copy;
    copy.source = source;
    copy.destination = destination;
    copy.saved = times_of(record);
    copy.source_attributes = record.attributes;
    copy.attribute_rule = attribute_rule;
    // A log of this run there would be verified as the copy, then written
    // over by its next lines: never copied over. Where the lookup saw
    // nothing, nothing of the run can be.
    if (standing != platform::INVALID_ATTRIBUTES && is_run_file(c.run.logs, destination)) return copy;
    if (c.options.overwrite_protected) {
        copy.remembered = prepare_overwrite(destination);
        standing = UNKNOWN_ATTRIBUTES;
    }
    copy.outcome = write_data(copy, c.options.hash_mode != 0, standing);
    if (copy.copied()) {
        copy.attributes = give_copy_attributes(copy);
        return copy;
    }
    copy.bytes = 0;
    platform::take_refused_link(&copy.refused_link);
    // The destination keeps the protection -O took from it.
    if (copy.remembered && !platform::set_file_attributes(destination.c_str(), copy.remembered))
        copy.attributes_not_given = true;
    return copy;
}

void report_copy_problems(const CopyContext& c, const FileCopy& copy) {
    write_refused_link(c, copy.refused_link);
    if (copy.no_copy_buffer)
        c.out.print(stderr, "\n%s\n%d\nCouldn't create output copy buffer\n", BUFFERED_COPY_UNIT, 598);
    if (copy.attributes_not_given)
        c.out.print(c.run.logs.error_log, "\nCouldn't reset file attribute of %ls", paths::display(copy.destination));
}

TimeFailures finish_copy(const CopyContext& c, const FileCopy& copy) {
    TimeFailures failures;
    if (c.options.reset_access_time) failures.source = !set_times_of_file(copy.source, copy.saved);
    if (copy.copied() && copy.outcome != CopyOutcome::complete_copy) {
        failures.copy = copy.attributes == UNKNOWN_ATTRIBUTES
                            ? !set_times_of_file(copy.destination, copy.saved)
                            : !set_times_of_file(copy.destination, copy.saved, copy.attributes);
    }
    return failures;
}
