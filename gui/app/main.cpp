// Kurvex: nonlinear regression analysis.
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "core/common/Version.h"
#include "gui/app/EndSignals.h"
#include "gui/app/FileOpening.h"
#include "gui/app/OrlaMain.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/GuiMessageSink.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    kurvex::gui::InstallEndSignals();
    QApplication::setApplicationName(QStringLiteral("Kurvex"));
    QApplication::setApplicationVersion(QString::fromLatin1(kurvex::kProgramVersion));
    QApplication::setDesktopFileName(QStringLiteral("org.kurvex.Kurvex"));
    // The file a desktop passes (kurvex %f); read before the settings change the current folder.
    const QString dataFile = kurvex::gui::DataFileArgument(QApplication::arguments());

    // Qt's own buttons and dialogs (file dialogs, print preview) in Japanese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

    // The chart and the windows name Windows font families; map them to the
    // IPA fonts before the first widget asks for a font.
    kurvex::gui::InstallJapaneseFontSubstitutions();
    kurvex::gui::InstallGuiMessageSink();

    kurvex::gui::TForm1 form1;
    kurvex::gui::CloseOnEndSignals(form1);  // logout or shutdown: closed as by the user, settings kept
    form1.show();
    if (!dataFile.isEmpty()) kurvex::gui::OpenDataFileLater(form1, dataFile);
    return QApplication::exec();
}
