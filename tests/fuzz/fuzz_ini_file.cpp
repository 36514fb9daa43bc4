// The input is the program's INI file, read and applied as a run reads it:
// pieces, upper-casing, every directive and its value.
#include <cstdio>

#include "fuzz_run_support.h"
#include "fuzz_support.h"
#include "options/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    start_in_scratch_folder();
    FILE* ini = std::fopen("kestro.ini", "wb");
    if (!ini) std::abort();
    std::fwrite(data, 1, size, ini);
    std::fclose(ini);
    wchar_t program[] = L"C:\\kestro.exe";
    wchar_t* argv[] = {program, nullptr};
    int code = run_and_end([&](Parsing& parsing) { apply_ini_file(parsing, argv); });
    check_documented_exit(code);
    return 0;
}
