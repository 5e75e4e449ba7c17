#pragma once

// Open and save dialogs of the data windows. Filter lists are written as
// "description|pattern|description|pattern"; the dialogs run through
// replaceable hooks so tests can answer them without a real dialog.

#include <QString>

#include <functional>

class QWidget;

namespace kurvex::gui {

struct FileDialogRequest {
  QWidget* parent = nullptr;
  QString caption;
  QString initialPath;  // folder, or folder and file name
  QString filterList;   // "description|pattern|..."
  bool confirmOverwrite = false;
};

// The answer is the chosen path, or an empty text for Cancel.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;

// Replace the real dialogs (an empty hook restores them).
void SetOpenFileDialogHook(FileDialogHook hook);
void SetSaveFileDialogHook(FileDialogHook hook);

QString AskOpenFileName(const FileDialogRequest& request);
QString AskSaveFileName(const FileDialogRequest& request);

// "desc|pattern|..." as a Qt name-filter list ("desc (pattern);;...").
// A description that already ends with its pattern in brackets is kept as
// it is, so the dialog shows the texts exactly as written.
QString QtNameFilters(const QString& filterList);

}  // namespace kurvex::gui
