// A fresh run configuration for each option test, and a way to hand the
// parser a command line.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "options/options.h"
#include "run_fixture.h"

class OptionsTest : public ::testing::Test, protected TestRun {
protected:
    void SetUp() override {
        config_.options.shadow_copy = 1;  // start paths are taken as folders without a lookup
        run_.screen = stdout;
        run_.logs.error_log = stderr;
    }

    // Runs the parser on the arguments (the program path is added in front).
    void parse(std::initializer_list<const wchar_t*> arguments) {
        storage_.assign({L"C:\\bin\\kestro.exe"});
        for (const wchar_t* a : arguments) storage_.emplace_back(a);
        vector_.clear();
        for (auto& a : storage_) vector_.push_back(a.data());
        vector_.push_back(nullptr);
        parse_options(parsing_, static_cast<int>(storage_.size()), vector_.data());
    }

private:
    std::vector<std::wstring> storage_;
    std::vector<wchar_t*> vector_;
};
