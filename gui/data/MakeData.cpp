#include "gui/data/MakeData.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "gui/data/ReadData.h"

namespace kurvex::gui {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// The whole number in `text` within [1, limit], or a message naming the box.
bool ReadCount(const QLineEdit* edit, const char* name, int limit, int& out) {
    const QByteArray text = edit->text().toUtf8();
    const auto value = kurvex::ParseInteger(std::string_view(text.constData(), text.size()));
    if (!value || *value < 1 || *value > limit) {
        kurvex::ShowError(std::string(name) + "には1から" + std::to_string(limit) + "までの整数を入力して下さい。");
        return false;
    }
    out = static_cast<int>(*value);
    return true;
}

}  // namespace

TFrmMakeData::TFrmMakeData(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmMakeData"));
    setWindowTitle(Q("データファイルの作成"));
    EditColCount = new QLineEdit(QStringLiteral("2"), this);
    EditColCount->setObjectName(QStringLiteral("EditColCount"));
    EditRowCount = new QLineEdit(QStringLiteral("10"), this);
    EditRowCount->setObjectName(QStringLiteral("EditRowCount"));
    EditRowCount->setToolTip(Q("データ数＋１"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(Q("ｷｬﾝｾﾙ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3 = new QPushButton(Q("ヘルプ"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));

    auto* form = new QFormLayout();
    form->addRow(Q("列（項目）数："), EditColCount);
    form->addRow(Q("行数："), EditRowCount);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, &TFrmMakeData::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TFrmMakeData::BitBtn3Click);
}

void TFrmMakeData::BitBtn1Click() {
    int columns = 0;
    int rows = 0;
    // A text that is not a count keeps the dialog open; nothing is made.
    if (!ReadCount(EditColCount, "列（項目）数", kMaxColumns, columns)) {
        EditColCount->setFocus();
        return;
    }
    if (!ReadCount(EditRowCount, "行数", kMaxRows, rows)) {
        EditRowCount->setFocus();
        return;
    }
    columns_ = columns;
    rows_ = rows;
    accept();
}

void TFrmMakeData::BitBtn3Click() { emit HelpRequested(Q("データの作成")); }

int RunNewTableCommand(TFrmMakeData& dialog, TForm2& form2) {
    if (dialog.exec() != QDialog::Accepted) return QDialog::Rejected;
    return form2.ShowNewTable(dialog.DataColumnCount(), dialog.RowCount());
}

}  // namespace kurvex::gui
