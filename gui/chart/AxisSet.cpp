#include "gui/chart/AxisSet.h"

#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include <cmath>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/RadioGroup.h"

namespace kurvex::gui {

namespace {

// Tick lengths and minor tick counts beyond this only make the axis
// unreadable.
constexpr int kLargestTickSetting = 100;

const QString kAxisNames[3] = {QStringLiteral("Ｘ（下）軸"), QStringLiteral("Ｙ（左）軸"),
                               QStringLiteral("Ｒ（右）軸")};

TFrmAxisSet::FontDialogHook& FontHook() {
    static TFrmAxisSet::FontDialogHook hook;
    return hook;
}

QLineEdit* LabelledEdit(const QString& objectName, const QString& caption, QGridLayout* grid, int row,
                        QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    auto* label = new QLabel(caption, parent);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0, Qt::AlignRight);
    grid->addWidget(edit, row, 1);
    return edit;
}

QString Number7(long double value) { return QString::fromStdString(FormatNumber(value, 7)); }

}  // namespace

TFrmAxisSet::TFrmAxisSet(ChartPanel* chart, QWidget* parent) : QDialog(parent), chart_(chart) {
    setObjectName(QStringLiteral("FrmAxisSet"));
    setWindowTitle(QStringLiteral("軸の設定"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);

    RadioGroup1 = new RadioGroup(QStringLiteral("設定する座標軸"), {kAxisNames[0], kAxisNames[1], kAxisNames[2]}, this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->SetItemIndex(0);
    layout->addWidget(RadioGroup1);

    BuildTitleRow(layout);
    BuildScaleRow(layout);
    BuildTickGroup(layout);
    BuildButtons(layout);
    ConnectControls();

    FormCreate();
}

TFrmAxisSet::~TFrmAxisSet() = default;

// The axis title with its font button.
void TFrmAxisSet::BuildTitleRow(QVBoxLayout* layout) {
    auto* panel2 = new QWidget(this);
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto* titleRow = new QHBoxLayout(panel2);
    titleRow->setContentsMargins(0, 0, 0, 0);
    EdtTitle = new QLineEdit(panel2);
    EdtTitle->setObjectName(QStringLiteral("EdtTitle"));
    auto* titleLabel = new QLabel(QStringLiteral("タイトル："), panel2);
    titleLabel->setBuddy(EdtTitle);
    BitBtnFont = new QPushButton(QStringLiteral("フォント"), panel2);
    BitBtnFont->setObjectName(QStringLiteral("BitBtnFont"));
    titleRow->addWidget(titleLabel);
    titleRow->addWidget(EdtTitle, 1);
    titleRow->addWidget(BitBtnFont);
    layout->addWidget(panel2);
}

// Automatic or manual scale, linear or logarithmic axis.
void TFrmAxisSet::BuildScaleRow(QVBoxLayout* layout) {
    auto* scaleRow = new QHBoxLayout;
    RadioGroup2 = new RadioGroup(QStringLiteral("目盛の設定"), {QStringLiteral("自動"), QStringLiteral("手動")}, this);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->SetItemIndex(0);
    GroupBoxType = new QGroupBox(QStringLiteral("軸タイプ"), this);
    GroupBoxType->setObjectName(QStringLiteral("GroupBoxType"));
    auto* typeLayout = new QVBoxLayout(GroupBoxType);
    RadioButtonLinear = new QRadioButton(QStringLiteral("線形"), GroupBoxType);
    RadioButtonLinear->setObjectName(QStringLiteral("RadioButtonLinear"));
    RadioButtonLinear->setChecked(true);
    RadioButtonLog = new QRadioButton(QStringLiteral("対数"), GroupBoxType);
    RadioButtonLog->setObjectName(QStringLiteral("RadioButtonLog"));
    typeLayout->addWidget(RadioButtonLinear);
    typeLayout->addWidget(RadioButtonLog);
    scaleRow->addWidget(RadioGroup2);
    scaleRow->addWidget(GroupBoxType);
    layout->addLayout(scaleRow);
}

// The range, the grid and the major and minor ticks.
void TFrmAxisSet::BuildTickGroup(QVBoxLayout* layout) {
    GroupBox1 = new QGroupBox(QStringLiteral("目盛"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* box1 = new QGridLayout(GroupBox1);
    auto* rangeGrid = new QGridLayout;
    EditMin = LabelledEdit(QStringLiteral("EditMin"), QStringLiteral("最小値："), rangeGrid, 0, GroupBox1);
    EditMax = LabelledEdit(QStringLiteral("EditMax"), QStringLiteral("最大値："), rangeGrid, 1, GroupBox1);
    Button1 = new QPushButton(QStringLiteral("目盛数字"), GroupBox1);
    Button1->setObjectName(QStringLiteral("Button1"));
    rangeGrid->addWidget(Button1, 2, 1);
    box1->addLayout(rangeGrid, 0, 0);

    RadioGroupGrid = new RadioGroup(QStringLiteral("グリッド"),
                                    {QStringLiteral("なし"), QStringLiteral("実線"), QStringLiteral("破線"),
                                     QStringLiteral("点線"), QStringLiteral("２点破線")},
                                    GroupBox1);
    RadioGroupGrid->setObjectName(QStringLiteral("RadioGroupGrid"));
    RadioGroupGrid->SetItemIndex(0);
    box1->addWidget(RadioGroupGrid, 0, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("主目盛"), GroupBox1);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* box2 = new QGridLayout(GroupBox2);
    EditInc = LabelledEdit(QStringLiteral("EditInc"), QStringLiteral("間隔："), box2, 0, GroupBox2);
    EditTickLength = LabelledEdit(QStringLiteral("EditTickLength"), QStringLiteral("外側の長さ："), box2, 1, GroupBox2);
    EditTickInnerLength =
        LabelledEdit(QStringLiteral("EditTickInnerLength"), QStringLiteral("内側の長さ："), box2, 2, GroupBox2);
    box1->addWidget(GroupBox2, 1, 0);

    GroupBox3 = new QGroupBox(QStringLiteral("副目盛"), GroupBox1);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    auto* box3 = new QGridLayout(GroupBox3);
    EditMinorTickCount =
        LabelledEdit(QStringLiteral("EditMinorTickCount"), QStringLiteral("個数："), box3, 0, GroupBox3);
    EditMinorTickLength =
        LabelledEdit(QStringLiteral("EditMinorTickLength"), QStringLiteral("外側の長さ："), box3, 1, GroupBox3);
    box1->addWidget(GroupBox3, 1, 1, Qt::AlignTop);
    layout->addWidget(GroupBox1);
}

void TFrmAxisSet::BuildButtons(QVBoxLayout* layout) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    layout->addLayout(buttons);
}

void TFrmAxisSet::ConnectControls() {
    connect(RadioGroup1, &RadioGroup::Click, this, [this](int) { RadioGroup1Click(); });
    connect(RadioGroup2, &RadioGroup::Click, this, [this](int) { RadioGroup2Click(); });
    connect(RadioButtonLinear, &QRadioButton::clicked, this, [this] { RadioButtonLinearClick(); });
    connect(RadioButtonLog, &QRadioButton::clicked, this, [this] { RadioButtonLogClick(); });
    connect(RadioGroupGrid, &RadioGroup::Click, this, [this](int) { RadioGroupGridClick(); });
    for (QLineEdit* edit :
         {EditMin, EditMax, EditInc, EditTickLength, EditTickInnerLength, EditMinorTickCount, EditMinorTickLength}) {
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { ExitOf(edit); });
    }
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(BitBtnFont, &QPushButton::clicked, this, [this] { BitBtnFontClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TFrmAxisSet::SetFontDialogHook(FontDialogHook hook) { FontHook() = std::move(hook); }

Qt::PenStyle TFrmAxisSet::GridStyleOfItem(int item) {
    switch (item) {
        case 1: return Qt::SolidLine;
        case 2: return Qt::DashLine;
        case 3: return Qt::DotLine;
        case 4: return Qt::DashDotDotLine;
        default: return Qt::NoPen;
    }
}

int TFrmAxisSet::GridItemOfStyle(Qt::PenStyle style) {
    switch (style) {
        case Qt::SolidLine: return 1;
        case Qt::DashLine: return 2;
        case Qt::DotLine: return 3;
        case Qt::DashDotDotLine: return 4;
        default: return 0;
    }
}

void TFrmAxisSet::FormCreate() {
    for (int slot = 0; slot < 3; ++slot) {
        QCPAxis* axis = chart_->AxisAt(slot);
        axis->setTickPen(QPen(Qt::black));
    }
}

int TFrmAxisSet::Selected() const {
    const int item = RadioGroup1->ItemIndex();
    return item >= 0 && item < 3 ? item : 0;
}

QCPAxis* TFrmAxisSet::SelectedAxis() const { return chart_->AxisAt(Selected()); }

void TFrmAxisSet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFrmAxisSet::FormShow() {
    for (int slot = 0; slot < 3; ++slot) {
        const QCPAxis* axis = chart_->AxisAt(slot);
        AxisCopy& copy = copy_[slot];
        copy.automatic = chart_->IsAxisAutomatic(axis);
        copy.minimum = axis->range().lower;
        copy.maximum = axis->range().upper;
        copy.increment = chart_->AxisIncrement(axis);
        copy.tickLength = axis->tickLengthOut();
        copy.tickInnerLength = axis->tickLengthIn();
        copy.minorTickCount = chart_->AxisMinorTickCount(axis);
        copy.minorTickLength = axis->subTickLengthOut();
        copy.logarithmic = chart_->IsAxisLogarithmic(axis);
    }
    GroupBoxType->setEnabled(false);
    ShowAxis();
    EdtTitle->setFocus();
}

void TFrmAxisSet::ShowAxis() {
    AxisCopy& copy = copy_[Selected()];
    QCPAxis* axis = SelectedAxis();
    EdtTitle->setText(axis->label());
    EditMin->setText(Number7(copy.minimum));
    EditMax->setText(Number7(copy.maximum));
    EditInc->setText(Number7(copy.increment));
    EditTickLength->setText(QString::number(copy.tickLength));
    EditTickInnerLength->setText(QString::number(copy.tickInnerLength));
    EditMinorTickCount->setText(QString::number(copy.minorTickCount));
    EditMinorTickLength->setText(QString::number(copy.minorTickLength));

    RadioGroup2->SetItemIndex(copy.automatic ? 0 : 1);
    EditMin->setEnabled(!copy.automatic);
    EditMax->setEnabled(!copy.automatic);

    // A logarithmic scale needs an axis that stays above zero.
    if (copy.minimum > 0) {
        GroupBoxType->setEnabled(true);
        (copy.logarithmic ? RadioButtonLog : RadioButtonLinear)->setChecked(true);
    } else {
        GroupBoxType->setEnabled(false);
        RadioButtonLinear->setChecked(true);
        copy.logarithmic = false;
    }

    const QPen gridPen = axis->grid()->pen();
    const int item = axis->grid()->visible() ? GridItemOfStyle(gridPen.style()) : 0;
    RadioGroupGrid->SetItemIndex(item);
    if (item == 0) axis->grid()->setVisible(false);
}

void TFrmAxisSet::RadioGroup1Click() {
    if (isVisible()) ShowAxis();
}

void TFrmAxisSet::RadioGroup2Click() {
    copy_[Selected()].automatic = RadioGroup2->ItemIndex() == 0;
    ShowAxis();
}

void TFrmAxisSet::RadioButtonLinearClick() {
    if (RadioButtonLinear->isChecked()) copy_[Selected()].logarithmic = false;
}

void TFrmAxisSet::RadioButtonLogClick() {
    if (RadioButtonLog->isChecked()) copy_[Selected()].logarithmic = true;
}

bool TFrmAxisSet::StoreReal(QLineEdit* edit, long double& target) {
    const auto value = ReadTypedReal(edit->text().toStdString());
    if (!value) {
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    target = *value;
    return true;
}

bool TFrmAxisSet::StoreInteger(QLineEdit* edit, int& target, int lowest) {
    const auto value = ParseInteger(edit->text().trimmed().toStdString());
    if (!value) {
        ShowError("'" + edit->text().toStdString() + "' は正しい整数値ではありません。");
    } else if (*value < lowest || *value > kLargestTickSetting) {
        ShowError(QStringLiteral("%1 から %2 までの整数を入力して下さい。")
                      .arg(lowest)
                      .arg(kLargestTickSetting)
                      .toStdString());
    } else {
        target = static_cast<int>(*value);
        return true;
    }
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool TFrmAxisSet::EditMinExit() {
    if (!StoreReal(EditMin, copy_[Selected()].minimum)) return false;
    // A minimum above zero opens the way to a logarithmic scale at once; a
    // logarithmic axis given a minimum of zero or less is refused on OK.
    if (copy_[Selected()].minimum > 0) GroupBoxType->setEnabled(true);
    return true;
}
bool TFrmAxisSet::EditMaxExit() { return StoreReal(EditMax, copy_[Selected()].maximum); }
bool TFrmAxisSet::EditIncExit() { return StoreReal(EditInc, copy_[Selected()].increment); }
bool TFrmAxisSet::EditTickLengthExit() { return StoreInteger(EditTickLength, copy_[Selected()].tickLength, 0); }
bool TFrmAxisSet::EditTickInnerLengthExit() {
    return StoreInteger(EditTickInnerLength, copy_[Selected()].tickInnerLength, 0);
}
bool TFrmAxisSet::EditMinorTickCountExit() {
    return StoreInteger(EditMinorTickCount, copy_[Selected()].minorTickCount, 0);
}
bool TFrmAxisSet::EditMinorTickLengthExit() {
    return StoreInteger(EditMinorTickLength, copy_[Selected()].minorTickLength, 0);
}

bool TFrmAxisSet::ExitOf(QLineEdit* edit) {
    // The message box of a bad entry takes the focus, which would report
    // the same exit again.
    if (inExit_) return false;
    inExit_ = true;
    bool ok = true;
    if (edit == EditMin) ok = EditMinExit();
    else if (edit == EditMax) ok = EditMaxExit();
    else if (edit == EditInc) ok = EditIncExit();
    else if (edit == EditTickLength) ok = EditTickLengthExit();
    else if (edit == EditTickInnerLength) ok = EditTickInnerLengthExit();
    else if (edit == EditMinorTickCount) ok = EditMinorTickCountExit();
    else if (edit == EditMinorTickLength) ok = EditMinorTickLengthExit();
    inExit_ = false;
    return ok;
}

void TFrmAxisSet::RadioGroupGridClick() {
    QCPAxis* axis = SelectedAxis();
    const int item = RadioGroupGrid->ItemIndex();
    if (item >= 1 && item <= 4) {
        QPen pen = axis->grid()->pen();
        pen.setStyle(GridStyleOfItem(item));
        axis->grid()->setPen(pen);
        axis->grid()->setVisible(true);
    } else {
        axis->grid()->setVisible(false);
    }
    chart_->replot();
}

std::optional<QFont> TFrmAxisSet::AskFont(const QFont& inUse) {
    const QFont shown = FontAsShown(inUse);
    std::optional<QFont> chosen;
    if (FontHook()) {
        chosen = FontHook()(this, shown);
    } else {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, shown, this, QStringLiteral("フォント"));
        if (ok) chosen = font;
    }
    // OK without a change keeps the font as it was named and sized.
    if (!chosen || SameChoice(*chosen, shown)) return std::nullopt;
    return chosen;
}

QFont TFrmAxisSet::FontAsShown(const QFont& inUse) {
    // The font dialog lists real families and point sizes: a substituted name
    // ("ＭＳ Ｐ明朝") or a pixel size would open it on its default font instead.
    const QFontInfo actual(inUse);
    QFont shown = inUse;
    shown.setFamily(actual.family());
    shown.setPointSize(std::max(1, qRound(actual.pointSizeF())));
    return shown;
}

bool TFrmAxisSet::SameChoice(const QFont& a, const QFont& b) {
    return QFontInfo(a).family() == QFontInfo(b).family() && a.pointSizeF() == b.pointSizeF() && a.bold() == b.bold() &&
           a.italic() == b.italic() && a.underline() == b.underline() && a.strikeOut() == b.strikeOut();
}

void TFrmAxisSet::Button1Click() {
    QCPAxis* axis = SelectedAxis();
    if (const auto font = AskFont(axis->tickLabelFont())) {
        axis->setTickLabelFont(*font);
        axis->setSelectedTickLabelFont(*font);
        chart_->replot();
    }
}

void TFrmAxisSet::BitBtnFontClick() {
    QCPAxis* axis = SelectedAxis();
    if (const auto font = AskFont(axis->labelFont())) {
        axis->setLabelFont(*font);
        axis->setSelectedLabelFont(*font);
        chart_->replot();
    }
}

QString TFrmAxisSet::RefusalOf(int slot) const {
    const AxisCopy& copy = copy_[slot];
    if (!copy.automatic && !(copy.minimum < copy.maximum)) {
        return kAxisNames[slot] + QStringLiteral("の最小値が最大値以上です。\n最小値は最大値より小さくして下さい。");
    }
    if (copy.logarithmic && !(copy.minimum > 0)) {
        return kAxisNames[slot] + QStringLiteral(
                                      "は 0 以下の範囲を含むため、対数目盛にできません。\n最小値を 0 "
                                      "より大きくするか、線形にして下さい。");
    }
    if (copy.increment < 0) {
        return kAxisNames[slot] + QStringLiteral("の主目盛の間隔には 0 以上の数値を入力して下さい。");
    }
    return QString();
}

void TFrmAxisSet::BitBtn1Click() {
    // Pressing OK leaves the box being edited first.
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget())) {
        if (edit != EdtTitle && !ExitOf(edit)) return;
    }
    for (int slot = 0; slot < 3; ++slot) {
        const QString refusal = RefusalOf(slot);
        if (refusal.isEmpty()) continue;
        ShowError(refusal.toStdString());
        // Show the axis in question so it can be put right; nothing is written.
        RadioGroup1->SetItemIndex(slot);
        ShowAxis();
        return;
    }
    SelectedAxis()->setLabel(EdtTitle->text());
    for (int slot = 0; slot < 3; ++slot) {
        QCPAxis* axis = chart_->AxisAt(slot);
        const AxisCopy& copy = copy_[slot];
        chart_->SetAxisAutomatic(axis, copy.automatic);
        if (!copy.automatic) axis->setRange(double(copy.minimum), double(copy.maximum));
        chart_->SetAxisIncrement(axis, double(copy.increment));
        axis->setTickLengthOut(copy.tickLength);
        axis->setTickLengthIn(copy.tickInnerLength);
        chart_->SetAxisMinorTickCount(axis, copy.minorTickCount);
        axis->setSubTickLengthOut(copy.minorTickLength);
        // Label fonts and grid pens were set on the chart when chosen.
        chart_->SetAxisLogarithmic(axis, copy.logarithmic);
    }
    chart_->UpdateAxes();
    accept();
}

void TFrmAxisSet::BitBtn2Click() { reject(); }

int TFrmAxisSet::A1Click() { return exec(); }

int TFrmAxisSet::Chart1ClickAxis(QCPAxis* axis) {
    const int slot = chart_->AxisSlot(axis);
    if (slot < 0) return -1;
    RadioGroup1->SetItemIndex(slot);
    return exec();
}

}  // namespace kurvex::gui
