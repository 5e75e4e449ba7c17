#pragma once

// Linear ticker with a settable major increment and minor tick count; the
// stock ticker chooses both itself.

#include <qcustomplot.h>

namespace kurvex::gui {

class AxisTicker : public QCPAxisTicker {
public:
    // 0 (or less) lets the ticker choose a readable step.
    void SetIncrement(double increment) { increment_ = increment; }
    double Increment() const { return increment_; }
    void SetMinorTickCount(int count) { minorTickCount_ = count < 0 ? 0 : count; }
    int MinorTickCount() const { return minorTickCount_; }

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;

private:
    double increment_ = 0;
    int minorTickCount_ = 3;
};

}  // namespace kurvex::gui
