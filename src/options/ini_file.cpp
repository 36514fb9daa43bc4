// Finding the INI file and reading its lines: the program's own INI file
// from its first line, or the shared QUENTARO.INI from its [BASE] line on.
// The lines a directive took are echoed for the run header.
#include "options/ini_file.h"

#include <cstdio>

#include "common/paths.h"
#include "common/text.h"
#include "options/list_reader.h"
#include "platform/platform.h"
#include "state/run_state.h"

namespace {

constexpr size_t INI_LINE_PIECE = 259;         // a longer line reads as several lines
constexpr size_t ECHO_CAPACITY = 262144;       // bytes of ini_echo, its end included
constexpr size_t INI_PATH_CAPACITY = 260;      // bytes of ini_path, its end included
constexpr const wchar_t* SHARED_INI = L"QUENTARO.INI";

struct IniChoice {
    std::wstring path;
    bool shared = false;
};

bool ini_file_exists(const std::wstring& path) { return platform::path_accessible(path.c_str()); }

bool find_ini_file(const wchar_t* program, IniChoice& choice) {
    std::wstring program_full;
    if (program && platform::full_path(program, program_full)) {
        std::wstring own = ini_name_for_program(program_full);
        if (ini_file_exists(own)) {
            choice.path = own;
            return true;
        }
    }
    std::wstring shared;
    if (platform::full_path(SHARED_INI, shared) && ini_file_exists(shared)) {
        choice.path = shared;
        choice.shared = true;
        return true;
    }
    return false;
}

void upper_case(std::string& line) {
    for (char& c : line)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

// The next line without its line end, as written and upper-cased; false at
// the end.
bool read_ini_line(FILE* file, std::string& as_written, std::string& line) {
    if (!read_byte_piece(file, INI_LINE_PIECE, as_written)) return false;
    remove_line_end(as_written);
    line = as_written;
    upper_case(line);
    return true;
}

// Shared mode: the settings begin after the first line holding [BASE].
bool skip_to_base_section(FILE* file) {
    std::string as_written, line;
    while (read_ini_line(file, as_written, line))
        if (line.find("[BASE]") != std::string::npos) return true;
    return false;
}

// Once a line no longer fits the buffer, that line and every later one are
// still applied, but no longer echoed.
void echo_line(Parsing& p, const std::string& line, bool& echo_full) {
    if (echo_full || p.config.ini_echo.size() + 2 + line.size() >= ECHO_CAPACITY) {
        echo_full = true;
        return;
    }
    p.config.ini_echo += "\n ";
    p.config.ini_echo += line;
}

// The path as 8-bit text of at most 259 bytes, not cut inside a character.
std::string narrow_path(const std::wstring& path) {
    std::string bytes = text::to_utf8(path);
    if (bytes.size() < INI_PATH_CAPACITY) return bytes;
    size_t cut = INI_PATH_CAPACITY - 1;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
    return bytes.substr(0, cut);
}

// Reads settings up to an empty or one-character line (or, in shared mode, the
// next [BASE] line). Comments begin with ';' or '#' in the first column.
void apply_settings(Parsing& p, FILE* file, bool shared) {
    std::string as_written, line;
    bool echo_full = false;
    while (read_ini_line(file, as_written, line)) {
        if (line.size() < 2) return;
        if (line[0] == ';' || line[0] == '#') continue;
        if (shared && line.find("[BASE]") != std::string::npos) return;
        if (apply_ini_line(p, line, as_written)) echo_line(p, line, echo_full);
    }
}

}  // namespace

std::wstring ini_name_for_program(const std::wstring& program_path) {
    paths::SplitPath parts = paths::split_path(program_path);
    return parts.drive + parts.dir + parts.fname + L".ini";
}

void apply_ini_file(Parsing& p, wchar_t** argv) {
    IniChoice choice;
    if (!find_ini_file(argv ? argv[0] : nullptr, choice)) return;
    FILE* file = platform::open_stream(choice.path.c_str(), "r");
    if (!file) return;  // a file that cannot be read counts as none
    p.config.ini_path = narrow_path(choice.path);
    if (choice.shared && !skip_to_base_section(file)) {
        std::fclose(file);
        return;
    }
    p.config.ini_used = 1;
    apply_settings(p, file, choice.shared);
    std::fclose(file);
}
