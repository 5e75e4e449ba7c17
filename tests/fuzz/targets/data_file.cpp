// A data file as it arrives from disk: the field rule on its bytes, the load
// into the table (both answers to the large-file question), a save and reload
// of the table, and the data-set build over it.
#include <cmath>
#include <cstdint>
#include <string>

#include "core/data/BuildDataSet.h"
#include "core/data/DataTable.h"
#include "core/data/FieldRule.h"
#include "core/data/RowTexts.h"
#include "core/data/Selection.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

namespace {

void CheckFieldRule(std::string_view line) {
    const std::size_t fields = CountFields(line);
    KURVEX_FUZZ_CHECK(fields >= 1);
    // Splitting at every comma and dropping the quotes loses nothing else.
    const std::size_t checked = fields < 64 ? fields : 64;
    RowTexts appended;
    AppendFields(line, checked + 1, appended);
    KURVEX_FUZZ_CHECK(appended.Size() == checked + 1);
    const std::vector<std::string> all = SplitFields(line);
    KURVEX_FUZZ_CHECK(all.size() == fields);
    std::string joined;
    for (std::size_t k = 1; k <= checked; ++k) {
        const std::string& field = all[k - 1];
        KURVEX_FUZZ_CHECK(field.find(',') == std::string::npos && field.find('"') == std::string::npos);
        KURVEX_FUZZ_CHECK(appended[k - 1] == field);
        if (k > 1) joined += ',';
        joined += field;
    }
    KURVEX_FUZZ_CHECK(appended[checked].empty() || checked < fields);
    if (checked == fields) {
        std::string unquoted;
        for (const char ch : line)
            if (ch != '"') unquoted += ch;
        KURVEX_FUZZ_CHECK(joined == unquoted);
    }
}

// Lines end at LF, CR LF or a lone CR.
long long CountLines(std::string_view bytes) {
    long long lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        if (bytes[i] == '\n' || bytes[i] == '\r') ++lines;
    }
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') ++lines;
    return lines;
}

void BuildFrom(DataTable& table, std::uint8_t setup) {
    SelectionSettings settings;
    settings.variableCount = (setup & 2) ? "2" : "1";
    ApplyDefaultSelection(settings);
    if (setup & 4) settings.weightColumn = "1";
    if (setup & 8) {
        settings.conditionOn = true;
        settings.condition = "(A1>0)or(A2=\"x\")";
    }
    if (setup & 16) settings.x[0].transform = "LN(x)+1/x";
    if (setup & 32) settings.step = "2";
    const ReadCheckResult check = CheckReadSettings(settings, table.DataColumnCount());
    if (!check.ok) {
        KURVEX_FUZZ_CHECK(!check.message.empty());
        return;
    }
    const std::optional<PreparedSelection> selection = PrepareSelection(check.values, table);
    if (!selection) return;
    TFitData data;
    const BuildResult result = BuildDataSet(*selection, table, data);
    if (result.ok()) {
        KURVEX_FUZZ_CHECK(data.n >= 1 && data.n == result.pointsRead);
        KURVEX_FUZZ_CHECK(data.y.size() == static_cast<std::size_t>(data.n));
        KURVEX_FUZZ_CHECK(data.x.size() == static_cast<std::size_t>(data.n) * static_cast<std::size_t>(data.nx));
        for (const double v : data.y) KURVEX_FUZZ_CHECK(std::isfinite(v));
        for (const double v : data.x) KURVEX_FUZZ_CHECK(std::isfinite(v));
        for (const double v : data.sqrtw) KURVEX_FUZZ_CHECK(std::isfinite(v) && v >= 0);
        KURVEX_FUZZ_CHECK(std::isfinite(data.yMean) && std::isfinite(data.Syy) && data.N > 0);
    } else if (result.outcome != BuildOutcome::NoCandidates) {
        KURVEX_FUZZ_CHECK(data.n == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietSink& sink = fuzz::Sink(true);
    const std::string_view bytes = fuzz::AsText(data, size);
    CheckFieldRule(bytes);

    const std::filesystem::path file = fuzz::WriteScratchFile("data.csv", bytes);
    sink.answerYes = size == 0 || (data[0] & 1) == 0;
    DataTable table;
    KURVEX_FUZZ_CHECK(table.LoadFile(file));
    const long long lines = CountLines(bytes);
    KURVEX_FUZZ_CHECK(table.LineCount() == lines);
    const bool streaming = lines > kLargeFileLineLimit && sink.answerYes;
    KURVEX_FUZZ_CHECK(table.Mode() == (streaming ? ReadMode::Streaming : ReadMode::Table));
    const long long rowsKept = streaming ? kLargeFileLineLimit + 1 : lines;
    KURVEX_FUZZ_CHECK(table.RowCount() == (rowsKept + 1 > 2 ? rowsKept + 1 : 2));
    KURVEX_FUZZ_CHECK(table.ColumnCount() >= 3);
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 0; c < table.ColumnCount() && c < 8; ++c) {
            const std::string cell = table.Cell(c, r);
            KURVEX_FUZZ_CHECK(IsValidUtf8(cell));
        }

    // What the table writes reads back as the same table.
    const std::filesystem::path copy = fuzz::ScratchFolder::Path() / "saved.csv";
    KURVEX_FUZZ_CHECK(table.SaveTable(copy));
    DataTable reloaded;
    sink.answerYes = true;
    KURVEX_FUZZ_CHECK(reloaded.LoadFile(copy));
    KURVEX_FUZZ_CHECK(reloaded.LineCount() == table.SourceRowCount());
    if (!streaming && table.RowCount() == reloaded.RowCount()) {
        KURVEX_FUZZ_CHECK(reloaded.ColumnCount() <= table.ColumnCount());
        for (int r = 1; r < table.RowCount(); ++r)
            for (int c = 1; c < table.ColumnCount(); ++c) {
                const std::string_view before = table.DataCell(c, r), after = reloaded.DataCell(c, r);
                // A byte-order mark is dropped only at the start of the file.
                if (r > 1 || c > 1 || before.rfind("\xEF\xBB\xBF", 0) != 0) KURVEX_FUZZ_CHECK(before == after);
            }
    }

    BuildFrom(table, size > 1 ? data[1] : 0);
    return 0;
}
