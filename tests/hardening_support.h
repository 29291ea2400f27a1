// hardening_support.h - helpers shared by the hardening tests: a fresh
// scratch folder per test, whole-file reads and writes, and a small level
// that is good in every respect, to be broken one way at a time.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace hardening {

namespace fs = std::filesystem;

// build/test-scratch/<suite>.<test>, emptied. Death-test children run the
// test again from the start and get the same folder.
inline fs::path scratch() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::path(GLOAM_BINARY_DIR) / "test-scratch" /
                   (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

inline std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void putFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Makes writes past `bytes` fail the way a full disk does: with an error,
// not the SIGXFSZ signal. For death-test children only; it is never undone.
inline void limitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// A walled room with a floor, the start at column 3 of grid row 17, one
// item, the exit; `records` follow the grid.
inline std::string goodLevel(const std::string& records = "#end#\n",
                             const std::string& item = "Coin", const std::string& title = "Test") {
    std::string s = title + "\n" + item + "\nSpikes\nCaves\n";
    for (int row = 1; row <= 19; ++row) {
        if (row == 17)
            s += "# S    2                    E  #\n";
        else if (row == 19 || row == 1)
            s += "################################\n";
        else
            s += "#                              #\n";
    }
    return s + records;
}

// One baddie record: a guard walking on the start row.
inline std::string guardRecord(const std::string& keyword = "Guard1") {
    return keyword + "\n5\n20\n1\n0\n5\n28\n20\n20\n1\n0\n5\n";
}

} // namespace hardening
