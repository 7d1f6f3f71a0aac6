// SPDX-License-Identifier: GPL-3.0-or-later
// Moving and scaling the view: zoom box and history, wheel, keys, drag, read-out, and the re-runs
// that follow them.

#include "nav/ViewNavigation.h"
#include "interp/Interpreter.h"
#include "interp/RunControl.h"
#include "motion/Motion.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

using nav::Rerun;
using Op = motion::Primitive::Op;

namespace {

struct NavFixture : ::testing::Test {
    testing_support::TestMachine T;
    interp::Machine& M = T.M;
    motion::View& V = T.Screen;
    motion::RecordingCanvas& C = T.Trace;
    motion::RecordingCanvas XRuler, ZRuler;
    interp::RunControl Run{T.M};

    // The standard view of the power-on limits in a 10000 x 8000 twip viewport.
    NavFixture() {
        V.Xscale = &XRuler;
        V.Zscale = &ZRuler;
        EXPECT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
    }
    double VisibleLeft() const { return motion::VisibleLeft(M); }
    double VisibleTop() const { return motion::VisibleTop(M); }
    double VisibleWidth() const { return C.ScaleWidth / 4; }
    // Window position (twips, in the viewport) of a canvas point.
    double WindowX(double x) const { return V.CanvasLeft + (x - C.ScaleLeft) * C.Width / C.ScaleWidth; }
    double WindowY(double y) const { return V.CanvasTop + (y - C.ScaleTop) * C.Height / C.ScaleHeight; }
    Rerun Zoom(float x1, float y1, float x2, float y2) {
        nav::ToggleZoomMode(V);
        nav::BeginZoomBox(V, x1, y1);
        nav::DragRubberBand(M, x2, y2);
        return nav::ApplyZoomBox(M, x2, y2);
    }
    void ExpectRulersFollow() const {
        EXPECT_EQ(XRuler.ScaleTop, C.ScaleTop);
        EXPECT_EQ(XRuler.ScaleHeight, C.ScaleHeight);
        EXPECT_EQ(ZRuler.ScaleLeft, C.ScaleLeft);
        EXPECT_EQ(ZRuler.ScaleWidth, C.ScaleWidth);
    }
    size_t CutLines() const {
        size_t n = 0;
        for (const auto& s : C.Segments)
            n += s.kind == motion::PathSegment::Kind::Cut;
        return n;
    }
    void Load(const std::string& text) {
        T.Ui.SetText(text);
        M.S.NextBlockPos = 1;
        interp::ResetMachine(M);
        C.Forget();
    }
};

} // namespace

TEST_F(NavFixture, ZoomBoxGivesTheSameViewFromEitherCorner) {
    EXPECT_EQ(Zoom(-100, -50, 20, 10), Rerun::RedrawReplay);
    const double sl = C.ScaleLeft, st = C.ScaleTop, sw = C.ScaleWidth, sh = C.ScaleHeight;
    // 120 wide, grown to the viewport's 4:5 to 96 high, left edge and centre kept.
    EXPECT_DOUBLE_EQ(VisibleWidth(), 120);
    EXPECT_DOUBLE_EQ(sh, 4 * 96.0);
    EXPECT_NEAR(VisibleLeft(), -100, 1e-9);
    EXPECT_NEAR(VisibleTop(), -20 - 48, 1e-9);
    EXPECT_EQ(V.CanvasLeft, -20000);
    EXPECT_EQ(V.CanvasTop, -16000);
    EXPECT_FALSE(V.Pointer.ZoomMode);
    ExpectRulersFollow();

    EXPECT_EQ(nav::ZoomUndo(M), Rerun::StandardView);
    EXPECT_EQ(Zoom(20, 10, -100, -50), Rerun::RedrawReplay);
    EXPECT_EQ(C.ScaleLeft, sl);
    EXPECT_EQ(C.ScaleTop, st);
    EXPECT_EQ(C.ScaleWidth, sw);

    // A tall box grows sideways instead.
    Zoom(0, 0, 10, 80);
    EXPECT_DOUBLE_EQ(VisibleWidth(), 100);
    EXPECT_DOUBLE_EQ(C.ScaleHeight / 4, 80);
}

