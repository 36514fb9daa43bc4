// Source-list mode: copies the files named in source_list_file.
#pragma once

void run_source_list();
