#include "gui/chart/AxisTicker.h"

namespace kurvex::gui {

namespace {
// More ticks than this would only paint the axis black and stall drawing.
constexpr double kMaxTicks = 1000;
}  // namespace

double AxisTicker::getTickStep(const QCPRange& range) {
    if (increment_ > 0 && range.size() / increment_ <= kMaxTicks) return increment_;
    return QCPAxisTicker::getTickStep(range);
}

int AxisTicker::getSubTickCount(double) { return minorTickCount_; }

}  // namespace kurvex::gui
