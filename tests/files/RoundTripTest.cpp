// Awkward files through open and save: every line-ending mix, NUL, byte order marks, Shift_JIS,
// Latin-1 high bytes, the characters the pane's document takes for structure, a last line without
// a line break. Bytes in = bytes out, one pane line per line break, and the core reads the same
// blocks from the window's text as from the checker's.

#include "AwkwardCorpus.h"
#include "check/Decode.h"
#include "editor/PlainTextPane.h"
#include "files/FileIo.h"
#include "files/ProgramText.h"
#include "interp/Interpreter.h"
#include "support/FakeHost.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

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
        QPlainTextEdit pane;
        files::ProgramText text(pane.document());
        text.Load(r.File.Text);
        const QString exact = text.SnapshotString();
        EXPECT_EQ(exact, r.File.Text);
        // The text and positions as loaded are those built back from the pane after an edit
        // that was undone.
        std::vector<int64_t> offsets;
        for (int at = 0; at < pane.document()->characterCount(); ++at)
            offsets.push_back(text.ToTextOffset(at));
        QTextCursor edit(pane.document());
        edit.insertText("N1");
        ASSERT_TRUE(text.Stale());
        pane.undo();
        EXPECT_EQ(text.SnapshotString(), exact);
        for (int at = 0; at < pane.document()->characterCount(); ++at) {
            ASSERT_EQ(text.ToTextOffset(at), offsets[size_t(at)]) << "pane position " << at;
            ASSERT_EQ(text.ToPanePosition(offsets[size_t(at)]), at) << "pane position " << at;
        }
        // One pane line per line break of the file, whatever characters the lines hold.
        EXPECT_EQ(pane.document()->blockCount(), LineBreaks(exact) + 1);
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

TEST(RoundTrip, PaneShowsGlyphsThatEditsKeepApart) {
    QPlainTextEdit pane;
    files::ProgramText text(pane.document());
    editor::KeepTypingPlain(&pane);
    const QString exact = QString::fromUtf16(u"G00\u2029X1.\r\nM30\uFDD0\r\n");
    text.Load(exact);
    // Shown as marked glyphs in place, position for position; the search sees the file's characters.
    EXPECT_EQ(pane.document()->toRawText(), QString::fromUtf16(u"G00\u00b6X1.\u2029M30\uFFFD\u2029"));
    EXPECT_EQ(editor::PaneText(*pane.document()), QString::fromUtf16(u"G00\u2029X1.\nM30\uFDD0\n"));
    EXPECT_EQ(text.ToPanePosition(9), 8);             // the line after the glyph starts where it should
    EXPECT_FALSE(pane.document()->isUndoAvailable()); // marking the glyphs is no edit

    // Typing right behind a glyph gives plain text, even the glyph's own character.
    pane.setFocus();
    QTextCursor c = pane.textCursor();
    c.setPosition(4);
    pane.setTextCursor(c);
    QTest::keyClicks(&pane, QString::fromUtf16(u"\u00b6A"));
    EXPECT_EQ(text.SnapshotString(), QString::fromUtf16(u"G00\u2029\u00b6AX1.\r\nM30\uFDD0\r\n"));
    // Deleting a glyph and undoing it brings back the file's character.
    c.setPosition(3);
    c.setPosition(4, QTextCursor::KeepAnchor);
    pane.setTextCursor(c);
    QTest::keyClick(&pane, Qt::Key_Delete);
    EXPECT_EQ(text.SnapshotString(), QString::fromUtf16(u"G00\u00b6AX1.\r\nM30\uFDD0\r\n"));
    pane.undo();
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

    QPlainTextEdit pane;
    files::ProgramText text(pane.document());
    text.Load("G00\nG01\rM30");
    text.ConvertLineEndsToCrLf();
    EXPECT_EQ(text.SnapshotString(), "G00\r\nG01\r\nM30");
    EXPECT_TRUE(pane.document()->isModified());
}

