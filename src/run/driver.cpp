#include "run/driver.h"

#include <cstdio>
#include <cwctype>

#include "common/paths.h"
#include "common/text.h"
#include "copy/copy_engine.h"
#include "copy/directories.h"
#include "copy/source_list.h"
#include "copy/verify.h"
#include "log/log_set.h"
#include "log/output.h"
#include "options/banner.h"
#include "options/lists.h"
#include "options/options.h"
#include "options/usage.h"
#include "platform/pause.h"
#include "run/header.h"
#include "run/terminate.h"
#include "walk/walk.h"

namespace {

// Start values and the RESET, NORESET and SILENT variables.
void read_environment(Configuration& configuration, Run& run) {
    if (run.run_start_time == 0) run.run_start_time = platform::now_seconds();
    platform::set_file_apis_ansi();
    run.screen = stdout;
    run.logs.error_log = stderr;
    run.counters.bytes_to_process = 0;
    configuration.set_start_values();

    OptionRecord& options = configuration.options;
    std::wstring value;
    if (platform::get_env("RESET", &value))
        options.reset_access_time = 1;
    else if (platform::get_env("NORESET", &value))
        options.reset_access_time = 0;
    if (platform::get_env("SILENT", &value) && paths::upper_ascii(value).find(L"ON") != std::wstring::npos)
        options.silent = 1;
}

bool is_bare_drive(std::wstring& d) {
    if (d.size() == 2 && d[1] == L':') return true;
    if (d.size() == 3 && d[2] == L'\\') {
        d.pop_back();
        return true;
    }
    return false;
}

// Asks until the answer is Y or N; the end of input counts as N.
bool user_wants_directory_created(Run& run, const std::wstring& d) {
    for (;;) {
        text::print(stdout, "\n\n%ls Doesn't appear to exist.%c\n", paths::display(d), 7);
        text::print(stdout, "Should I create the directory [Y/N]");
        int key = wait_for_key(run);
        if (key < 0) return false;
        if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
        if (key == 'N') return false;
        if (key == 'Y') return true;
    }
}

void check_destination(Configuration& config, Run& run) {
    std::wstring& d = config.dest_path;
    if (is_bare_drive(d)) return;
    if (config.options.list_only) return;
    if (platform::is_folder(d.c_str())) return;
    if (!config.options.make_dirs && !user_wants_directory_created(run, d)) end_run(run, USER_ABORTED);
    std::wstring folder = d;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    create_directory_path(CopyContext{config, run}, folder,
                          config.options.maintain_dir_dates ? &config.start_path_times : nullptr);
}

// A start path as the walk wants it: a trailing '\' and an upper-case first letter.
void normalise_start_path(std::wstring& path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    if (path[0] >= L'a' && path[0] <= L'z') path[0] = static_cast<wchar_t>(path[0] - L'a' + L'A');
}

// What is left to settle before the walks; the configuration is final then.
void finish_configuration(Parsing& parsing) {
    Configuration& configuration = parsing.config;
    if (configuration.source_paths.empty()) add_start_path(parsing, platform::current_directory());
    for (size_t i = 0; i < configuration.source_paths.size(); ++i) normalise_start_path(configuration.source_paths[i]);
}

void write_count_line(const Configuration& config, Run& run) {
    if (config.log_base_name.empty()) return;
    if (!reopen_default_log(run.logs, config.log_base_name, "a+")) return;
    text::print(run.logs.default_log, "\nCount Files indicates: %ld files to process, approx %ls bytes\n",
                long(run.counters.files_to_process), run.bytes_to_process_text.c_str());
    close_log_stream(run.logs, run.logs.default_log);
}

void counting_pass_over_start_paths(const Configuration& config, Run& run, Walk& walk) {
    if (config.options.no_precount || !config.options.dest_given) {
        run.counting_pass = 0;
        return;
    }
    text::print(stderr, "Counting files: ");
    for (const std::wstring& start : config.source_paths) walk.walk_directory(start);
    run.counting_pass = 0;
    run.bytes_to_process_text = text::format_count(run.counters.bytes_to_process);
    text::print(stderr, "\r%ld files to process, %ls\n\n", long(run.counters.files_to_process),
                run.bytes_to_process_text.c_str());
    write_count_line(config, run);
}

void echo_ini_file(const Configuration& config) {
    if (!config.ini_used) return;
    text::print(stdout, "\nINI FILE USED: \"%s\" ", config.ini_path.c_str());
    text::print(stdout, "%s\n\n", config.ini_echo.c_str());
    pause_seconds(2);
}

// The part of a start path that is mirrored under the destination root:
// without "\\?\" and without the drive letter and colon.
std::wstring mirrored_part(const std::wstring& start_path) {
    std::wstring rest = paths::without_long_prefix(start_path);
    if (rest.size() >= 2 && rest[1] == L':') rest.erase(0, 2);
    return rest;
}

// The destination root of the files below start path `i`: the --dirs mode
// mirrors each start path below the destination.
std::wstring destination_root_of(const Configuration& config, size_t i) {
    if (!config.options.dirs_file_mode) return config.dest_path;
    std::wstring root = config.dest_path;
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    return root + mirrored_part(config.source_paths[i]);
}

void copy_pass_over_start_paths(const Configuration& config, Run& run, Walk& walk) {
    const StringList& starts = config.source_paths;
    for (size_t i = 0; i < starts.size(); ++i) {
        if (config.options.dirs_file_mode && static_cast<int32_t>(i) >= config.dirs_count) break;
        run.target.destination_root = destination_root_of(config, i);
        run.target.current_start_path_len = config.start_path_len[i];
        walk.walk_directory(starts[i]);
    }
}

// What the host reports on its own threads and callbacks ends the run
// through the termination routine.
void install_host_events(run::Termination& termination) {
    platform::HostEvents events;
    events.interrupt = [](void* context) { static_cast<run::Termination*>(context)->on_interrupt(); };
    events.out_of_memory = [](void* context) { static_cast<run::Termination*>(context)->end_run(MEMORY_ERROR); };
    events.context = &termination;
    platform::install_host_events(events);
}

}  // namespace

