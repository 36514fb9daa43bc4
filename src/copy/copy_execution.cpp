#include "copy/copy_execution.h"

#include "common/paths.h"
#include "copy/buffered_copy.h"
#include "copy/copy_context.h"
#include "copy/file_times.h"
#include "copy/temporary.h"
#include "log/log_set.h"
#include "log/output.h"
#include "platform/platform.h"

namespace {

bool platform_copy(const std::wstring& source, const std::wstring& destination, uint32_t destination_attributes,
                   uint64_t* copied) {
    std::wstring temporary = temporary_name_beside(destination);
    if (!platform::copy_file(source.c_str(), temporary.c_str(), true, copied)) {
        remove_temporary(temporary);
        return false;
    }
    return replace_with_temporary(temporary, destination, destination_attributes);
}

bool complete_copy(const std::wstring& source, const std::wstring& destination, uint32_t destination_attributes,
                   const platform::CopyDetails& details, uint64_t* copied) {
    // Where nothing stands the copy can take the name directly once complete,
    // without a temporary name to rename.
    if (destination_attributes == platform::INVALID_ATTRIBUTES &&
        platform::copy_file_to_free_name(source.c_str(), destination.c_str(), details, copied))
        return true;
    std::wstring temporary = temporary_name_beside(destination);
    if (!platform::copy_file_with_details(source.c_str(), temporary.c_str(), details, copied)) return false;
    return replace_with_temporary(temporary, destination, destination_attributes);
}

}  // namespace

// The buffered copy, unless an interrupt stopped the copy before it.
CopyOutcome fallback_copy(const std::wstring& source, const std::wstring& destination, uint64_t* copied) {
    if (platform::interrupt_requested()) return CopyOutcome::interrupted;
    if (buffered_copy(source, destination, copied)) return CopyOutcome::buffered_copy;
    return platform::interrupt_requested() ? CopyOutcome::interrupted : CopyOutcome::failed;
}

CopyOutcome copy_with_details(const std::wstring& source, const std::wstring& destination,
                              uint32_t destination_attributes, const platform::CopyDetails& details,
                              uint64_t* copied) {
    if (complete_copy(source, destination, destination_attributes, details, copied))
        return CopyOutcome::complete_copy;
    return fallback_copy(source, destination, copied);
}

CopyOutcome copy_with_fallback(const std::wstring& source, const std::wstring& destination,
                               uint32_t destination_attributes, uint64_t* copied) {
    if (platform_copy(source, destination, destination_attributes, copied)) return CopyOutcome::whole_file_copy;
    return fallback_copy(source, destination, copied);
}

uint32_t prepare_overwrite(const std::wstring& destination) {
    uint32_t attributes = platform::get_file_attributes(destination.c_str());
    if (attributes == platform::INVALID_ATTRIBUTES || attributes == 0) return 0;
    platform::set_file_attributes(destination.c_str(), platform::ATTR_NORMAL);
    return attributes;
}

namespace {

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

// The whole-file copy has already given the copy the source's attributes
// (with archive): setting what it gave again would change nothing.
bool attributes_already_given(const FileCopy& copy) {
    if (copy.outcome != CopyOutcome::whole_file_copy || copy.remembered) return false;
    if (copy.attribute_rule == CopyAttributes::as_source) return true;
    return (copy.source_attributes & platform::ATTR_ARCHIVE) && !(copy.source_attributes & platform::ATTR_READONLY);
}

// Gives the copy the attributes it should have. Returns the attributes the
// copy now has, UNKNOWN_ATTRIBUTES when setting them failed.
uint32_t give_copy_attributes(const CopyContext& c, const FileCopy& copy) {
    uint32_t wanted = wanted_attributes(copy);
    if (copy.outcome == CopyOutcome::complete_copy || attributes_already_given(copy)) return wanted;
    if (platform::set_file_attributes(copy.destination.c_str(), wanted)) return wanted;
    text::print(c.run.logs.error_log, "\nCouldn't reset file attribute of %ls", paths::display(copy.destination));
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
    copy.saved = FileTimes{record.creation_time, record.last_access_time, record.last_write_time};
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
    // Hashing reads the copy afterwards, which would change its access time.
    copy.outcome = c.options.hash_mode == 0
                       ? copy_with_details(source, destination, standing, copy_details(copy), &copy.bytes)
                       : copy_with_fallback(source, destination, standing, &copy.bytes);
    if (!copy.copied()) copy.bytes = 0;
    if (copy.copied())
        copy.attributes = give_copy_attributes(c, copy);
    else if (copy.remembered && !platform::set_file_attributes(destination.c_str(), copy.remembered))
        text::print(c.run.logs.error_log, "\nCouldn't reset file attribute of %ls", paths::display(destination));
    return copy;
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
