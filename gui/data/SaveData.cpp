#include "gui/data/SaveData.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/data/DataOutput.h"
#include "core/data/Selection.h"
#include "gui/data/FileDialogs.h"
#include "gui/data/ReadData.h"

namespace kurvex::gui {

namespace {
QString Q(const char* text) { return QString::fromUtf8(text); }
}  // namespace

TFrmSaveData::TFrmSaveData(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmSaveData"));
    setWindowTitle(Q("使用データの保存"));
    CheckBoxSaveXYData = new QCheckBox(Q("変数(Y, Xi, W)"), this);
    CheckBoxSaveXYData->setObjectName(QStringLiteral("CheckBoxSaveXYData"));
    CheckBoxSaveSourceData = new QCheckBox(Q("ソースデータ（使用している行データのみ）"), this);
    CheckBoxSaveSourceData->setObjectName(QStringLiteral("CheckBoxSaveSourceData"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CheckBoxSaveXYData);
    layout->addWidget(CheckBoxSaveSourceData);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

bool TFrmSaveData::SaveVariables() const { return CheckBoxSaveXYData->isChecked(); }
bool TFrmSaveData::SaveSourceData() const { return CheckBoxSaveSourceData->isChecked(); }

bool RunSaveDataCommand(TFrmSaveData& dialog, TForm2& form2, FileDialogRequest& saveDialog) {
    if (dialog.exec() != QDialog::Accepted) return false;
    kurvex::UsedDataOptions options;
    options.variables = dialog.SaveVariables();
    options.sourceData = dialog.SaveSourceData();
    if (!options.variables && !options.sourceData) return false;
    const kurvex::PreparedSelection* selection = form2.Selection();
    if (!selection) return false;  // no data set yet: the menu item is off then
    // Said before a name is asked for; checked again when the rows are read.
    if (!kurvex::DataFileUnchanged(form2.Table(), form2.SourceFileStamp())) return false;

    saveDialog.filterList = Q(kUsedDataFilter);
    saveDialog.initialPath.clear();
    // The extension and the question belong to this command only; the curve
    // commands share the rest of the dialog.
    FileDialogRequest request = saveDialog;
    request.extension = QStringLiteral(".csv");
    request.confirmOverwrite = true;
    request.overwriteQuestion = QString::fromUtf8(kurvex::kOverwriteQuestion);
    const QString chosen = AskSaveFileName(request);
    if (chosen.isEmpty()) return false;
    const std::filesystem::path path = kurvex::UsedDataPath(std::filesystem::path(chosen.toStdString()));
    saveDialog.initialPath = QString::fromStdString(path.string());
    return kurvex::SaveUsedData(path, *selection, form2.Table(), options, form2.SourceFileStamp());
}

}  // namespace kurvex::gui
