#pragma once
// Drawing a scatter of very many points in a time that does not grow with
// their number beyond one pass over them: the points are binned into device
// pixels, the scatter shape is rendered once, and every hit pixel takes a
// copy of it in one image. Overlapping shapes merge as drawn shapes do; the
// picture differs from drawing each shape only where a centre is rounded to
// its pixel.
#include <qcustomplot.h>

namespace kurvex::gui {

// From this many points on, a data series is drawn as one image, half
// transparent, so that the curves below it stay visible.
inline constexpr int kDenseScatterPoints = 1000;
inline constexpr double kDenseScatterOpacity = 0.45;

// Draws the scatter of `curve` (its shape, pen and brush, the selected
// points with the selection decorator) within `clip`.
void DrawDenseScatter(QCPPainter* painter, const QCPCurve& curve, const QRect& clip);

}  // namespace kurvex::gui
