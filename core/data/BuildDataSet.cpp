#include "core/data/BuildDataSet.h"

#include <limits>

#include "core/common/MessageSink.h"

namespace kurvex {

const char* const kNoValidDataMessage = "有効なデータの組がありません。";
const char* const kNegativeWeightMessage = "ウェートに負の値があります。\n行番号：";
const char* const kZeroWeightSumMessage = "ウェートの合計が0です。";
const char* const kConditionFaultRowMessage = "条件式を計算できない行があります。\n行番号：";

namespace {

BuildResult Fail(TFitData& data, BuildOutcome outcome, std::int64_t points) {
    data.Clear();
    return {outcome, points};
}

}  // namespace

BuildResult BuildDataSet(const PreparedSelection& selection, DataTable& table, TFitData& data) {
    const long long K = selection.candidateCount;
    if (K < 1) return {BuildOutcome::NoCandidates, 0};

    data.Clear();
    data.nx = static_cast<std::int16_t>(selection.n);
    const std::size_t nx = static_cast<std::size_t>(selection.n);
    // Candidates beyond the last row of a table read as empty and are
    // dropped, so the table size bounds the reservation as well.
    const long long expected = std::min<long long>(K, std::max<long long>(table.SourceRowCount(), 0));
    data.sourceRow.reserve(expected);
    data.y.reserve(expected);
    data.sqrtw.reserve(expected);
    data.x.reserve(expected * nx);

    if (!table.BeginRowScan()) return Fail(data, BuildOutcome::ScanFailed, 0);
    std::int64_t points = 0;
    const RowReader reader(selection);
    DataRow row;
    row.allTexts = false;
    for (long long k = 1; k <= K; ++k) {
        reader.Read(table, k, row);
        if (!row.valid) {
            if (row.conditionFault) {
                table.EndRowScan();
                // A numeric fault has no message of its own: say where it happened.
                if (row.conditionFaultKind == ConditionFaultKind::Numeric)
                    ShowError(kConditionFaultRowMessage + std::to_string(row.row));
                return Fail(data, BuildOutcome::ConditionFault, points);
            }
            continue;
        }
        if (row.w < 0) {
            // √w of a negative weight is an invalid operation: stop with a clear message.
            table.EndRowScan();
            ShowError(kNegativeWeightMessage + std::to_string(row.row));
            return Fail(data, BuildOutcome::BadWeights, points);
        }
        if (row.row > std::numeric_limits<std::int32_t>::max()) break;  // beyond any row a point can name
        data.AddPoint(static_cast<std::int32_t>(row.row), row.y, row.w, {row.x.data(), nx});
        ++points;
    }
    table.EndRowScan();

    if (points == 0) {
        ShowError(kNoValidDataMessage);
        return Fail(data, BuildOutcome::NoValidRows, 0);
    }
    if (data.N == 0) {
        ShowError(kZeroWeightSumMessage);
        return Fail(data, BuildOutcome::BadWeights, points);
    }
    data.FinishSums();
    return {BuildOutcome::Built, points};
}

}  // namespace kurvex
