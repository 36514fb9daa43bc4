// The hash texts of files (units Md5func_64 and the SHA-1 unit): a file's
// digest as upper-case hexadecimal, two digits a byte, or a failure text
// when the file could not be read. Texts are 8-bit strings.
#pragma once

#include <cstddef>
#include <string>

namespace hashing {

// The texts of a file that could not be opened or read to its end.
constexpr const char* MD5_FAILURE_TEXT = "- ERROR - FILE POSSIBLY LOCKED -";
constexpr const char* SHA1_FAILURE_TEXT = "-- ERROR - FILE POSSIBLY LOCKED BY OS --";

// The MD5 text of the file at `path`; empty when the input buffer could not
// be obtained (a message says so on standard error).
std::string md5_of_file(const std::wstring& path);
// The SHA-1 text of the file at `path`; empty as above.
std::string sha1_of_file(const std::wstring& path);

struct HashTexts {
    std::string md5, sha1;
};
// The texts asked for, from one reading of the file; a text not asked for
// stays empty. Opens the file as md5_of_file does when the MD5 text is asked
// for, else as sha1_of_file does.
HashTexts hash_texts_of_file(const std::wstring& path, bool md5_wanted, bool sha1_wanted);

// A digest as upper-case hexadecimal text ("%02X" per byte).
std::string hex_text(const unsigned char* digest, size_t size);

// A text that is no digest: it contains "ERROR", or is empty (no buffer).
bool holds_error(const std::string& text);

}  // namespace hashing
