#include "gui/data/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "core/common/MessageSink.h"

namespace kurvex::gui {

namespace {

FileDialogHook& OpenHook() {
    static FileDialogHook hook;
    return hook;
}

FileDialogHook& SaveHook() {
    static FileDialogHook hook;
    return hook;
}

}  // namespace

void SetOpenFileDialogHook(FileDialogHook hook) { OpenHook() = std::move(hook); }
void SetSaveFileDialogHook(FileDialogHook hook) { SaveHook() = std::move(hook); }

QString QtNameFilters(const QString& filterList) {
    const QStringList parts = filterList.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString bracketed = QLatin1Char('(') + pattern + QLatin1Char(')');
        if (description.trimmed().endsWith(bracketed, Qt::CaseInsensitive)) filters << description;
        else filters << description + QLatin1Char(' ') + bracketed;
    }
    return filters.join(QStringLiteral(";;"));
}

QString AskOpenFileName(const FileDialogRequest& request) {
    if (OpenHook()) return OpenHook()(request);
    return QFileDialog::getOpenFileName(request.parent, request.caption, request.initialPath,
                                        QtNameFilters(request.filterList));
}

QString WithExtension(const QString& chosen, const QString& extension) {
    if (extension.isEmpty() || chosen.isEmpty()) return chosen;
    const int slash = chosen.lastIndexOf(QLatin1Char('/'));
    const int dot = chosen.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash + 1 ? chosen.left(dot) : chosen;
    return stem + extension;
}

bool ConfirmReplace(const QString& path, const QString& question) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    const QString text = question.isEmpty()
                             ? info.fileName() + QString::fromUtf8(" は既に存在します。\n上書きしてよろしいですか。")
                             : question;
    return kurvex::AskYesNo(text.toStdString(), kurvex::MessageKind::Warning);
}

QString AskSaveFileName(const FileDialogRequest& request) {
    QString chosen;
    if (SaveHook()) {
        chosen = SaveHook()(request);
    } else {
        // The dialog must not ask itself: it would ask about the name before the
        // extension is set, and then the file actually written could be another.
        chosen =
            QFileDialog::getSaveFileName(request.parent, request.caption, request.initialPath,
                                         QtNameFilters(request.filterList), nullptr, QFileDialog::DontConfirmOverwrite);
    }
    if (chosen.isEmpty()) return QString();
    const QString path = WithExtension(chosen, request.extension);
    if (request.confirmOverwrite && !ConfirmReplace(path, request.overwriteQuestion)) return QString();
    return path;
}

}  // namespace kurvex::gui
