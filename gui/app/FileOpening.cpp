#include "gui/app/FileOpening.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "gui/app/OrlaMain.h"
#include "gui/data/ReadData.h"

namespace kurvex::gui {

QString DataFileArgument(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kurvex: nonlinear regression analysis"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("comma-separated data file to open"),
                                 QStringLiteral("[FILE]"));
    parser.process(arguments);  // --help, --version and unknown options end here
    const QStringList files = parser.positionalArguments();
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}

QString DroppedDataFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return {};
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return {};
    const QString path = urls.first().toLocalFile();
    return QFileInfo(path).isFile() ? path : QString();
}

void OpenDataFileLater(TForm1& form, const QString& path) {
    // A drop must return before a modal window opens: the dragging program
    // waits for the end of the drop.
    QTimer::singleShot(0, &form, [window = QPointer<TForm1>(&form), path] {
        if (!window || window->Busy()) return;
        // As after the open dialog: the name is kept for the next dialog and the settings.
        window->Form2->SetOpenDialogFileName(path);
        window->LoadAndShow(path);
    });
}

}  // namespace kurvex::gui
