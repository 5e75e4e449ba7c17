#include "core/data/LineReader.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/common/FileIo.h"

namespace kurvex {
namespace {
constexpr std::size_t kChunk = 1 << 20;
}

LineReader::~LineReader() { Close(); }

bool LineReader::Open(const std::filesystem::path& path, std::string* error) {
    Close();
    path_ = path;
    fd_ = OpenRegularFileForReading(path, error, &remaining_);
    if (fd_ < 0) return false;
    buffer_.resize(kChunk);
    begin_ = end_ = 0;
    lfSearch_ = crSearch_ = {};
    eof_ = failed_ = false;
    error_.clear();
    return true;
}

void LineReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LineReader::Fill() {
    if (fd_ < 0 || eof_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    lfSearch_ = crSearch_ = {};                                      // the bytes moved: search again
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer
    const std::size_t want =
        static_cast<std::size_t>(std::min<long long>(remaining_, static_cast<long long>(buffer_.size() - end_)));
    ssize_t got = 0;
    if (want > 0) {
        do got = ::read(fd_, buffer_.data() + end_, want);
        while (got < 0 && errno == EINTR);
    }
    if (got <= 0) {
        eof_ = true;
        if (got < 0) {
            failed_ = true;
            error_ = path_.string() + ": " + std::strerror(errno);
        }
        return false;
    }
    end_ += static_cast<std::size_t>(got);
    remaining_ -= got;
    return true;
}

std::size_t LineReader::Find(ByteSearch& search, char byte, std::size_t from) {
    if (from < search.from || from > search.at) search = {from, from, from};
    if (search.at == search.end && search.end < end_) {
        // Nothing found up to the end of the last search; the block has grown since.
        const void* found = std::memchr(buffer_.data() + search.end, byte, end_ - search.end);
        search.at =
            found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.data()) : end_;
        search.end = end_;
    }
    return search.at < search.end ? search.at : end_;
}

long long LineReader::CountLineEnds(std::string_view block) {
    long long lines = 0;
    // Byte counters over runs of at most 255 bytes: the compiler turns this into vector compares.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(block.data());
    for (std::size_t at = 0; at < block.size();) {
        const std::size_t run = std::min<std::size_t>(block.size() - at, 255);
        unsigned char count = 0;
        for (std::size_t i = 0; i < run; ++i) count += bytes[at + i] == '\n';
        lines += count;
        at += run;
    }
    // A CR ends a line unless an LF follows (then the LF was counted).
    const char* p = block.data();
    const char* end = p + block.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\r', end - p))) != nullptr) {
        ++p;
        if (p == end || *p != '\n') ++lines;
    }
    return lines;
}

// A line ends at LF, CR LF or a lone CR: a file saved with CR line ends read
// as one long line would merge all its records into one.
bool LineReader::NextInBlocks(std::string_view& line) {
    if (fd_ < 0) return false;
    std::size_t searchFrom = begin_;
    for (;;) {
        const std::size_t limit = Find(lfSearch_, '\n', searchFrom);
        const bool lf = limit < end_;
        const std::size_t crAt = Find(crSearch_, '\r', searchFrom);
        const bool cr = crAt < limit;
        if (cr || lf) {
            std::size_t lineEnd = cr ? crAt : limit;
            if (cr && lineEnd + 1 == end_ && !eof_) {
                // Whether an LF follows this CR is in the next block.
                const std::size_t offset = lineEnd - begin_;
                Fill();
                if (failed_) return false;
                lineEnd = begin_ + offset;
            }
            std::size_t next = lineEnd + 1;
            if (cr && next < end_ && buffer_[next] == '\n') ++next;
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
