#include "data/BuildDataSet.h"

#include <cmath>
#include <limits>

#include "common/MessageSink.h"

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
    long double sumW = 0, sumWy = 0, sumWy2 = 0;
    const bool unitWeights = selection.weightColumn < 1;  // every w is 1
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
        data.sourceRow.push_back(static_cast<std::int32_t>(row.row));
        data.y.push_back(row.y);
        data.sqrtw.push_back(row.w == 1 ? 1.0 : std::sqrt(row.w));  // √1 is exactly 1: spare the root
        if (nx == 1)
            data.x.push_back(row.x[0]);
        else
            data.x.insert(data.x.end(), row.x.begin(), row.x.end());
        if (!unitWeights) {
            const long double w = row.w;
            sumW += w;
            sumWy += w * row.y;
            sumWy2 += static_cast<long double>(row.y) * row.y * w;
        }
        ++points;
    }
    table.EndRowScan();
    if (unitWeights) {
        // The same sums in the same order, in a loop of their own where they
        // stay in registers. With w = 1 every product by w is exact, and the
        // sum of the ones is the count (exact in 64 significant bits).
        long double sy = 0, syy = 0;
        for (const double y : data.y) {
            sy += static_cast<long double>(y);
            syy += static_cast<long double>(y) * y;
        }
        sumW = static_cast<long double>(points);
        sumWy = sy;
        sumWy2 = syy;
    }

    if (points == 0) {
        ShowError(kNoValidDataMessage);
        return Fail(data, BuildOutcome::NoValidRows, 0);
    }
    if (sumW == 0) {
        ShowError(kZeroWeightSumMessage);
        return Fail(data, BuildOutcome::BadWeights, points);
    }
    data.n = static_cast<std::int32_t>(points);
    data.N = sumW;
    data.yMean = sumWy / sumW;
    data.Syy = sumWy2 - data.yMean * data.yMean * sumW;
    return {BuildOutcome::Built, points};
}

}  // namespace kurvex
