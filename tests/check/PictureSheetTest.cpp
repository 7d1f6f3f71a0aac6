// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures as sheets: framing on the drawn path, the layout of viewport, rulers and legend, what
// the rulers and the legend say, and the checker's picture options.

#include "base/View.h"
#include "check/Checker.h"
#include "check/CheckerCli.h"
#include "picture/Framing.h"
#include "picture/Sheet.h"
#include "picture/SvgSheet.h"
#include "support/CheckerRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

namespace {

using namespace picture;

constexpr double HalfPi = 1.5707963267948966;

// An overlay that keeps every text with where it was put; widths as the SVG estimate gives them.
struct RecordingOverlay final : Overlay {
    struct Placed {
        double X, Y;
        Anchor Where;
        int32_t Color;
    };
    std::multimap<std::string, Placed> Texts;
    std::vector<Rect> Fills;
    void Fill(const Rect& r, int32_t) override { Fills.push_back(r); }
    void Line(double, double, double, double, int32_t) override {}
    void Text(double x, double y, const std::string& text, double points, int32_t color, Anchor anchor,
              bool) override {
        Texts.insert({text, {x, y, anchor, color}});
        Widths[text] = TextWidth(text, points);
    }
    double TextWidth(const std::string& text, double points, bool bold = false) override {
        return SvgOverlay().TextWidth(text, points, bold);
    }
    std::map<std::string, double> Widths;
};

TEST(Framing, ExtentCoversLinesArcsAndPixelsButNotTheAxesAndStartsAnewAfterAClear) {
    BoundsCanvas b;
    EXPECT_FALSE(b.Extent());
    b.Line(-1000, 0, 1000, 0, static_cast<int32_t>(0x80000010u)); // an axis
    b.Line(0, 0, 10, -5, 0xFF);
    // A quarter arc from the right of (20, 0) up to its top passes neither its left nor its bottom.
    b.Circle(20, 0, 4, 0xFF, false, 0, HalfPi);
    b.PSet(-3, 2, 0);
    ASSERT_TRUE(b.Extent());
    EXPECT_DOUBLE_EQ(b.Extent()->Left, -3);
    EXPECT_DOUBLE_EQ(b.Extent()->Width, 27);
    EXPECT_DOUBLE_EQ(b.Extent()->Top, -5);
    EXPECT_DOUBLE_EQ(b.Extent()->Height, 7);
    // Three quarters the other way reach the left and the bottom of the circle.
    b.Circle(20, 0, 4, 0xFF, false, HalfPi, 0);
    EXPECT_DOUBLE_EQ(b.Extent()->Left, -3);
    EXPECT_DOUBLE_EQ(b.Extent()->Top + b.Extent()->Height, 4);
    b.Cls();
    EXPECT_FALSE(b.Extent());
}

TEST(Framing, ThePartIsItsCutsWithTheRapidsNearThemNotTheTravelFromAfar) {
    PartExtent p;
    EXPECT_FALSE(p.Part());
    // Canvas units: Z across, the radius upwards (y = -radius).
    p.AddRapid(200, -250, 2, -31);       // from the home position to the stock
    EXPECT_DOUBLE_EQ(p.Part()->Left, 2); // no cut yet: the rapids are all there is
    p.AddCut(2, -31, -50, -31);
    p.AddCut(-50, -31, -50, -40);
    p.AddRapid(-50, -29, 0, -29);  // a retract 2 mm off the stock, between two cuts
    p.AddRapid(2, -32, 100, -100); // away to the tool change
    // Cuts Z -50..2 and y -40..-31: a rapid counts up to 15 % of 52 = 7.8 around them.
    const Area a = *p.Part();
    EXPECT_DOUBLE_EQ(a.Left, -50);
    EXPECT_NEAR(a.Left + a.Width, 2 + 7.8, 1e-9);
    EXPECT_DOUBLE_EQ(a.Top, -40);
    EXPECT_DOUBLE_EQ(a.Top + a.Height, -29);
    p.Clear();
    EXPECT_FALSE(p.Part());

    // A run drawn onto the bounds canvas: the pieces are told by their kind, the same rule frames
    // them; fit all keeps the home position.
    const std::string text = "G00 X62. Z2.\r\nG01 Z-50. F0.2\r\nG02 X80. Z-59. R9.\r\n"
                             "G00 X82. Z2.\r\nG00 X200. Z100.\r\nM30\r\n";
    BoundsCanvas b;
    check::CheckProgram(std::u16string(text.begin(), text.end()), {}, {}, {&b});
    const Area part = *b.Framed(FitScope::Part), all = *b.Framed(FitScope::All);
    // The cuts span Z -59..2 and y -40..-31; the rapids count up to 15 % of 61 around them.
    const double near = 0.15 * 61, e = 1e-9;
    EXPECT_NEAR(part.Left, -59, e);
    EXPECT_NEAR(part.Left + part.Width, 2 + near, e); // cut off where the rapids leave
    EXPECT_LE(part.Top, -41 + e);                     // the return to Z2 at X82 is in
    EXPECT_GE(part.Top, -40 - near - e);
    EXPECT_NEAR(part.Top + part.Height, -31, e);
    EXPECT_DOUBLE_EQ(all.Left + all.Width, 200); // Z200, where the run starts
    EXPECT_DOUBLE_EQ(all.Top, -250);             // X500
}

TEST(Framing, FitAreaKeepsTheMarginAlongTheLimitingSideAndTheViewportShowsIt) {
    // A long part in a wide viewport: its length limits.
    const Area wide = FitArea(Area{-100, -30, 100, 10}, 1000, 500);
    EXPECT_NEAR(wide.Width * 0.9, 100, 1e-9);
    EXPECT_NEAR(wide.Height / wide.Width, 0.5, 1e-12);
    EXPECT_NEAR(wide.Left + wide.Width / 2, -50, 1e-9);
    EXPECT_NEAR(wide.Top + wide.Height / 2, -25, 1e-9);
    // A tall one: its height limits.
    const Area tall = FitArea(Area{0, 0, 10, 100}, 1000, 500);
    EXPECT_NEAR(tall.Height * 0.9, 100, 1e-9);
    // A single point still gets an area.
    EXPECT_GT(FitArea(Area{5, 5, 0, 0}, 1000, 500).Width, 0);

    // The canvas is four viewports, moved as the standard view moves it.
    motion::View view;
    view.ViewportWidth = 15000, view.ViewportHeight = 7500;
    BoundsCanvas canvas;
    canvas.Resize(60000, 30000);
    view.CanvasLeft = -30000 + 200, view.CanvasTop = -15000;
    ASSERT_TRUE(ShowArea(canvas, view, wide));
    const Area shown = VisibleArea(canvas, view);
    EXPECT_NEAR(shown.Left, wide.Left, 1e-9);
    EXPECT_NEAR(shown.Top, wide.Top, 1e-9);
    EXPECT_NEAR(shown.Width, wide.Width, 1e-9);
    EXPECT_NEAR(shown.Height, wide.Height, 1e-9);
    EXPECT_FALSE(ShowArea(canvas, view, Area{0, 0, 0, 0}));
}

TEST(Sheet, LayoutTilesThePageAndIsPlainWithoutRulersAndLegend) {
    EXPECT_TRUE(LayOutSheet(SheetOptions{}).Plain());
    EXPECT_EQ(LayOutSheet(SheetOptions{}).Viewport.W, 1600);
    SheetOptions o;
    o.WidthPx = 1200, o.HeightPx = 800, o.Rulers = true, o.Legend = true;
    const SheetLayout l = LayOutSheet(o);
    EXPECT_FALSE(l.Plain());
    double area = 0;
    for (const Rect& r : {l.Viewport, l.XRuler, l.ZRuler, l.Corner, l.Legend})
        area += r.W * r.H;
    EXPECT_DOUBLE_EQ(area, 1200 * 800);
    EXPECT_EQ(l.XRuler.X + l.XRuler.W, l.Viewport.X);
    EXPECT_EQ(l.Viewport.Y + l.Viewport.H, l.ZRuler.Y);
    EXPECT_EQ(l.Viewport.X + l.Viewport.W, l.Legend.X);
    EXPECT_EQ(l.Legend.X + l.Legend.W, 1200);
    // The legend never takes more than a good part of a small sheet.
    o.WidthPx = 300;
    EXPECT_LE(LayOutSheet(o).Legend.W, 120);
}

TEST(Sheet, RulersLabelTheWindowsTicksAtTheirPlacesWithoutOverlap) {
    SheetOptions o;
    o.WidthPx = 1000, o.HeightPx = 600, o.Rulers = true;
    const SheetLayout l = LayOutSheet(o);
    // Z 0..100 across; canvas y -60..0 down, so X 120 at the top and X0 at the bottom.
    const Area visible{0, -60, 100, 100 * l.Viewport.H / l.Viewport.W};
    RecordingOverlay rec;
    DrawRulers(rec, l, o, visible, RulerMapping{});
    // The window's step for a canvas four views wide (400): 10.
    for (const char* z : {"Z0", "Z10", "Z50", "Z90"})
        EXPECT_EQ(rec.Texts.count(z), 1u) << z;
    const auto z50 = rec.Texts.find("Z50")->second;
    EXPECT_NEAR(z50.X, l.Viewport.X + l.Viewport.W / 2, 1);
    EXPECT_EQ(z50.Where, Anchor::Middle);
    EXPECT_GE(z50.Y, l.ZRuler.Y);
    const auto x100 = rec.Texts.find("X100")->second; // canvas y -50
    EXPECT_NEAR(x100.Y + 8, l.Viewport.Y + (10.0 / visible.Height) * l.Viewport.H, 2);
    EXPECT_LE(x100.X, l.XRuler.X + l.XRuler.W);
    // Mirrored X and the vertical layout change the labels as the window's rulers do.
    RecordingOverlay mirrored, vertical;
    DrawRulers(mirrored, l, o, visible, RulerMapping{false, -1});
    EXPECT_EQ(mirrored.Texts.count("X-100"), 1u);
    DrawRulers(vertical, l, o, visible, RulerMapping{true, 1});
    EXPECT_EQ(vertical.Texts.count("X-100"), 1u); // canvas x 50 is X -100 in the vertical layout
    EXPECT_EQ(vertical.Texts.count("Z50"), 1u);   // canvas y -50 is Z 50

    // A narrow sheet labels every n-th tick so that labels keep apart.
    o.WidthPx = 200;
    const SheetLayout narrow = LayOutSheet(o);
    RecordingOverlay few;
    DrawRulers(few, narrow, o, Area{-1000, -10, 2000, 20}, RulerMapping{});
    std::vector<std::pair<double, double>> spans;
    for (const auto& [text, at] : few.Texts)
        if (text[0] == 'Z') spans.push_back({at.X - few.Widths[text] / 2, at.X + few.Widths[text] / 2});
    ASSERT_GE(spans.size(), 2u);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        EXPECT_LT(spans[i - 1].second, spans[i].first);
}

TEST(Sheet, LegendNamesTheProgramTimesAlarmsAndAsManyToolsAsFit) {
    SheetOptions o;
    o.WidthPx = 1000, o.HeightPx = 400, o.Legend = true;
    LegendContent legend{"PART.min", 754.923, 2, {}};
    for (int t = 1; t <= 30; ++t)
        legend.Tools.push_back({static_cast<double>(t), {0xFF}, t * 1.5});
    RecordingOverlay rec;
    DrawLegend(rec, LayOutSheet(o), o, legend);
    EXPECT_EQ(rec.Texts.count("PART.min"), 1u);
    EXPECT_EQ(rec.Texts.count("Cutting time 0:12:35 (754.92 s)"), 1u);
    ASSERT_EQ(rec.Texts.count("2 alarms"), 1u);
    EXPECT_EQ(rec.Texts.find("2 alarms")->second.Color, 0x0000FF); // red
    EXPECT_EQ(rec.Texts.count("T1"), 1u);
    EXPECT_EQ(rec.Texts.count("1.50 s"), 1u);
    // The rows that do not fit are counted, not drawn off the sheet.
    size_t shown = 0;
    for (int t = 1; t <= 30; ++t)
        shown += rec.Texts.count("T" + std::to_string(t));
    ASSERT_LT(shown, 30u);
    EXPECT_EQ(rec.Texts.count("and " + std::to_string(30 - shown) + " more tools"), 1u);
    for (const auto& [text, at] : rec.Texts)
        EXPECT_LT(at.Y + 13, 400) << text;
    EXPECT_EQ(LegendAlarms(0), "no alarms");
    EXPECT_EQ(LegendAlarms(1), "1 alarm");
}

// Times beyond any integer (a float holds 3.4e38 s) and areas far out of any lathe's reach are
// written and drawn sanely: whole hours, minutes and seconds, and no tick a double cannot tell
// from the next.
TEST(Sheet, HugeTimesAndFarAreasStaySane) {
    EXPECT_EQ(LegendClock(754.923), "0:12:35");
    EXPECT_EQ(LegendClock(-5), "-0:00:05");
    EXPECT_EQ(LegendClock(std::nan("")), "--:--:--");
    for (const double seconds : {1e20, 3.4028234663852886e38}) {
        const std::string clock = LegendClock(seconds);
        SCOPED_TRACE(clock);
        const size_t colon = clock.find(':');
        ASSERT_EQ(clock.size(), colon + 6);
        EXPECT_EQ(clock.find_first_not_of("0123456789"), colon);
        EXPECT_LE(clock.substr(colon + 1, 2), "59");
        EXPECT_LE(clock.substr(colon + 4, 2), "59");
        // The hours to 14 digits.
        EXPECT_EQ(clock.substr(0, 14),
                  std::to_string(static_cast<long double>(seconds) / 3600).substr(0, 14));
    }
    SheetOptions o;
    o.Rulers = true;
    const SheetLayout l = LayOutSheet(o);
    for (const Area& far :
         {Area{1e17, -1e17, 100, 60}, Area{0, 0, 1e300, 1e300}, Area{-1e300, 1e300, 1e-300, 1}}) {
        RecordingOverlay rec;
        DrawRulers(rec, l, o, far, RulerMapping{});
        EXPECT_TRUE(rec.Texts.empty()) << far.Left;
    }
}

// Runs the checker's command line; returns the exit status and standard error.
int Cli(std::vector<std::string> args, std::string* err = nullptr) {
    const CheckerRun run = RunChecker(std::move(args));
    if (err) *err = run.Err;
    return run.Status;
}

TEST(CheckerCli, PictureOptionsShapeTheSvgSheet) {
    const auto dir = std::filesystem::temp_directory_path() / ("zarvik-sheet-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string p = (dir / "PART.min").string(), svg = (dir / "p.svg").string();
    std::ofstream(p, std::ios::binary) << "T0101\r\nG97 S800 M03\r\nG00 X40. Z2.\r\nG01 Z-20. F0.2\r\n"
                                          "G01 X60.\r\nG00 X100. Z50.\r\nM30\r\n%\r\n";
    auto slurp = [&] {
        std::ifstream in(svg, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::string err;
    for (const char* bad : {"100x500", "800x", "800x600.5", "8001x600", "x600", "800*600"}) {
        EXPECT_EQ(Cli({"--size", bad, "--svg", svg, p}, &err), 2) << bad;
        EXPECT_NE(err.find("--size needs"), std::string::npos) << bad;
    }
    EXPECT_EQ(Cli({"--pdf", (dir / "p.pdf").string(), p}, &err), 2);
    EXPECT_NE(err.find("built without that picture format"), std::string::npos);

    ASSERT_EQ(Cli({"--svg", svg, p}), 0);
    const std::string standard = slurp();
    ASSERT_EQ(Cli({"--fit", "--size", "800x600", "--black", "--svg", svg, p}), 0);
    const std::string framed = slurp();
    EXPECT_NE(framed.find("width=\"800\" height=\"600\""), std::string::npos);
    EXPECT_NE(framed.find("fill=\"#000000\""), std::string::npos);
    EXPECT_EQ(standard.find("fill=\"#000000\""), std::string::npos);
    EXPECT_NE(framed, standard);
    ASSERT_EQ(Cli({"--rulers", "--legend", "--svg", svg, p}), 0);
    const std::string sheet = slurp();
    EXPECT_NE(sheet.find("overflow=\"hidden\""), std::string::npos);
    EXPECT_NE(sheet.find(">PART.min</text>"), std::string::npos);
    EXPECT_NE(sheet.find(">Z0</text>"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(CheckerCli, ToolLabelsInAPictureMoveOffEachOtherAsInTheWindow) {
    // Every tool of the example starts from one tool-change position: framed on all the travel,
    // their labels would lie on one spot.
    const auto dir = std::filesystem::temp_directory_path() / ("zarvik-labels-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string svg = (dir / "c.svg").string();
    const std::string cycles = std::string(ZARVIK_SOURCE_DIR) + "/examples/CYCLES.min";
    ASSERT_LE(Cli({"--fit=all", "--svg", svg, cycles}), 1);
    std::ifstream in(svg, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    struct Label {
        double X, Y;
        std::string Text;
    };
    std::vector<Label> labels;
    for (size_t at = text.find("<text x=\""); at != std::string::npos; at = text.find("<text x=\"", at + 1)) {
        const size_t y = text.find("y=\"", at), open = text.find('>', at), close = text.find('<', open);
        const std::string words = text.substr(open + 1, close - open - 1);
        if (words.rfind("TA ", 0) == 0)
            labels.push_back({std::stod(text.substr(at + 9)), std::stod(text.substr(y + 3)), words});
    }
    ASSERT_GE(labels.size(), 6u);
    // The labels' boxes, 16 px high (12 points) and at least half an em a character wide, meet
    // nowhere.
    for (size_t i = 0; i < labels.size(); ++i)
        for (size_t j = i + 1; j < labels.size(); ++j) {
            const Label &a = labels[i], &b = labels[j];
            const double w = 8 * static_cast<double>(std::min(a.Text.size(), b.Text.size()) - 1);
            EXPECT_FALSE(std::fabs(a.X - b.X) < w && std::fabs(a.Y - b.Y) < 14) << a.Text << " on " << b.Text;
        }
    std::filesystem::remove_all(dir);
}

} // namespace
