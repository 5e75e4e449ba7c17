// The main settings file and the recent-file entries of the File menu.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <algorithm>

#include "app/OrlaMain.h"
#include "common/IniFile.h"
#include "common/MessageSink.h"
#include "common/ProgramFolder.h"
#include "common/RadioGroup.h"
#include "common/StringGrid.h"
#include "data/ReadData.h"
#include "equations/EquSet.h"

namespace kurvex::gui {

namespace {

constexpr const char* kMainForm = "Main Form";
constexpr const char* kInputForm = "Input Form";
constexpr const char* kFile = "File";
constexpr const char* kModel = "Model";
constexpr const char* kConditions = "Conditions";
constexpr const char* kMissingFileQuestion = "指定されたファイルが見つかりません。メニューから削除しますか。";

std::string InitialValueKey(int j) { return "Initial Values of C" + std::to_string(j); }
std::string IncrementKey(int j) { return "Increment for C" + std::to_string(j); }
std::string RecentKey(int j) { return "File " + std::to_string(j); }

int ReadInt(const IniFile& ini, const char* section, const char* key, int current) {
    return static_cast<int>(ini.ReadInteger(section, key, current));
}

QString ReadText(const IniFile& ini, const char* section, const std::string& key, const QString& current) {
    return QString::fromStdString(ini.ReadString(section, key, current.toStdString()));
}

void ReadGeometry(const IniFile& ini, const char* section, QWidget* window) {
    const int width = ReadInt(ini, section, "Width", window->width());
    const int height = ReadInt(ini, section, "Height", window->height());
    const int left = ReadInt(ini, section, "Left", window->x());
    const int top = ReadInt(ini, section, "Top", window->y());
    window->resize(width, height);
    window->move(left, top);
}

void WriteGeometry(IniFile& ini, const char* section, const QWidget* window) {
    ini.WriteInteger(section, "Width", window->width());
    ini.WriteInteger(section, "Height", window->height());
    ini.WriteInteger(section, "Left", window->x());
    ini.WriteInteger(section, "Top", window->y());
}

}  // namespace

void TForm1::ReadSettings() {
    if (!std::filesystem::exists(settingsPath_)) return;
    const IniFile ini = IniFile::Load(settingsPath_);

    ReadGeometry(ini, kMainForm, this);
    ReadGeometry(ini, kInputForm, Form2);
    Form2->SetPanel1Width(ReadInt(ini, kInputForm, "Width of Panel 1", Form2->Panel1Width()));

    Form2->SetOpenDialogFileName(ReadText(ini, kFile, "Source File", Form2->OpenDialogFileName()));
    const QString programFolder = QString::fromStdString(ProgramFolder().string());
    const QString folder = ReadText(ini, kFile, "Current Directory", programFolder);
    // A folder that is gone (another machine, a removed drive) must not stop
    // the start: work from the program's folder instead.
    if (!QDir::setCurrent(folder)) QDir::setCurrent(programFolder);

    const int count = std::clamp(ReadInt(ini, kFile, "Number of Listed Files", 0), 0, RecentFileList::kCapacity);
    recentFiles_.Clear();
    for (int j = 0; j < count; ++j) {
        const std::string entry = ini.ReadString(kFile, RecentKey(j), "");
        if (entry.empty()) break;
        recentFiles_.AppendStored(entry);
    }

    fitState_.model.index = ReadInt(ini, kModel, "Model No.", fitState_.model.index);
    FrmEquSet->SetCurrentEntry(ReadInt(ini, kModel, "General Model No", FrmEquSet->CurrentEntry()));

    // Every stored coefficient row comes back, not only those of the model
    // shown at this moment: the stored model is selected only afterwards,
    // and its values must survive the restart.
    for (int j = 0; j < kMaxNamedCoefficients; ++j) {
        const int row = j + 1;
        if (ini.HasKey(kConditions, InitialValueKey(j)))
            StringGridCoefInit->SetCell(1, row, ReadText(ini, kConditions, InitialValueKey(j), StringGridCoefInit->Cell(1, row)));
        if (ini.HasKey(kConditions, IncrementKey(j)))
            StringGridCoefInit->SetCell(2, row, ReadText(ini, kConditions, IncrementKey(j), StringGridCoefInit->Cell(2, row)));
    }
    EdtAlammx->setText(ReadText(ini, kConditions, "Alarm Max", EdtAlammx->text()));
    EdtItmax->setText(ReadText(ini, kConditions, "Max Iteration", EdtItmax->text()));
    EditdX->setText(ReadText(ini, kConditions, "Initial Increment", EditdX->text()));
    EditConfLimit->setText(ReadText(ini, kConditions, "Confidence Limit", EditConfLimit->text()));
    RadioGroup1->SetItemIndex(
        ReadInt(ini, kConditions, "Method Number for Calcuating Differential", RadioGroup1->ItemIndex()));
    RadioGroup1Click(RadioGroup1->ItemIndex());
}

void TForm1::WriteSettings() {
    // The file is read first so the sections of other windows and unknown keys stay.
    IniFile ini = IniFile::Load(settingsPath_);

    WriteGeometry(ini, kMainForm, this);
    WriteGeometry(ini, kInputForm, Form2);
    ini.WriteInteger(kInputForm, "Width of Panel 1", Form2->Panel1Width());

    ini.WriteString(kFile, "Source File", Form2->OpenDialogFileName().toStdString());
    ini.WriteString(kFile, "Current Directory", QDir::currentPath().toStdString());
    ini.WriteInteger(kFile, "Number of Listed Files", recentFiles_.Count());
    for (int j = 0; j < recentFiles_.Count(); ++j) ini.WriteString(kFile, RecentKey(j), recentFiles_.At(j));

    ini.WriteInteger(kModel, "Model No.", fitState_.model.index);
    ini.WriteInteger(kModel, "General Model No", FrmEquSet->CurrentEntry());

    for (int j = 0; j < fitState_.model.m; ++j) {
        ini.WriteString(kConditions, InitialValueKey(j), StringGridCoefInit->Cell(1, j + 1).toStdString());
        ini.WriteString(kConditions, IncrementKey(j), StringGridCoefInit->Cell(2, j + 1).toStdString());
    }
    ini.WriteString(kConditions, "Alarm Max", EdtAlammx->text().toStdString());
    ini.WriteString(kConditions, "Max Iteration", EdtItmax->text().toStdString());
    ini.WriteString(kConditions, "Initial Increment", EditdX->text().toStdString());
    ini.WriteString(kConditions, "Confidence Limit", EditConfLimit->text().toStdString());
    ini.WriteInteger(kConditions, "Method Number for Calcuating Differential", RadioGroup1->ItemIndex());

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
