#pragma once
// Reads a text file line by line through a large buffer: lines of any length,
// ended by LF, CR LF or a lone CR (a last line without a break still counts;
// an empty file has no line). The line views stay valid until the next call.
#include <cstring>
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

    // False, with the reason in `error`, when the file cannot be opened or is
    // no regular file (a device, pipe or socket has no end or may block for
    // ever). The file is read up to the length it had when it was opened.
    bool Open(const std::filesystem::path& path, std::string* error = nullptr);
    // The next line without its line break; false at the end of the file or
    // after a read error (Failed() tells which).
    bool Next(std::string_view& line) {
        // Most lines end at an LF within the block, and the last search for CR
        // already tells there is none before it: no call then.
        if (fd_ >= 0 && begin_ >= crSearch_.from && begin_ <= crSearch_.at && begin_ < end_) {
            const void* lf = std::memchr(buffer_.data() + begin_, '\n', end_ - begin_);
            if (lf != nullptr) {
                const std::size_t lineEnd = static_cast<std::size_t>(static_cast<const char*>(lf) - buffer_.data());
                if (lineEnd <= crSearch_.at) {
                    line = std::string_view(buffer_.data() + begin_, lineEnd - begin_);
                    begin_ = lineEnd + 1;
                    return true;
                }
            }
        }
        return NextInBlocks(line);
    }
    // Passes over the rest of the file and returns the number of lines Next
    // would still have given (the same line ends), without cutting them one
    // by one. `visit` sees every remaining byte once, in order, in pieces
    // of whole lines (a piece ends at a line break or the end of the file).
    // Failed() tells of a read error.
    template <typename Visit>
    long long SkipRest(Visit&& visit);
    bool Failed() const { return failed_; }
    const std::string& ErrorText() const { return error_; }
    void Close();

private:
    bool NextInBlocks(std::string_view& line);  // Next, any case
    bool Fill();  // moves the unread rest to the front and reads more; false when nothing more came
    // Where the last search for one byte got to: none in [from, at); `at`
    // holds the byte, or at == end (end_ at that search) when none was found.
    struct ByteSearch {
        std::size_t from = 0, at = 0, end = 0;
    };
    // The first `byte` at or after `from`, or end_. Remembers the last search,
    // so a file without CR (or without LF) is searched once per block, not
    // once per line to the end of the block.
    std::size_t Find(ByteSearch& search, char byte, std::size_t from);
    // The line ends in a block (LF, CR LF, or a lone CR; a CR at its end counts).
    static long long CountLineEnds(std::string_view block);

    int fd_ = -1;
    long long remaining_ = 0;  // bytes still to read of the length at the open
    std::string buffer_;
    std::size_t begin_ = 0;  // first unread byte
    std::size_t end_ = 0;    // one past the last valid byte
    bool eof_ = false;
    ByteSearch lfSearch_, crSearch_;
    bool failed_ = false;
    std::string error_;
    std::filesystem::path path_;
};

template <typename Visit>
long long LineReader::SkipRest(Visit&& visit) {
    if (fd_ < 0) return 0;
    long long lines = 0;
    bool openLine = false;  // the bytes passed so far end inside a line
    for (;;) {
        // Up to the last line break: a piece never splits a character. Whether
        // an LF follows a CR at the end of the block is in the next block.
        std::size_t stop = end_;
        if (!eof_) {
            while (stop > begin_ && buffer_[stop - 1] != '\n' && (buffer_[stop - 1] != '\r' || stop == end_)) --stop;
        }
        if (stop > begin_) {
            const std::string_view block(buffer_.data() + begin_, stop - begin_);
            lines += CountLineEnds(block);
            const char last = block.back();
            openLine = last != '\n' && last != '\r';
            visit(block);
            begin_ = stop;
        }
        if (eof_) break;
        if (!Fill() && failed_) return lines;
    }
    if (openLine) ++lines;  // the last line has no line break
    return lines;
}

}  // namespace kurvex
