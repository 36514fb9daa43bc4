// How many copy workers the copy pass uses: KESTRO_COPY_THREADS when it names
// a number from 1 to 64, else the number of cores up to 4, or 1 when the
// source or the destination lies on a rotating disk. 1 is the one-thread copy
// pass itself, and is taken whatever was asked for when the decisions depend
// on how the copies before came out (numbered flatten folders), when nothing
// is copied (listing), or when the walk reads what the copies change: folders
// they write into, or sources listed again for a further file type.
#pragma once

#include "copy/copy_context.h"

#include <string>

// `walk_lists_folders_again`: the walk lists a folder again for each further
// file type (FileSink::walk_lists_folders_per_type).
unsigned copy_workers_for_this_run(const CopyContext& c, bool walk_lists_folders_again);
// The value of KESTRO_COPY_THREADS as a number of workers; 0 when it names none.
unsigned copy_threads_asked(const std::wstring& value);