TEST_F(NavFixture, RubberBandIsErasedByDrawingItAgain) {
    nav::ToggleZoomMode(V);
    nav::BeginZoomBox(V, 0, 0);
    C.Forget();
    nav::DragRubberBand(M, 10, 20);
    nav::DragRubberBand(M, 30, 40);
    const auto lines = C.Of(Op::Line);
    ASSERT_EQ(lines.size(), 12u); // the first band, the same band again, the new band
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i].x2, lines[i + 4].x2);
        EXPECT_EQ(lines[i].y2, lines[i + 4].y2);
    }
    EXPECT_EQ(lines[8].x2, 30);
    for (const auto& l : lines) {
        EXPECT_EQ(l.mode, motion::DrawMode::Xor);
        EXPECT_EQ(static_cast<uint32_t>(l.color), 0x8000000Fu);
    }
    EXPECT_EQ(C.Mode, motion::DrawMode::Copy);
    M.S.WhiteBackground = true;
    nav::DragRubberBand(M, 31, 41);
    EXPECT_EQ(C.Of(Op::Line).back().color, 0xFFFFFF);
}

TEST_F(NavFixture, BoxWithoutWidthOrHeightIsRefusedBeforeAnythingChanges) {
    const double sl = C.ScaleLeft, sw = C.ScaleWidth;
    for (auto [x, y] : {std::pair{30.f, 5.f}, std::pair{5.f, 30.f}, std::pair{5.f, 5.f}}) {
        nav::ToggleZoomMode(V);
        nav::BeginZoomBox(V, 5, 5);
        C.Forget();
        nav::DragRubberBand(M, x, y);
        EXPECT_EQ(nav::ApplyZoomBox(M, x, y), Rerun::None);
        EXPECT_TRUE(V.Pointer.ZoomMode);
        EXPECT_EQ(V.Zoom.ZoomLevel, 0);
        EXPECT_EQ(C.ScaleLeft, sl);
        EXPECT_EQ(C.ScaleWidth, sw);
        // The band line is drawn a second time, which takes it off the picture.
        const auto lines = C.Of(Op::Line);
        ASSERT_EQ(lines.size() % 2, 0u);
        if (!lines.empty()) {
            EXPECT_EQ(lines[0].x2, lines[1].x2);
        }
        nav::ToggleZoomMode(V);
    }
}

TEST_F(NavFixture, HistoryKeepsTheLastFiveZoomsAndEndsAtTheStandardView) {
    // Six boxes with left edges 1..6.
    for (int i = 1; i <= 6; ++i)
        Zoom(static_cast<float>(i), 0, static_cast<float>(i) + 50, 40);
    EXPECT_EQ(V.Zoom.ZoomLevel, 5);
    EXPECT_NEAR(VisibleLeft(), 6, 1e-9);
    const double expected[] = {5, 4, 3, 2};
    for (double left : expected) {
        EXPECT_EQ(nav::ZoomUndo(M), Rerun::RedrawReplay);
        EXPECT_NEAR(VisibleLeft(), left, 1e-9);
        EXPECT_NEAR(VisibleTop(), 20 - 20, 1e-9); // centred on the box, 40 high after the aspect
        ExpectRulersFollow();
    }
    // The first view is gone: the fifth undo is the standard view, and so is a sixth.
    EXPECT_EQ(nav::ZoomUndo(M), Rerun::StandardView);
    EXPECT_EQ(V.Zoom.ZoomLevel, 0);
    EXPECT_EQ(nav::ZoomUndo(M), Rerun::StandardView);
    EXPECT_EQ(V.Zoom.ZoomLevel, 0);
}

