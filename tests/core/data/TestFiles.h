#pragma once
// A temporary folder per test and small helpers to write and read files in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace kurvex::testing {

class TempFolder {
public:
    TempFolder() {
        std::random_device device;
        path_ = std::filesystem::temp_directory_path() /
                ("kurvex-data-test-" + std::to_string(device()) + "-" + std::to_string(device()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path File(const std::string& name) const { return path_ / name; }

    std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
        const auto path = File(name);
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        return path;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

// "1,2\n2,4\n..." with `lines` lines of `columns` fields; field c of line r is r*10+c.
inline std::string NumberedLines(long long lines, int columns) {
    std::string text;
    for (long long r = 1; r <= lines; ++r) {
        for (int c = 1; c <= columns; ++c) {
            if (c > 1) text += ',';
            text += std::to_string(r * 10 + c);
        }
        text += '\n';
    }
    return text;
}

}  // namespace kurvex::testing
