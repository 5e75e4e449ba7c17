#pragma once
// The prediction window "回帰式による予測": the current model evaluated at
// explanatory values the user types, with the current coefficients.
// (Named apart from the computation's header tools/Prediction.h, which a
// header of the same path here would hide.)
#include <QDialog>
#include <string>
#include <vector>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace kurvex {
struct TFitState;
}

namespace kurvex::gui {

class StringGrid;

class TFrmPredict : public QDialog {
    Q_OBJECT

public:
    explicit TFrmPredict(QWidget* parent = nullptr);

    // The fit state whose data set, model and coefficients are used; it must
    // outlive the window (the main window's own state).
    void SetFitState(const TFitState* state) { state_ = state; }
    // "回帰式による予測(&P)": shows the window modally.
    int Execute(const TFitState& state);

    // Handlers.
    void FormShow();
    // Enter in the grid: the next row, or from the last row the "計算" button.
    void StringGridXValueKeyPress();
    void BitBtn1Click();  // "計算"

    StringGrid* StringGridXValue = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* EditValue = nullptr;
    // The intervals of the predicted value at the level of 両側信頼区間の確率.
    QGroupBox* GroupBoxIntervals = nullptr;
    QLineEdit* EditConfidenceInterval = nullptr;
    QLineEdit* EditPredictionInterval = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int VariableCount() const;
    void ShowIntervals(const std::vector<std::string>& texts);

    const TFitState* state_ = nullptr;
};

}  // namespace kurvex::gui
