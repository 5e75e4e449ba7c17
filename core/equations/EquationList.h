#pragma once
// The registered general equations: formula display text ("y = " + the
// formula as typed), name and one derivative text per coefficient, kept in
// "Equation.txt" in the program folder, one comma-separated line per entry.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kurvex {

inline constexpr const char* kEquationFileName = "Equation.txt";
inline constexpr std::size_t kMaxRegisteredEquations = 1000;
inline constexpr const char* kFormulaPrefix = "y = ";
extern const char* const kEquationListFullMessage;  // refusing the 1001st registration
extern const char* const kCommaInEquationMessage;   // a text that would not read back from the file

// True when the text holds a character the list file cannot keep: a comma or
// a line break (they split the entry's line) or a double quote (dropped on reading).
bool BreaksEquationFile(std::string_view text);

struct RegisteredEquation {
    std::string formulaText;                   // "y = " + formula (column "関数式")
    std::string name;                          // column "関数名"
    std::vector<std::string> derivativeTexts;  // DerivativeTexts: text k is dy/dCk, as typed; empty = none
};

// The built-in first entry when there is no file: "３次式".
RegisteredEquation DefaultEquation();

// The formula of a display text without its "y = " prefix.
std::string FormulaOfDisplayText(const std::string& formulaText);

// Makes the list `count` texts long, keeping the texts from the start.
void FitDerivativeTexts(std::vector<std::string>& texts, std::size_t count);

class EquationList {
public:
    EquationList();  // holds the default entry

    // LoadEquationList: reads the file (UTF-8, or CP932 when it is not valid
    // UTF-8). A missing file gives the default entry only. Blank lines are
    // passed over. A file that exists but cannot be read keeps the default
    // entry, shows an error, and SaveEquationList then refuses to replace it
    // for the rest of the run (as every settings file, see FileIo.h).
    bool Load(const std::filesystem::path& file);
    // SaveEquationList: one line per entry, whole or not at all.
    bool Save() const;
    bool Save(const std::filesystem::path& file) const;
    // The text Save writes.
    std::string FileText() const;
    const std::filesystem::path& File() const { return file_; }

    std::size_t Count() const { return entries_.size(); }
    const RegisteredEquation& Entry(std::size_t index) const { return entries_.at(index); }
    RegisteredEquation& Entry(std::size_t index) { return entries_.at(index); }
    const std::vector<RegisteredEquation>& Entries() const { return entries_; }

    // Register on the "新規" row: a new entry with "y = " + formula, the name
    // and the derivative texts (made CountCoefficients(formula) long), then
    // the file is saved. With 1000 entries already, shows
    // kEquationListFullMessage and changes nothing. Returns false then, or
    // when the file could not be written (the entry stays in the list).
    bool Add(const std::string& formulaAsTyped, const std::string& name,
             const std::vector<std::string>& derivativeTexts);
    // Register on a registered row: new formula, same name, the derivative
    // texts (made CountCoefficients(formula) long); the file is saved.
    bool Replace(std::size_t index, const std::string& formulaAsTyped, const std::vector<std::string>& derivativeTexts);
    // The name cell edited in the grid; reaches the file at the next save.
    // A name that BreaksEquationFile is refused (kCommaInEquationMessage), as
    // are such formulas and derivative texts in Add and Replace.
    bool Rename(std::size_t index, const std::string& name);
    // The entries below move up; the file is not written.
    void Erase(std::size_t index);

private:
    std::vector<RegisteredEquation> entries_;
    std::filesystem::path file_;
};

}  // namespace kurvex
