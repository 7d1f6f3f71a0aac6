// SPDX-License-Identifier: GPL-3.0-or-later
// A PDF page's path written by our own code and put into the page Qt writes: the path gathered and
// written as Qt gathers and writes it, and the page that comes out a valid PDF with the parts in
// the places of their marks.

#include "render/PdfSplice.h"
#include "render/ArcCurves.h"
#include "render/PdfPath.h"
#include "render/SheetPainter.h"

#include <QBuffer>
#include <QByteArray>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Inflate(const std::string& packed) {
    // qUncompress wants the size ahead; it grows the buffer from a hint of one byte.
    QByteArray data("\0\0\0\1", 4);
    data.append(packed.data(), static_cast<qsizetype>(packed.size()));
    const QByteArray plain = qUncompress(data);
    return std::string(plain.constData(), static_cast<size_t>(plain.size()));
}

// The objects of a document by number, read through its cross-reference table (each entry must
// point at its object), and the inflated content of its one page, stream after stream.
struct Pdf {
    std::map<int, std::string> Objects;
    int Streams = 0;
    std::string Content;
};

Pdf Read(const std::string& bytes) {
    Pdf pdf;
    const size_t start = bytes.rfind("startxref\n");
    EXPECT_NE(start, std::string::npos);
    size_t at = std::stoul(bytes.substr(start + 10));
    EXPECT_EQ(bytes.compare(at, 7, "xref\n0 "), 0);
    const int count = std::stoi(bytes.substr(at + 7));
    at = bytes.find('\n', at + 7) + 1;
    std::map<size_t, int> byOffset;
    for (int i = 0; i < count; ++i, at += 20)
        if (bytes[at + 17] == 'n') byOffset[std::stoul(bytes.substr(at, 10))] = i;
    for (auto it = byOffset.begin(); it != byOffset.end(); ++it) {
        const std::string head = std::to_string(it->second) + " 0 obj\n";
        EXPECT_EQ(bytes.compare(it->first, head.size(), head), 0) << "object " << it->second;
        const size_t end =
            std::next(it) == byOffset.end() ? bytes.find("xref\n", it->first) : std::next(it)->first;
        pdf.Objects[it->second] = bytes.substr(it->first, end - it->first);
    }
    std::smatch m;
    for (const auto& [n, text] : pdf.Objects) {
        if (text.find("/Type /Page\n") == std::string::npos) continue;
        EXPECT_TRUE(std::regex_search(text, m, std::regex("/Contents (\\[[^\\]]*\\]|\\d+ 0 R)")));
        const std::string list = m[1];
        const std::regex reference("(\\d+) 0 R");
        for (std::sregex_iterator r(list.begin(), list.end(), reference), e; r != e; ++r) {
            const auto stream = pdf.Objects.find(std::stoi((*r)[1]));
            if (stream == pdf.Objects.end()) {
                ADD_FAILURE() << "no object " << (*r)[1];
                continue;
            }
            const std::string& s = stream->second;
            if (!std::regex_search(s, m, std::regex("/Length (\\d+)( 0 R)?"))) {
                ADD_FAILURE() << "a stream without length";
                continue;
            }
            std::string length = m[1];
            if (m[2].matched) { // the length in an object of its own
                const std::string& held = pdf.Objects[std::stoi(length)];
                length = held.substr(held.find('\n') + 1);
            }
            const size_t data = s.find("stream\n") + 7;
            const size_t size = std::stoul(length);
            EXPECT_EQ(s.compare(data + size, 10, "\nendstream"), 0) << "stream " << stream->first;
            pdf.Content += Inflate(s.substr(data, size));
            ++pdf.Streams;
        }
    }
    return pdf;
}

// A page painted by Qt alone, 100 x 100 points, 96 pixels an inch as a sheet's page.
template <class Paint> std::string QtPage(Paint paint) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(100, 100), QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    paint(p);
    p.end();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string Number(double v) {
    std::string s;
    render::WritePdfNumber(s, v);
    return s;
}

TEST(PdfPath, NumbersAreWrittenAsQtWritesThem) {
    EXPECT_EQ(Number(52053), "52053 ");
    EXPECT_EQ(Number(-128), "-128 ");
    EXPECT_EQ(Number(-0.0), "0 ");
    EXPECT_EQ(Number(0.75), "0.750000000 ");
    EXPECT_EQ(Number(1221.328125), "1221.32812 "); // nine digits in all, cut
    EXPECT_EQ(Number(0.9999999999), "0.999999999 ");
    EXPECT_EQ(Number(1e-10), "0 ");
    EXPECT_EQ(Number(5e9), "0 "); // beyond 2^32
    EXPECT_EQ(Number(std::nan("")), "0 ");
}

