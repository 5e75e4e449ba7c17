#include "data/LineReader.h"

#include <cerrno>
#include <cstring>

namespace kurvex {
namespace {
constexpr std::size_t kChunk = 1 << 20;
}

LineReader::~LineReader() { Close(); }

bool LineReader::Open(const std::filesystem::path& path, std::string* error) {
    Close();
    path_ = path;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        if (error) *error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    // A folder opens on Linux but cannot be read; report it here, as a
    // folder is no data file.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        if (error) *error = path.string() + ": " + std::strerror(EISDIR);
        Close();
        return false;
    }
    buffer_.resize(kChunk);
    begin_ = end_ = 0;
    eof_ = failed_ = false;
    error_.clear();
    return true;
}

void LineReader::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

bool LineReader::Fill() {
    if (file_ == nullptr || eof_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer
    const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    end_ += got;
    if (got == 0) {
        eof_ = true;
        if (std::ferror(file_)) {
            failed_ = true;
            error_ = path_.string() + ": " + std::strerror(errno);
        }
        return false;
    }
    return true;
}

bool LineReader::Next(std::string_view& line) {
    if (file_ == nullptr) return false;
    std::size_t searchFrom = begin_;
    for (;;) {
        const void* found = std::memchr(buffer_.data() + searchFrom, '\n', end_ - searchFrom);
        if (found != nullptr) {
            const std::size_t newline = static_cast<const char*>(found) - buffer_.data();
            std::size_t lineEnd = newline;
            if (lineEnd > begin_ && buffer_[lineEnd - 1] == '\r') --lineEnd;
            line = std::string_view(buffer_.data() + begin_, lineEnd - begin_);
            begin_ = newline + 1;
            return true;
        }
        const std::size_t scanned = end_ - begin_;
        if (!Fill()) {
            if (failed_ || begin_ == end_) return false;
            // The last line has no line break.
            std::size_t lineEnd = end_;
            if (buffer_[lineEnd - 1] == '\r') --lineEnd;
            line = std::string_view(buffer_.data() + begin_, lineEnd - begin_);
            begin_ = end_;
            return true;
        }
        searchFrom = begin_ + scanned;
    }
}

}  // namespace kurvex
