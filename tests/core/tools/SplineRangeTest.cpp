#include <gtest/gtest.h>

#include <cmath>

#include "core/tools/NiceRange.h"
#include "core/tools/RunSpline.h"
#include "core/tools/SplineMessages.h"
#include "tests/core/tools/CaptionRecordingSink.h"

using namespace kurvex;
using kurvex::testing::CaptionRecordingSink;

TEST(NiceRange, RoundsOutwardToNiceSteps) {
    struct Case {
        double lo, hi, niceLo, niceHi;
        int divisions;
    };
    for (const Case& c : {Case{0.3, 9.7, 0, 10, 5}, Case{-3.2, 47.5, -10, 50, 6}, Case{-2.0005, 7.9, -2, 8, 5},
                          Case{0.0012, 0.0093, 0.001, 0.01, 9}}) {
        double lo = c.lo, hi = c.hi;
        int k = 5;
        ASSERT_TRUE(NiceRange(lo, hi, k));
        EXPECT_NEAR(lo, c.niceLo, 1e-12) << c.lo;
        EXPECT_NEAR(hi, c.niceHi, 1e-12) << c.hi;
        EXPECT_EQ(k, c.divisions) << c.lo;
    }
    // One division fewer than asked when its step is the nicest: 10 of 1, not 13 of 0.8.
    double lo = 0, hi = 10;
    int k = 11;
    ASSERT_TRUE(NiceRange(lo, hi, k));
    EXPECT_EQ(k, 10);
    EXPECT_EQ(hi, 10);
}

TEST(NiceRange, LeavesDegenerateRangesAlone) {
    for (auto [lo0, hi0, k0] : {std::tuple{2.0, 2.0, 5}, std::tuple{3.0, 1.0, 5}, std::tuple{0.0, 1.0, 1},
                                std::tuple{0.0, double(INFINITY), 5}}) {
        double lo = lo0, hi = hi0;
        int k = k0;
        EXPECT_FALSE(NiceRange(lo, hi, k));
        EXPECT_EQ(lo, lo0);
        EXPECT_EQ(hi, hi0);
        EXPECT_EQ(k, k0);
    }
}

namespace {

SplineSettings Settings(SplineMethod method, long long np, long long nd, double lo, double hi) {
    SplineSettings s;
    s.method = method;
    s.outputIntervals = np;
    s.subIntervals = nd;
    s.rangeMin = lo;
    s.rangeMax = hi;
    return s;
}

}  // namespace

TEST(RunSpline, DefaultGridHasNpPlusOnePointsOverTheRange) {
    std::vector<double> x, y;
    for (int i = 0; i <= 20; ++i) {
        x.push_back(-1 + 0.35 * i);
        y.push_back(std::exp(-x.back() * x.back()));
    }
    CaptionRecordingSink sink;
    ScopedMessageSink guard(sink);
    for (SplineMethod method : {SplineMethod::Bayesian, SplineMethod::Cubic}) {
        SplineState state;
        ASSERT_TRUE(RunSpline(state, Settings(method, 100, 10, -1, 6), x, y));
        ASSERT_EQ(state.CurveX.size(), 101u);
        ASSERT_EQ(state.CurveY.size(), 101u);
        EXPECT_EQ(state.CurveX.front(), -1);
        EXPECT_NEAR(state.CurveX.back(), 6, 1e-12);
        EXPECT_DOUBLE_EQ(state.CurveX[50], 2.5);
        EXPECT_EQ(state.OutputIntervals, 100);
        EXPECT_EQ(state.RangeMin, -1);
        EXPECT_EQ(state.RangeMax, 6);
    }
    // The data-set form reads X1 and Y of each point.
    TFitData data;
    data.n = static_cast<std::int32_t>(x.size());
    data.nx = 1;
    data.x = x;
    data.y = y;
    data.sqrtw.assign(x.size(), 1.0);
    SplineState fromData, fromSpans;
    ASSERT_TRUE(RunSpline(fromData, Settings(SplineMethod::Cubic, 10, 10, 0, 5), data));
    ASSERT_TRUE(RunSpline(fromSpans, Settings(SplineMethod::Cubic, 10, 10, 0, 5), x, y));
    EXPECT_EQ(fromData.CurveY, fromSpans.CurveY);

    // Only the Bayesian spline reports its fit.
    EXPECT_EQ(sink.captions, (std::vector<std::string>{"計算結果"}));
    EXPECT_STREQ(SplineSeriesTitle(SplineMethod::Bayesian), "Bayesian Spline");
    EXPECT_STREQ(SplineSeriesTitle(SplineMethod::Cubic), "Cubic Spline");
}

TEST(RunSpline, RefusedSettingsAndMethodsKeepThePreviousCurve) {
    const std::vector<double> x{0, 1, 2, 3}, y{1, 3, 2, 5};
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SplineState state;
    ASSERT_TRUE(RunSpline(state, Settings(SplineMethod::Cubic, 3, 10, 0, 3), x, y));
    const SplineState drawn = state;

    sink.messages.clear();
    EXPECT_FALSE(RunSpline(state, Settings(SplineMethod::Cubic, 0, 10, 0, 3), x, y));
    EXPECT_FALSE(RunSpline(state, Settings(SplineMethod::Bayesian, 5, 0, 0, 3), x, y));
    EXPECT_TRUE(RunSpline(state, Settings(SplineMethod::Cubic, 5, 0, 0, 3), x, y));  // ND unused here
    state = drawn;
    EXPECT_FALSE(RunSpline(state, Settings(SplineMethod::Cubic, 5, 10, 3, 3), x, y));
    EXPECT_FALSE(RunSpline(state, Settings(SplineMethod::Bayesian, 5, 10, 3, 0), x, y));
    EXPECT_FALSE(RunSpline(state, Settings(SplineMethod::Cubic, 5, 10, NAN, 3), x, y));
    EXPECT_FALSE(RunSpline(state, Settings(SplineMethod::Cubic, 5, 10, 0, 0.5), x, y));  // one point in range
    EXPECT_EQ(sink.Texts(),
              (std::vector<std::string>{kOutputPointsMessage, kIntervalCountMessage, kRangeOrderMessage,
                                        kRangeOrderMessage, kRangeOrderMessage, kTooFewPointsForCubicMessage}));
    EXPECT_EQ(state.CurveX, drawn.CurveX);
    EXPECT_EQ(state.CurveY, drawn.CurveY);
    EXPECT_EQ(state.OutputIntervals, 3);
}

TEST(RunSpline, ReadsTheBoxesInOrderAndStopsAtTheFirstBadText) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::optional<SplineSettings> good = ReadSplineSettings(SplineMethod::Cubic, "50", "8", "-1.5", "2e1");
    ASSERT_TRUE(good);
    EXPECT_EQ(good->method, SplineMethod::Cubic);
    EXPECT_EQ(good->outputIntervals, 50);
    EXPECT_EQ(good->subIntervals, 8);
    EXPECT_EQ(good->rangeMin, -1.5);
    EXPECT_EQ(good->rangeMax, 20);
    EXPECT_TRUE(sink.messages.empty());

    EXPECT_FALSE(ReadSplineSettings(SplineMethod::Cubic, "100", "1.5", "x", "2"));
    EXPECT_FALSE(ReadSplineSettings(SplineMethod::Bayesian, "100", "10", "0", ""));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_NE(sink.messages[0].text.find("1.5"), std::string::npos);
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);
}
