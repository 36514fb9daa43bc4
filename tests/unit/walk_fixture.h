// A real folder tree in the temporary folder, a fresh run, and a recorder in
// place of the copy engine.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/paths.h"
#include "platform/platform.h"
#include "run_fixture.h"
#include "walk/walk.h"

struct HandedFile {
    std::wstring dir;
    std::wstring name;
    platform::FindRecord record;
};

// A sink that keeps what it is handed.
class FileRecorder : public FileSink {
public:
    bool takes_incomplete_records() const override { return false; }
    void take_file(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record,
                   const FileOrigin&) override {
        files.push_back({dir, name, record});
    }
    std::vector<HandedFile> files;
};

class WalkTest : public testing::Test, protected TestRun {
protected:
    void SetUp() override {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() /
                ("kestro-walk-" + std::to_string(seed()) + "-" + std::to_string(seed()));
        std::filesystem::create_directories(root_);
        std::wstring full;
        ASSERT_TRUE(platform::full_path(root_.wstring().c_str(), full));
        start_ = paths::long_form(full) + L"\\";

        config_.file_types.add(L"*.*");
        run_.counting_pass = 0;
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    void make_file(const std::string& relative, size_t size = 0) {
        std::filesystem::path p = root_ / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << std::string(size, 'x');
    }

    void make_folder(const std::string& relative) { std::filesystem::create_directories(root_ / relative); }

    // The walk's form of a folder below the root: "\\?\C:\...\A\B\".
    std::wstring folder(const std::wstring& relative) const {
        std::wstring path = start_ + relative;
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        if (!relative.empty()) path += L'\\';
        return path;
    }

    std::filesystem::path root_;
    std::wstring start_;
    // Walks the tree from `start` for the pass the run is in, into the recorder.
    void walk(const std::wstring& start) { Walk(config_, run_, recorder_).walk_directory(start); }
    std::vector<HandedFile>& handed_files() { return recorder_.files; }
    const std::vector<HandedFile>& handed_files() const { return recorder_.files; }

    FileRecorder recorder_;
};
