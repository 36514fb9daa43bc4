// List files and refused options: the readers on real files (long lines,
// empty and binary files, full lists) and the options that end the run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "options/list_reader.h"
#include "options/lists.h"
#include "options_fixture.h"

namespace fs = std::filesystem;
using testing::ExitedWithCode;

namespace {

class ListFiles : public OptionsTest {
protected:
    void SetUp() override {
        OptionsTest::SetUp();
        setenv("KESTRO_PAUSE", "0", 1);
        char pattern[] = "/tmp/kestro-lists-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes `bytes` to a file of the test folder; returns its Windows path.
    std::wstring write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return windows(dir_ / name);
    }
    std::wstring folder(const std::string& name) {
        fs::create_directories(dir_ / name);
        return windows(dir_ / name);
    }
    static std::wstring windows(const fs::path& p) {
        std::wstring w = L"C:" + p.wstring();
        for (auto& c : w)
            if (c == L'/') c = L'\\';
        return w;
    }
    FILE* open_host(const std::string& name) { return std::fopen((dir_ / name).c_str(), "r"); }

    fs::path dir_;
};

// ---- Piece reading --------------------------------------------------------------

TEST_F(ListFiles, ALongLineIsReadAsSeveralPieces) {
    write("long", std::string(600, 'x') + "\nab\r\nc");
    FILE* f = open_host("long");
    std::string piece;
    ASSERT_TRUE(read_byte_piece(f, 259, piece));
    EXPECT_EQ(piece, std::string(259, 'x'));
    ASSERT_TRUE(read_byte_piece(f, 259, piece));
    ASSERT_TRUE(read_byte_piece(f, 259, piece));
    EXPECT_EQ(piece, std::string(600 - 518, 'x') + "\n");
    ASSERT_TRUE(read_byte_piece(f, 259, piece));
    EXPECT_EQ(piece, "ab\n");  // CRLF reads as a line end
    ASSERT_TRUE(read_byte_piece(f, 259, piece));
    EXPECT_EQ(piece, "c");
    EXPECT_FALSE(read_byte_piece(f, 259, piece));
    std::fclose(f);
}

TEST_F(ListFiles, ANulByteEndsTheTextOfItsPiece) {
    write("bin", std::string("ab\0cd\nef", 8));
    FILE* f = open_host("bin");
    std::string piece;
    ASSERT_TRUE(read_byte_piece(f, 100, piece));
    EXPECT_EQ(piece, "ab");
    ASSERT_TRUE(read_byte_piece(f, 100, piece));
    EXPECT_EQ(piece, "ef");
    std::fclose(f);
}

TEST_F(ListFiles, WidePiecesCountCharactersNotBytes) {
    std::string e_acute = "\xC3\xA9";
    std::string line;
    for (int i = 0; i < 5000; ++i) line += e_acute;  // crosses the reader's chunks
    write("wide", line + "\n\xFFz\n");
    FILE* f = open_host("wide");
    WidePieceReader reader(f);
    std::wstring piece;
    size_t total = 0;
    while (reader.next(259, piece)) {
        ASSERT_LE(piece.size(), 259u);
        ASSERT_EQ(piece.find_first_not_of(L"\u00e9\n"), std::wstring::npos);
        total += piece.size();
        if (piece.back() == L'\n') break;
    }
    EXPECT_EQ(total, 5001u);
    ASSERT_TRUE(reader.next(259, piece));
    EXPECT_EQ(piece, std::wstring(L"\u00ffz\n"));  // a stray byte stands for itself
    EXPECT_FALSE(reader.next(259, piece));
    std::fclose(f);
}

// ---- Types file (-F) --------------------------------------------------------------

TEST_F(ListFiles, TypesFileTakesPatternsUpToTheirLastControlCharacter) {
    std::wstring path = write("types", "*.c\n*.h \nab\n*.cpp\n*.c\n\tx\n*.txt");
    read_types_file(parsing_, path);
    ASSERT_EQ(config_.file_types.size(), 4u);
    EXPECT_EQ(config_.file_types[0], L"*.c");
    EXPECT_EQ(config_.file_types[1], L"*.h ");  // blanks before the line end stay
    EXPECT_EQ(config_.file_types[2], L"*.cpp");
    EXPECT_EQ(config_.file_types[3], L"*.txt");  // a last line without a line end keeps its text
}

TEST_F(ListFiles, TypesFileOf299IsAcceptedAnd300Refused) {
    std::string lines;
    for (int i = 0; i < 299; ++i) lines += "*." + std::to_string(1000 + i) + "\n";
    read_types_file(parsing_, write("ok", lines));
    EXPECT_EQ(config_.file_types.size(), 299u);

    std::wstring path = write("many", lines + "*.last\n");
    EXPECT_EXIT(read_types_file(parsing_, path), ExitedWithCode(3),
                "\nMaximum file types allowed for -F option in .*many is 300");
}

TEST_F(ListFiles, TypesFileMissingEndsTheRun) {
    EXPECT_EXIT(read_types_file(parsing_, L"C:\\no\\such\\types"), ExitedWithCode(3),
                "\nCan't open file extention file C:\\\\no\\\\such\\\\types");
}

TEST_F(ListFiles, EmptyAndBinaryTypesFilesAddNothingHarmful) {
    read_types_file(parsing_, write("empty", ""));
    EXPECT_TRUE(config_.file_types.empty());
    read_types_file(parsing_, write("binary", std::string("\0\0\0\0\0\n\x01\x02\x03\x04", 10)));
    for (const auto& t : config_.file_types) EXPECT_FALSE(t.empty());
}

TEST_F(ListFiles, TypesBeyondTheListEndTheRun) {
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "*.a" + std::to_string(i) + "\n";
    read_types_file(parsing_, write("first", lines));
    lines.clear();
    for (int i = 0; i < 200; ++i) lines += "*.b" + std::to_string(i) + "\n";
    std::wstring second = write("second", lines);
    EXPECT_EXIT(read_types_file(parsing_, second), ExitedWithCode(6), "Too many file types");
}

// ---- Exclusion file --------------------------------------------------------------

TEST_F(ListFiles, ExclusionFileIsUpperCasedAndAnEmptyLineEndsIt) {
    config_.exclude_types.add(L"FIRST");
    read_exclude_file(parsing_, write("ex", "*.obj\r\n~tmp*\n\nafter\n"));
    ASSERT_EQ(config_.exclude_types.size(), 3u);
    EXPECT_EQ(config_.exclude_types[0], L"FIRST");
    EXPECT_EQ(config_.exclude_types[1], L"*.OBJ");
    EXPECT_EQ(config_.exclude_types[2], L"~TMP*");
    read_exclude_file(parsing_, L"C:\\no\\such\\file");  // silently nothing
    EXPECT_EQ(config_.exclude_types.size(), 3u);
}

TEST_F(ListFiles, ExclusionLineLongerThanThePieceBecomesTwoPatterns) {
    read_exclude_file(parsing_, write("long", std::string(300, 'a') + "\n"));
    ASSERT_EQ(config_.exclude_types.size(), 2u);
    EXPECT_EQ(config_.exclude_types[0].size(), 259u);
    EXPECT_EQ(config_.exclude_types[1], std::wstring(41, L'A'));
}

TEST_F(ListFiles, TooManyExclusionsEndTheRun) {
    std::string lines;
    for (int i = 0; i < 600; ++i) lines += "*.x" + std::to_string(i) + "\n";
    std::wstring path = write("ex", lines);
    EXPECT_EXIT(read_exclude_file(parsing_, path), ExitedWithCode(6), "Too many exclusion patterns");
}

// ---- Bypass --------------------------------------------------------------------------

TEST_F(ListFiles, BypassFolderOrListFile) {
    std::wstring one = folder("skip");
    add_bypass(parsing_, one);
    ASSERT_EQ(config_.bypass_count, 1);
    EXPECT_EQ(config_.bypass_list[0], L"\\\\?\\" + one);

    add_bypass(parsing_, L"C:\\not\\there");  // a name that does not exist is one folder
    EXPECT_EQ(config_.bypass_list[1], L"\\\\?\\C:\\not\\there");

    std::wstring a = folder("a"), b = folder("b");
    std::string list = std::string(a.begin(), a.end()) + "\n" + std::string(b.begin(), b.end()) + "\n\nC:\\late\n";
    add_bypass(parsing_, write("bypass.lst", list));
    ASSERT_EQ(config_.bypass_count, 4);
    EXPECT_EQ(config_.bypass_list[2], L"\\\\?\\" + a);
    EXPECT_EQ(config_.bypass_list[3], L"\\\\?\\" + b);
}

// ---- Dirs file -------------------------------------------------------------------------

TEST_F(ListFiles, DirsFileKeepsTrailingBackslashesAndDropsMissingFolders) {
    std::wstring work = folder("work");
    std::string w(work.begin(), work.end());
    write("dirs", w + " | backup of the work tree\nC:\\missing\\folder\n" + w + "\n" + w + "\\");
    FILE* f = open_host("dirs");
    config_.source_paths.add(L"\\\\?\\C:\\given");
    config_.dirs_count = 4;
    read_dirs_file(parsing_, f);
    ASSERT_EQ(config_.dirs_count, 4);  // the given path and the work folder three times
    EXPECT_EQ(config_.source_paths[1], L"\\\\?\\" + work + L"\\");
    EXPECT_EQ(config_.source_paths[3], L"\\\\?\\" + work + L"\\");
    EXPECT_EQ(config_.start_path_len[1], static_cast<int32_t>(config_.source_paths[1].size()));
}

TEST_F(ListFiles, DirsFileWithNothingCountedReadsNothing) {
    std::wstring work = folder("work");
    write("dirs", std::string(work.begin(), work.end()) + "\n");
    config_.source_paths.add(L"\\\\?\\C:\\given");
    config_.dirs_count = 0;
    read_dirs_file(parsing_, open_host("dirs"));
    EXPECT_EQ(config_.dirs_count, 1);
    EXPECT_EQ(config_.source_paths.size(), 1u);
}

TEST_F(ListFiles, BinaryDirsFileIsReadWithoutHarm) {
    write("dirs", std::string("\xff\xfe\x01garbage\0x\n\x80\x80\x80\n", 17));
    config_.dirs_count = 2;
    read_dirs_file(parsing_, open_host("dirs"));
    EXPECT_EQ(config_.dirs_count, 0);
}

// ---- Start paths -------------------------------------------------------------------------

TEST_F(ListFiles, FileAsStartPathBecomesItsFolderAndAFileType) {
    config_.options.shadow_copy = 0;
    folder("data");
    std::wstring report = write("data/REPORT.TXT", "x");
    testing::internal::CaptureStdout();
    add_start_path(parsing_, report);
    std::string out = testing::internal::GetCapturedStdout();
    std::wstring data = windows(dir_ / "data");
    ASSERT_EQ(config_.source_paths.size(), 1u);
    EXPECT_EQ(config_.source_paths[0], L"\\\\?\\" + data);
    EXPECT_EQ(config_.file_types[0], L"REPORT.TXT");
    EXPECT_NE(out.find("\nREPORT.TXT appears to be a file, not a folder.\nwill make the following "
                       "adjustments\nsource directory=\\\\?\\"),
              std::string::npos);
    EXPECT_NE(out.find("\\data\\\nnew file added=REPORT.TXT\n"), std::string::npos);
}

TEST_F(ListFiles, MissingStartPathEndsTheRun) {
    config_.options.shadow_copy = 0;
    EXPECT_EXIT(add_start_path(parsing_, L"C:\\no\\such\\start"), ExitedWithCode(3),
                "\nCan't find a file or folder of the name C:\\\\no\\\\such\\\\start\n"
                "Please check the -p option and rerun program\n");
}

TEST_F(ListFiles, TooManyStartPathsEndTheRun) {
    for (int i = 0; i < 599; ++i) add_start_path(parsing_, L"C:\\s" + std::to_wstring(i));
    EXPECT_EQ(config_.source_paths.size(), 599u);
    EXPECT_EXIT(add_start_path(parsing_, L"C:\\one\\more"), ExitedWithCode(6), "Too many start folders");
}

// ---- Refused options ------------------------------------------------------------------------

TEST_F(OptionsTest, RefusedOptionsEndWithTheirReason) {
    EXPECT_EXIT(parse({L"-a"}), ExitedWithCode(6), "\n-a option needs a modifier \\[erhms\\]\n");
    EXPECT_EXIT(parse({L"-DE"}), ExitedWithCode(6),
                "\n\nYou used a -D option and forgot to include the ':' after the destination drive\n"
                "Please rerun the program with proper ':' after destination drive designation\n\n\a");
    EXPECT_EXIT(parse({L"-D", L"E"}), ExitedWithCode(6), "forgot to include the ':'");
    EXPECT_EXIT(parse({L"-f", L"a\\*.c"}), ExitedWithCode(6), "Can't have a \\\\ in the file type option\n");
    for (auto args : {std::initializer_list<const wchar_t*>{L"-d"}, {L"-d", L"-m"}, {L"-D"}, {L"-F"},
                      {L"-H"}, {L"-S"}, {L"-T"}, {L"-G"}, {L"-G", L"-5"}, {L"-L"}, {L"-w"}, {L"-x"}})
        EXPECT_EXIT(parse(args), ExitedWithCode(6), "") << *args.begin();
}

TEST_F(OptionsTest, SourceListThatCannotBeOpenedEndsWithReason3) {
    EXPECT_EXIT(parse({L"-S", L"C:\\no\\such\\list"}), ExitedWithCode(3), "\n\nCan't find source file to open\n");
}

}  // namespace
