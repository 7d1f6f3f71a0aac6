// SPDX-License-Identifier: GPL-3.0-or-later
// The path's own line drawing must set exactly the pixels the raster painter sets for the same
// drawLines calls: ends, half-pixel rounding, clipping at the picture's edges, the dots' phase.
// Checked against the painter itself on many random lines.

#include "render/PixelLines.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <random>
#include <sstream>
#include <vector>

namespace {

constexpr uint32_t Back = 0xFFFFFFFFu, Ink = 0xFF2050A0u;

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Back);
    return image;
}

// The pen the window draws the path with.
void PaintLines(QImage& image, const std::vector<QLineF>& lines, bool dotted) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen{QColor::fromRgb(Ink)};
    pen.setCosmetic(true);
    pen.setWidth(0);
    if (dotted) pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
}

void OwnLines(QImage& image, const std::vector<QLineF>& lines, bool dotted) {
    render::DrawPixelLines(render::RowsOf(image), lines.data(), lines.size(), Ink, dotted);
}

// Pixels where the two images differ, with the first few listed.
int Differences(const QImage& a, const QImage& b, std::string* where = nullptr) {
    int n = 0;
    std::ostringstream out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && n++ < 5)
                out << " (" << x << "," << y << (a.pixel(x, y) == Ink ? " painter" : " own") << ")";
    if (where) *where = out.str();
    return n;
}

int Inked(const QImage& a) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) == Ink;
    return n;
}

std::string Describe(const QLineF& l) {
    std::ostringstream out;
    out.precision(17);
    out << "(" << l.x1() << ", " << l.y1() << ") - (" << l.x2() << ", " << l.y2() << ")";
    return out.str();
}

// Random lines of the kinds a program's picture holds and the rounding rules hinge on.
class LineMaker {
  public:
    LineMaker(unsigned seed, int w, int h) : Rng(seed), W(w), H(h) {}

    QLineF Next() {
        const unsigned kind = Rng() % 100;
        const QPointF a = Point(kind);
        if (kind < 40) return {a, a + Offset(5)};                       // short: 0 to 5 pixels
        if (kind < 50) return {a, a + Offset(1)};                       // shorter than a pixel
        if (kind < 55) return {a, a + QPointF(Pick(-1e-13, 1e-13), 0)}; // ends almost one point
        if (kind < 60) return {a, a};                                   // one point
        if (kind < 70) {                                                // axis-parallel
            const double d = Pick(-40, 40);
            return Rng() % 2 ? QLineF(a, a + QPointF(d, 0)) : QLineF(a, a + QPointF(0, d));
        }
        if (kind < 75) { // exact diagonals and near them
            const double d = Pick(-30, 30);
            return {a, a + QPointF(d, (Rng() % 2 ? d : -d) + (Rng() % 3 ? 0 : Pick(-0.02, 0.02)))};
        }
        if (kind < 85) return {a, Point(Rng() % 100)}; // across the picture
        // Far outside, or from outside in, up to the clipped range the canvas hands over.
        const double far = Rng() % 2 ? 1e5 : 300;
        return {QPointF(Pick(-far, far), Pick(-far, far)),
                Rng() % 2 ? a : QPointF(Pick(-far, far), Pick(-far, far))};
    }

  private:
    double Pick(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(Rng); }

    // A coordinate in and a little around the picture: a third on a half pixel or near one, a
    // sixth on a pixel edge, the rest anywhere.
    double Coordinate(double size) {
        const double whole = std::floor(Pick(-3, size + 3));
        switch (Rng() % 6) {
        case 0:
        case 1:
            return whole + 0.5 + (Rng() % 2 ? 0 : Pick(-1.0 / 64, 1.0 / 64));
        case 2:
            return whole;
        case 3:
            return whole + (Rng() % 64) / 64.0; // on the painter's 1/64 pixel grid
        default:
            return Pick(-3, size + 3);
        }
    }
    QPointF Point(unsigned) { return {Coordinate(W), Coordinate(H)}; }
    QPointF Offset(double most) {
        const double r = Pick(0, most), t = Pick(0, 6.283185307179586);
        if (Rng() % 3 == 0) return {std::round(r * std::cos(t) * 2) / 2, std::round(r * std::sin(t) * 2) / 2};
        return {r * std::cos(t), r * std::sin(t)};
    }

    std::mt19937 Rng;
    int W, H;
};

} // namespace

// Each line on its own, so that a difference names the line that makes it.
TEST(PixelLines, EachRandomLineSetsThePaintersPixels) {
    for (bool dotted : {false, true})
        for (const QSize size : {QSize(97, 61), QSize(31, 211)}) {
            LineMaker make(dotted ? 7 : 3, size.width(), size.height());
            int failures = 0, inked = 0;
            for (int i = 0; i < 6000 && failures < 5; ++i) {
                const std::vector<QLineF> one{make.Next()};
                QImage painted = Blank(size.width(), size.height()), own = painted;
                PaintLines(painted, one, dotted);
                OwnLines(own, one, dotted);
                std::string where;
                if (Differences(painted, own, &where) != 0) {
                    ++failures;
                    ADD_FAILURE() << (dotted ? "dotted " : "solid ") << Describe(one[0]) << where;
                }
                inked += Inked(painted);
            }
            EXPECT_GT(inked, 20000); // the lines did reach the picture
        }
}