// QPainterPath is the measure: the same calls give the same elements, and Qt's PDF engine writes
// the path with the same text.
TEST(PdfPath, GathersAndWritesAPathAsQtDoes) {
    QPainterPath qt;
    render::PdfPath ours;
    auto move = [&](double x, double y) { qt.moveTo(x, y), ours.MoveTo({x, y}); };
    auto line = [&](double x, double y) { qt.lineTo(x, y), ours.LineTo({x, y}); };
    auto curve = [&](QPointF a, QPointF b, QPointF c) {
        qt.cubicTo(a, b, c), ours.CubicTo({a.x(), a.y()}, {b.x(), b.y()}, {c.x(), c.y()});
    };
    move(5, 5);
    move(10, 10.5); // replaces the move before
    line(40, 10.5);
    line(40, 10.5); // to where the path is: nothing
    line(40, 60);
    line(10, 10.5); // back to its start: closed
    move(-3.25, 20);
    curve({0, 30}, {20, 30}, {1221.328125, 20});
    curve({1221.328125, 20}, {1221.328125, 20}, {1221.328125, 20}); // a curve of one point: nothing
    QPainterPath ellipse;
    ellipse.addEllipse(QRectF(50, 50, 30, 20));
    qt.addEllipse(QRectF(50, 50, 30, 20));
    render::PathPoint curves[12];
    for (int i = 0; i < 12; ++i)
        curves[i] = {ellipse.elementAt(i + 1).x, ellipse.elementAt(i + 1).y};
    ours.Outline({ellipse.elementAt(0).x, ellipse.elementAt(0).y}, curves);
    line(90, 90); // a figure of its own, from the outline's start
    ASSERT_EQ(ours.Count(), qt.elementCount());
    for (int i = 0; i < qt.elementCount(); ++i) {
        EXPECT_EQ(ours.At(i).X, qt.elementAt(i).x) << i;
        EXPECT_EQ(ours.At(i).Y, qt.elementAt(i).y) << i;
        EXPECT_EQ(ours.IsLine(i), qt.elementAt(i).isLineTo()) << i;
    }
    std::string text;
    ours.Write(text);
    EXPECT_EQ(text.rfind("10 10.5000000 m\n40 10.5000000 l\n40 60 l\n10 10.5000000 l\nh\n", 0), 0u) << text;
    const std::string page = QtPage([&](QPainter& p) {
        p.scale(1 / 64.0, 1 / 64.0); // in drawing units, as a sheet's path
        p.setPen(QPen(Qt::black, 64));
        p.drawPath(qt);
    });
    const Pdf pdf = Read(page);
    EXPECT_NE(pdf.Content.find(text + "S\n"), std::string::npos) << pdf.Content;
}

// Arcs of all sizes, starts and sweeps (quarter turns, a hair over one, none, both ways): the same
// elements, to the last bit, as QPainterPath makes of them.
TEST(PdfPath, ArcsAreTheCurvesQtMakes) {
    uint32_t seed = 12345;
    auto random = [&seed](double from, double to) {
        seed = seed * 1664525u + 1013904223u;
        return from + (to - from) * (seed >> 8) / double(1u << 24);
    };
    const double starts[] = {0, 90, 90.0000001, 180, -45, 359.9999999, 720.5};
    const double sweeps[] = {0, 90, 90.03, 360, -360, -90, 1e-9, 270.5, 400};
    int arcs = 0;
    for (int i = 0; i < 400; ++i) {
        const QRectF box(random(-1e5, 1e5), random(-1e5, 1e5), random(1, 2e4), random(1, 2e4));
        const double start = i < 63 ? starts[i % 7] : random(-720, 720);
        const double sweep = i < 63 ? sweeps[i / 7] : random(-360, 360);
        QPainterPath qt;
        qt.arcMoveTo(box, start);
        qt.arcTo(box, start, sweep);
        const render::ArcCurves ours =
            render::CurvesOfArc(box.x(), box.y(), box.width(), box.height(), start, sweep);
        std::vector<QPointF> mine{{ours.Start.X, ours.Start.Y}};
        if (ours.Line) mine.emplace_back(ours.LineEnd.X, ours.LineEnd.Y);
        for (int k = 0; k < ours.Points; ++k)
            mine.emplace_back(ours.Curves[k].X, ours.Curves[k].Y);
        ASSERT_EQ(static_cast<int>(mine.size()), qt.elementCount()) << start << " " << sweep;
        EXPECT_EQ(ours.Line, qt.elementCount() > 1 && qt.elementAt(1).isLineTo());
        for (int k = 0; k < qt.elementCount(); ++k) {
            EXPECT_EQ(mine[k].x(), qt.elementAt(k).x) << start << " " << sweep << " " << k;
            EXPECT_EQ(mine[k].y(), qt.elementAt(k).y) << start << " " << sweep << " " << k;
        }
        arcs += ours.Points > 0;
    }
    EXPECT_GT(arcs, 350);
}

