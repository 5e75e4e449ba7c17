#pragma once
// Folders of the files that travel with the program: the help pages and the
// sample data. Beside the executable first (build tree, portable copy), then
// the installed share folder, then the source tree the program was built from.
#include <QString>

namespace kurvex::gui {

QString HelpFolder();
QString SamplesFolder();

}  // namespace kurvex::gui
