#include "run/driver.h"

#include <cstdio>
#include <cwctype>
#include <new>
#include <thread>

#include "common/pause.h"
#include "common/paths.h"
#include "common/text.h"
#include "copy/directories.h"
#include "options/lists.h"
#include "options/options.h"
#include "options/usage.h"
#include "run/banner.h"
#include "run/config.h"
#include "run/header.h"
#include "run/terminate.h"
#include "walk/source_list.h"
#include "walk/walk.h"

namespace {

void interrupt_handler(int) { run::terminate(run::USER_ABORTED); }

// Start values and the RESET, NORESET and SILENT variables.
void read_environment() {
    if (run_start_time == 0) run_start_time = platform::now_seconds();
    platform::set_file_apis_ansi();
    screen = stdout;
    error_log = stderr;
    bytes_to_process = 0;
    set_start_values();

    std::wstring value;
    if (platform::get_env("RESET", &value))
        opt->reset_access_time = 1;
    else if (platform::get_env("NORESET", &value))
        opt->reset_access_time = 0;
    if (platform::get_env("SILENT", &value) && paths::upper(value).find(L"ON") != std::wstring::npos)
        opt->silent = 1;
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
bool user_wants_directory_created(const std::wstring& d) {
    for (;;) {
        text::print(stdout, "\n\n%ls Doesn't appear to exist.%c\n", paths::display(d), 7);
        text::print(stdout, "Should I create the directory [Y/N]");
        int key = platform::read_key();
        if (key < 0) return false;
        if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
        if (key == 'N') return false;
        if (key == 'Y') return true;
    }
}

void check_destination() {
    std::wstring& d = dest_path;
    if (is_bare_drive(d)) return;
    if (opt->list_only) return;
    uint32_t attributes = platform::get_file_attributes(d.c_str());
    if (attributes != platform::INVALID_ATTRIBUTES && (attributes & platform::ATTR_DIRECTORY)) return;
    if (!opt->make_dirs && !user_wants_directory_created(d)) run::terminate(run::USER_ABORTED);
    std::wstring folder = d;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    create_directory_path(folder);
}

// A start path as the walk wants it: a trailing '\' and an upper-case first letter.
void normalise_start_path(std::wstring& path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    if (path[0] >= L'a' && path[0] <= L'z') path[0] = static_cast<wchar_t>(path[0] - L'a' + L'A');
}

void counting_pass_over_start_paths() {
    if (opt->no_precount || !opt->dest_given) {
        counting_pass = 0;
        return;
    }
    text::print(stderr, "Counting files: ");
    for (size_t i = 0; i < source_paths.size(); ++i) {
        normalise_start_path(source_paths[i]);
        walk_directory(source_paths[i]);
    }
    counting_pass = 0;
    bytes_to_process_text = run::format_count(bytes_to_process);
    text::print(stderr, "\r%ld files to process, %ls\n\n", long(files_to_process), bytes_to_process_text.c_str());
    if (!log_base_name.empty()) {
        if (!default_log) default_log = platform::open_stream(log_base_name.c_str(), "a+");
        text::print(default_log, "\nCount Files indicates: %ld files to process, approx %ls bytes\n",
                    long(files_to_process), bytes_to_process_text.c_str());
        if (default_log) {
            std::fclose(default_log);
            default_log = nullptr;
        }
    }
}

void echo_ini_file() {
    if (!ini_used) return;
    text::print(stdout, "\nINI FILE USED: \"%s\" ", ini_path.c_str());
    text::print(stdout, "%s\n\n", ini_echo.c_str());
    pause_seconds(2);
}

// The part of a start path that is mirrored under the destination root:
// without "\\?\" and without the drive letter and colon.
std::wstring mirrored_part(const std::wstring& start_path) {
    std::wstring rest = paths::without_long_prefix(start_path);
    if (rest.size() >= 2 && rest[1] == L':') rest.erase(0, 2);
    return rest;
}

void copy_pass_over_start_paths() {
    std::wstring saved_destination;
    for (size_t i = 0; i < source_paths.size(); ++i) {
        normalise_start_path(source_paths[i]);
        if (opt->dirs_file_mode) {
            if (static_cast<int32_t>(i) >= dirs_count) break;
            saved_destination = dest_path;
            std::wstring root = dest_path;
            if (!root.empty() && root.back() == L'\\') root.pop_back();
            dest_path = root + mirrored_part(source_paths[i]);
        }
        current_start_path_len = start_path_len[i];
        walk_directory(source_paths[i]);
        if (opt->dirs_file_mode) dest_path = saved_destination;
    }
}

}  // namespace

void kestro_main(int argc, wchar_t** argv) {
    static std::wstring program = platform::program_path();
    argv[0] = program.data();

    std::setvbuf(stdout, nullptr, _IONBF, 0);
    platform::install_interrupt_handler(interrupt_handler);

    if (!create_run_configuration()) run::terminate(run::MEMORY_ERROR);
    // Memory that cannot be had anywhere ends the run as a memory error. The
    // folder reader's threads get the failure instead and stop; the walk then
    // meets the shortage itself, where the run can end in order.
    static const std::thread::id main_thread = std::this_thread::get_id();
    std::set_new_handler([] {
        if (std::this_thread::get_id() != main_thread) throw std::bad_alloc();
        run::terminate(run::MEMORY_ERROR);
    });
    if (argc == 1) show_usage();

    read_environment();
    parse_options(argc, argv);
    print_banner(5);

    check_destination();
    print_header(argc, argv);
    if (file_types.empty()) file_types.add(L"*.*");

    if (opt->source_list_mode) {
        run_source_list();
        run::terminate(run::NORMAL_EXIT);
    }
    if (source_paths.empty()) add_start_path(platform::current_directory());

    walk_start_time = platform::now_seconds();
    FolderReading reading;
    counting_pass_over_start_paths();
    echo_ini_file();
    copy_pass_over_start_paths();

    if (!log_base_name.empty() && !default_log) default_log = platform::open_stream(log_base_name.c_str(), "a+");
    run::terminate(run::NORMAL_EXIT);
}
