#pragma once
// The modeless progress window shared by the fit and Kendall's test. It is
// the GUI's ProgressSink: each update lets pending window messages run, which
// is how a press of its Cancel button reaches the computation.
#include <QDialog>

#include "core/common/ProgressSink.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kurvex::gui {

class TFrmProgress : public QDialog, public ProgressSink {
    Q_OBJECT

public:
    explicit TFrmProgress(QWidget* parent = nullptr);

    void StartProgress(const std::string& caption) override;
    void SetProgress(int percent) override;
    void SetComment(const std::string& text) override;
    bool Cancelled() const override { return cancelled_; }
    void ProcessPendingEvents() override;
    void FinishProgress() override;

    // What the Cancel button does; tests and the main window's own code may call it.
    void BitBtn1Click();

    QProgressBar* ProgressBar1 = nullptr;
    QLabel* LblComment = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    // Closing the window by its frame is a cancel too, so the fit never runs on unseen.
    void reject() override;

private:
    bool cancelled_ = false;
};

}  // namespace kurvex::gui
