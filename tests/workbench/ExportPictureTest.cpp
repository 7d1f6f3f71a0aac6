// File > Export picture: the type of the file chooses the format; vector pictures show the part
// of the canvas the window shows.

#include "workbench/ExportPicture.h"

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
    r.WidthPx = 320, r.HeightPx = 200;
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
    // SVG: a well-formed drawing the viewport's size with the path in it.
    ASSERT_TRUE(ExportPicture(Request(dir.filePath("v.svg")), why)) << why.toStdString();
    QXmlStreamReader xml(Read(dir.filePath("v.svg")));
    int shapes = 0;
    QString width;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("svg")) width = xml.attributes().value("width").toString();
        shapes += xml.name() == QLatin1String("path") || xml.name() == QLatin1String("line");
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(width.startsWith("320")) << width.toStdString();
    EXPECT_GT(shapes, 0);
    // PDF: one page.
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
    EXPECT_GT(Read(dir.filePath("in.svg")).size(), Read(dir.filePath("out.svg")).size());
}
