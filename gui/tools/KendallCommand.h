#pragma once
// "相関のKendallの検定(&K)": Kendall's test of Y against every X of the data
// set, with the question for small samples, the progress window during the
// permutation test and the result box "相関のKendallの検定".
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace kurvex {
class ProgressSink;
struct TFitData;
}  // namespace kurvex

namespace kurvex::gui {

// The text shown, or nothing when the user stopped the permutation test or
// the test could not be applied (its message has been shown).
std::optional<std::string> KendallCommand(const TFitData& data, const QString& yName, const QStringList& xNames,
                                          ProgressSink& progress);

}  // namespace kurvex::gui
