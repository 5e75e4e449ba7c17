#pragma once
// Folders of the files that travel with the program: the help pages and the
// sample data. Beside the executable first (build tree, portable copy), then
// the installed share folder, then the source tree the program was built from.
#include <QString>

namespace kurvex::gui {

QString HelpFolder();
QString SamplesFolder();

// A page or index of the help folder as UTF-8 text; empty when it cannot be
// read or is no regular file (a pipe there must not freeze the help window).
QString ReadHelpText(const QString& path);

}  // namespace kurvex::gui
