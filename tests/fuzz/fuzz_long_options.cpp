// One "--" option text goes to the long-option reader: it is taken, refused
// as malformed, or ends the run in a documented way.
#include "fuzz_run_support.h"
#include "fuzz_support.h"
#include "options/long_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    start_in_scratch_folder();
    std::wstring option = text::from_utf8(reinterpret_cast<const char*>(data), size);
    int code = run_and_end([&](Parsing& parsing) { apply_long_option(parsing, option); });
    check_documented_exit(code);
    return 0;
}
