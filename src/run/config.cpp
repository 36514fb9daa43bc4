#include "run/config.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

std::unique_ptr<Configuration> in_force;
bool frozen = false;

}  // namespace

const OptionRecord* opt = nullptr;

void Configuration::set_start_values() {
    options.name_width = 65;
    options.alt_name_width = 15;
    options.time_kind = 'w';
    options.recurse = 1;
    options.upper_case_dirs = 1;
    name_width_set = 1;
    options.zulu_time = options.reset_access_time = options.check_tilde = options.error_log_given = 0;
}

const Configuration& config() { return *in_force; }

Configuration& building_config() {
    if (frozen) {
        std::fputs("\nThe run configuration was changed after it was frozen\n", stderr);
        std::abort();
    }
    return *in_force;
}

void freeze_config() { frozen = true; }

bool start_new_config() {
    std::unique_ptr<Configuration> fresh(new (std::nothrow) Configuration);
    if (!fresh) return false;
    in_force = std::move(fresh);
    opt = &in_force->options;
    frozen = false;
    return true;
}
