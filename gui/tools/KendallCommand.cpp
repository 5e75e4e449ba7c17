#include "tools/KendallCommand.h"

#include <vector>

#include "common/ProgressSink.h"
#include "regression/FitState.h"
#include "tools/KendallTest.h"

namespace kurvex::gui {

std::optional<std::string> KendallCommand(const TFitData& data, const QString& yName, const QStringList& xNames,
                                          ProgressSink& progress) {
    std::vector<std::string> names;
    for (const QString& name : xNames) names.push_back(name.toStdString());
    return KendallTest(data, yName.toStdString(), names, progress);
}

}  // namespace kurvex::gui
