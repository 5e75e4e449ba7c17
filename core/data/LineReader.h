#pragma once
// Reads a text file line by line through a large buffer: lines of any length,
// ended by LF, CR LF or a lone CR (a last line without a break still counts;
// an empty file has no line). The line views stay valid until the next call.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kurvex {

class LineReader {
public:
    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False, with the system's reason in `error`, when the file cannot be opened.
    bool Open(const std::filesystem::path& path, std::string* error = nullptr);
    // The next line without its line break; false at the end of the file or
    // after a read error (Failed() tells which).
    bool Next(std::string_view& line);
    bool Failed() const { return failed_; }
    const std::string& ErrorText() const { return error_; }
    void Close();

private:
    bool Fill();  // moves the unread rest to the front and reads more; false when nothing more came

    std::FILE* file_ = nullptr;
    std::string buffer_;
    std::size_t begin_ = 0;  // first unread byte
    std::size_t end_ = 0;    // one past the last valid byte
    bool eof_ = false;
    bool failed_ = false;
    std::string error_;
    std::filesystem::path path_;
};

}  // namespace kurvex
