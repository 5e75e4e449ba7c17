#include "core/tools/ReportChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "core/common/NumberFormat.h"
#include "core/regression/Bands.h"
#include "core/regression/Models.h"
#include "core/tools/NiceRange.h"

namespace kurvex {
namespace {

constexpr double kWidth = 640, kHeight = 400;
constexpr double kLeft = 70, kRight = 20, kTop = 20, kBottom = 50;

std::string Px(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}

struct Range {
    double lo = std::numeric_limits<double>::infinity(), hi = -std::numeric_limits<double>::infinity();
    int divisions = 5;
    void Add(double v) {
        if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    }
    void Finish() {
        if (!std::isfinite(lo)) lo = 0, hi = 1;
        if (lo == hi) lo -= 1, hi += 1;
        NiceRange(lo, hi, divisions);
    }
};

// One plot area: axes with ticks and titles; maps data to pixels.
class Plot {
public:
    Plot(Range x, Range y, double width, double height) : x_(x), y_(y), width_(width), height_(height) {}
    double X(double v) const { return kLeft + (v - x_.lo) / (x_.hi - x_.lo) * (width_ - kLeft - kRight); }
    double Y(double v) const { return height_ - kBottom - (v - y_.lo) / (y_.hi - y_.lo) * (height_ - kTop - kBottom); }
    bool Inside(double x, double y) const { return x >= x_.lo && x <= x_.hi && y >= y_.lo && y <= y_.hi; }

    std::string Axes(const std::string& xTitle, const std::string& yTitle) const {
        std::string s = "<rect x=\"" + Px(kLeft) + "\" y=\"" + Px(kTop) + "\" width=\"" + Px(width_ - kLeft - kRight) +
                        "\" height=\"" + Px(height_ - kTop - kBottom) + "\" fill=\"white\" stroke=\"black\"/>\n";
        for (int i = 0; i <= x_.divisions; ++i) {
            const double v = x_.lo + (x_.hi - x_.lo) * i / x_.divisions;
            s += "<line x1=\"" + Px(X(v)) + "\" y1=\"" + Px(height_ - kBottom) + "\" x2=\"" + Px(X(v)) + "\" y2=\"" +
                 Px(height_ - kBottom + 5) + "\" stroke=\"black\"/>";
            s += "<text x=\"" + Px(X(v)) + "\" y=\"" + Px(height_ - kBottom + 18) + "\" text-anchor=\"middle\">" +
                 FormatNumber(v, 5) + "</text>\n";
        }
        for (int i = 0; i <= y_.divisions; ++i) {
            const double v = y_.lo + (y_.hi - y_.lo) * i / y_.divisions;
            s += "<line x1=\"" + Px(kLeft - 5) + "\" y1=\"" + Px(Y(v)) + "\" x2=\"" + Px(kLeft) + "\" y2=\"" +
                 Px(Y(v)) + "\" stroke=\"black\"/>";
            s += "<text x=\"" + Px(kLeft - 8) + "\" y=\"" + Px(Y(v) + 4) + "\" text-anchor=\"end\">" +
                 FormatNumber(v, 5) + "</text>\n";
        }
        s += "<text x=\"" + Px((kLeft + width_ - kRight) / 2) + "\" y=\"" + Px(height_ - 10) +
             "\" text-anchor=\"middle\">" + EscapeXml(xTitle) + "</text>\n";
        s += "<text transform=\"translate(16," + Px((kTop + height_ - kBottom) / 2) +
             ") rotate(-90)\" text-anchor=\"middle\">" + EscapeXml(yTitle) + "</text>\n";
        return s;
    }

    std::string Line(const std::vector<double>& xs, const std::vector<double>& ys, const std::string& style) const {
        std::string points;
        for (std::size_t i = 0; i < xs.size(); ++i)
            points += Px(X(xs[i])) + "," + Px(Y(std::clamp(ys[i], y_.lo, y_.hi))) + " ";
        return "<polyline fill=\"none\" " + style + " points=\"" + points + "\"/>\n";
    }

