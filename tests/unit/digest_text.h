// The MD5 or SHA-1 text of bytes in memory, fed in pieces of `piece` bytes.
#pragma once

#include <algorithm>
#include <string>

#include "common/md5.h"
#include "common/sha1.h"
#include "copy/file_hashing.h"

template <class State, size_t DigestSize>
std::string digest_text_of(const std::string& data, size_t piece, void (*start)(State&),
                           void (*feed)(State&, const void*, size_t), void (*finish)(State&, unsigned char*)) {
    State state;
    start(state);
    for (size_t at = 0; at < data.size(); at += piece) feed(state, data.data() + at, std::min(piece, data.size() - at));
    unsigned char digest[DigestSize];
    finish(state, digest);
    return hashing::hex_text(digest, DigestSize);
}

inline std::string md5_text(const std::string& data, size_t piece = std::string::npos) {
    return digest_text_of<md5::State, md5::DIGEST_SIZE>(data, piece, md5::start, md5::feed, md5::finish);
}

inline std::string sha1_text(const std::string& data, size_t piece = std::string::npos) {
    return digest_text_of<sha1::State, sha1::DIGEST_SIZE>(data, piece, sha1::start, sha1::feed, sha1::finish);
}
