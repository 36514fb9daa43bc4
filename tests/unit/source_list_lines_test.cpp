// Lines of a source list: where the path ends, which file it names, and the
// destination folder below the drive's root.
#include "copy/source_list_lines.h"

#include <gtest/gtest.h>

namespace {

std::string taken(std::string line, bool* goes_on = nullptr) {
    bool result = take_listed_text(line);
    if (goes_on) *goes_on = result;
    return line;
}

TEST(SourceListLines, TextEndsAtTheBarAndLosesTrailingBlanksAndLineEnds) {
    EXPECT_EQ(taken("D:\\DATA\\A.TXT | saved 2012\n"), "D:\\DATA\\A.TXT");
    EXPECT_EQ(taken("D:\\DATA\\A.TXT  \r\n"), "D:\\DATA\\A.TXT");
    EXPECT_EQ(taken("D:\\MY DOCS\\A B.TXT\n"), "D:\\MY DOCS\\A B.TXT");  // inner blanks stay
    EXPECT_EQ(taken("D:\\A.TXT|x|y"), "D:\\A.TXT");
}

TEST(SourceListLines, FewerThanTwoCharactersEndTheList) {
    bool goes_on = true;
    for (const char* line : {"\n", "\r\n", "   \n", "x\n", "|D:\\A.TXT\n"}) {
        taken(line, &goes_on);
        EXPECT_FALSE(goes_on) << line;
    }
    taken("ab\n", &goes_on);
    EXPECT_TRUE(goes_on);
}

TEST(SourceListLines, DrivePathsGetTheLongPrefixOnce) {
    EXPECT_EQ(listed_source_path(L"D:\\DATA\\A.TXT"), L"\\\\?\\D:\\DATA\\A.TXT");
    EXPECT_EQ(listed_source_path(L"\\\\?\\D:\\DATA\\A.TXT"), L"\\\\?\\D:\\DATA\\A.TXT");
}

TEST(SourceListLines, DotComponentsAreResolvedNeverAboveTheDriveRoot) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"D:\\DATA\\.\\SUB\\..\\A.TXT", L"\\\\?\\D:\\DATA\\A.TXT"},
        {L"C:\\tmp\\sl\\src\\..\\..\\..\\..\\..\\tmp\\sl\\src\\b\\f.txt", L"\\\\?\\C:\\tmp\\sl\\src\\b\\f.txt"},
        {L"\\\\?\\D:\\A\\..\\..\\B.TXT", L"\\\\?\\D:\\B.TXT"},
        {L"D:\\A\\..", L"\\\\?\\D:\\"},
        {L"D:\\..A\\B...\\.C", L"\\\\?\\D:\\..A\\B...\\.C"},  // names that only begin or end with dots
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(listed_source_path(line), expected) << line;
    // The destination folder then lies below the destination root.
    EXPECT_EQ(listed_destination_folder(L"\\\\?\\C:\\out", listed_source_path(cases[1].first)),
              L"\\\\?\\C:\\out\\tmp\\sl\\src\\b\\");
}

TEST(SourceListLines, LinesWithoutADriveFileNameNothing) {
    for (const wchar_t* line : {L"\\\\server\\share\\A.TXT", L"\\\\?\\UNC\\server\\share\\A.TXT", L"DATA\\A.TXT",
                                L"D:A.TXT", L"D:\\", L"ab?cd", L"D:\\DATA\\*.TXT", L"\\\\?\\D:\\DATA\\A?.TXT"})
        EXPECT_EQ(listed_source_path(line), L"") << line;
}

TEST(SourceListLines, DestinationFolderIsTheFoldersBelowTheDriveRoot) {
    const std::wstring source = L"\\\\?\\D:\\DATA\\SUB\\A.TXT";
    EXPECT_EQ(listed_destination_folder(L"\\\\?\\E:\\BACKUP", source), L"\\\\?\\E:\\BACKUP\\DATA\\SUB\\");
    EXPECT_EQ(listed_destination_folder(L"\\\\?\\E:\\BACKUP\\", source), L"\\\\?\\E:\\BACKUP\\DATA\\SUB\\");
    EXPECT_EQ(listed_destination_folder(L"E:\\BACKUP", source), L"\\\\?\\E:\\BACKUP\\DATA\\SUB\\");
    EXPECT_EQ(listed_destination_folder(L"\\\\?\\E:\\", source), L"\\\\?\\E:\\DATA\\SUB\\");
    EXPECT_EQ(listed_destination_folder(L"\\\\?\\E:\\BACKUP", L"\\\\?\\D:\\A.TXT"), L"\\\\?\\E:\\BACKUP\\");
}

}  // namespace
