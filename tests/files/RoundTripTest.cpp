// SPDX-License-Identifier: GPL-3.0-or-later
// Awkward files through open and save: every line-ending mix, NUL, byte order marks, Shift_JIS,
// Latin-1 high bytes, the characters a text box would take for structure, a last line without
// a line break. Bytes in = bytes out, one pane line per line break, and the core reads the same
// blocks from the window's text as from the checker's.

#include "AwkwardCorpus.h"
#include "check/Decode.h"
#include "files/FileIo.h"
#include "files/ProgramText.h"
#include "interp/Interpreter.h"
#include "support/FakeHost.h"
#include "support/FileBytes.h"
#include "support/TestPane.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The blocks the control reads from `text`, in order.
std::vector<std::u16string> Blocks(const std::u16string& text) {
    testing_support::TestMachine t;
    t.Ui.Text = text;
    t.M.S.NextBlockPos = 1;
    std::vector<std::u16string> out;
    while (out.size() < 10000 && interp::ReadNextBlock(t.M, false))
        out.push_back(t.M.S.BlockText);
    return out;
}

// Line breaks as the pane counts them: CR LF, a lone LF, a lone CR.
int LineBreaks(const QString& text) {
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))) ++n;
    return n;
}

} // namespace

TEST(RoundTrip, AwkwardFilesSaveBackByteForByteAndReadAsTheCheckerReadsThem) {
    QTemporaryDir dir;
    for (const awkward::Awkward& c : awkward::Corpus()) {
        SCOPED_TRACE(c.Name);
        const QString in = dir.filePath("IN.MIN"), out = dir.filePath("OUT.MIN");
        WriteBytes(in, c.Bytes);
        const files::ReadResult r = files::ReadProgramFile(in);
        ASSERT_TRUE(r.Ok);
        files::ProgramText text;
        text.Load(r.File.Text);
        const QString exact = text.SnapshotString();
        EXPECT_EQ(exact, r.File.Text);
        // The text and positions as loaded are those kept through an edit that was undone.
        std::vector<int64_t> offsets;
        for (int at = 0; at <= text.PaneLength(); ++at)
            offsets.push_back(text.ToTextOffset(at));
        text.Replace(0, 0, "N1");
        text.Undo();
        EXPECT_EQ(text.SnapshotString(), exact);
        for (int at = 0; at <= text.PaneLength(); ++at) {
            ASSERT_EQ(text.ToTextOffset(at), offsets[size_t(at)]) << "pane position " << at;
            ASSERT_EQ(text.ToPanePosition(offsets[size_t(at)]), at) << "pane position " << at;
        }
        // One pane line per line break of the file, whatever characters the lines hold.
        EXPECT_EQ(text.LineCount(), LineBreaks(exact) + 1);
        QString error;
        ASSERT_TRUE(files::WriteProgramFile(out, exact, r.File.Enc, error)) << error.toStdString();
        EXPECT_EQ(ReadBytes(out), c.Bytes);

        // The checker reads the same encoding, the same characters, the same blocks.
        check::Encoding used{};
        const std::u16string checker = check::DecodeProgram(c.Bytes.toStdString(), &used);
        EXPECT_EQ(used, r.File.Enc);
        EXPECT_EQ(checker, text.Snapshot());
        EXPECT_EQ(Blocks(text.Snapshot()), Blocks(checker));
    }
}

TEST(RoundTrip, SeparatorCharactersArePlainCharactersOfTheirLines) {
    testing_support::TestPane owner(QString::fromUtf16(u"G00\u2029X1.\r\nM30\uFDD0\r\n"));
    files::ProgramText& text = owner.Text;
    editor::ProgramView& pane = owner.View;
    // One character each, in place, position for position; the search sees the file's characters.
    EXPECT_EQ(text.LineCount(), 3);
    EXPECT_EQ(text.PaneText(), QString::fromUtf16(u"G00\u2029X1.\nM30\uFDD0\n"));
    EXPECT_EQ(text.ToPanePosition(9), 8);
    // Typing right behind one, even the glyph it is shown as, gives plain text.
    pane.show();
    pane.setFocus();
    pane.SetCaret(4);
    QTest::keyClicks(&pane, QString::fromUtf16(u"\u00b6A"));
    EXPECT_EQ(text.SnapshotString(), QString::fromUtf16(u"G00\u2029\u00b6AX1.\r\nM30\uFDD0\r\n"));
    // Deleting one and undoing it brings back the file's character.
    pane.SetSelection(3, 4);
    QTest::keyClick(&pane, Qt::Key_Delete);
    EXPECT_EQ(text.SnapshotString(), QString::fromUtf16(u"G00\u00b6AX1.\r\nM30\uFDD0\r\n"));
    pane.Undo();
    EXPECT_EQ(text.SnapshotString(), QString::fromUtf16(u"G00\u2029\u00b6AX1.\r\nM30\uFDD0\r\n"));
}

TEST(RoundTrip, LineEndsTheControlCannotReadAreRecognisedAndConverted) {
    EXPECT_TRUE(files::ReadsNoBlock("G00\nM30\n"));
    EXPECT_TRUE(files::ReadsNoBlock("G00\rM30"));
    EXPECT_FALSE(files::ReadsNoBlock("G00\r\nM30\n")); // one CR LF: some blocks run
    EXPECT_FALSE(files::ReadsNoBlock("G00 X1."));      // one line without a break is no such text
    EXPECT_TRUE(files::LooksLikeUtf16(QString::fromLatin1(QByteArray("G\0\r\0\n\0M\0", 8))));
    EXPECT_TRUE(files::LooksLikeUtf16(QString::fromLatin1("\xff\xfeG")));
    EXPECT_FALSE(files::LooksLikeUtf16(QString::fromLatin1(QByteArray("G00\0X1.\r\n", 9))));

    files::ProgramText text;
    text.Load("G00\nG01\rM30");
    text.ConvertLineEndsToCrLf();
    EXPECT_EQ(text.SnapshotString(), "G00\r\nG01\r\nM30");
    EXPECT_TRUE(text.Modified());
}

// The exact text handed to another thread (the background check) is the text itself, not a
// copy; an edit never changes it under its holder but makes a new one.
TEST(RoundTrip, SharedTextIsNeverChangedWhileHeld) {
    const QString exact = QStringLiteral("G00 X1.\r\nG01 Z-2. F.1\nM30\r\n");
    files::ProgramText text;
    text.Load(exact);
    const auto held = text.Shared();
    EXPECT_EQ(held.get(), &text.Snapshot());
    EXPECT_EQ(text.Shared(), held);
    text.Replace(0, 0, "N1");
    const auto edited = text.Shared();
    EXPECT_NE(edited, held);
    EXPECT_EQ(QString::fromStdU16String(*held), exact); // the holder's text is as it was
    EXPECT_EQ(text.SnapshotString(), "N1" + exact);
    text.Undo();
    EXPECT_EQ(text.SnapshotString(), exact);
    EXPECT_NE(text.Shared(), edited);
    EXPECT_EQ(QString::fromStdU16String(*edited), "N1" + exact);
    EXPECT_EQ(QString::fromStdU16String(*held), exact);
}
