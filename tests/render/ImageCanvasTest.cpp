// SPDX-License-Identifier: GPL-3.0-or-later
// The image canvas gathers primitives of one colour and draws them together, on request on a
// second thread; the picture must be the one that drawing each primitive on its own, in order,
// gives: also where XOR or text meet what is pending beneath them.

#include "render/ImageCanvas.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPen>

#include <functional>
#include <random>
#include <string>

namespace {

using Draw = std::function<void(render::ImageCanvas&)>;

// A canvas of 400 x 300 pixels, 100 x 75 user units from (0, 0).
void Prepare(render::ImageCanvas& c) {
    c.BackColor = 0xFFFFFF;
    c.Resize(400 * render::ImageCanvas::TwipsPerPixel, 300 * render::ImageCanvas::TwipsPerPixel);
    c.SetScale(0, 0, 100, 75);
}

// A random program of primitives: few colours so that runs form, both styles, both modes,
// single pixels, arcs and circles, now and then text and a cleared canvas.
std::vector<Draw> RandomDrawing(unsigned seed, int count) {
    std::mt19937 rng(seed);
    auto coord = [&](double size) { return static_cast<double>(rng() % 1000) / 1000 * size; };
    const int32_t colours[] = {0x0000FF, 0x00FF00, 0x0080FF};
    std::vector<Draw> out;
    for (int i = 0; i < count; ++i) {
        const int32_t colour = colours[rng() % (i % 50 < 40 ? 1 : 3)];
        const auto style = rng() % 3 ? motion::DrawStyle::Solid : motion::DrawStyle::Dot;
        const auto mode = rng() % 20 ? motion::DrawMode::Copy : motion::DrawMode::Xor;
        const double x1 = coord(100), y1 = coord(75), x2 = coord(100), y2 = coord(75), r = coord(20);
        const unsigned kind = rng() % 100;
        const bool clearable = i < count - 500; // the end of the drawing stays on the picture
        out.push_back([=](render::ImageCanvas& c) {
            c.Style = style;
            c.Mode = mode;
            if (kind < 55)
                c.Line(x1, y1, x2, y2, colour);
            else if (kind < 75)
                c.PSet(x1, y1, colour);
            else if (kind < 90)
                c.Circle(x1, y1, r, colour, false, x2 / 10, y2 / 10);
            else if (kind < 95)
                c.Circle(x1, y1, r, colour, true, 0, 0);
            else if (kind < 99) {
                c.ForeColor = colour;
                c.FontSize = 9;
                c.CurrentX = x1, c.CurrentY = y1;
                c.Print("T 101");
            } else if (clearable) {
                c.Cls();
            }
        });
    }
    return out;
}

} // namespace

// The path labels measure their text while earlier labels, at another size, are still being
// drawn on the second thread: the measure and the picture are those of drawing in order.
TEST(ImageCanvas, TextMeasuredWhileDrawingBehindKeepsSizesAndPicture) {
    render::ImageCanvas ahead, behind;
    behind.DrawInBackground(true);
    for (render::ImageCanvas* c : {&ahead, &behind})
        Prepare(*c);
    for (int i = 0; i < 200; ++i) {
        double widths[2], heights[2];
        int k = 0;
        for (render::ImageCanvas* c : {&ahead, &behind}) {
            for (int n = 0; n < 20; ++n)
                c->Line(0, n, 100, 75 - n, 0x0000FF);
            c->FontSize = i % 2 ? 12 : 9;
            c->CurrentX = i % 90, c->CurrentY = i % 70;
            c->Print("T 1" + std::to_string(i));
            c->FontSize = i % 2 ? 9 : 12; // the next label's size, measured at once
            widths[k] = c->TextWidth("T 1" + std::to_string(i));
            heights[k] = c->TextHeight("A");
            ++k;
        }
        ASSERT_EQ(widths[0], widths[1]) << i;
        ASSERT_EQ(heights[0], heights[1]) << i;
        ASSERT_GT(widths[0], 0);
    }
    EXPECT_TRUE(ahead.Image() == behind.Image());
}

