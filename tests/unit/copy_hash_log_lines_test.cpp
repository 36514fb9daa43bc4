// The hash log read back: every line the hashing step writes is taken apart
// into the file it records, and anything else (garbage, a line cut short) is
// no record; the last record of a path counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "copy/hash_log_lines.h"
#include "copy/hash_records.h"
#include "known_digests.h"
#include "stream_contents.h"

namespace {

const std::wstring SOURCE_WITH_BLANK = L"\\\\?\\C:\\src\\a b.txt";
const std::wstring DESTINATION_WITH_BLANK = L"\\\\?\\E:\\dst\\a b.txt";

HashLogReader read_lines(const std::string& log) {
    HashLogReader reader;
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
        reader.take_line(std::string_view(log).substr(start, end - start));
    if (start < log.size()) reader.take_line(std::string_view(log).substr(start));
    return reader;
}

// What the hashing step appends for one file, as a run writes it.
std::string written(int32_t mode, bool sha1, const FileHashTexts& texts, bool listed = false) {
    FILE* log = std::tmpfile();
    if (listed)
        write_listed_hash_log_lines(log, mode, SOURCE_WITH_BLANK, DESTINATION_WITH_BLANK, texts);
    else
        write_hash_log_line(log, mode, sha1, SOURCE_WITH_BLANK, DESTINATION_WITH_BLANK, texts);
    std::string bytes = stream_contents(log);
    std::fclose(log);
    return bytes;
}

}  // namespace

TEST(HashLogLines, EveryLineTheHashingStepWritesNamesTheFileItChecks) {
    struct Case {
        const char* what;
        int32_t mode;
        bool sha1, listed;
        FileHashTexts texts;
        std::wstring checked;  // empty: not recorded
        std::string md5, sha1_text;
    };
    const std::wstring source_shown = L"C:\\src\\a b.txt", destination_shown = L"E:\\dst\\a b.txt";
    const Case cases[] = {
        {"-h", 8, false, false, {MD5_OF_A, MD5_OF_A, "", ""}, destination_shown, MD5_OF_A, ""},
        {"-h, differing: the copy's",
         8,
         false,
         false,
         {MD5_OF_A, MD5_OF_ABC, "", ""},
         destination_shown,
         MD5_OF_ABC,
         ""},
        {"-h --SHA",
         8,
         true,
         false,
         {MD5_OF_A, MD5_OF_ABC, SHA1_OF_A, SHA1_OF_ABC},
         destination_shown,
         MD5_OF_ABC,
         SHA1_OF_ABC},
        {"-hs", 2, false, false, {MD5_OF_A, "", "", ""}, source_shown, MD5_OF_A, ""},
        {"-hs --SHA", 2, true, false, {MD5_OF_A, "", SHA1_OF_A, ""}, source_shown, MD5_OF_A, SHA1_OF_A},
        {"-hd", 4, false, false, {"", MD5_OF_ABC, "", ""}, destination_shown, MD5_OF_ABC, ""},
        {"-hd --SHA", 4, true, false, {"", MD5_OF_ABC, "", SHA1_OF_ABC}, destination_shown, MD5_OF_ABC, SHA1_OF_ABC},
        {"-h, copy unreadable", 8, true, false, {MD5_OF_A, MD5_LOCKED, SHA1_OF_A, SHA_LOCKED}, L"", "", ""},
        {"-h, source unreadable", 8, false, false, {MD5_LOCKED, MD5_OF_ABC, "", ""}, destination_shown, MD5_OF_ABC, ""},
        {"-h --SHA, only the SHA-1 unread",
         8,
         true,
         false,
         {MD5_OF_A, MD5_OF_A, SHA1_OF_A, SHA_LOCKED},
         destination_shown,
         MD5_OF_A,
         ""},
        {"-hs, no input buffer", 2, false, false, {"", "", "", ""}, L"", "", ""},
        {"source list -h", 8, false, true, {MD5_OF_A, MD5_OF_ABC, "", ""}, DESTINATION_WITH_BLANK, MD5_OF_ABC, ""},
        {"source list -hs", 2, false, true, {MD5_OF_A, "", "", ""}, SOURCE_WITH_BLANK, MD5_OF_A, ""},
        {"source list -hd", 4, false, true, {"", MD5_OF_ABC, "", ""}, DESTINATION_WITH_BLANK, MD5_OF_ABC, ""},
        {"source list, copy unreadable", 8, false, true, {MD5_OF_A, MD5_LOCKED, "", ""}, L"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Written twice over an earlier run's record of another file.
        std::string other = written(2, false, {MD5_OF_ABC, "", "", ""});
        for (char& ch : other) ch = ch == 'a' ? 'z' : ch;
        HashLogReader reader = read_lines(other + written(c.mode, c.sha1, c.texts, c.listed));
        std::vector<RecordedFile> files = reader.files();
        EXPECT_TRUE(reader.not_records().empty());
        ASSERT_EQ(files.size(), c.checked.empty() ? 1u : 2u);
        EXPECT_EQ(files[0].path, L"C:\\src\\z b.txt");
        EXPECT_EQ(reader.not_recorded(), c.checked.empty() ? 1u : 0u);
        if (c.checked.empty()) continue;
        EXPECT_EQ(files[1].path, c.checked);
        EXPECT_EQ(files[1].md5, c.md5);
        EXPECT_EQ(files[1].sha1, c.sha1_text);
    }
}

TEST(HashLogLines, WhatIsNoRecord) {
    const std::string whole = std::string("C:\\d\\a.txt  | ") + MD5_OF_A + "  | " + SHA1_OF_A + " |E:\\d\\a.txt  | " +
                              MD5_OF_A + "  | " + SHA1_OF_A + " |[OK]";
    const struct {
        const char* what;
        std::string line;
        HashLogLine::Kind kind;
    } cases[] = {
        {"whole", whole, HashLogLine::Kind::record},
        {"with CR", whole + "\r", HashLogLine::Kind::record},
        {"blanks only", "   \r", HashLogLine::Kind::blank},
        {"garbage", "this is not a hash log", HashLogLine::Kind::not_a_record},
        {"garbage with bars", "a | b | c", HashLogLine::Kind::not_a_record},
        {"cut in the first MD5", whole.substr(0, 30), HashLogLine::Kind::not_a_record},
        {"cut after the first bar of the copy", whole.substr(0, whole.find("|E:") + 1),
         HashLogLine::Kind::not_a_record},
        {"cut in the copy's path", whole.substr(0, whole.find("|E:") + 4), HashLogLine::Kind::not_a_record},
        {"cut in the copy's SHA-1", whole.substr(0, whole.size() - 20), HashLogLine::Kind::not_a_record},
        {"cut in the verdict", whole.substr(0, whole.size() - 2), HashLogLine::Kind::not_a_record},
        {"cut before the verdict", whole.substr(0, whole.size() - 5), HashLogLine::Kind::record},
        {"three sides", whole.substr(0, whole.size() - 5) + "|E:\\x  | " + MD5_OF_A + " ",
         HashLogLine::Kind::not_a_record},
        {"a verdict alone", "|[OK]", HashLogLine::Kind::not_a_record},
        {"MD5 one digit short", std::string("C:\\a  | ") + (MD5_OF_A + 1) + " ", HashLogLine::Kind::not_a_record},
        {"MD5 not hexadecimal", "C:\\a  | 0CC175B9C0F1B6A831C399E26977266X ", HashLogLine::Kind::not_a_record},
        {"a relative path", std::string("a.txt  | ") + MD5_OF_A + " ", HashLogLine::Kind::not_a_record},
        {"one blank after the path", std::string("C:\\a.txt | ") + MD5_OF_A + " ", HashLogLine::Kind::not_a_record},
        {"source list line", std::string("\\\\?\\C:\\a.txt  ") + MD5_OF_A + " ", HashLogLine::Kind::listed},
        {"source list line cut", std::string("\\\\?\\C:\\a.txt  ") + "0CC175B9", HashLogLine::Kind::not_a_record},
        {"a path and a digest but one blank", std::string("C:\\a.txt ") + MD5_OF_A, HashLogLine::Kind::not_a_record},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parse_hash_log_line(c.line).kind, c.kind);
    }
}

