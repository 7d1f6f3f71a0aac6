// SPDX-License-Identifier: GPL-3.0-or-later
// The standard view, recentring, and the empty canvas with axes, rulers and snap grid.

#include "MotionFixture.h"
#include "base/LabelLayout.h"

#include <algorithm>

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
    // The Z ruler is a 40th of the viewport high (200) or, as here, as high as its labels with
    // room for the ticks below them.
    ZRuler.FontSize = 9;
    EXPECT_GE(ZRuler.Height, 200);
    EXPECT_GE(ZRuler.Height, ZRuler.TextHeight("A") + 60);
    EXPECT_EQ(Screen.ZscaleTop, 8000 - ZRuler.Height);
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
    // Ticks from below the labels (at least half the ruler height) to its foot.
    const auto tick = ZRuler.Of(Op::Line)[0];
    EXPECT_GE(tick.y1, ZRuler.ScaleHeight / 2);
    EXPECT_GE(tick.y1, ZRuler.TextHeight("A"));
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
    ZRuler.Resize(64000, 300);
    ZRuler.SetScale(-5, 0, 10, 300);
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

// The text rectangles of a ruler's labels in its own units, as the recording canvas measures them.
std::vector<motion::TextBox> LabelBoxes(motion::RecordingCanvas& ruler) {
    std::vector<motion::TextBox> boxes;
    for (const auto& p : ruler.Of(Op::Print)) {
        ruler.FontSize = p.fontSize;
        const double w = ruler.TextWidth(p.text), h = ruler.TextHeight(p.text);
        boxes.push_back({p.x1, p.y1, p.x1 + w, p.y1 + h});
    }
    return boxes;
}

// No label reaches outside its ruler's picture, and no two labels touch.
void ExpectReadable(motion::RecordingCanvas& ruler, const char* what) {
    const auto boxes = LabelBoxes(ruler);
    EXPECT_FALSE(boxes.empty()) << what;
    const double l = ruler.ScaleLeft, t = ruler.ScaleTop;
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_TRUE(boxes[i].Inside(l, t, l + ruler.ScaleWidth, t + ruler.ScaleHeight))
            << what << " label " << i;
        for (size_t k = i + 1; k < boxes.size(); ++k)
            EXPECT_FALSE(boxes[i].Overlaps(boxes[k])) << what << " labels " << i << " and " << k;
    }
}

TEST_F(ViewTest, TheXRulerIsAsWideAsItsWidestLabel) {
    M.S.PVLX = 5000, M.S.NVLX = -50000;
    M.S.PVLZ = 2000, M.S.NVLZ = -2000;
    ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
    double widest = 0;
    for (const auto& p : XRuler.Of(Op::Print))
        widest = std::max(widest, XRuler.TextWidth(p.text));
    EXPECT_GT(widest, 10000 / 35.0); // "X-50000" would not fit a 35th of the viewport
    EXPECT_GE(XRuler.Width, widest);
    EXPECT_EQ(XRuler.ScaleWidth, XRuler.Width);
    ExpectReadable(XRuler, "X ruler");
    ExpectReadable(ZRuler, "Z ruler");
}

TEST_F(ViewTest, RulerLabelsStayWholeAndApartAtEveryZoom) {
    for (bool vertical : {false, true})
        for (double xSign : {1.0, -1.0})
            for (double width : {0.3, 10.0, 1600.0, 5e5}) {
                M.S.Vertical = vertical, M.S.XSign = xSign;
                ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
                // A view of `width` canvas units far from the origin (long labels).
                const double centre = width < 100 ? -1234.5 : -12345.6;
                Canvas.SetScale(centre - width / 2, -width / 2, width, width * 0.8);
                XRuler.SetScale(0, Canvas.ScaleTop, XRuler.Width, Canvas.ScaleHeight);
                ZRuler.SetScale(Canvas.ScaleLeft, 0, width, ZRuler.Height);
                XRuler.Forget(), ZRuler.Forget();
                motion::RedrawCanvas(M);
                const std::string what = std::string(vertical ? "vertical" : "horizontal") +
                                         (xSign < 0 ? " mirrored" : "") + " width " + std::to_string(width);
                ExpectReadable(XRuler, ("X ruler " + what).c_str());
                ExpectReadable(ZRuler, ("Z ruler " + what).c_str());
                // The Z ruler's ticks run below its labels.
                const double textHeight = ZRuler.TextHeight("A");
                for (const auto& tick : ZRuler.Of(Op::Line))
                    ASSERT_GE(tick.y1, textHeight) << what;
            }
}

