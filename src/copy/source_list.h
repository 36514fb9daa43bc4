// Source-list mode: copies the files named in source_list_file.
#pragma once

#include "copy/copy_context.h"

// The list copy driver, on the main thread: one file of the list after the other.
void run_source_list(const CopyContext& c);
