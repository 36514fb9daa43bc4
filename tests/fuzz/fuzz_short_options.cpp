// The command line, split at NUL bytes into arguments, goes through the whole
// option parser (short options, "--" options, list files, log names): every
// input ends in a documented way, never a crash or another exit code.
#include "fuzz_run_support.h"
#include "fuzz_support.h"
#include "options/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    start_in_scratch_folder();
    std::vector<std::wstring> arguments{L"C:\\kestro.exe"};
    for (const std::string& part : split_at_nuls(data, size, 16)) arguments.push_back(text::from_utf8(part));
    std::vector<wchar_t*> argv;
    for (std::wstring& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int code =
        run_and_end([&](Parsing& parsing) { parse_options(parsing, static_cast<int>(arguments.size()), argv.data()); });
    check_documented_exit(code);
    return 0;
}
