// The main settings file and the recent-file entries of the File menu.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <algorithm>

#include "core/common/FileIo.h"
#include "core/common/IniFile.h"
#include "core/common/MessageSink.h"
#include "core/common/ParallelSweep.h"
#include "core/common/ProgramFolder.h"
#include "core/data/MainSettings.h"
#include "gui/app/OrlaMain.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/data/ReadData.h"
#include "gui/equations/EquSet.h"

namespace kurvex::gui {

namespace {

constexpr const char* kMissingFileQuestion = "指定されたファイルが見つかりません。メニューから削除しますか。";

WindowGeometry GeometryOf(const QWidget* window) {
    return {window->width(), window->height(), window->x(), window->y()};
}

// A stored place is kept within the screen it lies on (or the primary one):
// a huge stored size would make a window of gigabytes, a far-off position
// one the user cannot reach. A window may stay as large as it opens without
// stored settings (its built-in size, the one it has when this runs at the
// start), so a small screen changes nothing the program chose itself.
void Place(QWidget* window, const WindowGeometry& geometry) {
    QScreen* screen =
        QGuiApplication::screenAt(QPoint(geometry.left + geometry.width / 2, geometry.top + geometry.height / 2));
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;  // no screen to place it on: keep the built-in place
    const QRect available = screen->availableGeometry();
    auto within = [](int value, int low, int high) { return std::clamp(value, low, std::max(low, high)); };
    const int widest = std::max(available.width(), window->width());
    const int highest = std::max(available.height(), window->height());
    const int width = within(geometry.width, std::min(window->minimumWidth(), widest), widest);
    const int height = within(geometry.height, std::min(window->minimumHeight(), highest), highest);
    window->resize(width, height);
    window->move(within(geometry.left, available.left(), available.left() + available.width() - width),
                 within(geometry.top, available.top(), available.top() + available.height() - height));
}

}  // namespace

MainSettings TForm1::CurrentSettings() const {
    MainSettings settings;
    settings.mainForm = GeometryOf(this);
    settings.inputForm = GeometryOf(Form2);
    settings.panel1Width = Form2->Panel1Width();
    settings.sourceFile = Form2->OpenDialogFileName().toStdString();
    settings.currentDirectory = QDir::currentPath().toStdString();
    settings.recentFiles = recentFiles_.Entries();
    settings.modelNo = fitState_.model.index;
    settings.generalModelNo = FrmEquSet->CurrentEntry();
    for (int j = 0; j < kMaxNamedCoefficients; ++j) {
        settings.initialValues.push_back(StringGridCoefInit->Cell(1, j + 1).toStdString());
        settings.increments.push_back(StringGridCoefInit->Cell(2, j + 1).toStdString());
        settings.fixed.push_back(StringGridCoefInit->Cell(kFixedColumn, j + 1).toStdString());
        settings.searchRanges.push_back(StringGridCoefInit->Cell(kSearchRangeColumn, j + 1).toStdString());
    }
    settings.coefficientCount = fitState_.model.m;
    settings.alarmMax = EdtAlammx->text().toStdString();
    settings.maxIteration = EdtItmax->text().toStdString();
    settings.initialIncrement = EditdX->text().toStdString();
    settings.confidenceLimit = EditConfLimit->text().toStdString();
    settings.differentialMethod = RadioGroup1->ItemIndex();
    settings.threads = ThreadLimit();
    return settings;
}

void TForm1::ReadSettings() {
    if (!std::filesystem::exists(settingsPath_)) return;
    MainSettings settings = CurrentSettings();
    const QString programFolder = QString::fromStdString(ProgramFolder().string());
    settings.currentDirectory = programFolder.toStdString();
    const IniFile ini = IniFile::Load(settingsPath_);
    ReadMainSettings(ini, settings);

    Place(this, settings.mainForm);
    Place(Form2, settings.inputForm);
    Form2->SetPanel1Width(settings.panel1Width);

    Form2->SetOpenDialogFileName(QString::fromStdString(settings.sourceFile));
    // A folder that is gone (another machine, a removed drive) must not stop
    // the start: work from the program's folder instead.
    if (!QDir::setCurrent(QString::fromStdString(settings.currentDirectory))) QDir::setCurrent(programFolder);

    recentFiles_.Clear();
    for (const std::string& entry : settings.recentFiles) recentFiles_.AppendStored(entry);

    fitState_.model.index = settings.modelNo;
    FrmEquSet->SetCurrentEntry(settings.generalModelNo);

    for (int j = 0; j < kMaxNamedCoefficients; ++j) {
        StringGridCoefInit->SetCell(1, j + 1,
                                    QString::fromStdString(settings.initialValues[static_cast<std::size_t>(j)]));
        StringGridCoefInit->SetCell(2, j + 1, QString::fromStdString(settings.increments[static_cast<std::size_t>(j)]));
        StringGridCoefInit->SetCell(kFixedColumn, j + 1,
                                    QString::fromStdString(settings.fixed[static_cast<std::size_t>(j)]));
        StringGridCoefInit->SetCell(kSearchRangeColumn, j + 1,
                                    QString::fromStdString(settings.searchRanges[static_cast<std::size_t>(j)]));
    }
    EdtAlammx->setText(QString::fromStdString(settings.alarmMax));
    EdtItmax->setText(QString::fromStdString(settings.maxIteration));
    EditdX->setText(QString::fromStdString(settings.initialIncrement));
    EditConfLimit->setText(QString::fromStdString(settings.confidenceLimit));
    // A value no button stands for leaves the default button, never none.
    const bool knownMethod = settings.differentialMethod >= 0 && settings.differentialMethod < RadioGroup1->Count();
    RadioGroup1->SetItemIndex(knownMethod ? settings.differentialMethod : 0);
    RadioGroup1Click(RadioGroup1->ItemIndex());
    SetThreadLimit(settings.threads);

    // The equation editor keeps its place and column widths in the same file.
    FrmEquSet->LoadEquationFormSettings(ini);
}

void TForm1::WriteSettings() {
    // A file that could not be read at the start was reported then; writing
    // what this run knows would replace the user's settings with defaults.
    if (IsKeptSettingsFile(settingsPath_)) return;
    // The file is read first so the sections of other windows and unknown keys stay.
    IniFile ini = IniFile::Load(settingsPath_);
    WriteMainSettings(ini, CurrentSettings());
    FrmEquSet->SaveEquationFormSettings(ini);
    std::string error;
    if (!ini.Save(settingsPath_, &error)) ShowError("設定ファイルを保存できません。\n" + error);
}

QList<QAction*> TForm1::RecentFileActions() const { return File1->actions().mid(baseFileItemCount_ + 1); }

void TForm1::RebuildRecentFileMenu() {
    const QList<QAction*> items = File1->actions();
    for (int i = baseFileItemCount_; i < items.size(); ++i) {
        File1->removeAction(items[i]);
        items[i]->deleteLater();
    }
    if (recentFiles_.Empty()) return;
    File1->addSeparator()->setObjectName(QStringLiteral("RecentFilesSeparator"));
    for (int j = 0; j < recentFiles_.Count(); ++j) {
        QString caption = QString::fromStdString(recentFiles_.MenuCaption(j));
        // Only the leading "&j" is an access key; an "&" in a file name is shown as it is.
        caption = caption.left(1) + caption.mid(1).replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = File1->addAction(caption);
        action->setObjectName(QStringLiteral("RecentFile%1").arg(j));
        action->setToolTip(QString::fromStdString(recentFiles_.At(j)));
        connect(action, &QAction::triggered, this, [this, j] { RecentFileClick(j); });
    }
}

void TForm1::RecentFileClick(int index) {
    if (busy_ || index < 0 || index >= recentFiles_.Count()) return;
    const QString path = QString::fromStdString(recentFiles_.At(index));
    if (QFileInfo::exists(path)) {
        LoadAndShow(path);
        return;
    }
    if (AskYesNo(kMissingFileQuestion, MessageKind::Error)) {
        recentFiles_.Remove(index);
        RebuildRecentFileMenu();
    }
}

}  // namespace kurvex::gui
