#include "core/equations/EquationList.h"

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/common/TextDecode.h"
#include "core/data/FieldRule.h"
#include "core/expression/Formula.h"

namespace kurvex {

const char* const kEquationListFullMessage = "登録できる式は1000個までです。\n不要な式を削除してから登録して下さい。";

const char* const kCommaInEquationMessage = "式、名前、偏導関数にカンマ（,）、二重引用符（\"）、改行は使えません。";

bool BreaksEquationFile(std::string_view text) {
    // A comma or a line break would split the entry's line; a quote would be dropped by the reading.
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

namespace {

bool AnyComma(const std::string& formula, const std::string& name, const std::vector<std::string>& texts) {
    if (BreaksEquationFile(formula) || BreaksEquationFile(name)) return true;
    for (const std::string& text : texts)
        if (BreaksEquationFile(text)) return true;
    return false;
}

const char* const kReadFailedMessage = "登録式のファイルを読み込めません。\n";
const char* const kWriteFailedMessage = "登録式のファイルに保存できません。\n";
const char* const kKeepUnreadFileMessage = "登録式のファイルを読み込めなかったため、上書きしません。\n";

}  // namespace

RegisteredEquation DefaultEquation() { return {"y = C0+C1*X1+C2*X1^2+C3*X1^3", "３次式", {"1", "X1", "X1^2", "X1^3"}}; }

std::string FormulaOfDisplayText(const std::string& formulaText) {
    const std::string prefix = kFormulaPrefix;
    if (formulaText.compare(0, prefix.size(), prefix) == 0) return formulaText.substr(prefix.size());
    return formulaText;
}

void FitDerivativeTexts(std::vector<std::string>& texts, std::size_t count) { texts.resize(count); }

EquationList::EquationList() : entries_{DefaultEquation()} {}

bool EquationList::Load(const std::filesystem::path& file) {
    file_ = file;
    entries_.clear();
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        entries_.push_back(DefaultEquation());
        return true;
    }
    std::string error;
    const std::optional<std::string> bytes = ReadWholeFile(file, &error);
    if (!bytes) {
        entries_.push_back(DefaultEquation());
        if (NoteUnreadableSettingsFile(file) || !IsKeptSettingsFile(file)) ShowError(kReadFailedMessage + error);
        return false;
    }
    const std::string text = DecodeToUtf8(*bytes);
    std::size_t start = 0;
    while (start < text.size()) {
        // Lines end at LF, CR LF or a lone CR, as in data files: read as one
        // line, a CR-only file would lose all but its first entry at the next save.
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;

        const std::vector<std::string> fields = SplitFields(line);
        // A blank line would end the list and lose the entries after it at the next save.
        if (TrimBlanks(fields[0]).empty()) continue;
        RegisteredEquation entry;
        entry.formulaText = fields[0];
        entry.name = fields.size() > 1 ? fields[1] : std::string();
        const std::size_t m = static_cast<std::size_t>(CountCoefficients(entry.formulaText));
        entry.derivativeTexts.assign(m, std::string());
        // An empty text is one not typed; the texts after it are the entry's too.
        for (std::size_t k = 0; k < m && k + 2 < fields.size(); ++k) entry.derivativeTexts[k] = fields[k + 2];
        entries_.push_back(std::move(entry));
    }
    return true;
}

std::string EquationList::FileText() const {
    std::string text;
    for (const RegisteredEquation& entry : entries_) {
        text += entry.formulaText + "," + entry.name;
        for (const std::string& derivative : entry.derivativeTexts) text += "," + derivative;
        text += '\n';
    }
    return text;
}

bool EquationList::Save() const { return Save(file_); }

bool EquationList::Save(const std::filesystem::path& file) const {
    if (IsKeptSettingsFile(file)) {
        ShowError(kKeepUnreadFileMessage + file.string());
        return false;
    }
    std::string error;
    if (!WriteFileAtomically(file, FileText(), &error)) {
        ShowError(kWriteFailedMessage + error);
        return false;
    }
    return true;
}

bool EquationList::Add(const std::string& formulaAsTyped, const std::string& name,
                       const std::vector<std::string>& derivativeTexts) {
    if (entries_.size() >= kMaxRegisteredEquations) {
        ShowError(kEquationListFullMessage);
        return false;
    }
    if (AnyComma(formulaAsTyped, name, derivativeTexts)) {
        ShowError(kCommaInEquationMessage);
        return false;
    }
    RegisteredEquation entry{kFormulaPrefix + formulaAsTyped, name, derivativeTexts};
    FitDerivativeTexts(entry.derivativeTexts, static_cast<std::size_t>(CountCoefficients(formulaAsTyped)));
    entries_.push_back(std::move(entry));
    return Save();
}

bool EquationList::Replace(std::size_t index, const std::string& formulaAsTyped,
                           const std::vector<std::string>& derivativeTexts) {
    RegisteredEquation& entry = entries_.at(index);
    if (AnyComma(formulaAsTyped, {}, derivativeTexts)) {
        ShowError(kCommaInEquationMessage);
        return false;
    }
    entry.formulaText = kFormulaPrefix + formulaAsTyped;
    entry.derivativeTexts = derivativeTexts;
    FitDerivativeTexts(entry.derivativeTexts, static_cast<std::size_t>(CountCoefficients(formulaAsTyped)));
    return Save();
}

bool EquationList::Rename(std::size_t index, const std::string& name) {
    if (BreaksEquationFile(name)) {
        ShowError(kCommaInEquationMessage);
        return false;
    }
    entries_.at(index).name = name;
    return true;
}

void EquationList::Erase(std::size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace kurvex
