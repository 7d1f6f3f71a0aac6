// SPDX-License-Identifier: GPL-3.0-or-later
// The workbench's core: which block drew which piece (and hitting it at a view), snapping and
// measuring, fitting, the tool table against the checker, and the problems list.

#include "inspect/Inspection.h"
#include "inspect/Measure.h"
#include "inspect/Tokens.h"
#include "machine/Profile.h"
#include "motion/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

using namespace inspect;

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A view of 1 mm = 10 px across and down, the canvas corner at the viewport's corner, the canvas
// showing Z from -50 and radius from +20 (y grows downwards).
ViewMap TenPixelsPerMm(bool vertical = false, double xSign = 1) {
    ViewMap v;
    v.Vertical = vertical, v.XSign = xSign;
    v.ScaleLeft = -50, v.ScaleTop = -20, v.ScaleWidth = 80, v.ScaleHeight = 50;
    v.CanvasWidth = 800 * TwipsPerPixel, v.CanvasHeight = 500 * TwipsPerPixel;
    return v;
}

motion::PathSegment Cut(double x0, double z0, double x1, double z1) {
    motion::PathSegment s;
    s.kind = motion::PathSegment::Kind::Cut;
    s.x0 = x0, s.z0 = z0, s.x1 = x1, s.z1 = z1;
    return s;
}

const std::string Start = "G00 X0. Z0.\r\n";

} // namespace

TEST(ViewMap, MachinePointsLandWhereTheMovesDrawThem) {
    const ViewMap v = TenPixelsPerMm();
    // X20 is a radius of 10 drawn upwards: canvas y -10, 10 units below the top edge -20.
    const Point p = v.ToPixel({20, -30});
    EXPECT_DOUBLE_EQ(p.X, 200);
    EXPECT_DOUBLE_EQ(p.Y, 100);
    EXPECT_DOUBLE_EQ(v.PixelsPerUnit(), 10);
    // Pixels back to the machine, in every layout.
    for (bool vertical : {false, true})
        for (double sign : {1.0, -1.0}) {
            ViewMap w = TenPixelsPerMm(vertical, sign);
            w.CanvasLeft = -1234, w.CanvasTop = 567; // a panned canvas
            const MachinePoint back = w.ToMachine(w.ToPixel({37.5, -12.25}));
            EXPECT_NEAR(back.X, 37.5, 1e-9);
            EXPECT_NEAR(back.Z, -12.25, 1e-9);
        }
    // Mirrored: +X drawn downwards.
    EXPECT_DOUBLE_EQ(TenPixelsPerMm(false, -1).ToPixel({20, -30}).Y, 300);
    ViewMap broken = TenPixelsPerMm();
    broken.ScaleWidth = 0;
    EXPECT_FALSE(broken.Usable());
}

TEST(PathIndex, ClickFindsTheBlockOfTheNearestPieceWithinTheTolerance) {
    PathIndex idx;
    idx.Add(3, Cut(0, 0, 0, -40));    // along the axis, canvas y 0 -> pixel 200
    idx.Add(4, Cut(0, -40, 20, -40)); // up to X20 at Z-40 -> pixel x 100
    idx.Add(7, Cut(0, -40, 0, -40));  // a point
    const ViewMap v = TenPixelsPerMm();
    // 4 px above the first cut, at Z-20 (pixel x 300).
    auto hit = idx.HitTest(v, {300, 196}, 5);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->Line, 3);
    EXPECT_NEAR(hit->DistancePx, 4, 1e-9);
    EXPECT_FALSE(idx.HitTest(v, {300, 194}, 5)); // 6 px away
    // Near the corner the nearer piece wins; at the corner itself the one drawn last.
    EXPECT_EQ(idx.HitTest(v, {103, 150}, 5)->Line, 4);
    EXPECT_EQ(idx.HitTest(v, {100, 200}, 5)->Line, 7);
    // Zoomed in twice as far about the same corner: 4 px is now 2 px off.
    ViewMap zoomed = v;
    zoomed.ScaleWidth /= 2, zoomed.ScaleHeight /= 2;
    EXPECT_FALSE(idx.HitTest(zoomed, {300, 396}, 3));
    EXPECT_EQ(idx.HitTest(zoomed, {600, 396}, 5)->Line, 3);
    // Vertical layout: Z runs downwards, X across; the second cut lies along the canvas x axis.
    ViewMap vertical = TenPixelsPerMm(true);
    vertical.ScaleLeft = -30, vertical.ScaleTop = -10;
    const Point onCut = vertical.ToPixel({10, -40});
    EXPECT_EQ(idx.HitTest(vertical, {onCut.X, onCut.Y + 2}, 5)->Line, 4);
    EXPECT_EQ(idx.PiecesOfLine(4), std::vector<size_t>{1});
    EXPECT_TRUE(idx.PiecesOfLine(5).empty());
}

