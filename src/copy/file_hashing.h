// The hash texts of files (units Md5func_64 and the SHA-1 unit): a file's
// digest as upper-case hexadecimal, two digits a byte, or a failure text
// when the file could not be read. Texts are 8-bit strings.
#pragma once

#include <cstddef>
#include <string>

#include "log/output.h"

namespace hashing {

// The texts of a file that could not be opened or read to its end.
constexpr const char* MD5_FAILURE_TEXT = "- ERROR - FILE POSSIBLY LOCKED -";
constexpr const char* SHA1_FAILURE_TEXT = "-- ERROR - FILE POSSIBLY LOCKED BY OS --";

struct HashTexts {
    std::string md5, sha1;
    bool no_buffer = false;  // the input buffer could not be had: both texts empty
    int failure = 0;         // with the failure texts: the host's reason (platform::last_failure)
};
// The texts asked for, from one reading of the file; a text not asked for
// stays empty. With the MD5 text asked for, the file is opened as the MD5
// unit opens it (trying the other file-name code page after a failure).
// Writes nothing: it may run on a copy worker.
HashTexts hash_texts_of_file(const std::wstring& path, bool md5_wanted, bool sha1_wanted);
// The message of a hashing whose input buffer could not be had.
void report_no_buffer(const text::Out& out, bool md5_wanted);
// The MD5 text of the file at `path`; empty when the input buffer could not
// be obtained (a message says so on standard error).
std::string md5_of_file(const std::wstring& path);

// A digest as upper-case hexadecimal text ("%02X" per byte).
std::string hex_text(const unsigned char* digest, size_t size);

// A text that is no digest: it contains "ERROR", or is empty (no buffer).
bool holds_error(const std::string& text);

}  // namespace hashing
