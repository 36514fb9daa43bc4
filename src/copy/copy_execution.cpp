#include "copy/copy_execution.h"

#include "copy/buffered_copy.h"
#include "copy/temporary.h"
#include "platform/platform.h"

namespace {

bool platform_copy(const std::wstring& source, const std::wstring& destination, uint32_t destination_attributes) {
    std::wstring temporary = temporary_name_beside(destination);
    if (!platform::copy_file(source.c_str(), temporary.c_str(), true)) {
        remove_temporary(temporary);
        return false;
    }
    return replace_with_temporary(temporary, destination, destination_attributes);
}

bool complete_copy(const std::wstring& source, const std::wstring& destination, uint32_t destination_attributes,
                   const platform::CopyDetails& details) {
    // Where nothing stands the copy can take the name directly once complete,
    // without a temporary name to rename.
    if (destination_attributes == platform::INVALID_ATTRIBUTES &&
        platform::copy_file_to_free_name(source.c_str(), destination.c_str(), details))
        return true;
    std::wstring temporary = temporary_name_beside(destination);
    if (!platform::copy_file_with_details(source.c_str(), temporary.c_str(), details)) return false;
    return replace_with_temporary(temporary, destination, destination_attributes);
}

}  // namespace

// The buffered copy, unless an interrupt stopped the copy before it.
CopyOutcome fallback_copy(const std::wstring& source, const std::wstring& destination) {
    if (platform::interrupt_requested()) return CopyOutcome::interrupted;
    if (buffered_copy(source, destination)) return CopyOutcome::buffered_copy;
    return platform::interrupt_requested() ? CopyOutcome::interrupted : CopyOutcome::failed;
}

CopyOutcome copy_with_details(const std::wstring& source, const std::wstring& destination,
                              uint32_t destination_attributes, const platform::CopyDetails& details) {
    if (complete_copy(source, destination, destination_attributes, details)) return CopyOutcome::complete_copy;
    return fallback_copy(source, destination);
}

CopyOutcome copy_with_fallback(const std::wstring& source, const std::wstring& destination,
                               uint32_t destination_attributes) {
    if (platform_copy(source, destination, destination_attributes)) return CopyOutcome::whole_file_copy;
    return fallback_copy(source, destination);
}

uint32_t prepare_overwrite(const std::wstring& destination) {
    uint32_t attributes = platform::get_file_attributes(destination.c_str());
    if (attributes == platform::INVALID_ATTRIBUTES || attributes == 0) return 0;
    platform::set_file_attributes(destination.c_str(), platform::ATTR_NORMAL);
    return attributes;
}