TEST(PathIndex, ArcsFollowTheArcTheMovesDraw) {
    // G02 and G03 quarter arcs, both directions; every point of the index's arc lies on the arc
    // the canvas was given (counter-clockwise on screen from its start angle to its end).
    for (const char* program : {"G01 X0. Z0. F1.\r\nG02 X20. Z-10. R10.\r\nM30\r\n",
                                "G01 X0. Z0. F1.\r\nG03 X20. Z-10. R10.\r\nM30\r\n",
                                "G01 X20. Z0. F1.\r\nG02 X20. Z-20. R10.\r\nM30\r\n",
                                "G01 X20. Z0. F1.\r\nG03 X20. Z-20. R10.\r\nM30\r\n"}) {
        motion::RecordingCanvas drawn;
        InspectionResult r;
        check::CheckOptions o;
        check::CheckProgram(
            U(program), o, [&r](const check::TracedSegment& s) { r.Paths.Add(s.Line, s.Segment); }, {&drawn});
        const auto circles = drawn.Of(motion::Primitive::Op::Circle);
        ASSERT_EQ(circles.size(), 1u) << program;
        const motion::Primitive& c = circles.front();
        const std::vector<size_t> arc = r.Paths.PiecesOfLine(2);
        ASSERT_EQ(arc.size(), 1u);
        std::vector<MachinePoint> line;
        PathIndex::Polyline(r.Paths.At(arc[0]).Segment, line);
        ASSERT_GT(line.size(), 10u);
        const ViewMap map; // the horizontal layout, +X upwards
        for (const MachinePoint& m : line) {
            const Point p = map.ToCanvas(m);
            EXPECT_NEAR(std::hypot(p.X - c.x1, p.Y - c.y1), c.radius, 1e-4)
                << program; // the ends are single precision
            const double turn = 2 * std::numbers::pi;
            double a = std::fmod(std::atan2(-(p.Y - c.y1), p.X - c.x1) - c.start + 2 * turn, turn);
            if (a > turn - 1e-4) a -= turn; // the start angle is single precision
            const double span = std::fmod(c.end - c.start + 2 * turn, turn);
            EXPECT_GE(a, -1e-4) << program;
            EXPECT_LE(a, span + 1e-4) << program;
        }
    }
}

