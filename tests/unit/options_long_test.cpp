// The "--" options: which key takes a text, and how each key reads its value.
#include <functional>

#include "options/long_options.h"
#include "options_fixture.h"
#include "state/run_state.h"

namespace {

struct LongCase {
    const wchar_t* text;
    int result;                      // 0 accepted, 1 illegal
    std::function<int64_t(const TestRun&)> field;  // what the option should have set
    int64_t expected;
};

int64_t copy_all(const TestRun& t) { return t.config_.options.copy_all; }

TEST_F(OptionsTest, LongKeysAndTheirValueRules) {
    const LongCase cases[] = {
        // Keys are tried in order and match by their first letters, any case.
        {L"all", 0, copy_all, 1},
        {L"ALLOW", 0, copy_all, 1},
        {L"ex", 0, [](const TestRun& t) { return t.config_.options.existing_only; }, 1},
        {L"exist", 0, [](const TestRun& t) { return t.config_.options.existing_only; }, 1},
        {L"exc=none-such", 0,
         [](const TestRun& t) { return t.config_.options.existing_only * 10 + t.config_.options.exclude_select; }, 1},
        {L"e", 0, [](const TestRun& t) { return t.config_.options.existing_only; }, 0},
        {L"SHADOW_COPY", 0,
         [](const TestRun& t) { return t.config_.options.shadow_copy * 10 + t.config_.options.sha1_wanted; }, 10},
        {L"shadow", 0, [](const TestRun& t) { return t.config_.options.shadow_copy; }, 1},
        {L"SHA", 0, [](const TestRun& t) { return t.config_.options.sha1_wanted; }, 1},
        {L"sha1", 0, [](const TestRun& t) { return t.config_.options.sha1_wanted; }, 1},
        {L"SHA256", 0, [](const TestRun& t) { return t.config_.options.sha1_wanted + t.config_.options.shadow_copy; },
         0},
        {L"something_else=1", 0, copy_all, 0},
        // VERIFY takes only texts that took no key before it.
        {L"verify=h.log", 0, [](const TestRun& t) { return int64_t(t.config_.verify_log.size()); }, 5},
        {L"VERIFY", 1, [](const TestRun& t) { return int64_t(t.config_.verify_log.size()); }, 0},
        {L"VERIFY=", 1, [](const TestRun& t) { return int64_t(t.config_.verify_log.size()); }, 0},
        {L"VER=h.log", 0, [](const TestRun& t) { return int64_t(t.config_.verify_log.size()); }, 0},
        // Required values: missing or empty is illegal.
        {L"exclude", 1, [](const TestRun& t) { return t.config_.options.exclude_select; }, 0},
        {L"exclude=", 1, [](const TestRun& t) { return t.config_.options.exclude_select; }, 0},
        {L"greater", 1, [](const TestRun& t) { return t.config_.options.size_greater_select; }, 0},
        {L"greater=1234567890123", 0, [](const TestRun& t) { return t.config_.size_greater; }, 1234567890123LL},
        {L"lessthan= -12x", 0,
         [](const TestRun& t) { return t.config_.size_less * 10 + t.config_.options.size_less_select; }, -119},
        {L"width=80", 0, [](const TestRun& t) { return t.config_.options.name_width * 10 + t.config_.name_width_set; },
         802},
        {L"width", 1, [](const TestRun& t) { return t.config_.options.name_width; }, 65},
        {L"delim=9", 0, [](const TestRun& t) { return t.config_.list_delimiter; }, L'9'},
        {L"delim=44", 0, [](const TestRun& t) { return t.config_.list_delimiter; }, L','},
        {L"delim=pipe", 0, [](const TestRun& t) { return t.config_.list_delimiter; }, L'|'},
        {L"delim=PIPE", 0, [](const TestRun& t) { return t.config_.list_delimiter; }, 0},
        {L"delim=300", 0, [](const TestRun& t) { return t.config_.list_delimiter; }, 300 & 0xFF},
        // Optional values and their comparisons.
        {L"CHK_TILDE", 0, [](const TestRun& t) { return t.config_.options.check_tilde; }, 1},
        {L"CHK_TILDE=maybe", 0, [](const TestRun& t) { return t.config_.options.check_tilde; }, 1},
        {L"chk=Offline", 0, [](const TestRun& t) { return t.config_.options.check_tilde; }, 0},
        {L"recurse", 0, [](const TestRun& t) { return t.config_.options.recurse; }, 1},
        {L"recurse=offline", 0, [](const TestRun& t) { return t.config_.options.recurse; }, 0},
        {L"recurse=One", 0, [](const TestRun& t) { return t.config_.options.recurse; }, 1},
        {L"recurse=maybe", 1, [](const TestRun& t) { return t.config_.options.recurse; }, 1},
        {L"reset=on", 0, [](const TestRun& t) { return t.config_.options.reset_access_time; }, 1},
        {L"reset=no", 1, [](const TestRun& t) { return t.config_.options.reset_access_time; }, 0},
        {L"silent", 0, [](const TestRun& t) { return t.config_.options.silent; }, 1},
        {L"silent=on", 0, [](const TestRun& t) { return t.config_.options.silent; }, 1},
        {L"silent=OFF", 0, [](const TestRun& t) { return t.config_.options.silent; }, 0},
        {L"silent=yes", 1, [](const TestRun& t) { return t.config_.options.silent; }, 0},
        {L"silent=only", 1, [](const TestRun& t) { return t.config_.options.silent; }, 0},
        {L"hash", 0, [](const TestRun& t) { return t.config_.options.hash_mode; }, 8},
        {L"hash=", 0, [](const TestRun& t) { return t.config_.options.hash_mode; }, 8},
        {L"hash=s", 0, [](const TestRun& t) { return t.config_.options.hash_mode; }, 2},
        {L"hash=destination", 0, [](const TestRun& t) { return t.config_.options.hash_mode; }, 4},
        {L"hash=both", 0, [](const TestRun& t) { return t.config_.options.hash_mode; }, 8},
        {L"hash=Source", 1, [](const TestRun& t) { return t.config_.options.hash_mode; }, 0},
        {L"md5", 0, [](const TestRun& t) { return t.config_.options.hash_mode; }, 8},
        {L"flatten", 0, [](const TestRun& t) { return t.config_.options.flatten; }, 1},
        {L"flatten=40", 0, [](const TestRun& t) { return t.config_.options.flatten; }, 40},
        {L"flatten=0", 0, [](const TestRun& t) { return t.config_.options.flatten; }, 0},
        {L"flatten=many", 0, [](const TestRun& t) { return t.config_.options.flatten; }, 0},
        // Plain switches and what they set together.
        {L"nodupe", 0, [](const TestRun& t) { return t.config_.options.nodupe * 10 + t.config_.options.copy_all; }, 11},
        {L"noclobber", 0,
         [](const TestRun& t) { return t.config_.options.rename_existing * 10 + t.config_.options.copy_all; }, 11},
        {L"ignore", 0,
         [](const TestRun& t) { return t.config_.options.rename_existing * 10 + t.config_.options.copy_all; }, 11},
        {L"maintain", 0,
         [](const TestRun& t) { return t.config_.options.make_dirs * 10 + t.config_.options.maintain_dir_dates; }, 10},
        {L"immediate", 0, [](const TestRun& t) { return t.config_.options.no_precount; }, 1},
        {L"overwrite", 0, [](const TestRun& t) { return t.config_.options.overwrite_protected; }, 1},
        {L"output=C:\\backup", 0,
         [](const TestRun& t) { return t.config_.options.dest_given * 10 + t.config_.options.make_dirs; }, 11},
        {L"bypass", 1, [](const TestRun& t) { return t.config_.options.bypass_active; }, 0},
        {L"list=", 1, [](const TestRun& t) { return t.config_.options.source_list_mode; }, 0},
        {L"dirs", 1, [](const TestRun& t) { return t.config_.options.dirs_file_mode; }, 0},
        {L"hashlog=", 1, [](const TestRun& t) { return t.run_.logs.hash_log != nullptr; }, 0},
        {L"logfile", 1, [](const TestRun& t) { return t.config_.options.log_mask; }, 0},
        {L"err", 1, [](const TestRun& t) { return t.config_.options.log_mask; }, 0},
        // --err= before any long log option: the bits wait, nothing opens.
        {L"err=12", 0,
         [](const TestRun& t) { return t.config_.options.log_mask * 10 + (t.run_.logs.default_log != nullptr); }, 120},
        {L"error=list,dupe,all", 0, [](const TestRun& t) { return t.config_.options.log_mask; }, 34},
        {L"err=100", 0, [](const TestRun& t) { return t.config_.options.log_mask; }, 63},
    };
    for (const LongCase& c : cases) {
        TestRun fresh;
        fresh.run_.screen = stdout;
        fresh.run_.logs.error_log = stderr;
        EXPECT_EQ(apply_long_option(fresh.parsing_, c.text), c.result)
            << "--" << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(c.field(fresh), c.expected) << "--" << testing::PrintToString(std::wstring(c.text));
    }
}

TEST_F(OptionsTest, RefusedLongOptionEndsTheRunWithItsText) {
    EXPECT_EXIT(parse({L"--recurse=perhaps"}), testing::ExitedWithCode(6), "\nIllegal option: recurse=perhaps");
}

}  // namespace