TEST(HashLogLines, TheLastRecordOfAPathCountsAtItsPlace) {
    auto line = [](const char* path, const char* md5) { return std::string("\n\n") + path + "  | " + md5 + " "; };
    HashLogReader reader = read_lines(line("C:\\a", MD5_OF_A) + line("C:\\b", MD5_OF_A) + "\nnonsense" +
                                      line("C:\\a", MD5_OF_ABC) + line("C:\\c", MD5_OF_A) + line("C:\\c", MD5_LOCKED));
    std::vector<RecordedFile> files = reader.files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, L"C:\\b");
    EXPECT_EQ(files[1].path, L"C:\\a");
    EXPECT_EQ(files[1].md5, MD5_OF_ABC);
    EXPECT_EQ(files[1].line, 8u);
    EXPECT_EQ(reader.not_recorded(), 1u);  // C:\c: its last record failed
    ASSERT_EQ(reader.not_records().size(), 1u);
    EXPECT_EQ(reader.not_records()[0].line, 6u);
    EXPECT_EQ(reader.not_records()[0].text, "nonsense");
}

TEST(HashLogLines, SourceListDestinationsWithoutTheirSourcesStandAlone) {
    // -hd in source-list mode: one line per copy, no empty line between.
    std::string log = std::string("\n\\\\?\\E:\\a  ") + MD5_OF_A + " \n\\\\?\\E:\\b  " + MD5_OF_ABC + " ";
    std::vector<RecordedFile> files = read_lines(log).files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, L"\\\\?\\E:\\a");
    EXPECT_EQ(files[1].path, L"\\\\?\\E:\\b");
    EXPECT_EQ(files[1].md5, MD5_OF_ABC);
}
