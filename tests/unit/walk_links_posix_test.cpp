// Folder links in the walked tree: a link back into the tree is not followed
// round for ever, other links are walked like folders, file links are files.
#include <algorithm>

#include "walk_fixture.h"

namespace {

class WalkLinksTest : public WalkTest {
protected:
    std::vector<std::pair<std::wstring, std::wstring>> sorted_handed() const {
        std::vector<std::pair<std::wstring, std::wstring>> list;
        for (const auto& f : handed_files()) list.emplace_back(f.dir, f.name);
        std::sort(list.begin(), list.end());
        return list;
    }
};

TEST_F(WalkLinksTest, LinkBackIntoItsOwnTreeIsSkipped) {
    make_file("r.txt");
    make_file("A/a.txt");
    make_file("B/b.txt");
    std::filesystem::create_directory_symlink(root_, root_ / "A" / "up");            // to the start folder
    std::filesystem::create_directory_symlink(root_ / "A", root_ / "A" / "self");    // to its own folder
    std::filesystem::create_directory_symlink(root_ / "A", root_ / "B" / "toA");     // elsewhere: walked
    std::filesystem::create_symlink(root_ / "r.txt", root_ / "A" / "file-link");     // a file

    walk(start_);

    std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {folder(L""), L"r.txt"},          {folder(L"A"), L"a.txt"},         {folder(L"A"), L"file-link"},
        {folder(L"B"), L"b.txt"},         {folder(L"B/toA"), L"a.txt"},     {folder(L"B/toA"), L"file-link"},
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted_handed(), expected);
}

TEST_F(WalkLinksTest, LinksBetweenTwoSubtreesStop) {
    make_file("X/x.txt");
    make_file("Y/y.txt");
    std::filesystem::create_directory_symlink(root_ / "Y", root_ / "X" / "toY");
    std::filesystem::create_directory_symlink(root_ / "X", root_ / "Y" / "toX");

    run_.counting_pass = 1;
    config_.options.dest_given = 1;
    walk(start_);
    // X, X/toY (Y), Y, Y/toX (X); the links back from there are skipped.
    EXPECT_EQ(run_.counters.files_to_process, 4);
}

}  // namespace