TEST_F(NavFixture, StandardViewLeavesTheHistoryForTheNextUndo) {
    Zoom(10, 0, 60, 40);
    Zoom(20, 0, 70, 40);
    Zoom(30, 0, 80, 40);
    motion::SetStandardView(M);
    EXPECT_EQ(nav::ZoomUndo(M), Rerun::RedrawReplay);
    EXPECT_NEAR(VisibleLeft(), 20, 1e-9);
}

TEST_F(NavFixture, WheelKeepsThePointUnderThePointer) {
    nav::TrackPointer(V, 55.5f, -31.25f);
    const double wx = WindowX(55.5), wy = WindowY(-31.25), sw = C.ScaleWidth;
    EXPECT_EQ(nav::WheelZoom(M, 1), Rerun::ForcedReplay);
    EXPECT_NEAR(C.ScaleWidth, sw * 0.8, 1e-9);
    EXPECT_NEAR(WindowX(55.5), wx, 1e-6);
    EXPECT_NEAR(WindowY(-31.25), wy, 1e-6);
    EXPECT_EQ(nav::WheelZoom(M, -1), Rerun::ForcedReplay);
    EXPECT_NEAR(C.ScaleWidth, sw * 0.8 * 1.2, 1e-9);
    EXPECT_NEAR(WindowX(55.5), wx, 1e-6);
    EXPECT_NEAR(C.ScaleHeight, C.ScaleWidth * 0.8, 1e-9);
    ExpectRulersFollow();
    EXPECT_EQ(V.Zoom.ZoomLevel, 0); // the wheel is no zoom box
}

TEST_F(NavFixture, WheelRefusesAScaleThatIsNoLongerANumber) {
    C.SetScale(C.ScaleLeft, C.ScaleTop, 1.6e308, 1.28e308);
    const double sl = C.ScaleLeft;
    EXPECT_EQ(nav::WheelZoom(M, -1), Rerun::None);
    EXPECT_EQ(C.ScaleLeft, sl);
    EXPECT_EQ(C.ScaleWidth, 1.6e308);
}

TEST_F(NavFixture, PageKeysMoveTheCentreByTwoAndAHalfPercent) {
    const double sw = C.ScaleWidth, sh = C.ScaleHeight;
    const double cx = C.ScaleLeft + sw / 2, cy = C.ScaleTop + sh / 2;
    EXPECT_EQ(nav::KeyZoom(M, nav::KeyPageUp), Rerun::ForcedReplay);
    EXPECT_NEAR(C.ScaleWidth, sw * 0.8, 1e-9);
    EXPECT_NEAR(C.ScaleLeft + C.ScaleWidth / 2, cx + 0.025 * sw, 1e-9);
    EXPECT_NEAR(C.ScaleTop + C.ScaleHeight / 2, cy + 0.025 * sh, 1e-9);
    const double sw2 = C.ScaleWidth, cx2 = C.ScaleLeft + sw2 / 2;
    EXPECT_EQ(nav::KeyZoom(M, nav::KeyPageDown), Rerun::ForcedReplay);
    EXPECT_NEAR(C.ScaleWidth, sw2 * 1.2, 1e-9);
    EXPECT_NEAR(C.ScaleLeft + C.ScaleWidth / 2, cx2 - 0.025 * sw2, 1e-9);
    ExpectRulersFollow();
}

TEST_F(NavFixture, ArrowKeysShiftByTwoPercentAndOtherKeysDoNothing) {
    const double sl = C.ScaleLeft, st = C.ScaleTop, sw = C.ScaleWidth, sh = C.ScaleHeight;
    nav::KeyZoom(M, nav::KeyLeft);
    EXPECT_DOUBLE_EQ(C.ScaleLeft, sl + 0.02 * sw);
    nav::KeyZoom(M, nav::KeyRight);
    EXPECT_DOUBLE_EQ(C.ScaleLeft, sl);
    nav::KeyZoom(M, nav::KeyUp);
    EXPECT_DOUBLE_EQ(C.ScaleTop, st + 0.02 * sh);
    nav::KeyZoom(M, nav::KeyDown);
    EXPECT_DOUBLE_EQ(C.ScaleTop, st);
    EXPECT_EQ(ZRuler.ScaleLeft, sl);
    EXPECT_EQ(nav::KeyZoom(M, 36), Rerun::None); // Home
    EXPECT_EQ(C.ScaleWidth, sw);
}

