#include "options/long_options_logs.h"

#include "log/log_set.h"
#include "options/option_support.h"

bool open_default_log_on(Parsing& p, const std::wstring& name, bool only_if_none_open) {
    if (only_if_none_open && p.logs().default_log) return true;
    // An earlier default log (ACCT's, or an earlier log option's) is closed.
    use_default_log_or_exit(p, name);
    return p.logs().default_log != nullptr;
}

void open_due_logs(Parsing& p) { open_logs_of_mask_or_end(p); }
