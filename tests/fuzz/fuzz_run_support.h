// Fuzz targets that hand input to the option parsers as a run would: in a
// scratch folder of their own (C: is mapped there, so no file is made
// elsewhere), without pauses, with no input to read, and with the end of the
// process (an option error, a help screen, the end of a run) coming back to
// the target as an exception instead of ending the fuzzer.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "options/option_support.h"
#include "platform/platform.h"
#include "run/terminate.h"
#include "state/run_state.h"

struct ProcessEnded {
    int code;
};

// Exit codes the program documents for the option readers: 0 (a help screen
// read to its end, an invalid date), 1 (a default log that can be neither
// opened nor created), 3 (an input file), 4 (an output file), 6 (an illegal
// option, a help screen left), 7 (memory), 9 (a log write that failed).
inline void check_documented_exit(int code) {
    if (code == 0 || code == 1 || code == 3 || code == 4 || code == 6 || code == 7 || code == 9) return;
    std::fprintf(stderr, "the run ended with exit code %d\n", code);
    std::abort();
}

inline void start_in_scratch_folder() {
    static std::string scratch;
    if (!scratch.empty()) return;
    char pattern[] = "/tmp/kestro-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    scratch = pattern;
    if (chdir(pattern) != 0) std::abort();
    std::atexit([] { std::system(("rm -rf '" + scratch + "'").c_str()); });
    setenv("KESTRO_PAUSE", "0", 1);
    setenv("KESTRO_DRIVES", ("C=" + scratch).c_str(), 1);
    for (const char* name : {"SILENT", "RESET", "NORESET", "ACCT"}) unsetenv(name);
    if (!std::freopen("/dev/null", "rb", stdin)) std::abort();
    if (!std::freopen("/dev/null", "wb", stdout)) std::abort();
    platform::set_exit_hook([](int code) { throw ProcessEnded{code}; });
}

// Runs `body` (which parses into the Parsing it is given) in a fresh run, then
// ends the run as the program does, which closes whatever the options opened.
// Returns the exit code.
template <typename Body>
int run_and_end(Body body) {
    Configuration config;
    Run run;
    run.screen = stdout;
    run.logs.error_log = stderr;
    run::Termination termination(config, run);
    run.ending = &termination;
    Parsing parsing{config, run};
    int code = 0;
    try {
        body(parsing);
        termination.end_run(NORMAL_EXIT);
    } catch (const ProcessEnded& ended) {
        code = ended.code;
    }
    return code;
}

// The input split at its NUL bytes into at most `most` texts.
inline std::vector<std::string> split_at_nuls(const uint8_t* data, size_t size, size_t most) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != 0) {
            parts.back() += static_cast<char>(data[i]);
        } else if (parts.size() == most) {
            break;
        } else {
            parts.emplace_back();
        }
    }
    return parts;
}