// A sheet's page: the objects where the table says, the content streams there, the path's
// operators in it in the order of painting (a text over the path before it), no mark left.
TEST(PdfSplice, SheetPageIsValidWithItsPathInPlace) {
    picture::SheetOptions options;
    options.WidthPx = 600, options.HeightPx = 400, options.Rulers = true;
    const picture::SheetLayout layout = picture::LayOutSheet(options);
    render::PdfSheet sheet(layout);
    motion::Canvas& c = sheet.Canvas();
    c.BackColor = 0xFFFFFF;
    c.Resize(layout.Viewport.W * 15, layout.Viewport.H * 15);
    c.SetScale(0, 0, layout.Viewport.W, layout.Viewport.H); // one unit a pixel
    c.Cls();
    c.Line(10, 10, 20, 10, 0xFF);
    c.PSet(30.5, 40.5, 0xFF);
    c.CurrentX = 50, c.CurrentY = 50;
    c.Print("T1");
    c.Style = motion::DrawStyle::Dot;
    c.Line(60, 60, 60, 90, 0xFF00);
    picture::SheetContent content;
    content.Options = options, content.Layout = layout;
    content.Visible = picture::Area{0, 0, layout.Viewport.W, layout.Viewport.H};
    std::string bytes;
    std::string why;
    ASSERT_TRUE(sheet.Finish(content, bytes, why)) << why;
    const Pdf pdf = Read(bytes);
    EXPECT_EQ(pdf.Streams, 1);
    const std::string& page = pdf.Content;
    const size_t solid = page.find("640 640 m\n1280 640 l\nS\n"), pixel = page.find("30 40 1 1 re\nf\n"),
                 text = page.find("BT\n"), dotted = page.find("3840 3840 m\n3840 5760 l\nS\n");
    ASSERT_NE(solid, std::string::npos) << page;
    EXPECT_NE(pixel, std::string::npos);
    EXPECT_NE(text, std::string::npos);
    ASSERT_NE(dotted, std::string::npos);
    EXPECT_LT(solid, text);
    EXPECT_LT(text, dotted);
    EXPECT_NE(page.rfind("[64 128 ]0  d\n", dotted), std::string::npos); // the dots' pen before them
    EXPECT_EQ(page.find("0.351562500"), std::string::npos);
}

// Marks in a page of Qt's replaced by their parts and nothing else: a line at the marks' height
// that is not a mark stays, a part without a mark is left out. A large content goes into one
// stream for each core.
TEST(PdfSplice, MarksAreReplacedAndTheContentSplitIntoStreams) {
    const std::string page = QtPage([](QPainter& p) {
        p.scale(1 / 64.0, 1 / 64.0);
        p.setPen(QPen(Qt::black, 64));
        QPainterPath path;
        path.moveTo(1, render::MarkY);
        path.lineTo(1, render::MarkEndY);
        p.drawPath(path);
        QPainterPath other;
        other.moveTo(0, render::MarkY);
        other.lineTo(5, 5);
        p.drawPath(other);
        p.scale(64, 64);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::red);
        const QRectF square(0, render::MarkY, render::MarkSide, render::MarkSide);
        p.drawRects(&square, 1);
    });
    const std::vector<std::string> parts{"10 10 1 1 re\n", std::string(3000, ' ') + "1 2 m\n3 4 l\n",
                                         "5 6 m\n"};
    std::string out, why;
    ASSERT_TRUE(render::SpliceParts(page, parts, out, why, 1000)) << why;
    const Pdf pdf = Read(out);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_EQ(pdf.Streams, static_cast<int>(std::min(cores, 3u)));
    const std::string& content = pdf.Content;
    EXPECT_NE(content.find("1 2 m\n3 4 l\nS\n"), std::string::npos) << content;
    EXPECT_NE(content.find("\n10 10 1 1 re\nf\n"), std::string::npos);
    EXPECT_NE(content.find("0 0.351562500 m\n5 5 l\nS\n"), std::string::npos);
    EXPECT_EQ(content.find("5 6 m"), std::string::npos);
    EXPECT_FALSE(render::SpliceParts("%PDF-1.4\nnot a document", parts, out, why));
    EXPECT_FALSE(why.empty());
}

} // namespace
