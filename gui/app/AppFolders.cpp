#include "app/AppFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "common/ProgramFolder.h"

namespace kurvex::gui {

namespace {

QString FindFolder(const QString& name, const QString& marker) {
    QStringList candidates;
    candidates << QString::fromStdString(ExecutablePath().parent_path().string()) + "/" + name;
    candidates << QString::fromStdString(ProgramFolder().string()) + "/" + name;
    candidates << QStringLiteral("/usr/local/share/kurvex/") + name << QStringLiteral("/usr/share/kurvex/") + name;
#ifdef KURVEX_SOURCE_DIR
    candidates << QStringLiteral(KURVEX_SOURCE_DIR "/") + name;
#endif
    for (const QString& folder : candidates)
        if (marker.isEmpty() ? QFileInfo(folder).isDir() : QFileInfo::exists(folder + "/" + marker))
            return QDir::cleanPath(folder);
    return {};
}

}  // namespace

QString HelpFolder() { return FindFolder(QStringLiteral("help"), QStringLiteral("toc.txt")); }

QString SamplesFolder() { return FindFolder(QStringLiteral("samples"), QString()); }

}  // namespace kurvex::gui
