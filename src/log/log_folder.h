// Log names: the folder a log file goes into, and the date token of a name.
#pragma once

#include <string>

// Makes every missing folder of the full file name `name`, announcing each.
// Returns 1 when the folder existed or its final creation succeeded.
int create_log_folder(const std::wstring& name);

// True when `name` holds "\MMDD" or "\YYMM".
bool has_date_token(const std::wstring& name);
// Writes today's UTC date (yyyymmdd) over the first "\MMDD" (else "\YYMM")
// after its backslash, ends the name there and appends the original name's
// text from its first '.' on.
void replace_date_token(std::wstring& name);
