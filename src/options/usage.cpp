#include "options/usage.h"

#include "common/text.h"
#include "platform/platform.h"

void show_usage() {
    text::print(stdout, "Usage: kestro  (optional)source_dir  (optional)destination_dir  -[OPTIONS]\n");
    platform::exit_process(0);
}
