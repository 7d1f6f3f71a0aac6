// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export picture: the type of the file chooses the format; vector pictures show the part
// of the canvas the window shows.

#include "workbench/ExportPicture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace workbench;

namespace {

ExportRequest Request(const QString& path) {
    ExportRequest r;
    r.Path = path;
    r.Composed = QImage(320, 200, QImage::Format_RGB32);
    r.Composed.fill(Qt::white);
    const std::string text = "G00 X40. Z5.\r\nG01 Z-30. F0.2\r\nG02 X60. Z-40. R10.\r\nM30\r\n";
    r.Text = std::u16string(text.begin(), text.end());
    r.Visible = {-50, -40, 64, 40}; // Z -50..14, radius 0..40 (canvas y -40..0)
    r.Sheet.WidthPx = 320, r.Sheet.HeightPx = 200;
    r.Sheet.Rulers = true; // as the window's picture has them
    return r;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ExportPicture, TheFileTypeChoosesTheFormat) {
    EXPECT_EQ(ExportFormatOf("a/b/part.PNG"), ExportFormat::Png);
    EXPECT_EQ(ExportFormatOf("part.svg"), ExportFormat::Svg);
    EXPECT_EQ(ExportFormatOf("part.Pdf"), ExportFormat::Pdf);
    EXPECT_EQ(ExportFormatOf("part.jpg"), ExportFormat::None);
    EXPECT_EQ(ExportFormatOf("part"), ExportFormat::None);

    QTemporaryDir dir;
    QString why;
    // PNG: the composed view, pixel for pixel.
    ASSERT_TRUE(ExportPicture(Request(dir.filePath("v.png")), why)) << why.toStdString();
    EXPECT_EQ(QImage(dir.filePath("v.png")).size(), QSize(320, 200));
    // SVG: a well-formed drawing of the viewport's size with the path in it, and beside it the
    // rulers the window's picture has.
    ASSERT_TRUE(ExportPicture(Request(dir.filePath("v.svg")), why)) << why.toStdString();
    QXmlStreamReader xml(Read(dir.filePath("v.svg")));
    int shapes = 0;
    double width = 0, height = 0;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("svg") && width == 0) {
            width = xml.attributes().value("width").toDouble();
            height = xml.attributes().value("height").toDouble();
        }
        shapes += xml.name() == QLatin1String("path") || xml.name() == QLatin1String("line");
        if (xml.name() == QLatin1String("text")) texts << xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(width, 320);
    EXPECT_GT(height, 200);
    EXPECT_LT(width, 320 + 120);
    EXPECT_GT(shapes, 0);
    // Z -50..14 and radius 0..40 in view: ruler labels of both axes.
    EXPECT_TRUE(texts.contains("Z0")) << texts.join(' ').toStdString();
    EXPECT_TRUE(texts.contains("X0")) << texts.join(' ').toStdString();
    // PDF: one page, with the same rulers (its ruler texts are drawn, so only their pages'
    // size tells: larger than the viewport).
    ASSERT_TRUE(ExportPicture(Request(dir.filePath("v.pdf")), why)) << why.toStdString();
    EXPECT_TRUE(Read(dir.filePath("v.pdf")).startsWith("%PDF"));

    // Refused: an unknown type, a folder that does not exist; an existing file stays as it was.
    EXPECT_FALSE(ExportPicture(Request(dir.filePath("v.jpg")), why));
    EXPECT_TRUE(why.contains(".png"));
    EXPECT_FALSE(QFile::exists(dir.filePath("v.jpg")));
    EXPECT_FALSE(ExportPicture(Request(dir.filePath("none/v.svg")), why));
    ExportRequest empty = Request(dir.filePath("v.png"));
    empty.Composed = QImage();
    const QByteArray before = Read(dir.filePath("v.png"));
    EXPECT_FALSE(ExportPicture(empty, why));
    EXPECT_EQ(Read(dir.filePath("v.png")), before);
}

TEST(ExportPicture, VectorsShowTheWindowsPartOfTheCanvas) {
    QTemporaryDir dir;
    QString why;
    // The same program, two views: the cut lies inside the first and outside the second, so
    // only the first drawing holds its end at Z-30 (canvas x -30).
    ExportRequest inside = Request(dir.filePath("in.svg"));
    ExportRequest outside = Request(dir.filePath("out.svg"));
    outside.Visible = {100, -40, 64, 40};
    ASSERT_TRUE(ExportPicture(inside, why));
    ASSERT_TRUE(ExportPicture(outside, why));
    // (the drawing's own paths: the rulers' labels differ between the views)
    auto drawn = [](const QByteArray& svg) {
        QXmlStreamReader xml(svg);
        qsizetype length = 0;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("path"))
                length += xml.attributes().value("d").size();
        return length;
    };
    EXPECT_GT(drawn(Read(dir.filePath("in.svg"))), drawn(Read(dir.filePath("out.svg"))));
    // The sheet's framing, as the checker's --fit gives it, frames the path whatever the view.
    ExportRequest fitted = Request(dir.filePath("fit.svg"));
    fitted.Visible = outside.Visible;
    fitted.Sheet.Fit = picture::FitScope::Part;
    ASSERT_TRUE(ExportPicture(fitted, why));
    auto cuts = [](const QByteArray& svg) { // paths in a colour of the trace, not the rulers' or axes'
        QXmlStreamReader xml(svg);
        int n = 0;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("path")) {
                const auto stroke = xml.attributes().value("stroke");
                n += stroke != QLatin1String("#000000") && stroke != QLatin1String("#808080");
            }
        return n;
    };
    EXPECT_EQ(cuts(Read(dir.filePath("out.svg"))), 0);
    EXPECT_GT(cuts(Read(dir.filePath("fit.svg"))), 0);
}

TEST(ExportPicture, TheFileDialogStartsBesideTheProgram) {
    EXPECT_EQ(ExportStartPath("/shop/progs/O1001.min", "/home/op"), "/shop/progs/O1001.png");
    EXPECT_EQ(ExportStartPath("/shop/progs/PART.2.NC", "/home/op"), "/shop/progs/PART.2.png");
    // An untitled program: where Open starts.
    EXPECT_EQ(ExportStartPath("Untitled", "/home/op"), "/home/op/Untitled.png");
    // A program named as it was given on the command line, relative to the current folder.
    EXPECT_EQ(ExportStartPath("progs/A.min", "/home/op"), QDir::current().absoluteFilePath("progs/A.png"));
}