TEST(Measure, SnapsToEndsAndCentresAndMeasuresBetweenThem) {
    PathIndex idx;
    idx.Add(2, Cut(20, 0, 40, -10));
    motion::PathSegment arc;
    arc.kind = motion::PathSegment::Kind::ArcCCW;
    arc.x0 = 40, arc.z0 = -10, arc.x1 = 40, arc.z1 = -30, arc.cx = 40, arc.cz = -20, arc.r = 10;
    idx.Add(3, arc);
    const ViewMap v = TenPixelsPerMm();
    const Point end = v.ToPixel({20, 0}), centre = v.ToPixel({40, -20});
    const SnapPoint a = SnapAt(idx, v, {end.X + 5, end.Y - 5}, 8, false, false);
    EXPECT_EQ(a.Snapped, SnapPoint::Kind::EndPoint);
    EXPECT_DOUBLE_EQ(a.At.X, 20);
    EXPECT_DOUBLE_EQ(a.At.Z, 0);
    const SnapPoint c = SnapAt(idx, v, {centre.X - 7, centre.Y}, 8, false, false);
    EXPECT_EQ(c.Snapped, SnapPoint::Kind::ArcCentre);
    EXPECT_DOUBLE_EQ(c.At.Z, -20);
    // Nothing within 8 px: the pointer's own point, on the grid only when asked.
    const SnapPoint free = SnapAt(idx, v, {centre.X - 9.3, centre.Y + 0.37}, 8, false, false);
    EXPECT_EQ(free.Snapped, SnapPoint::Kind::Free);
    EXPECT_NEAR(free.At.Z, -20.93, 1e-9);
    const SnapPoint grid = SnapAt(idx, v, {centre.X - 9.3, centre.Y + 0.37}, 8, true, true);
    EXPECT_EQ(grid.Snapped, SnapPoint::Kind::Grid);
    EXPECT_DOUBLE_EQ(grid.At.Z, -20.9);
    EXPECT_DOUBLE_EQ(grid.At.X, 39.9); // radius 19.963 -> diameter 39.926 -> 39.9

    // From X20 Z0 to X40 Z-10: 10 mm back, 20 mm up in diameter, a 45 degree chamfer.
    MeasureSession session;
    session.Click(a);
    EXPECT_FALSE(session.Result());
    session.Click(SnapAt(idx, v, v.ToPixel({40, -10}), 8, false, false));
    const Measurement m = *session.Result();
    EXPECT_DOUBLE_EQ(m.DZ, -10);
    EXPECT_DOUBLE_EQ(m.DXDiameter, 20);
    EXPECT_DOUBLE_EQ(m.DXRadius, 10);
    EXPECT_NEAR(m.Distance, 14.142135623730951, 1e-12);
    EXPECT_NEAR(m.AngleToZ, 45, 1e-12);
    EXPECT_EQ(MeasurementText(m), "dZ -10.000  dX 20.000 (R 10.000)  L 14.142  A 45.000\u00b0");
    // A third click starts again.
    session.Click(c);
    EXPECT_FALSE(session.Result());
    EXPECT_EQ(MeasurementText(Measure({10, 5}, {10, 5})),
              "dZ 0.000  dX 0.000 (R 0.000)  L 0.000  A 0.000\u00b0");
}

TEST(FitFrame, FramesThePathWithAFivePercentMargin) {
    PathIndex idx;
    EXPECT_FALSE(FitFrame(idx, ViewMap{}, 800, 500));
    idx.Add(1, Cut(0, 0, 40, -50)); // radius 0..20, Z -50..0
    // Horizontal: canvas x -50..0, y -20..0; 50 wide, so 50 / 0.9 across and 5/8 of it down.
    const picture::Area a = *FitFrame(idx, ViewMap{}, 800, 500);
    EXPECT_NEAR(a.Width, 50 / 0.9, 1e-9);
    EXPECT_NEAR(a.Height, 50 / 0.9 * 0.625, 1e-9);
    EXPECT_NEAR(a.Left + a.Width / 2, -25, 1e-9);
    EXPECT_NEAR(a.Top + a.Height / 2, -10, 1e-9);
    // Vertical: x -20..0 across, y 0..50 down; the height decides.
    ViewMap vertical;
    vertical.Vertical = true;
    const picture::Area b = *FitFrame(idx, vertical, 800, 500);
    EXPECT_NEAR(b.Height, 50 / 0.9, 1e-9);
    EXPECT_NEAR(b.Left + b.Width / 2, -10, 1e-9);
    EXPECT_NEAR(b.Top + b.Height / 2, 25, 1e-9);
}

