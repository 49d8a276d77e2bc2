#pragma once
// Helpers the codec tests share: files in a per-test temporary folder, and ImageMagick as a
// peer run through the shell.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace velvo::testing {

inline bool haveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

// Everything the command writes on its standard output.
inline std::vector<uint8_t> runCapture(const std::string& command) {
    std::vector<uint8_t> out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.insert(out.end(), buf, buf + n);
    pclose(p);
    return out;
}

inline void writeBytes(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A folder of the running test's own, removed with it.
struct TempDir {
    std::filesystem::path path;
    explicit TempDir(const std::string& prefix) {
        path = std::filesystem::temp_directory_path() /
               (prefix + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& f) const { return (path / f).string(); }
};

} // namespace velvo::testing
