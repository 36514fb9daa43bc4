// The hash log's bytes for each hash mode, with and without SHA-1, with
// agreeing, differing and failed texts; and the verdict rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "copy/hash_records.h"
#include "known_digests.h"
#include "stream_contents.h"

namespace {

const std::wstring SOURCE = L"\\\\?\\C:\\src\\a.txt";
const std::wstring DESTINATION = L"\\\\?\\E:\\dst\\a.txt";

std::string hash_log_line(int32_t mode, bool sha1, const FileHashTexts& texts) {
    FILE* log = std::tmpfile();
    write_hash_log_line(log, mode, sha1, SOURCE, DESTINATION, texts);
    std::string bytes = stream_contents(log);
    std::fclose(log);
    return bytes;
}

}  // namespace

TEST(HashLog, LineOfEachModeWithAndWithoutSha1) {
    struct Case {
        const char* what;
        int32_t mode;
        bool sha1;
        FileHashTexts texts;
        std::string line;
    };
    const Case cases[] = {
        {"-h, agreeing",
         8,
         false,
         {MD5_OF_A, MD5_OF_A, "", ""},
         std::string("\n\nC:\\src\\a.txt  | ") + MD5_OF_A + " |E:\\dst\\a.txt  | " + MD5_OF_A + " |[OK]"},
        {"-h --SHA, differing",
         8,
         true,
         {MD5_OF_A, MD5_OF_ABC, SHA1_OF_A, SHA1_OF_ABC},
         std::string("\n\nC:\\src\\a.txt  | ") + MD5_OF_A + "  | " + SHA1_OF_A + " |E:\\dst\\a.txt  | " + MD5_OF_ABC +
             "  | " + SHA1_OF_ABC + " |[HASH ERROR]"},
        {"-h, copy unreadable: no verdict",
         8,
         true,
         {MD5_OF_A, MD5_LOCKED, SHA1_OF_A, SHA_LOCKED},
         std::string("\n\nC:\\src\\a.txt  | ") + MD5_OF_A + "  | " + SHA1_OF_A + " |E:\\dst\\a.txt  | " + MD5_LOCKED +
             "  | " + SHA_LOCKED + " "},
        {"-hs --SHA: source part only",
         2,
         true,
         {MD5_OF_A, "", SHA1_OF_A, ""},
         std::string("\n\nC:\\src\\a.txt  | ") + MD5_OF_A + "  | " + SHA1_OF_A + " "},
        {"-hd: destination part on a line of its own",
         4,
         false,
         {"", MD5_OF_ABC, "", ""},
         std::string("\nE:\\dst\\a.txt  | ") + MD5_OF_ABC + " "},
        {"no hashing bit: nothing", 0, true, {"", "", "", ""}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(hash_log_line(c.mode, c.sha1, c.texts), c.line) << c.what;
    write_hash_log_line(nullptr, 8, true, SOURCE, DESTINATION, cases[0].texts);  // no hash log: skipped
}

TEST(HashLog, SourceListLinesKeepLongPathsAndHaveNoVerdict) {
    FILE* log = std::tmpfile();
    write_listed_hash_log_lines(log, 8, SOURCE, DESTINATION, {MD5_OF_A, MD5_OF_ABC, "", ""});
    write_listed_hash_log_lines(log, 4, SOURCE, DESTINATION, {"", MD5_OF_A, "", ""});
    EXPECT_EQ(stream_contents(log), std::string("\n\n\\\\?\\C:\\src\\a.txt  ") + MD5_OF_A +
                                        " \n\\\\?\\E:\\dst\\a.txt  " + MD5_OF_ABC + " \n\\\\?\\E:\\dst\\a.txt  " +
                                        MD5_OF_A + " ");
    std::fclose(log);
}

TEST(HashVerdict, OkOnlyForEqualDigests) {
    EXPECT_STREQ(hash_verdict({MD5_OF_A, MD5_OF_A, "", ""}), "OK");
    EXPECT_STREQ(hash_verdict({MD5_OF_A, MD5_OF_ABC, "", ""}), "HASH ERROR");
    EXPECT_STREQ(hash_verdict({MD5_LOCKED, MD5_LOCKED, "", ""}), "HASH ERROR");
    // A routine that had no buffer gives no text at all.
    EXPECT_STREQ(hash_verdict({"", "", "", ""}), "HASH ERROR");
}
