#pragma once
// Folders of the files that travel with the program: the help pages and the
// sample data. Beside the executable first (build tree, portable copy), then
// the installed share folder (<prefix>/share/kurvex beside <prefix>/bin), then
// the source tree the program was built from.
#include <QString>
#include <filesystem>

namespace kurvex::gui {

QString HelpFolder();
QString SamplesFolder();

// The lookup of both for a given executable: the folder `name` holding
// `marker` (any folder when `marker` is empty), or empty.
QString FindDataFolder(const std::filesystem::path& executable, const QString& name, const QString& marker);

// A page or index of the help folder as UTF-8 text; empty when it cannot be
// read or is no regular file (a pipe there must not freeze the help window).
QString ReadHelpText(const QString& path);

}  // namespace kurvex::gui
