// A fresh run configuration for each option test, and a way to hand the
// parser a command line.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "options/options.h"
#include "run/config.h"

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(create_run_configuration());
        opt->shadow_copy = 1;  // start paths are taken as folders without a lookup
        screen = stdout;
        error_log = stderr;
        source_paths.clear();
        file_types.clear();
        exclude_types.clear();
        bypass_list.clear();
        bypass_count = 0;
        dest_path.clear();
        log_base_name.clear();
        older_days = 0;
        younger_days = 80000;
        older_cutoff = younger_cutoff = 0;
        size_greater = size_less = 0;
        name_width_set = 1;
        dirs_count = 0;
        source_list_count = 0;
        ini_used = 0;
        default_log = list_log = copied_log = not_copied_log = renamed_log = hash_log = nullptr;
        source_list_file = nullptr;
    }

    // Runs the parser on the arguments (the program path is added in front).
    void parse(std::initializer_list<const wchar_t*> arguments) {
        storage_.assign({L"C:\\bin\\kestro.exe"});
        for (const wchar_t* a : arguments) storage_.emplace_back(a);
        vector_.clear();
        for (auto& a : storage_) vector_.push_back(a.data());
        vector_.push_back(nullptr);
        parse_options(static_cast<int>(storage_.size()), vector_.data());
    }

private:
    std::vector<std::wstring> storage_;
    std::vector<wchar_t*> vector_;
};
