#include "gui/tools/PredictionWindow.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "core/common/NumberFormat.h"
#include "core/regression/Bands.h"
#include "core/regression/FitState.h"
#include "core/tools/Prediction.h"
#include "gui/common/StringGrid.h"

namespace kurvex::gui {

namespace {

bool IsEnterKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Enter inside a cell editor commits the value as usual, and then moves on
// as Enter in the grid itself does.
class EnterMovesDelegate : public QStyledItemDelegate {
public:
    EnterMovesDelegate(TFrmPredict* window) : QStyledItemDelegate(window), window_(window) {}

protected:
    bool eventFilter(QObject* editor, QEvent* event) override {
        const bool enter = IsEnterKey(event);
        const bool handled = QStyledItemDelegate::eventFilter(editor, event);
        // Queued after the delegate's own queued commit, so the value is in the cell first.
        if (enter) QTimer::singleShot(0, window_, [window = window_] { window->StringGridXValueKeyPress(); });
        return handled;
    }

private:
    TFrmPredict* window_;
};

}  // namespace

TFrmPredict::TFrmPredict(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmPredict"));
    setWindowTitle(QStringLiteral("回帰式による予測"));
    setModal(true);

    StringGridXValue = new StringGrid(2, 2, this);
    StringGridXValue->setObjectName(QStringLiteral("StringGridXValue"));
    StringGridXValue->SetEditable(true);
    StringGridXValue->SetColWidth(0, 64);
    StringGridXValue->SetColWidth(1, 160);
    StringGridXValue->setItemDelegate(new EnterMovesDelegate(this));
    StringGridXValue->installEventFilter(this);

    BitBtn1 = new QPushButton(QStringLiteral("計算"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmPredict::BitBtn1Click);

    GroupBox1 = new QGroupBox(QStringLiteral("予測値"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    EditValue = new QLineEdit(GroupBox1);
    EditValue->setObjectName(QStringLiteral("EditValue"));
    EditValue->setReadOnly(true);
    auto* valueLayout = new QHBoxLayout(GroupBox1);
    valueLayout->addWidget(EditValue);

    GroupBoxIntervals = new QGroupBox(QStringLiteral("予測値の区間"), this);
    GroupBoxIntervals->setObjectName(QStringLiteral("GroupBoxIntervals"));
    EditConfidenceInterval = new QLineEdit(GroupBoxIntervals);
    EditConfidenceInterval->setObjectName(QStringLiteral("EditConfidenceInterval"));
    EditConfidenceInterval->setReadOnly(true);
    EditPredictionInterval = new QLineEdit(GroupBoxIntervals);
    EditPredictionInterval->setObjectName(QStringLiteral("EditPredictionInterval"));
    EditPredictionInterval->setReadOnly(true);
    auto* intervals = new QFormLayout(GroupBoxIntervals);
    intervals->addRow(QStringLiteral("信頼区間："), EditConfidenceInterval);
    intervals->addRow(QStringLiteral("予測区間："), EditPredictionInterval);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(GroupBox1, 1);
    bottom->addWidget(BitBtn1, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGridXValue, 1);
    layout->addLayout(bottom);
    layout->addWidget(GroupBoxIntervals);
    resize(340, 340);
}

int TFrmPredict::Execute(const TFitState& state) {
    state_ = &state;
    return exec();
}

int TFrmPredict::VariableCount() const { return state_ ? std::max<int>(state_->data.nx, 0) : 0; }

void TFrmPredict::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFrmPredict::FormShow() {
    const int m = VariableCount();
    StringGridXValue->SetColCount(2);
    StringGridXValue->SetRowCount(m + 1);
    for (int v = 1; v <= m; ++v) {
        StringGridXValue->SetCell(0, v, QStringLiteral("X%1").arg(v));
        // Values typed earlier stay; only empty cells start at 0.
        if (StringGridXValue->Cell(1, v).isEmpty()) StringGridXValue->SetCell(1, v, QStringLiteral("0"));
    }
    StringGridXValue->SetCell(1, 0, QStringLiteral("値"));
    EditValue->clear();
    EditConfidenceInterval->clear();
    EditPredictionInterval->clear();
    if (m > 0) {
        // Typing starts in the first cell, wherever the focus was left last time.
        StringGridXValue->setCurrentCell(1, 1);
        StringGridXValue->setFocus();
    }
}

bool TFrmPredict::eventFilter(QObject* watched, QEvent* event) {
    // With a cell editor open the key reaches the grid only on its way up from
    // the editor, which has handled it already.
    if (watched == StringGridXValue && IsEnterKey(event) && StringGridXValue->hasFocus()) {
        StringGridXValueKeyPress();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmPredict::StringGridXValueKeyPress() {
    const int row = StringGridXValue->currentRow();
    const int last = StringGridXValue->RowCount() - 1;
    if (row >= 1 && row < last) {
        StringGridXValue->setCurrentCell(row + 1, 1);
        StringGridXValue->setFocus();
    } else {
        BitBtn1->setFocus();
    }
}

void TFrmPredict::BitBtn1Click() {
    if (!state_) return;
    std::vector<std::string> texts;
    for (int v = 1; v <= VariableCount(); ++v) texts.push_back(StringGridXValue->Cell(1, v).toStdString());
    const std::optional<std::string> value = PredictText(state_->model, state_->results.coefficients, texts);
    if (value) EditValue->setText(QString::fromStdString(*value));
    EditConfidenceInterval->clear();
    EditPredictionInterval->clear();
    if (value) ShowIntervals(texts);
}

void TFrmPredict::ShowIntervals(const std::vector<std::string>& texts) {
    std::vector<double> x;
    for (const auto& text : texts) x.push_back(ParseNumber(text).value_or(0.0));
    try {
        BandCalculator bands(*state_);
        const PredictionInterval interval = bands.At(x);
        const QString level = QStringLiteral("（%1%）").arg(
            QString::fromStdString(FormatNumber((1 - state_->conditions.alpha) * 100, 15)));
        if (interval.confidenceHalf) {
            EditConfidenceInterval->setText(
                QString::fromStdString(IntervalText(interval.value, interval.confidenceHalf)) + level);
            EditPredictionInterval->setText(
                QString::fromStdString(IntervalText(interval.value, interval.predictionHalf)) + level);
        }
    } catch (const std::exception&) {
        // The value was computed; intervals that cannot be stay empty.
    }
}

}  // namespace kurvex::gui
