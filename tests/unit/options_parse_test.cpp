// Option scanning: positional folders, clustering, attached and separate
// values, '+' forms, list letters, -h variants, widths and age values.
#include "options_fixture.h"

#include "options/dates.h"

namespace {

TEST_F(OptionsTest, PositionalSourceAndDestination) {
    parse({L"C:\\src", L"D:\\dst", L"-A"});
    ASSERT_EQ(config_.source_paths.size(), 1u);
    EXPECT_EQ(config_.source_paths[0], L"\\\\?\\C:\\src");
    EXPECT_EQ(config_.start_path_len[0], 10);
    EXPECT_EQ(config_.dest_path, L"D:\\dst");  // no long-path prefix, and not "given"
    EXPECT_EQ(config_.options.dest_given, 0);
    EXPECT_EQ(config_.options.copy_all, 1);
    ASSERT_EQ(config_.file_types.size(), 1u);
    EXPECT_EQ(config_.file_types[0], L"*.*");
}

TEST_F(OptionsTest, ThirdPositionalReplacesTheDestination) {
    parse({L"C:\\src", L"D:\\one", L"D:\\two"});
    EXPECT_EQ(config_.dest_path, L"D:\\two");
}

TEST_F(OptionsTest, FirstNonOptionAfterAnOptionEndsTheCommandLine) {
    parse({L"-A", L"C:\\src", L"D:\\dst", L"-m"});
    EXPECT_EQ(config_.options.copy_all, 1);
    EXPECT_TRUE(config_.source_paths.empty());
    EXPECT_TRUE(config_.dest_path.empty());
    EXPECT_EQ(config_.options.make_dirs, 0);
}

TEST_F(OptionsTest, ClusteredLettersAndAttachedValues) {
    parse({L"-mi", L"/G100m", L"-L", L"2000"});
    EXPECT_EQ(config_.options.make_dirs, 1);
    EXPECT_EQ(config_.options.no_precount, 1);
    EXPECT_EQ(config_.options.size_greater_select, 1);
    EXPECT_EQ(config_.size_greater, 100);
    EXPECT_EQ(config_.options.size_less_select, 1);
    EXPECT_EQ(config_.size_less, 2000);
}

TEST_F(OptionsTest, SizesAreSixtyFourBit) {
    parse({L"-G9876543210", L"-L99999999999999999999999"});
    EXPECT_EQ(config_.size_greater, 9876543210LL);
    EXPECT_EQ(config_.size_less, INT64_MAX);
}

TEST_F(OptionsTest, DestinationOptionGetsTheLongPrefix) {
    parse({L"-d", L"E:\\backup"});
    EXPECT_EQ(config_.options.dest_given, 1);
    EXPECT_EQ(config_.dest_path, L"\\\\?\\E:\\backup");
}

TEST_F(OptionsTest, DriveDestinationMirrorsTheFirstStartPath) {
    parse({L"C:\\work\\src", L"-DE:"});
    EXPECT_EQ(config_.options.dest_drive_only, 1);
    EXPECT_EQ(config_.options.dest_given, 1);
    EXPECT_EQ(config_.dest_path, L"\\\\?\\E:\\work\\src");
}

TEST_F(OptionsTest, PlusSwitchesOffOnlyWhereThereIsAnOffForm) {
    parse({L"-A", L"+A", L"+m"});
    EXPECT_EQ(config_.options.copy_all, 0);
    EXPECT_EQ(config_.options.make_dirs, 1);  // '+' means '-' for letters without an off form
}

TEST_F(OptionsTest, LevelsAddUp) {
    parse({L"-vV", L"-n", L"-N"});
    EXPECT_EQ(config_.options.silent, 3);
    EXPECT_EQ(config_.options.list_only, 2);
    parse({L"-nn"});
    EXPECT_EQ(config_.options.list_only, 4);  // -N set 2 above, -n adds
}

TEST_F(OptionsTest, SimpleFlags) {
    parse({L"-eMORrUz"});
    EXPECT_EQ(config_.options.existing_only, 1);
    EXPECT_EQ(config_.options.maintain_dir_dates, 1);
    EXPECT_EQ(config_.options.make_dirs, 1);
    EXPECT_EQ(config_.options.overwrite_protected, 1);
    EXPECT_EQ(config_.options.reset_access_time, 1);
    EXPECT_EQ(config_.options.recurse, 0);
    EXPECT_EQ(config_.options.upper_case_dirs, 0);
    EXPECT_EQ(config_.options.zulu_time, 1);
}

TEST_F(OptionsTest, AttributeModifiers) {
    parse({L"-arHsmEdD"});
    EXPECT_EQ(config_.options.attr_select, 1);
    EXPECT_EQ(config_.options.attr_readonly, 1);
    EXPECT_EQ(config_.options.attr_hidden, 1);
    EXPECT_EQ(config_.options.attr_system, 1);
    EXPECT_EQ(config_.options.attr_archive, 1);
    EXPECT_EQ(config_.options.attr_encrypted, 1);
    EXPECT_EQ(config_.options.attr_dir_level, 3);
}

TEST_F(OptionsTest, TimeKindTakesTheFirstCharacterOfItsValue) {
    parse({L"-t", L"-x"});
    EXPECT_EQ(config_.options.time_kind, '-');
    parse({L"-Tcreation"});
    EXPECT_EQ(config_.options.time_kind, 'c');
    parse({L"+t"});
    EXPECT_EQ(config_.options.time_kind, 'w');
}

TEST_F(OptionsTest, Widths) {
    parse({L"-w", L"0"});
    EXPECT_EQ(config_.options.name_width, 260);
    EXPECT_EQ(config_.options.alt_name_width, 0);
    EXPECT_EQ(config_.name_width_set, 2);
    parse({L"-W40"});
    EXPECT_EQ(config_.options.name_width, 40);
    EXPECT_EQ(config_.options.alt_name_width, 40);
    EXPECT_EQ(config_.name_width_set, 4);
}

TEST_F(OptionsTest, PlusWidthCountsAsNeverSetSoPathOnlyGives78) {
    config_.options.path_only = 1;
    parse({L"-w30", L"+w"});
    EXPECT_EQ(config_.options.name_width, 78);
    EXPECT_EQ(config_.name_width_set, 2);
}

TEST_F(OptionsTest, HashVariants) {
    parse({L"-h"});
    EXPECT_EQ(config_.options.hash_mode, 8);
    parse({L"-hs"});
    EXPECT_EQ(config_.options.hash_mode, 2);
    config_.options.hash_mode = 0;
    parse({L"-hs"});
    EXPECT_EQ(config_.options.hash_mode, 2);
    config_.options.hash_mode = 0;
    parse({L"-hd", L"-hs"});
    EXPECT_EQ(config_.options.hash_mode, 14);
    config_.options.hash_mode = 0;
    parse({L"-hsm"});  // the letter after -hs is an option of its own
    EXPECT_EQ(config_.options.hash_mode, 2);
    EXPECT_EQ(config_.options.make_dirs, 1);
}

TEST_F(OptionsTest, WrongHashLetterIsReportedAndThenProcessedAsALetter) {
    testing::internal::CaptureStdout();
    parse({L"-hA"});
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("\nIncorrect -h option\n\nUse either -h or -hs of -hd\n"), std::string::npos);
    EXPECT_EQ(config_.options.hash_mode, 0);
    EXPECT_EQ(config_.options.copy_all, 1);
}

