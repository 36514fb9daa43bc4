// The log set as the long log options and the INI log lines open it.
#pragma once

#include "options/option_support.h"

#include <string>

// Opens the default log on `name` (a full path); false when it cannot be
// opened. `only_if_none_open` keeps a default log that is open already.
bool open_default_log_on(Parsing& p, const std::wstring& name, bool only_if_none_open);
// Opens the logs of log_mask that are due (bits 2, 4, 8, 32, 16) beside
// log_base_name.
void open_due_logs(Parsing& p);
