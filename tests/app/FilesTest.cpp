// SPDX-License-Identifier: GPL-3.0-or-later
// Program files byte for byte, the exact text behind the pane and its positions, the recent
// files, and the failures of reading and saving.

#include "files/Codec.h"
#include "files/FileIo.h"
#include "files/ProgramText.h"
#include "files/RecentFiles.h"
#include "support/FileBytes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString Exact(files::ProgramText& t) {
    return t.SnapshotString();
}

} // namespace

TEST(ProgramFiles, LoadAndSaveBackByteForByteThroughThePane) {
    QByteArray anyBytes;
    for (int i = 0; i < 256; ++i)
        anyBytes += char(i);
    const struct {
        QByteArray Bytes;
        files::Encoding Expected;
    } cases[] = {
        {"O1234\r\nG00 X10. Z5.\r\nM30\r\n%\r\n", files::Encoding::Utf8},
        {"G00 X1.\r\nG01 Z-2.", files::Encoding::Utf8},  // last line without CR LF
        {"A\nB\rC\r\n\r\n\n\rD", files::Encoding::Utf8}, // lone LF and CR, empty lines
        {"G01 X\xc2\xa0"
         "10.\r\n",
         files::Encoding::Utf8}, // no-break space (UTF-8)
        {"G01 X\xa0"
         "10.\r\n(\xe9)\r\n",
         files::Encoding::Latin1},                                                // no-break space (Latin-1)
        {"(\x83\x65\x83\x58\x83\x67)\r\nG00 X0.\r\n", files::Encoding::ShiftJis}, // Shift_JIS comment
        {"\xef\xbb\xbfG00\r\n", files::Encoding::Utf8},                           // byte order mark kept
        {anyBytes, files::Encoding::Latin1},
    };
    QTemporaryDir dir;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const QString in = dir.filePath(QString("in%1.min").arg(n)),
                      out = dir.filePath(QString("out%1.min").arg(n));
        ++n;
        WriteBytes(in, c.Bytes);
        const files::ReadResult r = files::ReadProgramFile(in);
        ASSERT_TRUE(r.Ok);
        EXPECT_EQ(r.File.Enc, c.Expected);
        files::ProgramText text;
        text.Load(r.File.Text);
        EXPECT_EQ(Exact(text), r.File.Text);
        files::Encoding enc = r.File.Enc;
        QString error;
        ASSERT_TRUE(files::WriteProgramFile(out, Exact(text), enc, error)) << error.toStdString();
        EXPECT_EQ(ReadBytes(out), c.Bytes);
    }
}

TEST(ProgramFiles, PositionsConvertBetweenPaneAndExactText) {
    files::ProgramText text;
    text.Load("G00 X1.\r\nG01\nZ2.\rM30");
    ASSERT_EQ(text.LineCount(), 4);
    // Line starts: 0, 9 (after CR LF), 13 (after LF), 17 (after CR); in the pane 0, 8, 12, 16.
    EXPECT_EQ(text.ToPanePosition(9), 8);
    EXPECT_EQ(text.ToPanePosition(13), 12);
    EXPECT_EQ(text.ToPanePosition(17), 16);
    EXPECT_EQ(text.ToPanePosition(7), 7); // the CR ends the line
    EXPECT_EQ(text.ToPanePosition(8), 8); // its LF is the next line's start
    EXPECT_EQ(text.ToTextOffset(8), 9);
    EXPECT_EQ(text.ToTextOffset(14), 15);
    EXPECT_EQ(text.ToTextOffset(19), 20);
}

TEST(ProgramFiles, TypedLinesEndInCrLfAndTheFileLinesKeepTheirs) {
    files::ProgramText text;
    text.Load("A\nB");
    // Typing a new line at the end: the old last line now ends in CR LF, the lone LF stays.
    text.Replace(3, 3, "\nC");
    EXPECT_EQ(Exact(text), "A\nB\r\nC");
}