// Many lines in one drawLines call, call after call into the same picture: the dots of a line do
// not go on from where the previous line's stopped.
TEST(PixelLines, SequencesOfRandomLinesSetThePaintersPixels) {
    for (bool dotted : {false, true})
        for (const QSize size : {QSize(401, 303), QSize(1, 9)}) {
            LineMaker make(dotted ? 11 : 13, size.width(), size.height());
            std::mt19937 rng(5);
            QImage painted = Blank(size.width(), size.height()), own = painted;
            for (int call = 0; call < 200; ++call) {
                std::vector<QLineF> lines;
                const int n = 1 + static_cast<int>(rng() % 60);
                for (int i = 0; i < n; ++i)
                    lines.push_back(make.Next());
                PaintLines(painted, lines, dotted);
                OwnLines(own, lines, dotted);
                std::string where;
                ASSERT_EQ(Differences(painted, own, &where), 0) << (dotted ? "dotted" : "solid") << where;
            }
            EXPECT_GT(Inked(painted), size.width() > 1 ? 5000 : 3);
        }
}

namespace {

// The pixels a single drawLines call sets, listed row by row as "x,y".
std::string Pixels(const std::vector<QLineF>& lines, bool dotted, bool own) {
    QImage image = Blank(13, 9);
    own ? OwnLines(image, lines, dotted) : PaintLines(image, lines, dotted);
    std::ostringstream out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == Ink) out << x << "," << y << " ";
    return out.str();
}

} // namespace

// Named cases, with the pixels worked out by hand from the rules: a line covers the pixels
// whose centres lie within half a pixel beyond its ends, the ends taken at 1/64 pixel.
TEST(PixelLines, NamedCasesSetTheExpectedPixels) {
    struct Case {
        const char* Name;
        std::vector<QLineF> Lines;
        bool Dotted;
        const char* Expected;
    };
    const Case cases[] = {
        {"one point", {QLineF(3.4, 4.6, 3.4, 4.6)}, false, "3,5 "},
        {"one point on half pixels rounds up", {QLineF(3.5, 4.5, 3.5, 4.5)}, false, "4,5 "},
        {"one pixel long", {QLineF(2, 2, 3, 2)}, false, "2,2 3,2 "},
        {"centres to centres", {QLineF(1.5, 1.5, 4.5, 1.5)}, false, "1,1 2,1 3,1 4,1 "},
        {"backwards", {QLineF(4.5, 1.5, 1.5, 1.5)}, false, "1,1 2,1 3,1 4,1 "},
        {"vertical", {QLineF(2.99, 0, 2.99, 3)}, false, "2,0 2,1 2,2 2,3 "},
        {"diagonal", {QLineF(0, 0, 3, 3)}, false, "0,0 1,1 2,2 3,3 "},
        {"shorter than a pixel", {QLineF(5.2, 5.2, 5.7, 5.3)}, false, "5,5 "},
        {"clipped at the left", {QLineF(-50, 0.5, 1.5, 0.5)}, false, "0,0 1,0 "},
        {"outside", {QLineF(-50, -3, 50, -3)}, false, ""},
        {"ends apart within 1/64 pixel", {QLineF(5.001, 5, 5.002, 5)}, false, ""},
        {"dots from the start", {QLineF(0, 1, 7, 1)}, true, "0,1 3,1 6,1 "},
        {"dots from the start backwards", {QLineF(7, 1, 0, 1)}, true, "1,1 4,1 7,1 "},
        {"dots restart per line", {QLineF(0, 1, 1, 1), QLineF(2, 1, 4, 1)}, true, "0,1 2,1 "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pixels(c.Lines, c.Dotted, false), c.Expected) << c.Name << " (painter)";
        EXPECT_EQ(Pixels(c.Lines, c.Dotted, true), c.Expected) << c.Name;
    }
}

// Pictures the lines are not drawn into: another format or a device pixel ratio other than 1.
TEST(PixelLines, OnlyPlainThirtyTwoBitImagesAreDrawnInto) {
    QImage argb(5, 5, QImage::Format_ARGB32_Premultiplied), rgb16(5, 5, QImage::Format_RGB16);
    QImage scaled(10, 10, QImage::Format_RGB32);
    scaled.setDevicePixelRatio(2);
    EXPECT_NE(render::RowsOf(argb).Bits, nullptr);
    EXPECT_EQ(render::RowsOf(rgb16).Bits, nullptr);
    EXPECT_EQ(render::RowsOf(scaled).Bits, nullptr);
}
