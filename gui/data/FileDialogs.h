#pragma once

// Open and save dialogs of the program's windows. Filter lists are written as
// "description|pattern|description|pattern"; the dialogs run through
// replaceable hooks so tests can answer them without a real dialog.
//
// Every save goes through one rule: the chosen name first gets the
// extension the command writes, and only then, when a file of that final
// name exists, the user is asked before it is replaced.

#include <QString>

#include <functional>

class QWidget;

namespace kurvex::gui {

struct FileDialogRequest {
    QWidget* parent = nullptr;
    QString caption;
    QString initialPath;  // folder, or folder and file name
    QString filterList;   // "description|pattern|..."
    // The extension the written file gets, replacing any other (".csv");
    // empty keeps the chosen name as it is.
    QString extension;
    // Ask before an existing file of the final name is replaced.
    bool confirmOverwrite = true;
    // The question asked then; empty for "<name> は既に存在します。\n上書きしてよろしいですか。".
    QString overwriteQuestion;
};

// The answer is the name as chosen in the dialog, or an empty text for Cancel.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;

// Replace the real dialogs (an empty hook restores them).
void SetOpenFileDialogHook(FileDialogHook hook);
void SetSaveFileDialogHook(FileDialogHook hook);

QString AskOpenFileName(const FileDialogRequest& request);
// The name to write: the chosen one with the request's extension, once the
// user has agreed to replace an existing file of that name. Empty when the
// dialog was cancelled or the user would not replace the file.
QString AskSaveFileName(const FileDialogRequest& request);

// `chosen` with `extension` in place of any extension of its file name (dots
// in folder names and a leading dot do not start one); empty `extension`
// leaves the name as it is.
QString WithExtension(const QString& chosen, const QString& extension);
// True when nothing exists at `path` or the user answered Yes to `question`
// (warning, Yes/No, through the message sink; empty for the default text).
bool ConfirmReplace(const QString& path, const QString& question = QString());

// "desc|pattern|..." as a Qt name-filter list ("desc (pattern);;...").
// A description that already ends with its pattern in brackets is kept as
// it is, so the dialog shows the texts exactly as written.
QString QtNameFilters(const QString& filterList);

}  // namespace kurvex::gui
