#include "core/common/IniFile.h"

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/common/TextDecode.h"

#include <algorithm>

namespace kurvex {

const char* const kUnreadableSettingsMessage =
    "設定ファイルを読み込めません。内容を失わないよう、このファイルには保存しません。\n";

namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

IniFile IniFile::Load(const std::filesystem::path& path) {
    std::string error;
    auto bytes = ReadWholeFile(path, &error);
    if (bytes) return Parse(DecodeToUtf8(*bytes));
    // There is a file, but this run cannot know what it holds: saving the
    // defaults over it would lose the user's settings.
    if (NoteUnreadableSettingsFile(path)) ShowError(kUnreadableSettingsMessage + error);
    return IniFile{};
}

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    ini.sections_.push_back(Section{});
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;

        std::string_view trimmed = TrimBlanks(raw);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.find(']') != std::string_view::npos) {
            Section section;
            section.name = std::string(TrimBlanks(trimmed.substr(1, trimmed.find(']') - 1)));
            ini.sections_.push_back(std::move(section));
            continue;
        }
        Line line;
        line.raw = std::string(raw);
        const auto eq = trimmed.find('=');
        if (eq != std::string_view::npos && eq > 0 && trimmed.front() != ';') {
            line.key = std::string(TrimBlanks(trimmed.substr(0, eq)));
            line.value = std::string(TrimBlanks(trimmed.substr(eq + 1)));
        }
        ini.sections_.back().lines.push_back(std::move(line));
    }
    return ini;
}

std::string IniFile::ToText() const {
    std::string out;
    for (const auto& section : sections_) {
        // Every section but the lines before the first header has its header
        // written, also "[]": without it its keys would join the section above.
        if (&section != &sections_.front() || !section.name.empty()) {
            out += '[';
            out += section.name;
            out += "]\n";
        }
        for (const auto& line : section.lines) {
            if (line.key.empty()) {
                out += line.raw;
            } else {
                out += line.key;
                out += '=';
                out += line.value;
            }
            out += '\n';
        }
    }
    return out;
}

bool IniFile::Save(const std::filesystem::path& path, std::string* error) const {
    if (IsKeptSettingsFile(path)) {
        if (error) *error = KeptSettingsFileReason(path);
        return false;
    }
    return WriteFileAtomically(path, ToText(), error);
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
    for (auto& section : sections_)
        if (!section.name.empty() && EqualsIgnoreCase(section.name, name)) return &section;
    return nullptr;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    return const_cast<IniFile*>(this)->FindSection(name);
}

const IniFile::Line* IniFile::FindLine(const Section& section, std::string_view key) {
    for (const auto& line : section.lines)
        if (!line.key.empty() && EqualsIgnoreCase(line.key, key)) return &line;
    return nullptr;
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    return s && FindLine(*s, key);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    const Section* s = FindSection(section);
    if (!s) return std::string(defaultValue);
    const Line* line = FindLine(*s, key);
    return line ? line->value : std::string(defaultValue);
}

long long IniFile::ReadInteger(std::string_view section, std::string_view key, long long defaultValue) const {
    if (!HasKey(section, key)) return defaultValue;
    auto value = ParseInteger(ReadString(section, key, ""));
    return value ? *value : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // A value is one line; line breaks would split it into a new key. Blanks
    // at its ends are dropped as a read drops them, so the file holds what
    // will be read back.
    std::string clean(value);
    std::replace(clean.begin(), clean.end(), '\n', ' ');
    std::replace(clean.begin(), clean.end(), '\r', ' ');
    clean = std::string(TrimBlanks(clean));
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{std::string(section), {}});
        s = &sections_.back();
    }
    for (auto& line : s->lines) {
        if (!line.key.empty() && EqualsIgnoreCase(line.key, key)) {
            line.value = clean;
            return;
        }
    }
    // New keys go after the last key of the section, before trailing blank lines.
    auto insertAt = s->lines.end();
    while (insertAt != s->lines.begin() && std::prev(insertAt)->key.empty() &&
           TrimBlanks(std::prev(insertAt)->raw).empty())
        --insertAt;
    s->lines.insert(insertAt, Line{"", std::string(key), clean});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, long long value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section) {
    std::erase_if(sections_, [&](const Section& s) { return !s.name.empty() && EqualsIgnoreCase(s.name, section); });
}

void IniFile::EraseKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (!s) return;
    std::erase_if(s->lines, [&](const Line& l) { return !l.key.empty() && EqualsIgnoreCase(l.key, key); });
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* s = FindSection(section))
        for (const auto& line : s->lines)
            if (!line.key.empty()) keys.push_back(line.key);
    return keys;
}

std::vector<std::string> IniFile::Sections() const {
    std::vector<std::string> names;
    for (const auto& s : sections_)
        if (!s.name.empty()) names.push_back(s.name);
    return names;
}

}  // namespace kurvex