TEST_F(NavFixture, DragMovesThePictureWithThePointer) {
    const double sl = C.ScaleLeft, sw = C.ScaleWidth;
    const size_t clears = C.Of(Op::Cls).size();
    nav::BeginDrag(V, 10, 10);
    // 8 canvas units right and 4 down: the point grabbed follows the pointer.
    const double wx = WindowX(10), wy = WindowY(10);
    EXPECT_EQ(nav::DragCanvas(M, 18, 14), Rerun::None);
    EXPECT_NEAR(WindowX(10), wx + 8 * C.Width / sw, 1e-9);
    EXPECT_NEAR(WindowY(10), wy + 4 * C.Height / C.ScaleHeight, 1e-9);
    EXPECT_EQ(V.ZscaleLeft, V.CanvasLeft);
    EXPECT_EQ(V.XscaleTop, V.CanvasTop);
    EXPECT_EQ(C.ScaleLeft, sl); // nothing is rescaled or redrawn
    EXPECT_EQ(C.Of(Op::Cls).size(), clears);
}

TEST_F(NavFixture, DragPastTheEdgeStopsAndAsksForARestart) {
    M.S.AutoStart = false;
    nav::BeginDrag(V, 0, 0);
    EXPECT_EQ(nav::DragCanvas(M, -5000, 0), Rerun::OverAreaNotice);
    // Stopped short of the far edge; the viewport stays covered.
    EXPECT_DOUBLE_EQ(V.CanvasLeft, -2.93 * 10000);
    EXPECT_GE(V.CanvasLeft + C.Width, V.ViewportWidth);
    const double left = V.CanvasLeft;
    EXPECT_EQ(nav::DragCanvas(M, 5000, 0), Rerun::OverAreaNotice); // the other way: stays put
    EXPECT_EQ(V.CanvasLeft, left);
    EXPECT_LE(V.CanvasTop, 0);
}

TEST_F(NavFixture, DragPastTheEdgeWithAutoStartRecentresAndKeepsTheVisibleArea) {
    Load("G00 X100. Z0.\r\nG01 X50. F0.2 S500\r\nM30\r\n");
    nav::BeginDrag(V, 0, 0);
    const Rerun r = nav::DragCanvas(M, 0, 1000);
    ASSERT_EQ(r, Rerun::PopupStart);
    const double left = VisibleLeft(), top = VisibleTop();
    EXPECT_TRUE(nav::ApplyRerun(Run, r));
    EXPECT_NEAR(VisibleLeft(), left, 1e-9);
    EXPECT_NEAR(VisibleTop(), top, 1e-9);
    EXPECT_EQ(V.CanvasTop, -C.Height / 5 * 2);
    EXPECT_GT(CutLines(), 0u); // the path is drawn again
}

// The first line drawn after the last clear: the axis along the canvas's width.
motion::Primitive FirstLineSinceClear(const motion::RecordingCanvas& c) {
    size_t from = 0;
    for (size_t i = 0; i < c.Drawn.size(); ++i)
        if (c.Drawn[i].op == Op::Cls) from = i + 1;
    for (size_t i = from; i < c.Drawn.size(); ++i)
        if (c.Drawn[i].op == Op::Line) return c.Drawn[i];
    ADD_FAILURE() << "nothing drawn since the last clear";
    return {};
}

