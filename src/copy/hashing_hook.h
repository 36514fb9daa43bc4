// The hashing step of the per-file routine: after the copy attempt, for
// copied and failed files alike, before any time is written back. It hashes
// the source, the copy or both by hash_mode, writes the source's MD5 field
// of the COPIED record, the screen verdict and the hash log's line.
#pragma once

#include "copy/copy_context.h"

#include <cstdint>
#include <string>

#include "copy/hash_records.h"

struct LogStreams;

// The texts something shows: the COPIED record, the verdict or the hash log.
// A text that nothing shows is not computed (--SHA without a hash log reads
// no file a second time).
struct WantedHashTexts {
    bool source_md5 = false, destination_md5 = false, source_sha1 = false, destination_sha1 = false;
};
WantedHashTexts wanted_hash_texts(const CopyContext& c, const LogStreams& logs);

// The reading half, which may run on a copy worker: the texts `wanted` of the
// source and of the copy as it stands at `destination` (a copy that failed
// part-way is never taken for the source). `size`, the file's, decides
// whether the two sides are read at once.
FileHashTexts hash_file_and_copy(const std::wstring& source, const std::wstring& destination,
                                 const WantedHashTexts& wanted, uint64_t size);
// The messages of a reading half that had no input buffer, on the driver's thread.
void report_hash_problems(const CopyContext& c, const FileHashTexts& texts, const WantedHashTexts& wanted);
// The writing half: the MD5 field, the verdict and the hash log's line.
void write_hash_records(const CopyContext& c, const std::wstring& source, const std::wstring& destination,
                        const FileHashTexts& texts);
