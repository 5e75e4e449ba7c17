#pragma once

// The axis settings dialog `TFrmAxisSet` ("軸の設定") for the bottom, left
// and right axes of `Chart1`. Numbers are edited in a working copy and
// written on OK; fonts and the grid style act on the chart at once.

#include <QDialog>
#include <QFont>

#include <functional>
#include <optional>

class QCPAxis;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace kurvex::gui {

class ChartPanel;
class RadioGroup;

class TFrmAxisSet : public QDialog {
    Q_OBJECT

public:
    explicit TFrmAxisSet(ChartPanel* chart, QWidget* parent = nullptr);
    ~TFrmAxisSet() override;

    // One record per axis: bottom (X), left (Y), right (R).
    struct AxisCopy {
        bool automatic = true;
        long double minimum = 0;
        long double maximum = 1;
        long double increment = 0;
        int tickLength = 0;
        int tickInnerLength = 0;
        int minorTickCount = 0;
        int minorTickLength = 0;
        bool logarithmic = false;
    };

    // Main-window openers. A1Click keeps the axis selection; Chart1ClickAxis
    // first selects the clicked axis and opens nothing for the top axis.
    // Both return the dialog result, or -1 when nothing was opened.
    int A1Click();
    int Chart1ClickAxis(QCPAxis* axis);

    const AxisCopy& WorkingCopy(int axis) const { return copy_[axis]; }
    // The controls refreshed from the working copy of the selected axis.
    void ShowAxis();

    // The font dialog goes through this hook so tests can answer it; an empty
    // result means Cancel. An empty hook restores the real dialog.
    using FontDialogHook = std::function<std::optional<QFont>(QWidget*, const QFont&)>;
    static void SetFontDialogHook(FontDialogHook hook);

    // Controls (designer names).
    RadioGroup* RadioGroup1 = nullptr;
    QLineEdit* EdtTitle = nullptr;
    QPushButton* BitBtnFont = nullptr;
    RadioGroup* RadioGroup2 = nullptr;
    QGroupBox* GroupBoxType = nullptr;
    QRadioButton* RadioButtonLinear = nullptr;
    QRadioButton* RadioButtonLog = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* EditMin = nullptr;
    QLineEdit* EditMax = nullptr;
    QPushButton* Button1 = nullptr;
    RadioGroup* RadioGroupGrid = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* EditInc = nullptr;
    QLineEdit* EditTickLength = nullptr;
    QLineEdit* EditTickInnerLength = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLineEdit* EditMinorTickCount = nullptr;
    QLineEdit* EditMinorTickLength = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // Grid style of each RadioGroupGrid item ("なし" is Qt::NoPen).
    static Qt::PenStyle GridStyleOfItem(int item);
    static int GridItemOfStyle(Qt::PenStyle style);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void BuildTitleRow(QVBoxLayout* layout);
    void BuildScaleRow(QVBoxLayout* layout);
    void BuildTickGroup(QVBoxLayout* layout);
    void BuildButtons(QVBoxLayout* layout);
    void ConnectControls();
    void FormShow();
    void RadioGroup1Click();
    void RadioGroup2Click();
    void RadioButtonLinearClick();
    void RadioButtonLogClick();
    bool EditMinExit();
    bool EditMaxExit();
    bool EditIncExit();
    bool EditTickLengthExit();
    bool EditTickInnerLengthExit();
    bool EditMinorTickCountExit();
    bool EditMinorTickLengthExit();
    void RadioGroupGridClick();
    void Button1Click();
    void BitBtnFontClick();
    void BitBtn1Click();
    void BitBtn2Click();

    // The exit handler of an edit box (leaving it stores its value).
    bool ExitOf(QLineEdit* edit);
    bool StoreReal(QLineEdit* edit, long double& target);
    bool StoreInteger(QLineEdit* edit, int& target, int lowest);
    // The reason the working copy cannot be written, or empty.
    QString RefusalOf(int axis) const;
    QCPAxis* SelectedAxis() const;
    int Selected() const;
    // The font dialog preset with `inUse`; nothing when cancelled or left unchanged.
    std::optional<QFont> AskFont(const QFont& inUse);
    static QFont FontAsShown(const QFont& inUse);
    static bool SameChoice(const QFont& a, const QFont& b);

    ChartPanel* chart_;
    AxisCopy copy_[3];
    bool inExit_ = false;
};

}  // namespace kurvex::gui
