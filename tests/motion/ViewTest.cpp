// The standard view, recentring, and the empty canvas with axes, rulers and snap grid.

#include "MotionFixture.h"

using Op = motion::Primitive::Op;

namespace motiontest {

class ViewTest : public MotionTest {
  protected:
    ViewTest() {
        Screen.Xscale = &XRuler;
        Screen.Zscale = &ZRuler;
        Screen.ViewportWidth = 10000;
        Screen.ViewportHeight = 8000;
    }
    static std::vector<std::string> Labels(const motion::RecordingCanvas& ruler) {
        std::vector<std::string> out;
        for (const auto& p : ruler.Of(Op::Print))
            out.push_back(p.text);
        return out;
    }
    // Tick step chosen for a canvas scale width: the distance between the first two ticks.
    double StepFor(double scaleWidth) {
        Canvas.SetScale(-scaleWidth / 2, -scaleWidth / 2, scaleWidth, scaleWidth);
        ZRuler.SetScale(-scaleWidth / 2, 0, scaleWidth, 100);
        ZRuler.Forget();
        motion::RedrawCanvas(M);
        const auto ticks = ZRuler.Of(Op::Line);
        return ticks.size() < 2 ? 0 : ticks[1].x1 - ticks[0].x1;
    }
    motion::RecordingCanvas XRuler, ZRuler;
};

TEST_F(ViewTest, StandardViewFramesTheSoftLimits) {
    ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
    EXPECT_EQ(Canvas.Width, 40000);
    EXPECT_EQ(Canvas.ScaleWidth, 1600);
    EXPECT_EQ(Canvas.ScaleHeight, 1280);
    // The viewport's bottom edge is X -200 and its left edge Z -208.
    EXPECT_NEAR(motion::VisibleLeft(M), -208, 1e-9);
    const double bottom = motion::VisibleTop(M) + Canvas.ScaleHeight / 4;
    EXPECT_NEAR(-2 * bottom, -200, 1e-9);
    EXPECT_EQ(Screen.CanvasLeft, -20000 + 200);
    EXPECT_EQ(XRuler.ScaleTop, Canvas.ScaleTop);
    EXPECT_EQ(XRuler.ScaleHeight, Canvas.ScaleHeight);
    EXPECT_EQ(ZRuler.ScaleLeft, Canvas.ScaleLeft);
    EXPECT_EQ(ZRuler.ScaleWidth, Canvas.ScaleWidth);
    EXPECT_EQ(Screen.ZscaleTop, 8000 - 200);
}

TEST_F(ViewTest, StandardViewWithEqualZLimitsIsASoftLimitError) {
    M.S.PVLZ = -200;
    EXPECT_EQ(motion::SetStandardView(M), motion::StandardViewResult::SoftLimitError);
}

TEST_F(ViewTest, TickStepIsTheLargestListedValueBelowATwentiethOfTheWidth) {
    EXPECT_NEAR(StepFor(10), 0.2, 1e-9);
    EXPECT_NEAR(StepFor(10.2), 0.5, 1e-9);
    EXPECT_NEAR(StepFor(400), 10, 1e-9);
    EXPECT_NEAR(StepFor(1600), 50, 1e-9);
    EXPECT_NEAR(StepFor(20000), 500, 1e-9);
}

TEST_F(ViewTest, RulerLabelsInTheHorizontalLayout) {
    motion::SetStandardView(M);
    const auto z = Labels(ZRuler);
    ASSERT_GE(z.size(), 3u);
    EXPECT_EQ(z[0], "Z0");
    EXPECT_EQ(z[1], "Z50");
    EXPECT_NE(std::find(z.begin(), z.end(), "Z-50"), z.end());
    const auto x = Labels(XRuler);
    ASSERT_GE(x.size(), 2u);
    EXPECT_EQ(x[0], "X0");
    EXPECT_EQ(x[1], "X-100"); // +canvas y is downwards: -X with +X drawn up
    // Labels sit left of their tick (Z ruler) and above it (X ruler).
    const auto zPrints = ZRuler.Of(Op::Print);
    EXPECT_DOUBLE_EQ(zPrints[1].x1, 50 - ZRuler.TextWidth("A"));
    const auto xPrints = XRuler.Of(Op::Print);
    EXPECT_DOUBLE_EQ(xPrints[1].y1, 50 - XRuler.TextHeight("A"));
    // Ticks from half the ruler height to its foot.
    const auto tick = ZRuler.Of(Op::Line)[0];
    EXPECT_DOUBLE_EQ(tick.y1, ZRuler.ScaleHeight / 2);
    EXPECT_DOUBLE_EQ(tick.y2, ZRuler.ScaleHeight);
}

TEST_F(ViewTest, MirroredXTurnsTheSignOfTheXLabels) {
    M.S.XSign = -1;
    motion::SetStandardView(M);
    EXPECT_EQ(Labels(XRuler)[1], "X100");
}

TEST_F(ViewTest, VerticalLayoutSwapsTheRulerLetters) {
    M.S.Vertical = true;
    motion::SetStandardView(M);
    EXPECT_EQ(Labels(ZRuler)[1], "X-100");
    EXPECT_EQ(Labels(XRuler)[1], "Z-50");
}

TEST_F(ViewTest, RulerLabelsRoundToOneDecimal) {
    Canvas.SetScale(-5, -5, 10, 10);
    ZRuler.SetScale(-5, 0, 10, 100);
    motion::RedrawCanvas(M);
    const auto z = Labels(ZRuler);
    ASSERT_GE(z.size(), 4u);
    EXPECT_EQ(z[1], "Z0.2");
    EXPECT_EQ(z[3], "Z0.6"); // 0.2 added three times is 0.6000000000000001
}

TEST_F(ViewTest, AxesAndForegroundFollowTheBackground) {
    M.S.WhiteBackground = true;
    motion::SetStandardView(M);
    const auto lines = Canvas.Of(Op::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].y1, 0);
    EXPECT_EQ(lines[1].x1, 0);
    EXPECT_EQ(static_cast<uint32_t>(lines[0].color), 0x80000010u);
    EXPECT_EQ(ZRuler.Of(Op::Print)[0].color, 0);
    EXPECT_EQ(Canvas.Of(Op::Cls).size(), 1u);
}