void kestro_main(int argc, wchar_t** argv) {
    std::wstring program = platform::program_path();
    argv[0] = program.data();

    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // The run lives as long as the process: the run ends with the process.
    Configuration* configuration = new (std::nothrow) Configuration;
    Run* run_state = new (std::nothrow) Run;
    if (!configuration || !run_state) platform::exit_process(MEMORY_ERROR);
    Configuration& config = *configuration;
    Run& run = *run_state;
    run::Termination termination(config, run);
    run.ending = &termination;
    // Memory that cannot be had ends the run as a memory error. The folder
    // reader's and the copy workers' threads get the failure instead and
    // stop; the walk then meets the shortage itself, where the run can end in
    // order.
    install_host_events(termination);
    if (argc == 1) show_usage(run);

    read_environment(config, run);
    Parsing parsing{config, run};
    parse_options(parsing, argc, argv);
    print_banner(5);

    // A verification has no destination to check: it reads a hash log.
    if (!config.verify_log.empty()) {
        print_header(config, run, argc, argv);
        end_run(run, run_verify(CopyContext{config, run}));
    }
    // What the user named as the destination is followed wherever it
    // leads; below it, only links of this run's user or of root are.
    if (!config.dest_path.empty()) platform::confine_changes_beneath(config.dest_path);
    check_destination(config, run);
    print_header(config, run, argc, argv);
    if (config.file_types.empty()) config.file_types.add(L"*.*");

    if (config.options.source_list_mode) {
        run_source_list(CopyContext{config, run});
        end_run(run, NORMAL_EXIT);
    }
    finish_configuration(parsing);

    // From here on the configuration is final: the walk and the copy get it
    // unchangeable.
    const Configuration& final_config = config;
    run.walk_start_time = platform::now_seconds();
    CopyEngine engine(final_config, run);
    termination.settle_copies_of(&engine);
    Walk walk(final_config, run, engine);
    counting_pass_over_start_paths(final_config, run, walk);
    echo_ini_file(final_config);
    copy_pass_over_start_paths(final_config, run, walk);
    engine.finish_copies();

    reopen_default_log(run.logs, final_config.log_base_name, "a+");
    end_run(run, NORMAL_EXIT);
}
