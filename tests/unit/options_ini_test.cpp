// INI directives: which directive takes a line, and what its value does.
#include <cstdlib>
#include <functional>

#include "options/dates.h"
#include "options/ini_file.h"
#include "options_fixture.h"
#include "run/run_state.h"

namespace {

struct IniCase {
    const char* line;  // as the reader hands it over: upper case, no line end
    bool taken;
    std::function<int64_t()> field;
    int64_t expected;
};

class IniLines : public OptionsTest {
protected:
    void SetUp() override {
        OptionsTest::SetUp();
        // The messages of lines without a value pause; not here.
#ifdef _WIN32
        _putenv("KESTRO_PAUSE=0");
#else
        setenv("KESTRO_PAUSE", "0", 1);
#endif
    }
};

TEST_F(IniLines, DirectivesAndTheirValues) {
    const IniCase cases[] = {
        // Prefix matches; leading blanks are not skipped; first match wins.
        {"GREATER=100", true, [] { return config().size_greater * 10 + opt->size_greater_select; }, 1001},
        {" GREATER=100", false, [] { return opt->size_greater_select; }, 0},
        // APPEND, matched anywhere, is tried first.
        {"PATH=D:\\APPENDIX", true, [] { return int64_t(config().source_paths.size()); }, 0},
        {"PATH=C:\\DATA", true, [] { return int64_t(config().source_paths.size()); }, 1},
        {"PATHONLY=ON", true, [] { return opt->path_only * 10 + int64_t(config().source_paths.empty()); }, 11},
        {"UNKNOWN=1", false, [] { return opt->copy_all; }, 0},
        // ON/OFF: set, then "ON" sets and "OFF", tested last, clears.
        {"RECURSE=OFF", true, [] { return opt->recurse; }, 0},
        {"RESET=YES", true, [] { return opt->reset_access_time; }, 1},
        {"RESET=NO", true, [] { return opt->reset_access_time; }, 1},
        {"RESET=ON OR OFF", true, [] { return opt->reset_access_time; }, 0},
        {"CHK_TILDE", true, [] { return opt->check_tilde; }, 1},
        {"NO_COUNT=ON", true, [] { return opt->no_precount; }, 1},
        {"SILENT=OFF", true, [] { return opt->silent; }, 0},
        {"USE_SHA1=ON", true, [] { return opt->sha1_wanted; }, 1},
        {"NODUPE=OFF", true, [] { return opt->nodupe * 10 + opt->copy_all; }, 1},
        {"X_NODUPE", true, [] { return opt->nodupe * 10 + opt->copy_all; }, 11},
        {"NAMEONLY=ON", true, [] { return opt->name_only; }, 1},
        {"ZULU=OFF", true, [] { return opt->zulu_time; }, 0},
        {"ZULU=OFFICE", true, [] { return opt->zulu_time; }, 1},
        {"LIST_ONLY=ON", true, [] { return opt->list_only; }, 1},
        {"LIST_ONLY", true, [] { return opt->list_only; }, 0},
        {"MAINTAIN=ON", true, [] { return opt->maintain_dir_dates * 10 + opt->make_dirs; }, 11},
        {"MAINTAIN=OFF", true, [] { return opt->maintain_dir_dates * 10 + opt->make_dirs; }, 0},
        // Hash values.
        {"HASH=ON", true, [] { return opt->hash_mode; }, 8},
        {"HASH=SOURCE", true, [] { return opt->hash_mode; }, 2},
        {"HASH=DESTINATION", true, [] { return opt->hash_mode; }, 4},
        {"HASH=BOTH", true, [] { return opt->hash_mode; }, 0},
        {"HASH", true, [] { return opt->hash_mode; }, 0},
        // Numbers and characters.
        {"LESSTHAN=5000", true, [] { return config().size_less * 10 + opt->size_less_select; }, 50001},
        {"LESSTHAN", true, [] { return opt->size_less_select; }, 0},
        {"WIDTH=90", true, [] { return opt->name_width * 10 + config().name_width_set; }, 902},
        {"DELIM=;", true, [] { return config().list_delimiter; }, L';'},
        {"DELIM=124", true, [] { return config().list_delimiter; }, L'|'},
        {"DELIM=OFF", true, [] { return config().list_delimiter; }, L' '},
        {"DELIM=", true, [] { return config().list_delimiter; }, L' '},
        {"TIME=A", true, [] { return opt->time_kind; }, 'A'},
        {"TIME", true, [] { return opt->time_kind; }, 'w'},
        // Ages: days leave the cut-off alone, dates set it.
        {"OLDER=30", true, [] { return config().older_days * 10 + opt->age_select + opt->older_select; }, 301},
        {"OLDER", true, [] { return opt->age_select; }, 0},
        {"YOUNGER=01-15-2012",
         true,
         [] { return int64_t(config().younger_cutoff == cutoff_filetime(1, 15, 2012)) + opt->younger_select; },
         2},
        // Folders and logs.
        {"DEST=C:\\BACKUP", true, [] { return opt->dest_given * 10 + opt->make_dirs; }, 10},
        {"OUTPUT=", true, [] { return opt->dest_given; }, 0},
        {"BYPASS=C:\\TEMP", true, [] { return opt->bypass_active * 10 + config().bypass_count; }, 11},
        {"BYPASS", true, [] { return opt->bypass_active * 10 + config().bypass_count; }, 0},
        {"LOGFILE=C:\\OFFICE\\RUN.LOG", true, [] { return opt->log_mask; }, 0},
        {"LOGS=LIST,COPY", true, [] { return opt->log_mask; }, 7},
        {"MEMO=OFF", true, [] { return opt->memo; }, 0},
        {"CRC=32", true, [] { return opt->copy_all; }, 0},
    };
    for (const IniCase& c : cases) {
        SetUp();
        building_config().options.log_mask = 1;  // OFF in a log value clears it
        EXPECT_EQ(apply_ini_line(c.line, c.line), c.taken) << c.line;
        EXPECT_EQ(c.field(), c.expected) << c.line;
    }
}

TEST(IniName, ProgramExtensionBecomesIni) {
    EXPECT_EQ(ini_name_for_program(L"D:\\TOOLS\\KESTRO64.EXE"), L"D:\\TOOLS\\KESTRO64.ini");
    EXPECT_EQ(ini_name_for_program(L"C:\\usr\\bin\\kestro"), L"C:\\usr\\bin\\kestro.ini");
    EXPECT_EQ(ini_name_for_program(L"C:\\a.b\\kestro"), L"C:\\a.b\\kestro.ini");
}

}  // namespace
