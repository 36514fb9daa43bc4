#include "state/config.h"

void Configuration::set_start_values() {
    options.name_width = 65;
    options.alt_name_width = 15;
    options.time_kind = 'w';
    options.recurse = 1;
    options.upper_case_dirs = 1;
    name_width_set = 1;
    options.zulu_time = options.reset_access_time = options.check_tilde = options.error_log_given = 0;
}
