// --VERIFY=: a backup checked against its hash log, without its source.
#pragma once

#include "copy/copy_context.h"

// Reads the hash log config.verify_log and hashes again the file each path's
// last record names, comparing its MD5 (and its SHA-1 where the record holds
// one); -f, -x and the age and size options narrow the files checked, -n
// only lists them. Returns the run's exit reason: NORMAL_EXIT when every
// file is as recorded, VERIFY_FAILED when one is changed, missing or
// unreadable, INPUT_FILE when the hash log cannot be read.
int run_verify(const CopyContext& c);