TEST(ProgramFiles, MillionLineProgramLoadsAndMapsItsLastLines) {
    QString program;
    program.reserve(30'000'000);
    for (int i = 1; i <= 1'000'000; ++i)
        program += QStringLiteral("N%1 G01 X40. Z-20. F0.2\r\n").arg(i);
    files::ProgramText text;
    QElapsedTimer t;
    t.start();
    text.Load(program);
    const qint64 loadMs = t.restart();
    const std::u16string& exact = text.Snapshot();
    const qint64 snapshotMs = t.elapsed();
    std::printf("1,000,000 lines: load %lld ms, snapshot %lld ms\n", loadMs, snapshotMs);
    ASSERT_EQ(exact.size(), size_t(program.size()));
    // The start of line 999,999 in the exact text lands on that line in the pane.
    const int64_t offset = program.indexOf("N999999 ");
    const int pos = text.ToPanePosition(offset);
    EXPECT_EQ(text.LineAt(pos), 999'998);
    EXPECT_EQ(pos, text.LineStart(999'998));
    // No deadline here: the time is printed, and the window benchmark holds the speed goals.
}

TEST(ProgramFiles, MissingPathIsReportedAndNotCreated) {
    QTemporaryDir dir;
    const QString path = dir.filePath("O9999.MIN");
    const files::ReadResult r = files::ReadProgramFile(path);
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Error.contains("not found"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(ProgramFiles, FailedSaveReportsAndLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString notAFolder = dir.filePath("plain");
    WriteBytes(notAFolder, "x");
    files::Encoding enc = files::Encoding::Utf8;
    QString error;
    EXPECT_FALSE(files::WriteProgramFile(notAFolder + "/O1.MIN", "G00\r\n", enc, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadBytes(notAFolder), "x");
}

TEST(ProgramFiles, EncodingNeverChangesBehindTheOperatorsBack) {
    const QString euro = QString::fromUtf16(u"(\u00e9)\r\n(\u20ac)");
    QByteArray out;
    EXPECT_TRUE(files::Encode(QString::fromUtf8("(\xc3\xa9)"), files::Encoding::Latin1, out));
    EXPECT_EQ(out, QByteArray("(\xe9)"));
    // "€" fits neither Latin-1 nor Shift_JIS: refused, and found at its place.
    EXPECT_FALSE(files::Encode(euro, files::Encoding::Latin1, out));
    EXPECT_EQ(files::FirstUnencodable(euro, files::Encoding::Latin1), 6);
    EXPECT_EQ(files::FirstUnencodable(QString::fromUtf8("(\xe5\x9b\x9e)\r\n\xe2\x82\xac"),
                                      files::Encoding::ShiftJis),
              5);
    EXPECT_EQ(files::FirstUnencodable(QString::fromUtf8("(\xe5\x9b\x9e)"), files::Encoding::ShiftJis), -1);
    QTemporaryDir dir;
    const QString path = dir.filePath("O1.MIN");
    WriteBytes(path, "(\xe9)\r\n");
    QString error;
    EXPECT_FALSE(files::WriteProgramFile(path, euro, files::Encoding::Latin1, error));
    EXPECT_TRUE(error.contains("Latin-1")) << error.toStdString();
    EXPECT_EQ(ReadBytes(path), "(\xe9)\r\n");
}

TEST(RecentFiles, SameFileRepeatsAndTheSixthPushesTheFirstOut) {
    files::RecentFiles r;
    for (int i = 0; i < 3; ++i)
        r.Add("/nc/A.MIN");
    EXPECT_EQ(r.Captions[0], "/nc/A.MIN");
    EXPECT_EQ(r.Captions[2], "/nc/A.MIN");
    EXPECT_FALSE(files::RecentFiles::InUse(r.Captions[3]));
    files::RecentFiles s;
    for (int i = 1; i <= 6; ++i)
        s.Add(QString("/nc/%1.MIN").arg(i));
    EXPECT_EQ(s.Captions[0], "/nc/6.MIN");
    EXPECT_EQ(s.Captions[4], "/nc/2.MIN");
    EXPECT_EQ(files::FileNameOnly("C:\\NC\\O1234.MIN"), "O1234.MIN");
    EXPECT_EQ(files::FileNameOnly("/home/op/nc/O1234.MIN"), "O1234.MIN");
}
