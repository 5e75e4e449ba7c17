#include "data/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

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
    if (description.trimmed().endsWith(bracketed, Qt::CaseInsensitive))
      filters << description;
    else
      filters << description + QLatin1Char(' ') + bracketed;
  }
  return filters.join(QStringLiteral(";;"));
}

QString AskOpenFileName(const FileDialogRequest& request) {
  if (OpenHook()) return OpenHook()(request);
  return QFileDialog::getOpenFileName(request.parent, request.caption, request.initialPath,
                                      QtNameFilters(request.filterList));
}

QString AskSaveFileName(const FileDialogRequest& request) {
  if (SaveHook()) return SaveHook()(request);
  QFileDialog::Options options;
  if (!request.confirmOverwrite) options |= QFileDialog::DontConfirmOverwrite;
  return QFileDialog::getSaveFileName(request.parent, request.caption, request.initialPath,
                                      QtNameFilters(request.filterList), nullptr, options);
}

}  // namespace kurvex::gui
