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

// A line ends at LF, CR LF or a lone CR: a file saved with CR line ends read
// as one long line would merge all its records into one.
bool LineReader::Next(std::string_view& line) {
    if (file_ == nullptr) return false;
    std::size_t searchFrom = begin_;
    for (;;) {
        const char* base = buffer_.data();
        const void* lf = std::memchr(base + searchFrom, '\n', end_ - searchFrom);
        const std::size_t limit = lf != nullptr ? static_cast<const char*>(lf) - base : end_;
        const void* cr = std::memchr(base + searchFrom, '\r', limit - searchFrom);
        if (cr != nullptr || lf != nullptr) {
            std::size_t lineEnd = cr != nullptr ? static_cast<const char*>(cr) - base : limit;
            if (cr != nullptr && lineEnd + 1 == end_ && !eof_) {
                // Whether an LF follows this CR is in the next block.
                const std::size_t offset = lineEnd - begin_;
                Fill();
                if (failed_) return false;
                lineEnd = begin_ + offset;
            }
            std::size_t next = lineEnd + 1;
            if (cr != nullptr && next < end_ && buffer_[next] == '\n') ++next;
            line = std::string_view(buffer_.data() + begin_, lineEnd - begin_);
            begin_ = next;
            return true;
        }
        const std::size_t scanned = end_ - begin_;
        if (!Fill()) {
            if (failed_ || begin_ == end_) return false;
            // The last line has no line break.
            line = std::string_view(buffer_.data() + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        searchFrom = begin_ + scanned;
    }
}

}  // namespace kurvex