TEST_F(ViewTest, SnapGridIsDottedOneUnitApartAndSkipsTheAxes) {
    Canvas.SetScale(-5.5, -3.5, 11, 7);
    M.S.XSnap = true;
    motion::RedrawCanvas(M);
    std::vector<double> ys;
    for (const auto& l : Canvas.Of(Op::Line))
        if (l.style == motion::DrawStyle::Dot) {
            EXPECT_EQ(l.color, 0x008000);
            ys.push_back(l.y1);
        }
    EXPECT_EQ(ys, (std::vector<double>{1, 2, 3, -1, -2, -3}));
    EXPECT_EQ(Canvas.Style, motion::DrawStyle::Solid);
}

TEST_F(ViewTest, RecentringKeepsTheVisibleArea) {
    motion::SetStandardView(M);
    Screen.CanvasLeft = -31000; // panned near the right edge
    const double left = motion::VisibleLeft(M), top = motion::VisibleTop(M);
    motion::RecentreCanvas(M);
    EXPECT_NEAR(motion::VisibleLeft(M), left, 1e-9);
    EXPECT_NEAR(motion::VisibleTop(M), top, 1e-9);
    EXPECT_EQ(Screen.CanvasLeft, -16000);
    motion::RecentreCanvas(M);
    EXPECT_NEAR(motion::VisibleLeft(M), left, 1e-9);
    EXPECT_EQ(ZRuler.ScaleLeft, Canvas.ScaleLeft);
    EXPECT_EQ(XRuler.ScaleTop, Canvas.ScaleTop);
}

} // namespace motiontest