TEST(RunInspection, ToolTableAgreesWithTheCheckersTimes) {
    for (const char* name : {"TURNING.min", "CYCLES.min"}) {
        std::ifstream in(std::string(ZARVIK_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        ASSERT_FALSE(bytes.empty()) << name;
        const std::u16string text = U(bytes);
        const InspectionResult r = RunInspection(text, {});
        const check::CheckReport plain = check::CheckProgram(text, {});
        double sum = 0;
        for (const ToolRow& t : r.Tools) {
            const auto it = plain.ToolTimes.find(t.Tool);
            EXPECT_EQ(t.Seconds, it == plain.ToolTimes.end() ? 0 : it->second) << name << " T" << t.Tool;
            sum += t.Seconds;
            EXPECT_GT(t.Blocks, 0);
            EXPECT_GE(t.FirstLine, 1);
        }
        EXPECT_EQ(r.Tools.size() >= plain.ToolTimes.size(), true) << name;
        EXPECT_NEAR(sum, plain.CuttingTime, 1e-3) << name;
        EXPECT_GT(r.Paths.Size(), 0u);
    }
    // Two tools by hand: T0 for two blocks, T0202 from line 3 for three.
    const std::u16string text = U("G00 X0. Z0. S500 M03\r\nG01 Z-10. F1.\r\nT0202\r\nG01 X10.\r\nM30\r\n");
    const InspectionResult r = RunInspection(text, {});
    ASSERT_EQ(r.Tools.size(), 2u);
    EXPECT_EQ(r.Tools[0].Blocks, 2);
    EXPECT_EQ(r.Tools[0].FirstLine, 1);
    EXPECT_EQ(r.Tools[1].Tool, 2);
    EXPECT_EQ(r.Tools[1].Blocks, 3);
    EXPECT_EQ(r.Tools[1].FirstLine, 3);
    EXPECT_GT(r.Tools[1].Seconds, 0);
    // The pieces know their tool: T0 the rapid and the cut along Z (lines 1, 2), T0202 the rest
    // (the standing marks of lines 3 and 5 and the face of line 4).
    std::vector<int64_t> t0, t2;
    for (size_t i : r.Paths.PiecesOfTool(0))
        t0.push_back(r.Paths.At(i).Line);
    for (size_t i : r.Paths.PiecesOfTool(2))
        t2.push_back(r.Paths.At(i).Line);
    EXPECT_EQ(t0, (std::vector<int64_t>{1, 2}));
    EXPECT_EQ(t2, (std::vector<int64_t>{3, 4, 5}));
    EXPECT_EQ(r.LineText(text, 4), u"G01 X10.");
}

// The window checks with second threads (the text's pass, the machine's planning). A check given
// up in the middle, as the window gives one up for a newer text, must leave them without a hang
// or a crash, and the next check must be whole and as one thread gives it.
TEST(RunInspection, AGivenUpCheckWithSecondThreadsLeavesThemAndTheNextIsWhole) {
    std::string program = "G50 S2000\r\nG96 S180 M03\r\n";
    for (int i = 0; i < 12000; ++i) // long enough for helpers sent to another core
        program += "G00 X" + std::to_string(80 - i % 40) + ". Z2.\r\nG01 Z-30. F0.2\r\nG01 X" +
                   std::to_string(81 - i % 40) + ".\r\n";
    program += "M30\r\n";
    const std::u16string text = U(program);
    check::CheckOptions options;
    options.Machine = std::make_shared<const machine::Profile>(machine::DefaultProfile());
    options.SecondCore = true;
    std::atomic<bool> stop = false;
    check::CheckOptions stopping = options;
    stopping.OnBlock = [&stop](int64_t line, double) {
        if (line > 9000) stop = true;
    };
    EXPECT_THROW(RunInspection(text, stopping, &stop, nullptr), Stopped);
    const InspectionResult whole = RunInspection(text, options);
    options.SecondCore = false;
    const InspectionResult inLine = RunInspection(text, options);
    ASSERT_TRUE(whole.Report.Machine && inLine.Report.Machine);
    EXPECT_EQ(whole.Report.Machine->Total.Total(), inLine.Report.Machine->Total.Total());
    EXPECT_GT(whole.Report.Machine->Total.Total(), 0);
    EXPECT_EQ(whole.Report.Advice.size(), inLine.Report.Advice.size());
    EXPECT_EQ(whole.Paths.Size(), inLine.Paths.Size());
}

TEST(RunInspection, ProblemsListAlarmsAndAdviceWithLineAndSequence) {
    // Line 4 fails the thread cycle (an alarm), line 2 dwells for minutes (advice).
    const std::u16string text =
        U("G00 X-0.2 Z5.\r\nN20 G04 F61.\r\nG95 G96 S100\r\n(N9) N0040 G33 X-0.8 Z-30. F2.\r\nM30\r\n");
    const InspectionResult r = RunInspection(text, {});
    ASSERT_EQ(r.Problems.size(), 3u);
    EXPECT_EQ(r.Problems[0].Line, 2);
    EXPECT_EQ(r.Problems[0].Sequence, "N20");
    EXPECT_EQ(KindOf(r.Problems[0]), Kind::Warning);
    EXPECT_EQ(r.Problems[1].Line, 4);
    EXPECT_EQ(r.Problems[1].Sequence, "N0040");
    EXPECT_EQ(KindOf(r.Problems[1]), Kind::Alarm);
    EXPECT_EQ(r.Problems[1].Message, "Calcu Error");
    // The same line's advice follows its alarm: the cut with the spindle stopped.
    EXPECT_EQ(r.Problems[2].Line, 4);
    EXPECT_EQ(KindOf(r.Problems[2]), Kind::Warning);
    EXPECT_EQ(ProblemCounts(r.Counts), "1 alarm, 2 warnings");
    EXPECT_EQ(ProblemCounts({2, 0, 3, 0}), "2 alarms, 3 warnings");
    EXPECT_EQ(ProblemCounts({0, 1, 0, 2}), "1 error, 2 info");
    EXPECT_EQ(ProblemCounts({}), "no problems");
    // Line starts as the checker counts: a lone LF is no line break.
    const LineStarts s(u"A\r\nB\nC\r\nD");
    EXPECT_EQ(s.Lines(), 3);
    EXPECT_EQ(s.StartOf(2), 3u);
    EXPECT_EQ(s.EndOf(2), 6u);
    EXPECT_EQ(s.LineAt(5), 2);
    EXPECT_EQ(s.StartOf(99), 8u);
}

TEST(Tokens, WordsNumbersCommentsAndTheSlash) {
    using K = Token::Kind;
    auto kinds = [](std::u16string_view line, bool& comment) {
        std::vector<std::tuple<uint32_t, uint32_t, K>> out;
        for (const Token& t : TokensOf(line, comment))
            out.emplace_back(t.Start, t.Length, t.What);
        return out;
    };
    bool comment = false;
    using V = std::vector<std::tuple<uint32_t, uint32_t, K>>;
    EXPECT_EQ(kinds(u"/N10 G01 X-2.5(ROUGH)", comment), (V{{0, 1, K::Slash},
                                                           {1, 3, K::Word},
                                                           {5, 1, K::Address},
                                                           {6, 2, K::Number},
                                                           {9, 1, K::Address},
                                                           {10, 4, K::Number},
                                                           {14, 7, K::Comment}}));
    EXPECT_FALSE(comment);
    // A slash after a word divides (the value reads on); a comment left open goes on in the next
    // line.
    EXPECT_EQ(kinds(u"O1234 X10/2 (OPEN", comment),
              (V{{0, 5, K::Word}, {6, 1, K::Address}, {7, 4, K::Number}, {12, 5, K::Comment}}));
    EXPECT_TRUE(comment);
    EXPECT_EQ(kinds(u"STILL) Z5", comment), (V{{0, 6, K::Comment}, {7, 1, K::Address}, {8, 1, K::Number}}));
    EXPECT_FALSE(comment);
    // What the control skips unread is not coloured as its number: the rest after a letter
    // (XZ10), a number after a blank, the letter Q. Lower case is coloured as the operator meant.
    EXPECT_EQ(kinds(u"XZ10 Q5 X 7 g01", comment),
              (V{{0, 1, K::Address}, {8, 1, K::Address}, {12, 1, K::Address}, {13, 2, K::Number}}));
}
