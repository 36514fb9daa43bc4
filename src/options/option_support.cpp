#include "options/option_support.h"

#include "common/text.h"
#include "platform/platform.h"
#include "run/terminate.h"

void end_run_list_full(const char* list_name, size_t capacity) {
    text::print(stderr, "\nToo many %s: the list holds at most %d\n", list_name, static_cast<int>(capacity) - 1);
    run::terminate(run::ILLEGAL_OPTION);
}

std::wstring path_for_opening(const std::wstring& name) {
    std::wstring full;
    if (platform::full_path(name.c_str(), full)) return full;
    return name;
}
