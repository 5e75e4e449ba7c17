#include "gui/app/AppFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/common/FileIo.h"
#include "core/common/ProgramFolder.h"

namespace kurvex::gui {

QString FindDataFolder(const std::filesystem::path& executable, const QString& name, const QString& marker) {
    const auto folderOf = [](const std::filesystem::path& path) { return QString::fromStdString(path.string()); };
    QStringList candidates;
    candidates << folderOf(executable.parent_path()) + "/" + name;
    if (const auto installed = InstalledDataFolder(executable); !installed.empty())
        candidates << folderOf(installed) + "/" + name;
    candidates << folderOf(ProgramFolder()) + "/" + name;
#ifdef KURVEX_SOURCE_DIR
    candidates << QStringLiteral(KURVEX_SOURCE_DIR "/") + name;
#endif
    for (const QString& folder : candidates)
        if (marker.isEmpty() ? QFileInfo(folder).isDir() : QFileInfo::exists(folder + "/" + marker))
            return QDir::cleanPath(folder);
    return {};
}

QString HelpFolder() { return FindDataFolder(ExecutablePath(), QStringLiteral("help"), QStringLiteral("toc.txt")); }

QString SamplesFolder() { return FindDataFolder(ExecutablePath(), QStringLiteral("samples"), QString()); }

QString ReadHelpText(const QString& path) {
    const std::optional<std::string> bytes = ReadWholeFile(QFile::encodeName(path).toStdString());
    return bytes ? QString::fromUtf8(bytes->data(), static_cast<qsizetype>(bytes->size())) : QString();
}

}  // namespace kurvex::gui
