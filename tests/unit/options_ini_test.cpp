// INI directives: which directive takes a line, and what its value does.
#include <cstdlib>
#include <functional>

#include "options/dates.h"
#include "options/ini_file.h"
#include "options_fixture.h"
#include "state/run_state.h"

namespace {

struct IniCase {
    const char* line;  // as the reader hands it over: upper case, no line end
    bool taken;
    std::function<int64_t(const Configuration&)> field;
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
        {"GREATER=100", true,
         [](const Configuration& config_) { return config_.size_greater * 10 + config_.options.size_greater_select; },
         1001},
        {" GREATER=100", false, [](const Configuration& config_) { return config_.options.size_greater_select; }, 0},
        // APPEND, matched anywhere, is tried first.
        {"PATH=D:\\APPENDIX", true, [](const Configuration& config_) { return int64_t(config_.source_paths.size()); },
         0},
        {"PATH=C:\\DATA", true, [](const Configuration& config_) { return int64_t(config_.source_paths.size()); }, 1},
        {"PATHONLY=ON", true,
         [](const Configuration& config_) {
             return config_.options.path_only * 10 + int64_t(config_.source_paths.empty());
         },
         11},
        {"UNKNOWN=1", false, [](const Configuration& config_) { return config_.options.copy_all; }, 0},
        // ON/OFF: set, then "ON" sets and "OFF", tested last, clears.
        {"RECURSE=OFF", true, [](const Configuration& config_) { return config_.options.recurse; }, 0},
        {"RESET=YES", true, [](const Configuration& config_) { return config_.options.reset_access_time; }, 1},
        {"RESET=NO", true, [](const Configuration& config_) { return config_.options.reset_access_time; }, 1},
        {"RESET=ON OR OFF", true, [](const Configuration& config_) { return config_.options.reset_access_time; }, 0},
        {"CHK_TILDE", true, [](const Configuration& config_) { return config_.options.check_tilde; }, 1},
        {"NO_COUNT=ON", true, [](const Configuration& config_) { return config_.options.no_precount; }, 1},
        {"SILENT=OFF", true, [](const Configuration& config_) { return config_.options.silent; }, 0},
        {"USE_SHA1=ON", true, [](const Configuration& config_) { return config_.options.sha1_wanted; }, 1},
        {"NODUPE=OFF", true,
         [](const Configuration& config_) { return config_.options.nodupe * 10 + config_.options.copy_all; }, 1},
        {"X_NODUPE", true,
         [](const Configuration& config_) { return config_.options.nodupe * 10 + config_.options.copy_all; }, 11},
        {"NAMEONLY=ON", true, [](const Configuration& config_) { return config_.options.name_only; }, 1},
        {"ZULU=OFF", true, [](const Configuration& config_) { return config_.options.zulu_time; }, 0},
        {"ZULU=OFFICE", true, [](const Configuration& config_) { return config_.options.zulu_time; }, 1},
        {"LIST_ONLY=ON", true, [](const Configuration& config_) { return config_.options.list_only; }, 1},
        {"LIST_ONLY", true, [](const Configuration& config_) { return config_.options.list_only; }, 0},
        {"MAINTAIN=ON", true,
         [](const Configuration& config_) {
             return config_.options.maintain_dir_dates * 10 + config_.options.make_dirs;
         },
         11},
        {"MAINTAIN=OFF", true,
         [](const Configuration& config_) {
             return config_.options.maintain_dir_dates * 10 + config_.options.make_dirs;
         },
         0},
        // Hash values.
        {"HASH=ON", true, [](const Configuration& config_) { return config_.options.hash_mode; }, 8},
        {"HASH=SOURCE", true, [](const Configuration& config_) { return config_.options.hash_mode; }, 2},
        {"HASH=DESTINATION", true, [](const Configuration& config_) { return config_.options.hash_mode; }, 4},
        {"HASH=BOTH", true, [](const Configuration& config_) { return config_.options.hash_mode; }, 0},
        {"HASH", true, [](const Configuration& config_) { return config_.options.hash_mode; }, 0},
        // Numbers and characters.
        {"LESSTHAN=5000", true,
         [](const Configuration& config_) { return config_.size_less * 10 + config_.options.size_less_select; }, 50001},
        {"LESSTHAN", true, [](const Configuration& config_) { return config_.options.size_less_select; }, 0},
        {"WIDTH=90", true,
         [](const Configuration& config_) { return config_.options.name_width * 10 + config_.name_width_set; }, 902},
        {"DELIM=;", true, [](const Configuration& config_) { return config_.list_delimiter; }, L';'},
        {"DELIM=124", true, [](const Configuration& config_) { return config_.list_delimiter; }, L'|'},
        {"DELIM=OFF", true, [](const Configuration& config_) { return config_.list_delimiter; }, L' '},
        {"DELIM=", true, [](const Configuration& config_) { return config_.list_delimiter; }, L' '},
        {"TIME=A", true, [](const Configuration& config_) { return config_.options.time_kind; }, 'A'},
        {"TIME", true, [](const Configuration& config_) { return config_.options.time_kind; }, 'w'},
        // Ages: days leave the cut-off alone, dates set it.
        {"OLDER=30", true,
         [](const Configuration& config_) {
             return config_.older_days * 10 + config_.options.age_select + config_.options.older_select;
         },
         301},
        {"OLDER", true, [](const Configuration& config_) { return config_.options.age_select; }, 0},
        {"YOUNGER=01-15-2012", true,
         [](const Configuration& config_) {
             return int64_t(config_.younger_cutoff == cutoff_filetime(1, 15, 2012)) + config_.options.younger_select;
         },
         2},
        // Folders and logs.
        {"DEST=C:\\BACKUP", true,
         [](const Configuration& config_) { return config_.options.dest_given * 10 + config_.options.make_dirs; }, 10},
        {"OUTPUT=", true, [](const Configuration& config_) { return config_.options.dest_given; }, 0},
        {"BYPASS=C:\\TEMP", true,
         [](const Configuration& config_) { return config_.options.bypass_active * 10 + config_.bypass_count; }, 11},
        {"BYPASS", true,
         [](const Configuration& config_) { return config_.options.bypass_active * 10 + config_.bypass_count; }, 0},
        {"LOGFILE=C:\\OFFICE\\RUN.LOG", true, [](const Configuration& config_) { return config_.options.log_mask; }, 0},
        {"LOGS=LIST,COPY", true, [](const Configuration& config_) { return config_.options.log_mask; }, 7},
        {"MEMO=OFF", true, [](const Configuration& config_) { return config_.options.memo; }, 0},
        {"CRC=32", true, [](const Configuration& config_) { return config_.options.copy_all; }, 0},
    };
    for (const IniCase& c : cases) {
        TestRun fresh;
        fresh.config_.options.shadow_copy = 1;
        fresh.run_.screen = stdout;
        fresh.run_.logs.error_log = stderr;
        fresh.config_.options.log_mask = 1;  // OFF in a log value clears it
        EXPECT_EQ(apply_ini_line(fresh.parsing_, c.line, c.line), c.taken) << c.line;
        EXPECT_EQ(c.field(fresh.config_), c.expected) << c.line;
    }
}

TEST(IniName, ProgramExtensionBecomesIni) {
    EXPECT_EQ(ini_name_for_program(L"D:\\TOOLS\\KESTRO64.EXE"), L"D:\\TOOLS\\KESTRO64.ini");
    EXPECT_EQ(ini_name_for_program(L"C:\\usr\\bin\\kestro"), L"C:\\usr\\bin\\kestro.ini");
    EXPECT_EQ(ini_name_for_program(L"C:\\a.b\\kestro"), L"C:\\a.b\\kestro.ini");
}

}  // namespace
