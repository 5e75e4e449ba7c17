#include "gui/chart/OutlineSvg.h"

#include <QBuffer>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QSvgGenerator>

namespace kurvex::gui {

namespace {

// The painter keeps the current state in the engine's protected `state`
// member; a forwarding engine must hand it on to the engine it forwards to.
struct EngineStateAccess : QPaintEngine {
    static QPaintEngineState*& StateOf(QPaintEngine* engine) { return engine->*(&EngineStateAccess::state); }
};

QPaintEngine::PaintEngineFeatures FeaturesOf(const QPaintEngine* engine) {
    QPaintEngine::PaintEngineFeatures features;
    for (int bit = 0; bit < 32; ++bit) {
        const auto feature = QPaintEngine::PaintEngineFeature(1u << bit);
        if (engine->hasFeature(feature)) features |= feature;
    }
    return features;
}

// Forwards everything to the SVG engine except text, which the base class
// turns into a path and fills through the painter, i.e. through drawPath.
class OutliningEngine : public QPaintEngine {
public:
    OutliningEngine(QPaintEngine* svg, QPaintDevice* svgDevice)
        : QPaintEngine(FeaturesOf(svg)), svg_(svg), svgDevice_(svgDevice) {}

    bool begin(QPaintDevice*) override {
        Sync();
        svg_->setPaintDevice(svgDevice_);
        const bool ok = svg_->begin(svgDevice_);
        svg_->setActive(ok);
        return ok;
    }
    bool end() override {
        Sync();
        const bool ok = svg_->end();
        svg_->setActive(false);
        return ok;
    }
    void updateState(const QPaintEngineState& s) override {
        Sync();
        svg_->updateState(s);
    }
    void drawRects(const QRectF* rects, int count) override {
        Sync();
        svg_->drawRects(rects, count);
    }
    void drawEllipse(const QRectF& rect) override {
        Sync();
        svg_->drawEllipse(rect);
    }
    void drawPath(const QPainterPath& path) override {
        Sync();
        svg_->drawPath(path);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        Sync();
        svg_->drawPolygon(points, count, mode);
    }
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
        Sync();
        svg_->drawPixmap(r, pm, sr);
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags flags) override {
        Sync();
        svg_->drawImage(r, image, sr, flags);
    }
    Type type() const override { return QPaintEngine::User; }

private:
    void Sync() { EngineStateAccess::StateOf(svg_) = state; }

    QPaintEngine* svg_;
    QPaintDevice* svgDevice_;
};

class OutliningDevice : public QPaintDevice {
public:
    explicit OutliningDevice(QSvgGenerator* generator)
        : generator_(generator), engine_(static_cast<QPaintDevice*>(generator)->paintEngine(), generator) {}
    ~OutliningDevice() override = default;

    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth: return generator_->width();
            case PdmHeight: return generator_->height();
            case PdmWidthMM: return generator_->widthMM();
            case PdmHeightMM: return generator_->heightMM();
            case PdmNumColors: return generator_->colorCount();
            case PdmDepth: return generator_->depth();
            case PdmDpiX: return generator_->logicalDpiX();
            case PdmDpiY: return generator_->logicalDpiY();
            case PdmPhysicalDpiX: return generator_->physicalDpiX();
            case PdmPhysicalDpiY: return generator_->physicalDpiY();
            case PdmDevicePixelRatio: return 1;
            case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
            default: return 0;
        }
    }

private:
    QSvgGenerator* generator_;
    mutable OutliningEngine engine_;
};

}  // namespace

QByteArray RenderOutlinedSvg(const QSize& size, const QString& title, const std::function<void(QPaintDevice*)>& draw) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(title);
    {
        OutliningDevice device(&generator);
        draw(&device);
    }
    buffer.close();
    return bytes;
}

}  // namespace kurvex::gui