// A long program goes into the pane by parts while the window answers; the pane then holds what
// loading it in one piece gives: lines, endings, glyphs with their formats, and nothing to undo.
// Its exact text is whole from the start, and asking for a line not in yet fills the rest.
TEST(RoundTrip, LongProgramLoadedByPartsGivesThePaneOfOnePiece) {
    QString exact;
    for (int n = 0; n < 150000; ++n) {
        exact += "N" + QString::number(n) + " G01 X" + QString::number(n % 97) + ".";
        if (n % 5000 == 7) exact += QChar(0x2028); // a glyph now and then
        exact += n % 1000 == 3 ? u"\n" : n % 1000 == 4 ? u"\r" : u"\r\n";
    }
    exact += QChar(0xFDD0); // a glyph in the last part
    QPlainTextEdit whole, parts;
    files::ProgramText wholeText(whole.document()), partsText(parts.document());
    wholeText.Load(exact);
    EXPECT_FALSE(wholeText.Filling());
    partsText.BeginLoad(exact, 5000);
    ASSERT_TRUE(partsText.Filling());
    EXPECT_LT(parts.document()->blockCount(), 1000);
    EXPECT_EQ(partsText.SnapshotString(), exact); // whole before the pane is
    EXPECT_TRUE(partsText.Filling());
    std::vector<double> told;
    while (partsText.Filling()) {
        partsText.FillSome(200000);
        told.push_back(partsText.FilledShare());
    }
    ASSERT_GE(told.size(), 2u);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), 1.0);
    QTextDocument& a = *whole.document();
    QTextDocument& b = *parts.document();
    ASSERT_EQ(b.blockCount(), a.blockCount());
    EXPECT_EQ(b.toRawText(), a.toRawText());
    EXPECT_EQ(editor::PaneText(b), editor::PaneText(a));
    EXPECT_FALSE(b.isUndoAvailable());
    EXPECT_FALSE(b.isModified());
    for (QTextBlock x = a.firstBlock(), y = b.firstBlock(); x.isValid(); x = x.next(), y = y.next()) {
        ASSERT_EQ(y.charFormat(), x.charFormat()) << "line " << x.blockNumber(); // the line end before it
        const auto fx = x.textFormats(), fy = y.textFormats();
        ASSERT_EQ(fy.size(), fx.size()) << "line " << x.blockNumber();
        for (qsizetype i = 0; i < fx.size(); ++i)
            ASSERT_TRUE(fy[i].start == fx[i].start && fy[i].length == fx[i].length &&
                        fy[i].format == fx[i].format)
                << "line " << x.blockNumber();
    }
    EXPECT_EQ(partsText.SnapshotString(), exact);
    QTextCursor edit(&b);
    edit.insertText("N1");
    parts.undo();
    EXPECT_EQ(partsText.SnapshotString(), exact); // built back from the pane's own lines

    // A position beyond the lines in the pane brings in the rest, and is the right one.
    files::ProgramText again(parts.document());
    again.BeginLoad(exact, 5000);
    const int64_t late = exact.indexOf(QStringLiteral("N149990 "));
    const int at = again.ToPanePosition(late);
    EXPECT_FALSE(again.Filling());
    EXPECT_EQ(b.findBlock(at).text().left(8), QStringLiteral("N149990 "));
    EXPECT_EQ(again.SnapshotString(), exact);
    // An edit of the lines in while the rest comes: the rest lands after them, as in the file.
    again.BeginLoad(exact, 5000);
    QTextCursor first(&b);
    first.insertText("G04\n");
    again.FinishFill();
    EXPECT_EQ(again.SnapshotString(), "G04\r\n" + exact);
}

// The exact text handed to another thread (the background check) is the text itself, not a
// copy; an edit never changes it under its holder but makes a new one, and edits that leave the
// text as it was keep the one held.
TEST(RoundTrip, SharedTextIsNeverChangedWhileHeld) {
    const QString exact = QStringLiteral("G00 X1.\r\nG01 Z-2. F.1\nM30\r\n");
    QPlainTextEdit pane;
    files::ProgramText text(pane.document());
    text.Load(exact);
    const auto held = text.Shared();
    EXPECT_EQ(held.get(), &text.Snapshot());
    EXPECT_EQ(text.Shared(), held);
    QTextCursor edit(pane.document());
    edit.insertText("N1");
    const auto edited = text.Shared();
    EXPECT_NE(edited, held);
    EXPECT_EQ(QString::fromStdU16String(*held), exact); // the holder's text is as it was
    EXPECT_EQ(text.SnapshotString(), "N1" + exact);
    pane.undo();
    EXPECT_EQ(text.SnapshotString(), exact);
    const auto undone = text.Shared();
    EXPECT_NE(undone, edited);
    // Typed and taken back without anybody holding the text between: the same object again.
    edit.insertText("X");
    edit.deletePreviousChar();
    EXPECT_EQ(text.Shared(), undone);
    EXPECT_EQ(QString::fromStdU16String(*edited), "N1" + exact);
}
