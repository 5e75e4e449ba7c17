#pragma once
// Opening a data file the ways a desktop offers besides the open command:
// named on the command line (as the desktop entry passes a double-clicked
// file) or dropped onto the main window. Both end in Load and show.
#include <QString>
#include <QStringList>

class QMimeData;

namespace kurvex::gui {

class TForm1;

// The data file named by the program's arguments (Qt's own options already
// taken out), made absolute against the folder the program was started in,
// since reading the settings changes the current folder. Empty when none
// is named. --help and --version print their text and end the program.
QString DataFileArgument(const QStringList& arguments);

// The one local file a drag carries, or empty (several files, a link, text).
QString DroppedDataFile(const QMimeData* mime);

// Opens `path` once the event loop runs (after start, after a drop), as the
// open command opens a chosen file.
void OpenDataFileLater(TForm1& form, const QString& path);

}  // namespace kurvex::gui
