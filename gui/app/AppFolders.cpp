#include "app/AppFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/FileIo.h"
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

QString ReadHelpText(const QString& path) {
    const std::optional<std::string> bytes = ReadWholeFile(QFile::encodeName(path).toStdString());
    return bytes ? QString::fromUtf8(bytes->data(), static_cast<qsizetype>(bytes->size())) : QString();
}

}  // namespace kurvex::gui
