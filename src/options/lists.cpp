#include "options/lists.h"

#include "common/paths.h"
#include "log/output.h"
#include "options/list_reader.h"
#include "options/option_support.h"
#include "platform/pause.h"
#include "platform/platform.h"

namespace {

constexpr const char* OPTIONS_UNIT = "kestro_options64";
constexpr int MAX_TYPES_PER_FILE = 300;

bool without_trailing_backslash_equal(const std::wstring& a, const std::wstring& b) {
    return paths::equal_ignoring_ascii_case(paths::without_trailing_backslash(a), paths::without_trailing_backslash(b));
}

[[noreturn]] void start_path_not_found(Parsing& p, const std::wstring& name) {
    text::print(stderr, "\nCan't find a file or folder of the name %ls\n", name.c_str());
    text::print(stderr, "Please check the -p option and rerun program\n");
    end_run(p.run, INPUT_FILE);
}

// A file named as a start path: its folder becomes the start path and its
// name a file type. `entry` keeps the folder part, its last '\' included.
void adjust_file_to_folder(Parsing& p, std::wstring& entry) {
    size_t split = entry.find_last_of(L"\\:");
    std::wstring file_name = split == std::wstring::npos ? entry : entry.substr(split + 1);
    entry.resize(split == std::wstring::npos ? 0 : split + 1);
    text::print(stdout, "\n%ls appears to be a file, not a folder.", file_name.c_str());
    text::print(stdout, "\nwill make the following adjustments\n");
    text::print(stdout, "source directory=%ls\n", entry.c_str());
    text::print(stdout, "new file added=%ls\n", file_name.c_str());
    pause_seconds(3);
    add_file_type(p, file_name);
}

// Trailing blanks and tabs off.
void trim_right(std::string& text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
}

}  // namespace

void add_bypass_folder(Parsing& p, const std::wstring& folder, size_t limit) {
    std::wstring full;
    if (!platform::full_path(folder.c_str(), full, limit)) {
        text::print(stderr, "\nBypass folder name too long, not used: %ls\n", folder.c_str());
        return;
    }
    if (!p.config.bypass_list.add(paths::long_form(full)))
        end_run_list_full(p, "bypass folders", p.config.bypass_list.capacity());
    p.config.bypass_count = static_cast<int32_t>(p.config.bypass_list.size());
}

void add_start_path(Parsing& p, const std::wstring& path) {
    std::wstring full;
    if (!platform::full_path(path.c_str(), full, 32767)) start_path_not_found(p, path);
    std::wstring entry = paths::long_form(full);

    if (!p.config.options.shadow_copy) {
        uint32_t attributes = platform::get_file_attributes(entry.c_str());
        if (attributes == platform::INVALID_ATTRIBUTES) start_path_not_found(p, full);
        if (!(attributes & platform::ATTR_DIRECTORY)) adjust_file_to_folder(p, entry);
    }
    if (p.config.options.maintain_dir_dates) {
        std::wstring folder = entry;
        if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
        platform::FindRecord record;
        if (platform::find_entry(folder.c_str(), &record)) p.config.start_path_times = times_of(record);
    }
    // The same folder with or without its trailing '\' is the same start path.
    for (const auto& existing : p.config.source_paths)
        if (without_trailing_backslash_equal(existing, entry)) return;

    if (!p.config.source_paths.add(entry)) end_run_list_full(p, "start folders", p.config.source_paths.capacity());
    size_t index = p.config.source_paths.size() - 1;
    std::wstring& stored = p.config.source_paths[index];
    if (!stored.empty() && stored.back() == L'\\') stored.pop_back();
    p.config.start_path_len[index] = static_cast<int32_t>(stored.size());
}

void add_file_type(Parsing& p, const std::wstring& pattern) {
    for (const auto& existing : p.config.file_types)
        if (existing == pattern) return;
    if (!p.config.file_types.add(pattern)) end_run_list_full(p, "file types", p.config.file_types.capacity());
}