// Widths are remembered per text and size: a text measured again, after others and at another size,
// measures as it did, and the scale in force is applied to the remembered width.
TEST(ImageCanvas, RememberedTextWidthsFollowSizeAndScale) {
    render::ImageCanvas c;
    Prepare(c);
    c.FontSize = 12;
    const double wide = c.TextWidth("T 101 ");
    EXPECT_LT(c.TextWidth("T 1 "), wide);
    c.FontSize = 8;
    const double narrow = c.TextWidth("T 101 ");
    EXPECT_LT(narrow, wide);
    c.FontSize = 12;
    EXPECT_EQ(c.TextWidth("T 101 "), wide);
    c.SetScale(c.ScaleLeft, c.ScaleTop, c.ScaleWidth * 2, c.ScaleHeight);
    EXPECT_DOUBLE_EQ(c.TextWidth("T 101 "), 2 * wide);
    render::ImageCanvas fresh;
    Prepare(fresh);
    fresh.FontSize = 8;
    EXPECT_EQ(fresh.TextWidth("T 101 "), narrow);
}

TEST(ImageCanvas, GatheredRunsDrawWhatSinglePrimitivesDraw) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const std::vector<Draw> drawing = RandomDrawing(seed, 3000);
        render::ImageCanvas gathered, behind, single;
        behind.DrawInBackground(true);
        for (render::ImageCanvas* c : {&gathered, &behind, &single})
            Prepare(*c);
        for (const Draw& draw : drawing) {
            draw(gathered);
            draw(behind);
            draw(single);
            single.Image(); // reading the picture draws whatever is pending
        }
        const QImage& a = gathered.Image();
        const QImage& b = single.Image();
        const QImage& c = behind.Image();
        ASSERT_EQ(a.size(), b.size());
        ASSERT_EQ(c.size(), b.size());
        int differing = 0, differingBehind = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                differing += a.pixel(x, y) != b.pixel(x, y);
                differingBehind += c.pixel(x, y) != b.pixel(x, y);
            }
        EXPECT_EQ(differing, 0) << "seed " << seed;
        EXPECT_EQ(differingBehind, 0) << "seed " << seed;
        int drawn = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                drawn += a.pixel(x, y) != 0xFFFFFFFFu;
        EXPECT_GT(drawn, 1000) << "seed " << seed; // the comparison saw a real picture
    }
}

// Within one colour's run each primitive keeps its own style: the rapid stays dotted, the cut
// solid, whichever came first.
TEST(ImageCanvas, RunKeepsEachPrimitivesStyle) {
    render::ImageCanvas c;
    Prepare(c);
    c.Style = motion::DrawStyle::Dot;
    c.Line(10, 10, 90, 10, 0x0000FF); // y = 40 px
    c.Style = motion::DrawStyle::Solid;
    c.Line(10, 20, 90, 20, 0x0000FF); // y = 80 px
    const QImage& image = c.Image();
    int dotted = 0, solid = 0;
    for (int x = 60; x < 340; ++x) {
        dotted += image.pixel(x, 40) != 0xFFFFFFFFu;
        solid += image.pixel(x, 80) != 0xFFFFFFFFu;
    }
    EXPECT_EQ(solid, 280);
    EXPECT_GT(dotted, 60); // one pixel in three
    EXPECT_LT(dotted, 140);
}

// The window's lines are drawn into the picture without the painter: the picture must be the
// painter's, solid and dotted, lines inside, across and outside the picture.
TEST(ImageCanvas, LinesAreThePaintersPixels) {
    render::ImageCanvas c;
    Prepare(c);
    QImage painted(400, 300, QImage::Format_RGB32);
    painted.fill(0xFFFFFFFFu);
    QPainter p(&painted);
    std::mt19937 rng(17);
    auto coord = [&](double size) { return (static_cast<double>(rng() % 20000) / 10000 - 0.5) * size; };
    for (int i = 0; i < 20000; ++i) {
        const bool dotted = i % 3 == 0;
        const int32_t colour = i % 7 ? 0x0000FF : 0x008000;
        const double x1 = coord(120), y1 = coord(90);
        const double x2 = i % 2 ? x1 + coord(2) : coord(140), y2 = i % 2 ? y1 + coord(2) : coord(100);
        c.Style = dotted ? motion::DrawStyle::Dot : motion::DrawStyle::Solid;
        c.Line(x1, y1, x2, y2, colour);
        QPen pen{QColor::fromRgb(render::ToRgb(colour))};
        pen.setCosmetic(true);
        pen.setWidth(0);
        if (dotted) pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.drawLine(QLineF(c.PixelX(x1), c.PixelY(y1), c.PixelX(x2), c.PixelY(y2)));
    }
    p.end();
    const QImage& drawn = c.Image();
    int differing = 0, inked = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            differing += drawn.pixel(x, y) != painted.pixel(x, y);
            inked += painted.pixel(x, y) != 0xFFFFFFFFu;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 10000);
}