TEST_F(OptionsTest, ListLettersTakeFollowingArguments) {
    parse({L"-p", L"C:\\a", L"/b", L"-A"});
    ASSERT_EQ(config_.source_paths.size(), 2u);
    EXPECT_EQ(config_.source_paths[0], L"\\\\?\\C:\\a");
    EXPECT_EQ(config_.options.copy_all, 1);

    parse({L"-fA", L"*.c", L"*.h", L"*.c", L"-m"});
    ASSERT_EQ(config_.file_types.size(), 3u);  // "*.*" of the first parse, then *.c, *.h
    EXPECT_EQ(config_.file_types[1], L"*.c");
    EXPECT_EQ(config_.file_types[2], L"*.h");
    EXPECT_EQ(config_.options.make_dirs, 1);
}

TEST_F(OptionsTest, SameStartFolderIsAddedOnce) {
    parse({L"-p", L"C:\\Data", L"c:\\data", L"C:\\DATA\\"});
    EXPECT_EQ(config_.source_paths.size(), 1u);
}

TEST_F(OptionsTest, ExclusionsAreUpperCasedUnlessCaseSensitive) {
    parse({L"-x", L"*.tmp", L"~*", L"-X", L"Keep.Me"});
    EXPECT_EQ(config_.options.exclude_select, 1);
    EXPECT_EQ(config_.options.exclude_case_sensitive, 1);
    ASSERT_EQ(config_.exclude_types.size(), 3u);
    EXPECT_EQ(config_.exclude_types[0], L"*.TMP");
    EXPECT_EQ(config_.exclude_types[1], L"~*");
    EXPECT_EQ(config_.exclude_types[2], L"Keep.Me");
}

TEST_F(OptionsTest, AgeInDaysKeepsTheCutoff) {
    parse({L"-g", L"30", L"-l12.31.2015"});
    EXPECT_EQ(config_.options.age_select, 1);
    EXPECT_EQ(config_.options.older_select, 1);
    EXPECT_EQ(config_.options.younger_select, 1);
    EXPECT_EQ(config_.older_days, 30);
    EXPECT_EQ(config_.younger_days, 12);
    // The start-up defaults: today at 22:58:58 and 1 January 1980.
    std::tm today{};
    platform::local_time(platform::now_seconds(), &today);
    EXPECT_EQ(config_.older_cutoff,
              local_calendar_filetime(58, 58, 22, today.tm_mday, today.tm_mon + 1, today.tm_year + 1900));
    EXPECT_EQ(config_.younger_cutoff, cutoff_filetime(1, 1, 1980));
}

TEST_F(OptionsTest, AgeAsADateSetsDaysCutoffAndLetters) {
    parse({L"-g", L"12-31-2015A", L"-l2015-12-31"});
    EXPECT_EQ(config_.age_use_access, 'a');
    EXPECT_EQ(config_.age_use_write, 0);
    EXPECT_EQ(config_.older_days, day_count("12-31-2015"));
    EXPECT_EQ(config_.older_cutoff, cutoff_filetime(12, 31, 2015));
    EXPECT_EQ(config_.younger_cutoff, cutoff_filetime(12, 31, 2015));
}

// A long option applies where it stands among the letters: the later of two
// settings of one field wins, and an unknown key stops nothing after it.
TEST_F(OptionsTest, LongOptionsAreHandedOverInPlace) {
    parse({L"--all", L"+A"});
    EXPECT_EQ(config_.options.copy_all, 0);
    parse({L"+A", L"--all"});
    EXPECT_EQ(config_.options.copy_all, 1);
    parse({L"+A", L"--anything=at all", L"-m"});
    EXPECT_EQ(config_.options.copy_all, 0);
    EXPECT_EQ(config_.options.make_dirs, 1);
}

}  // namespace