void read_types_file(Parsing& p, const std::wstring& path) {
    FILE* file = platform::open_stream(path_for_opening(path).c_str(), "r");
    if (!file) {
        text::print(stderr, "\nCan't open file extention file %ls", path.c_str());
        end_run(p.run, INPUT_FILE);
    }
    WidePieceReader reader(file);
    std::wstring line;
    int count = 0;
    while (reader.next(259, line)) {
        if (line.size() < 4) continue;
        if (++count >= MAX_TYPES_PER_FILE) {
            text::print(stderr, "\nMaximum file types allowed for -F option in %ls is %d", path.c_str(),
                        MAX_TYPES_PER_FILE);
            std::fclose(file);
            end_run(p.run, INPUT_FILE);
        }
        // The pattern ends at the line's last control character or blank (its
        // line end); a last line without one keeps all of its text.
        size_t cut = line.size();
        while (cut > 0 && static_cast<unsigned>(line[cut - 1]) > 32) --cut;
        if (cut > 0) line.resize(cut - 1);
        // An empty pattern would end the list early; it names nothing anyway.
        if (!line.empty()) add_file_type(p, line);
    }
    std::fclose(file);
}

// Reads a list of one entry a line: pieces of at most 259 bytes, a piece of
// fewer than 2 bytes ends the list. A file that cannot be opened is reported
// with `line_number` and skipped.
template <typename PerLine>
void read_short_line_list(const std::wstring& path, const std::wstring& opened, int line_number, PerLine per_line) {
    FILE* file = platform::open_stream(opened.c_str(), "r");
    if (!file) {
        text::print(stderr, "\n%d %s, Can't open %ls", line_number, OPTIONS_UNIT, path.c_str());
        return;
    }
    std::string line;
    while (read_byte_piece(file, 259, line) && line.size() >= 2) {
        remove_line_end(line);
        per_line(text::from_utf8(line));
    }
    std::fclose(file);
}

void read_exclude_file(Parsing& p, const std::wstring& path) {
    std::wstring host_path = path_for_opening(path);
    if (!platform::path_accessible(host_path.c_str())) return;
    read_short_line_list(path, host_path, 2294, [&p](const std::wstring& pattern) {
        if (!p.config.exclude_types.add(paths::upper_ascii(pattern)))
            end_run_list_full(p, "exclusion patterns", p.config.exclude_types.capacity());
    });
}

void add_bypass(Parsing& p, const std::wstring& value) {
    std::wstring host_path = path_for_opening(value);
    uint32_t attributes = platform::get_file_attributes(host_path.c_str());
    bool is_list_file = attributes != platform::INVALID_ATTRIBUTES && !(attributes & platform::ATTR_DIRECTORY);
    if (!is_list_file) {
        add_bypass_folder(p, value);
        return;
    }
    read_short_line_list(value, host_path, 2236, [&p](const std::wstring& folder) { add_bypass_folder(p, folder); });
}

void read_dirs_file(Parsing& p, FILE* stream) {
    int32_t n = static_cast<int32_t>(p.config.source_paths.size());
    if (p.config.dirs_count <= 0) {
        std::fclose(stream);
        p.config.dirs_count = n;
        return;
    }
    std::string line;
    while (read_byte_piece(stream, 1023, line) && line.size() >= 3) {
        remove_line_end(line);
        trim_right(line);
        size_t bar = line.find('|');
        if (bar != std::string::npos) line.resize(bar);
        trim_right(line);

        std::wstring folder;
        if (!platform::full_path(text::from_utf8(line).c_str(), folder, 16383)) continue;
        if (!platform::is_folder(folder.c_str())) continue;
        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        std::wstring entry = paths::long_form(folder);

        if (!p.config.source_paths.add(entry)) end_run_list_full(p, "start folders", p.config.source_paths.capacity());
        p.config.start_path_len[n] = static_cast<int32_t>(entry.size());
        ++n;
    }
    std::fclose(stream);
    p.config.dirs_count = n;
}