// Lowest and highest tick of a ruler since its last clear, along the ruler.
std::pair<double, double> TickRange(const motion::RecordingCanvas& ruler, double motion::Primitive::*at) {
    size_t from = 0;
    for (size_t i = 0; i < ruler.Drawn.size(); ++i)
        if (ruler.Drawn[i].op == Op::Cls) from = i + 1;
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (size_t i = from; i < ruler.Drawn.size(); ++i)
        if (ruler.Drawn[i].op == Op::Line) {
            low = std::min(low, ruler.Drawn[i].*at);
            high = std::max(high, ruler.Drawn[i].*at);
        }
    return {low, high};
}

TEST_F(NavFixture, ReCentringAfterZoomBoxAndWheelDrawsAxesAndRulersUnderTheNewNumbers) {
    Load("G00 X100. Z0.\r\nG01 X50. F0.2 S500\r\nM30\r\n");
    M.S.AutoStart = true;
    EXPECT_TRUE(nav::ApplyRerun(Run, Zoom(-100, -50, 20, 10)));
    nav::TrackPointer(V, -40, -20);
    EXPECT_TRUE(nav::ApplyRerun(Run, nav::WheelZoom(M, 1)));
    // Dragged right until the canvas stops at its left edge.
    nav::BeginDrag(V, 0, 0);
    Rerun r = Rerun::None;
    for (int step = 1; step < 100 && r == Rerun::None; ++step)
        r = nav::DragCanvas(M, 2.0f * step, 0);
    ASSERT_EQ(r, Rerun::PopupStart);
    const double left = VisibleLeft(), top = VisibleTop();
    EXPECT_TRUE(nav::ApplyRerun(Run, r));
    EXPECT_NEAR(VisibleLeft(), left, 1e-9);
    EXPECT_NEAR(VisibleTop(), top, 1e-9);
    // What the viewport shows follows the new numbers: the axis runs across the whole canvas
    // and each ruler's ticks fill its new range (ticks every 10 at this width).
    const motion::Primitive axis = FirstLineSinceClear(C);
    EXPECT_DOUBLE_EQ(axis.x1, C.ScaleLeft);
    EXPECT_DOUBLE_EQ(axis.x2, C.ScaleLeft + C.ScaleWidth);
    const auto [zLow, zHigh] = TickRange(ZRuler, &motion::Primitive::x1);
    EXPECT_GE(zLow, C.ScaleLeft);
    EXPECT_LT(zLow, C.ScaleLeft + 10);
    EXPECT_GT(zHigh, C.ScaleLeft + C.ScaleWidth - 10);
    const auto [xLow, xHigh] = TickRange(XRuler, &motion::Primitive::y1);
    EXPECT_GE(xLow, C.ScaleTop);
    EXPECT_LT(xLow, C.ScaleTop + 10);
    EXPECT_GT(xHigh, C.ScaleTop + C.ScaleHeight - 10);
    EXPECT_GT(CutLines(), 0u);
}

TEST_F(NavFixture, ZoomReRunsOnlyWithAutoStartButTheWheelAlways) {
    Load("G00 X100. Z0.\r\nG01 X50. F0.2 S500\r\nM30\r\n");
    M.S.AutoStart = false;
    EXPECT_TRUE(nav::ApplyRerun(Run, Zoom(-100, -50, 20, 10)));
    EXPECT_EQ(CutLines(), 0u);
    EXPECT_TRUE(nav::ApplyRerun(Run, nav::WheelZoom(M, 1)));
    EXPECT_GT(CutLines(), 0u);
    EXPECT_FALSE(nav::ApplyRerun(Run, Rerun::StandardView));
}

