#pragma once
// Shared by the fuzz targets: a quiet message sink that answers every question
// with Yes or No as told, a private scratch folder for inputs that must be
// files, and a check that stops the run (libFuzzer reports it as a crash).
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"
#include "core/common/TextDecode.h"

#define KURVEX_FUZZ_CHECK(condition)                                                           \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace kurvex::fuzz {

// Counts the messages, keeps the last one and checks that every text shown
// to the user is valid UTF-8 when the input came from a decoded file.
class QuietSink : public MessageSink {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons buttons) override {
        ++count;
        last = text;
        if (requireUtf8) KURVEX_FUZZ_CHECK(IsValidUtf8(text));
        if (buttons == MessageButtons::YesNo) return answerYes ? MessageAnswer::Yes : MessageAnswer::No;
        return MessageAnswer::Ok;
    }
    void Reset(bool utf8Only) {
        count = 0;
        last.clear();
        answerYes = true;
        requireUtf8 = utf8Only;
    }

    int count = 0;
    std::string last;
    bool answerYes = true;
    bool requireUtf8 = false;
};

inline QuietSink& Sink(bool utf8Only) {
    static QuietSink sink;
    static const bool installed = (SetMessageSink(&sink), true);
    (void)installed;
    sink.Reset(utf8Only);
    return sink;
}

// A folder of its own per process, removed at exit; also the program folder,
// so nothing a target writes lands beside the executable.
class ScratchFolder {
public:
    static const std::filesystem::path& Path() {
        static ScratchFolder folder;
        return folder.path_;
    }

private:
    ScratchFolder() {
        // A memory file system when there is one: every save syncs its file.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        path_ = base / ("kurvex-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_);
        SetProgramFolder(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::filesystem::path path_;
};

inline std::filesystem::path WriteScratchFile(const std::string& name, std::string_view bytes) {
    const std::filesystem::path path = ScratchFolder::Path() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::string_view AsText(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace kurvex::fuzz
