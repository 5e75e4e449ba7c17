#include "gui/tools/KendallCommand.h"

#include <vector>

#include "core/common/ProgressSink.h"
#include "core/regression/FitState.h"
#include "core/tools/KendallTest.h"

namespace kurvex::gui {

std::optional<std::string> KendallCommand(const TFitData& data, const QString& yName, const QStringList& xNames,
                                          ProgressSink& progress) {
    std::vector<std::string> names;
    for (const QString& name : xNames) names.push_back(name.toStdString());
    return KendallTest(data, yName.toStdString(), names, progress);
}

}  // namespace kurvex::gui