TEST_F(ViewTest, XRulerTicksBetweenLabelsStayRightOfTheLabels) {
    ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
    // Zoomed out so far that only some ticks carry a label.
    Canvas.SetScale(-50000, -40000, 100000, 80000);
    XRuler.SetScale(0, Canvas.ScaleTop, XRuler.Width, Canvas.ScaleHeight);
    ZRuler.SetScale(Canvas.ScaleLeft, 0, 100000, ZRuler.Height);
    XRuler.Forget();
    motion::RedrawCanvas(M);
    const auto boxes = LabelBoxes(XRuler);
    size_t shortTicks = 0;
    for (const auto& line : XRuler.Of(Op::Line)) {
        if (line.x1 == 0) continue; // a labelled tick: the line its label stands on
        ++shortTicks;
        for (const auto& b : boxes)
            EXPECT_FALSE(line.y1 > b.Top && line.y1 < b.Bottom && line.x1 < b.Right);
    }
    EXPECT_GT(shortTicks, 0u);
}

TEST_F(ViewTest, ResizingKeepsTheScaleAndTheCentreAndFillsTheNewViewport) {
    ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
    const double unitsPerTwip = Canvas.ScaleWidth / Canvas.Width;
    const double cx = motion::VisibleLeft(M) + 5000 * unitsPerTwip;
    const double cy = motion::VisibleTop(M) + 4000 * unitsPerTwip;
    // A zoom remembered before the resize.
    Screen.Zoom.ZoomLevel = 1;
    Screen.Zoom.ZoomHistWidth[1] = 100, Screen.Zoom.ZoomHistHeight[1] = 80, Screen.Zoom.ZoomHistSumY[1] = -50;
    Screen.ViewportWidth = 20000, Screen.ViewportHeight = 8000;
    motion::FitCanvasToViewport(M);
    EXPECT_EQ(Canvas.Width, 80000);
    EXPECT_EQ(Canvas.Height, 32000);
    EXPECT_NEAR(Canvas.ScaleWidth / Canvas.Width, unitsPerTwip, 1e-12);
    EXPECT_NEAR(Canvas.ScaleHeight / Canvas.Height, unitsPerTwip, 1e-12);
    EXPECT_NEAR(motion::VisibleLeft(M) + 10000 * unitsPerTwip, cx, 1e-9);
    EXPECT_NEAR(motion::VisibleTop(M) + 4000 * unitsPerTwip, cy, 1e-9);
    // The viewport is covered with room to drag either way; the rulers follow the canvas.
    EXPECT_EQ(Screen.CanvasLeft, -30000);
    EXPECT_EQ(Screen.CanvasTop, -12000);
    EXPECT_EQ(ZRuler.Width, 80000);
    EXPECT_EQ(ZRuler.ScaleLeft, Canvas.ScaleLeft);
    EXPECT_EQ(XRuler.ScaleTop, Canvas.ScaleTop);
    EXPECT_EQ(XRuler.Height, 32000);
    EXPECT_EQ(Screen.ZscaleLeft, Screen.CanvasLeft);
    EXPECT_EQ(Screen.ZscaleTop, 8000 - ZRuler.Height);
    // The remembered zoom takes the new proportions, its width and centre kept.
    EXPECT_EQ(Screen.Zoom.ZoomHistWidth[1], 100);
    EXPECT_NEAR(Screen.Zoom.ZoomHistHeight[1], 40, 1e-12);
    EXPECT_EQ(Screen.Zoom.ZoomHistSumY[1], -50);
}

TEST_F(ViewTest, NoLabelIsCutByTheViewportsEdgesOrTheOtherRuler) {
    ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
    const double u = Canvas.ScaleWidth / Canvas.Width;
    const double start = Screen.CanvasLeft, top = Screen.CanvasTop;
    // Panned in small steps over more than a tick's spacing (50 units = 1250 twips) each way.
    for (int k = 0; k < 40; ++k) {
        Screen.CanvasLeft = start - k * 37;
        Screen.CanvasTop = top - k * 41;
        XRuler.Forget(), ZRuler.Forget();
        motion::RedrawCanvas(M);
        const double left = motion::VisibleLeft(M) + XRuler.Width * u;
        const double right = motion::VisibleLeft(M) + Screen.ViewportWidth * u;
        for (const auto& b : LabelBoxes(ZRuler))
            EXPECT_FALSE((b.Left < left && left < b.Right) || (b.Left < right && right < b.Right)) << k;
        const double upper = motion::VisibleTop(M);
        const double lower = upper + (Screen.ViewportHeight - ZRuler.Height) * u;
        for (const auto& b : LabelBoxes(XRuler))
            EXPECT_FALSE((b.Top < upper && upper < b.Bottom) || (b.Top < lower && lower < b.Bottom)) << k;
        EXPECT_FALSE(LabelBoxes(ZRuler).empty());
    }
}

} // namespace motiontest