    std::string Points(const std::vector<double>& xs, const std::vector<double>& ys) const {
        std::string s;
        for (std::size_t i = 0; i < xs.size(); ++i)
            if (Inside(xs[i], ys[i]))
                s += "<circle cx=\"" + Px(X(xs[i])) + "\" cy=\"" + Px(Y(ys[i])) + "\" r=\"3.5\" fill=\"#d00000\"/>";
        return s + "\n";
    }

private:
    Range x_, y_;
    double width_, height_;
};

std::string SvgOpen(double width, double height) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Px(width) + "\" height=\"" + Px(height) +
           "\" viewBox=\"0 0 " + Px(width) + " " + Px(height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
}

// Fitted values at the data points (none where the model fails).
std::vector<double> FittedValues(const TFitState& state) {
    std::vector<double> fitted;
    ModelEvaluator model(state.model);
    for (std::int32_t i = 0; i < state.data.n; ++i) {
        try {
            fitted.push_back(static_cast<double>(model.Value(state.data.PointX(i), state.results.coefficients)));
        } catch (const std::exception&) {
            fitted.push_back(std::numeric_limits<double>::quiet_NaN());
        }
    }
    return fitted;
}

}  // namespace

std::string FitChartSvg(const TFitState& state, const std::string& xTitle, const std::string& yTitle) {
    const TFitData& data = state.data;
    const bool oneVariable = data.nx == 1 && state.model.nx == 1;
    std::vector<double> xs, ys(data.y.begin(), data.y.begin() + data.n);
    const std::vector<double> fitted = state.results.valid ? FittedValues(state) : std::vector<double>();
    Range xr, yr;
    for (std::int32_t i = 0; i < data.n; ++i) {
        xs.push_back(oneVariable ? data.PointX(i)[0] : fitted.empty() ? 0.0 : fitted[static_cast<std::size_t>(i)]);
        xr.Add(xs.back());
        yr.Add(ys[static_cast<std::size_t>(i)]);
    }
    std::vector<BandPoint> bands;
    if (oneVariable && state.results.valid && std::isfinite(xr.lo)) {
        bands = ComputeBands(state, xr.lo, xr.hi, 101);
        for (const auto& b : bands) {
            yr.Add(b.fit);
            if (b.predictionLow) yr.Add(*b.predictionLow), yr.Add(*b.predictionHigh);
        }
    }
    if (!oneVariable) yr.Add(xr.lo), yr.Add(xr.hi);
    xr.Finish();
    yr.Finish();
    const Plot plot(xr, yr, kWidth, kHeight);
    std::string svg = SvgOpen(kWidth, kHeight);
    svg += plot.Axes(oneVariable ? xTitle : "計算値", oneVariable ? yTitle : "実測値");
    if (oneVariable && !bands.empty()) {
        auto series = [&](auto pick, const std::string& style) {
            std::vector<double> bx, by;
            for (const auto& b : bands)
                if (auto v = pick(b)) bx.push_back(b.x), by.push_back(*v);
            return bx.empty() ? std::string() : plot.Line(bx, by, style);
        };
        const std::string prediction = "stroke=\"#0000c0\" stroke-width=\"1\" stroke-dasharray=\"6,4\"";
        const std::string confidence = "stroke=\"#0000c0\" stroke-width=\"1\" stroke-dasharray=\"2,2\"";
        svg += series([](const BandPoint& b) { return b.predictionLow; }, prediction);
        svg += series([](const BandPoint& b) { return b.predictionHigh; }, prediction);
        svg += series([](const BandPoint& b) { return b.confidenceLow; }, confidence);
        svg += series([](const BandPoint& b) { return b.confidenceHigh; }, confidence);
        svg += series([](const BandPoint& b) { return std::optional<double>(b.fit); },
                      "stroke=\"#0000c0\" stroke-width=\"2\"");
    } else if (!oneVariable) {
        svg += plot.Line({xr.lo, xr.hi}, {xr.lo, xr.hi}, "stroke=\"#0000c0\" stroke-width=\"1\"");
    }
    svg += plot.Points(xs, ys);
    return svg + "</svg>\n";
}

std::string ResidualChartsSvg(const TFitState& state, const std::string& xTitle) {
    const TFitData& data = state.data;
    const std::vector<double> fitted = state.results.valid ? FittedValues(state) : std::vector<double>();
    std::vector<double> xs, fs, rs;
    for (std::int32_t i = 0; i < data.n && !fitted.empty(); ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!std::isfinite(fitted[k])) continue;
        xs.push_back(data.nx >= 1 ? data.PointX(i)[0] : i + 1.0);
        fs.push_back(fitted[k]);
        rs.push_back((data.y[k] - fitted[k]) * data.sqrtw[k]);
    }
    const double half = kWidth / 2;
    std::string svg = SvgOpen(kWidth, kHeight * 0.75);
    for (const bool againstFitted : {false, true}) {
        const auto& horizontal = againstFitted ? fs : xs;
        Range xr, yr;
        for (std::size_t i = 0; i < horizontal.size(); ++i) xr.Add(horizontal[i]), yr.Add(rs[i]);
        yr.Add(0);
        xr.Finish();
        yr.Finish();
        const Plot plot(xr, yr, half, kHeight * 0.75);
        svg += "<g transform=\"translate(" + Px(againstFitted ? half : 0) + ",0)\">\n";
        svg += plot.Axes(againstFitted ? "計算値" : xTitle, "重み付き残差");
        svg += plot.Line({xr.lo, xr.hi}, {0, 0}, "stroke=\"gray\" stroke-width=\"1\"");
        svg += plot.Points(horizontal, rs);
        svg += "</g>\n";
    }
    return svg + "</svg>\n";
}

std::string EscapeXml(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        switch (ch) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += ch;
        }
    }
    return out;
}

}  // namespace kurvex