TEST_F(NavFixture, ReadOutSnapsHalvesToEven) {
    interp::MachineState& s = M.S;
    EXPECT_EQ(nav::PositionReadOut(s, 12.25f, -10.03f).Xpos, "X20.060");
    EXPECT_EQ(nav::PositionReadOut(s, 12.25f, -10.03f).Zpos, "Z12.250");
    s.XSnap = s.ZSnap = true;
    const auto p = nav::PositionReadOut(s, 12.25f, -10.03f);
    EXPECT_EQ(p.Xpos, "X20.100");                                  // -200.6 -> -201 -> -10.05
    EXPECT_EQ(p.Zpos, "Z12.200");                                  // 122.5 -> 122
    EXPECT_EQ(nav::PositionReadOut(s, 12.35f, 0).Zpos, "Z12.400"); // 123.5 -> 124
    s.XSign = -1;
    EXPECT_EQ(nav::PositionReadOut(s, 0, -10.03f).Xpos, "X-20.100");
    // Vertical lathe: X across, Z upwards.
    s.XSign = 1;
    s.Vertical = true;
    const auto v = nav::PositionReadOut(s, -10.03f, -12.25f);
    EXPECT_EQ(v.Xpos, "X20.100");
    EXPECT_EQ(v.Zpos, "Z12.200");
    EXPECT_EQ(nav::PositionPopupCaption(v), "X20.100  Z12.200  Copy");
    EXPECT_EQ(nav::PositionClipboardText(v.Xpos, v.Zpos), "X20.100 Z12.200\r\n");
}

TEST_F(NavFixture, PointerPositionInCanvasUnits) {
    // The viewport's top-left corner is the visible corner of the canvas.
    const motion::CanvasPoint p = nav::PointerToCanvas(M, 0, 0);
    EXPECT_NEAR(p.x, VisibleLeft(), 1e-9);
    EXPECT_NEAR(p.y, VisibleTop(), 1e-9);
    const motion::CanvasPoint q = nav::PointerToCanvas(M, V.ViewportWidth, V.ViewportHeight);
    EXPECT_NEAR(q.x - p.x, VisibleWidth(), 1e-9);
    EXPECT_NEAR(q.y - p.y, C.ScaleHeight / 4, 1e-9);
}

TEST_F(NavFixture, SliderJumpsToTheClickBetweenItsEnds) {
    EXPECT_EQ(nav::SliderClickValue(89), std::nullopt);
    EXPECT_EQ(nav::SliderClickValue(90), 7);
    EXPECT_EQ(nav::SliderClickValue(155.625), 12); // 12.5 goes to the even 12
    EXPECT_EQ(nav::SliderClickValue(1245), 100);
    EXPECT_EQ(nav::SliderClickValue(1246), std::nullopt);
}

TEST_F(NavFixture, ZoomToAreaIsOneStepOfTheHistory) {
    Zoom(10, 0, 60, 40);
    const double boxLeft = VisibleLeft(), boxWidth = VisibleWidth();
    // 80 x 64 canvas units from (-70, -30): the viewport's proportions (10000 x 8000).
    ASSERT_EQ(nav::ZoomToArea(M, -70, -30, 80, 64), Rerun::RedrawReplay);
    EXPECT_EQ(V.Zoom.ZoomLevel, 2);
    EXPECT_NEAR(VisibleLeft(), -70, 1e-9);
    EXPECT_NEAR(VisibleTop(), -30, 1e-9);
    EXPECT_NEAR(VisibleWidth(), 80, 1e-9);
    EXPECT_FALSE(V.Pointer.ZoomMode);
    ExpectRulersFollow();
    // Zoom undo takes it back to the box before it.
    EXPECT_EQ(nav::ZoomUndo(M), Rerun::RedrawReplay);
    EXPECT_NEAR(VisibleLeft(), boxLeft, 1e-9);
    EXPECT_NEAR(VisibleWidth(), boxWidth, 1e-9);
    // No usable area: nothing changes.
    const double scale = C.ScaleWidth;
    EXPECT_EQ(nav::ZoomToArea(M, 0, 0, 0, 10), Rerun::None);
    EXPECT_EQ(nav::ZoomToArea(M, 0, 0, std::nan(""), 10), Rerun::None);
    EXPECT_EQ(C.ScaleWidth, scale);
    EXPECT_EQ(V.Zoom.ZoomLevel, 1);
}
