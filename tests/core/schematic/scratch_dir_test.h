// A test fixture that works in a fresh directory which is also the
// temporary directory, so registers and "tmp_ed" never meet another test's
// files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace tanvex::test {

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("tanvex_" + std::string(info->test_suite_name()) + "_" +
                std::to_string(::getpid()) + "_" + info->name());
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        ::setenv("TMTANVEX", dir_.c_str(), 1);
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_, old_;
};

} // namespace tanvex::test
