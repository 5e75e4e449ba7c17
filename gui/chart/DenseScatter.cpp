#include "gui/chart/DenseScatter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kurvex::gui {

namespace {

struct StampPixel {
    int dx, dy;
    std::uint8_t coverage;
};

// The scatter shape as drawn by the chart, centred on a pixel centre: the
// covered pixels and how much of each.
std::vector<StampPixel> RenderStamp(const QCPScatterStyle& style, const QPen& pen) {
    const int half = static_cast<int>(std::ceil(style.size() / 2 + pen.widthF())) + 2;
    const int side = 2 * half + 1;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QCPPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        style.applyTo(&painter, pen);
        style.drawShape(&painter, half + 0.5, half + 0.5);
    }
    std::vector<StampPixel> stamp;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (const int alpha = qAlpha(image.pixel(x, y)); alpha > 0)
                stamp.push_back({x - half, y - half, static_cast<std::uint8_t>(alpha)});
    return stamp;
}

// pixel = offset + scale·coordinate for a linear axis.
struct LinearMap {
    double offset = 0, scale = 0;
    bool linear = false;
};

LinearMap MapOf(const QCPAxis* axis) {
    LinearMap map;
    const QCPRange range = axis->range();
    if (axis->scaleType() != QCPAxis::stLinear || range.size() == 0) return map;
    const double lower = axis->coordToPixel(range.lower), upper = axis->coordToPixel(range.upper);
    map.scale = (upper - lower) / range.size();
    map.offset = lower - map.scale * range.lower;
    map.linear = true;
    return map;
}

double ToPixel(const QCPAxis* axis, const LinearMap& map, double coordinate) {
    return map.linear ? map.offset + map.scale * coordinate : axis->coordToPixel(coordinate);
}

}  // namespace

void DrawDenseScatter(QCPPainter* painter, const QCPCurve& curve, const QRect& clip) {
    const QCPAxis* keyAxis = curve.keyAxis();
    const QCPAxis* valueAxis = curve.valueAxis();
    const int width = clip.width(), height = clip.height();
    if (!keyAxis || !valueAxis || width <= 0 || height <= 0) return;
    const bool keyHorizontal = keyAxis->orientation() == Qt::Horizontal;
    const LinearMap keyMap = MapOf(keyAxis), valueMap = MapOf(valueAxis);

    // The pixels that hold a point centre.
    std::vector<std::uint8_t> hit(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const auto data = curve.data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
        const double keyPixel = ToPixel(keyAxis, keyMap, it->key);
        const double valuePixel = ToPixel(valueAxis, valueMap, it->value);
        const double px = (keyHorizontal ? keyPixel : valuePixel) - clip.left();
        const double py = (keyHorizontal ? valuePixel : keyPixel) - clip.top();
        if (!(px >= 0 && px < width && py >= 0 && py < height)) continue;  // outside, or a gap (NaN)
        hit[static_cast<std::size_t>(py) * static_cast<std::size_t>(width) + static_cast<std::size_t>(px)] = 1;
    }

    const QCPScatterStyle style = curve.scatterStyle();
    const std::vector<StampPixel> stamp = RenderStamp(style, curve.pen());
    std::vector<std::uint8_t> coverage(hit.size(), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = &hit[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
        for (int x = 0; x < width; ++x) {
            if (!row[x]) continue;
            for (const StampPixel& s : stamp) {
                const int tx = x + s.dx, ty = y + s.dy;
                if (tx < 0 || tx >= width || ty < 0 || ty >= height) continue;
                std::uint8_t& c = coverage[static_cast<std::size_t>(ty) * static_cast<std::size_t>(width) +
                                           static_cast<std::size_t>(tx)];
                c = std::max(c, s.coverage);
            }
        }
    }

    const QColor colour = style.brush().style() != Qt::NoBrush ? style.brush().color() : curve.pen().color();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* row = &coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
        for (int x = 0; x < width; ++x) {
            const int alpha = static_cast<int>(row[x] * kDenseScatterOpacity + 0.5);
            line[x] =
                qRgba(colour.red() * alpha / 255, colour.green() * alpha / 255, colour.blue() * alpha / 255, alpha);
        }
    }
    painter->drawImage(clip.topLeft(), image);

    // The selected points on top, as the selection decorator draws them.
    const QCPDataSelection selection = curve.selection();
    if (selection.isEmpty() || !curve.selectionDecorator()) return;
    const QCPScatterStyle selected = curve.selectionDecorator()->getFinalScatterStyle(style);
    selected.applyTo(painter, curve.selectionDecorator()->pen());
    for (const QCPDataRange& range : selection.dataRanges())
        for (int k = range.begin(); k < range.end() && k < data->size(); ++k) {
            const auto point = data->at(k);
            const QPointF pixel = curve.coordsToPixels(point->key, point->value);
            selected.drawShape(painter, pixel);
        }
}

}  // namespace kurvex::gui
