// SPDX-License-Identifier: GPL-3.0-or-later
// Sheets painted with Qt: the viewport's picture at its place with rulers and a legend beside it,
// and the PDF page with the path as vectors at the sheet's size.

#include "render/SheetPainter.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <regex>

namespace {

picture::SheetContent Sheet(bool rulers, bool legend) {
    picture::SheetContent s;
    s.Options.WidthPx = 600, s.Options.HeightPx = 400;
    s.Options.Rulers = rulers, s.Options.Legend = legend;
    s.Layout = picture::LayOutSheet(s.Options);
    s.Visible = picture::Area{0, -40, 100, 100 * s.Layout.Viewport.H / s.Layout.Viewport.W};
    s.Legend = picture::LegendContent{"P.min", 12, 0, {{1, {0x00FF00}, 12}}};
    return s;
}

// Pixels of `rgb` inside the rectangle.
int CountColour(const QImage& image, const picture::Rect& r, QRgb rgb) {
    int n = 0;
    for (int y = static_cast<int>(r.Y); y < r.Y + r.H; ++y)
        for (int x = static_cast<int>(r.X); x < r.X + r.W; ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF);
    return n;
}

TEST(SheetPainter, ComposedSheetPutsTheViewportAtItsPlaceWithRulersAndLegendBeside) {
    const picture::SheetContent s = Sheet(true, true);
    const picture::SheetLayout& l = s.Layout;
    QImage viewport(static_cast<int>(l.Viewport.W), static_cast<int>(l.Viewport.H), QImage::Format_RGB32);
    viewport.fill(Qt::red);
    const QImage page = render::ComposeSheet(viewport, s);
    ASSERT_EQ(page.size(), QSize(600, 400));
    EXPECT_EQ(CountColour(page, l.Viewport, qRgb(255, 0, 0)), static_cast<int>(l.Viewport.W * l.Viewport.H));
    // The rulers and the legend are white with black ticks and texts, no red.
    for (const picture::Rect& r : {l.XRuler, l.ZRuler, l.Legend}) {
        EXPECT_EQ(CountColour(page, r, qRgb(255, 0, 0)), 0);
        EXPECT_GT(CountColour(page, r, qRgb(0, 0, 0)), 20);
    }
    EXPECT_GT(CountColour(page, l.Legend, qRgb(0, 255, 0)), 50); // the tool's swatch
    // Without rulers and legend the viewport's picture is the sheet, unchanged.
    const picture::SheetContent plain = Sheet(false, false);
    QImage whole(600, 400, QImage::Format_RGB32);
    whole.fill(Qt::blue);
    EXPECT_EQ(render::ComposeSheet(whole, plain), whole);
}

TEST(SheetPainter, PdfIsOnePageOfTheSheetsSizeWithThePathAsVectors) {
    const picture::SheetContent s = Sheet(true, true);
    render::PdfSheet pdf(s.Layout);
    motion::Canvas& c = pdf.Canvas();
    c.BackColor = 0xFFFFFF;
    c.Resize(s.Layout.Viewport.W * 15, s.Layout.Viewport.H * 15);
    c.SetScale(0, 0, 100, 100);
    c.Cls();
    for (int i = 0; i < 200; ++i)
        c.Line(i % 50, 10, i % 50 + 1, 20, 0x00FF00);
    c.Circle(50, 50, 10, 0xFF, true, 0, 0);
    std::string bytes;
    std::string why;
    ASSERT_TRUE(pdf.Finish(s, bytes, why)) << why;
    EXPECT_EQ(bytes.compare(0, 5, "%PDF-"), 0);
    // 600 x 400 pixels at 96 an inch are 450 x 300 points.
    EXPECT_TRUE(std::regex_search(bytes, std::regex("/MediaBox \\[0 0 450(\\.0+)? 300(\\.0+)?\\]")));
    EXPECT_TRUE(std::regex_search(bytes, std::regex("/Count 1\\b")));
    // The whole drawing is a few hundred path operators, not an image of it.
    EXPECT_EQ(bytes.find("/Subtype /Image"), std::string::npos);
}

// The page's content streams, inflated, one after another.
std::string PageContent(const std::string& pdf) {
    std::string all;
    for (size_t at = pdf.find("stream\n"); at != std::string::npos; at = pdf.find("stream\n", at)) {
        at += 7;
        const size_t end = pdf.find("endstream", at);
        if (end == std::string::npos) break;
        // qUncompress wants the size ahead; it grows the buffer from a hint of one byte.
        QByteArray packed("\0\0\0\1", 4);
        packed.append(pdf.data() + at, static_cast<qsizetype>(end - at));
        const QByteArray plain = qUncompress(packed);
        all.append(plain.constData(), static_cast<size_t>(plain.size()));
        at = end;
    }
    return all;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A long program's page is mostly its path: pieces going on straight are one piece, a solid
// piece drawn again is written once, the end pixels of one colour are one fill, and the numbers
// are whole drawing units (64 to a pixel).
TEST(SheetPainter, PdfPathIsWrittenWithoutRepeatsOrPieceByPieceFills) {
    const picture::SheetContent s = Sheet(false, false);
    render::PdfSheet pdf(s.Layout);
    motion::Canvas& c = pdf.Canvas();
    c.BackColor = 0xFFFFFF;
    c.Resize(600 * 15, 400 * 15);
    c.SetScale(0, 0, 600, 400); // one unit a pixel
    c.Cls();
    for (int i = 0; i < 10; ++i)
        c.Line(10 + i, 50, 11 + i, 50, 0x00FF00); // straight on
    c.Line(20, 50, 20, 60, 0x00FF00);             // a corner
    for (int i = 0; i < 20; ++i)
        c.Line(100, 100, 200, 150.5, 0x00FF00);
    for (int i = 0; i < 100; ++i) {
        c.PSet(3 * i + 0.5, 380.5, 0xFF0000);
        c.PSet(3 * i + 0.25, 380.25, 0xFF0000); // the same pixel
    }
    c.Style = motion::DrawStyle::Dot;
    for (int i = 0; i < 3; ++i)
        c.Line(300, 10, 300, 300, 0xFF); // the dots of a piece drawn again may differ: kept
    std::string bytes;
    std::string why;
    ASSERT_TRUE(pdf.Finish(s, bytes, why)) << why;
    const std::string page = PageContent(bytes);
    ASSERT_NE(page.find(" m\n"), std::string::npos) << "no path found in the page";
    EXPECT_NE(page.find("640 3200 m\n1280 3200 l\n1280 3840 l\n"), std::string::npos);
    EXPECT_EQ(Count(page, "6400 6400 m\n12800 9632 l\n"), 1);
    EXPECT_EQ(Count(page, "19200 640 m\n19200 19200 l\n"), 3);
    // A hundred pixels (and the background): one fill colour, not one for each; in whole pixels.
    EXPECT_EQ(Count(page, " re\n"), 101);
    EXPECT_EQ(Count(page, " 1 1 re\n"), 100);
    EXPECT_NE(page.find("\n0 380 1 1 re\n"), std::string::npos);
    EXPECT_LE(Count(page, " scn\n"), 4);
}

// An arc a hair over a quarter turn is split at the quarter: the hair rounds to a curve that
// starts and ends on one point, which adds nothing to the picture and is left out.
TEST(SheetPainter, PdfArcsLeaveOutCurvesThatRoundToAPoint) {
    const picture::SheetContent s = Sheet(false, false);
    render::PdfSheet pdf(s.Layout);
    motion::Canvas& c = pdf.Canvas();
    c.BackColor = 0xFFFFFF;
    c.Resize(600 * 15, 400 * 15);
    c.SetScale(0, 0, 600, 400);
    c.Cls();
    for (int i = 0; i < 10; ++i)
        c.Circle(50 + 20 * i, 100, 4, 0xFF, false, 0, 1.5708 + 0.0005);
    std::string bytes;
    std::string why;
    ASSERT_TRUE(pdf.Finish(s, bytes, why)) << why;
    const std::string page = PageContent(bytes);
    EXPECT_EQ(Count(page, " c\n"), 10);
    // Each quarter turn from its start (radius 256 units) to its end.
    EXPECT_NE(page.find("\n3456 6400 m\n"), std::string::npos);
    EXPECT_NE(page.find(" 3200 6144 c\n"), std::string::npos);
}

// Painting on the second thread writes the same document, in the same order: texts over the
// path before them, the stock's section over all. Only the moment of making differs.
TEST(SheetPainter, PdfPaintedInTheBackgroundIsTheSameDocument) {
    auto make = [](bool background) {
        const picture::SheetContent s = Sheet(true, true);
        render::PdfSheet pdf(s.Layout);
        pdf.PaintInBackground(background);
        motion::Canvas& c = pdf.Canvas();
        c.BackColor = 0xFFFFFF;
        c.Resize(s.Layout.Viewport.W * 15, s.Layout.Viewport.H * 15);
        c.SetScale(0, 0, 100, 100);
        c.Cls();
        for (int i = 0; i < 20000; ++i) {
            const int32_t color = i % 300 < 150 ? 0xFF : 0xFF00;
            c.Style = i % 7 ? motion::DrawStyle::Solid : motion::DrawStyle::Dot;
            c.Line(i % 97, i % 89, (i * 7) % 101, (i * 3) % 83, color);
            if (i % 500 == 0) {
                c.Circle(i % 50, 40, 5, color, false, 0.5, 2.5);
                c.PSet(i % 60, 20, color);
                c.CurrentX = i % 80, c.CurrentY = 30;
                c.Print("T" + std::to_string(i));
            }
        }
        pdf.PaintOverViewport([](QPainter& p) { p.fillRect(QRectF(10, 10, 30, 20), Qt::gray); });
        std::string bytes;
        std::string why;
        EXPECT_TRUE(pdf.Finish(s, bytes, why)) << why;
        return std::regex_replace(bytes, std::regex("/CreationDate \\(D:[0-9Z+'-]*\\)"), "");
    };
    const std::string alone = make(false), behind = make(true);
    EXPECT_GT(alone.size(), 20000u);
    EXPECT_EQ(alone, behind);
}

} // namespace
