#pragma once
// A small initialisation-file reader/writer: [sections] and key=value lines,
// keys may hold blanks, section and key names compare case-insensitively
// (ASCII). Unknown sections, keys, comments and their order survive a
// load/save round trip; a missing file or key gives the caller's default.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/FileIo.h"

namespace kurvex {

extern const char* const kUnreadableSettingsMessage;

class IniFile {
public:
    IniFile() = default;

    // Reads the file; a missing or unreadable file gives an empty document.
    // Non-UTF-8 content is decoded as Shift-JIS. A file that exists but cannot
    // be read (permissions, a device or pipe in its place) is reported once
    // (kUnreadableSettingsMessage) and kept: Save refuses to replace it for
    // the rest of the run.
    static IniFile Load(const std::filesystem::path& path);
    static IniFile Parse(std::string_view text);

    // Writes the whole document atomically (temporary file, then rename).
    // On failure the previous file is intact and `error` says why; a file
    // kept by Load is not written (IsKeptSettingsFile tells a caller that
    // the user has already been told).
    bool Save(const std::filesystem::path& path, std::string* error = nullptr) const;
    std::string ToText() const;

    bool HasSection(std::string_view section) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // The stored value when it is a whole number, otherwise the default.
    long long ReadInteger(std::string_view section, std::string_view key, long long defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, long long value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    void EraseSection(std::string_view section);
    void EraseKey(std::string_view section, std::string_view key);
    // The keys of a section in file order.
    std::vector<std::string> Keys(std::string_view section) const;
    std::vector<std::string> Sections() const;

private:
    struct Line {
        std::string raw;  // the line as read (kept for comments and blank lines)
        std::string key;  // empty for a non key=value line
        std::string value;
    };
    struct Section {
        std::string name;  // empty for lines before the first section header
        std::vector<Line> lines;
    };

    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;
    static const Line* FindLine(const Section& section, std::string_view key);

    std::vector<Section> sections_;
};

}  // namespace kurvex
