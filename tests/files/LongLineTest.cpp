// A program with a line far too long to lay out at each keystroke: the pane shows it cut, its
// rest behind one mark, and the program text keeps it whole through edits, undo and saving.

#include "editor/PlainTextPane.h"
#include "files/FileIo.h"
#include "files/ProgramText.h"
#include "support/FileBytes.h"
#include "workbench/PaneGutter.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

constexpr int64_t kShown = files::ProgramText::kShownOfLongLine;

QString Program(int64_t longLine) {
    QString rest;
    for (int64_t n = 0; rest.size() < longLine; ++n)
        rest += "X" + QString::number(n % 1000) + ".";
    return "O0001\r\nG00 X10. Z5.\n(" + rest + ")\r\nG01 Z-1.\rM30\r\n";
}

} // namespace

TEST(LongLine, ShownCutWhileTheTextKeepsItWholeThroughEditsUndoAndSave) {
    QPlainTextEdit pane;
    pane.setLineWrapMode(QPlainTextEdit::NoWrap);
    editor::KeepTypingPlain(&pane);
    workbench::PaneGutter gutter(&pane, [](int) {});
    files::ProgramText text(pane.document());
    pane.show();
    const QString exact = Program(3 * files::ProgramText::kLongLine);
    text.BeginLoad(exact, 16); // by parts, the long line in a part of its own
    while (text.Filling())
        text.FillSome(16);
    QApplication::processEvents();
    QTextDocument& doc = *pane.document();
    ASSERT_EQ(doc.blockCount(), 6);
    const QTextBlock cut = doc.findBlockByNumber(2);
    EXPECT_EQ(cut.length(), kShown + 2); // the shown part, the mark, the break
    EXPECT_EQ(cut.text().back(), QChar(editor::kElisionMark));
    EXPECT_EQ(text.SnapshotString(), exact);

    // Positions: the mark stands for the rest, the lines after it are where they are.
    const int mark = cut.position() + int(kShown);
    const int64_t restAt = exact.indexOf('(') + kShown;
    const int64_t restEnd = exact.indexOf(")\r\n") + 1;
    EXPECT_EQ(text.ToTextOffset(mark), restAt);
    EXPECT_EQ(text.ToTextOffset(mark + 1), restEnd);
    EXPECT_EQ(text.ToPanePosition(restAt + 100), mark);
    EXPECT_EQ(text.ToPanePosition(restEnd), mark + 1);
    const int64_t last = exact.indexOf("M30");
    EXPECT_EQ(doc.findBlock(text.ToPanePosition(last)).text(), "M30");
    EXPECT_EQ(text.ToTextOffset(doc.findBlockByNumber(4).position()), last);

    // Typing before the mark, right after it and on other lines changes only what was typed.
    QString want = exact;
    auto type = [&](int at, const QString& keys, int64_t textAt, const QString& inText) {
        QTextCursor c = pane.textCursor();
        c.setPosition(at);
        pane.setTextCursor(c);
        if (keys.front().unicode() < 128)
            QTest::keyClicks(&pane, keys);
        else
            pane.insertPlainText(keys); // as typed, where no key has it
        want.insert(textAt, inText);
        ASSERT_EQ(text.SnapshotString(), want);
    };
    type(mark + 1, QString(QChar(editor::kElisionMark)), restEnd, QString(QChar(editor::kElisionMark)));
    type(mark, "N5", restAt, "N5");
    type(cut.position() + 1, "G", exact.indexOf('(') + 1, "G");
    type(0, "%", 0, "%");
    QTextCursor c = pane.textCursor();
    const int64_t m30 = want.indexOf("M30");
    c.setPosition(text.ToPanePosition(m30));
    pane.setTextCursor(c);
    QTest::keyClick(&pane, Qt::Key_Return);
    want.insert(m30, "\r\n");
    EXPECT_EQ(text.SnapshotString(), want);

    // Deleting the mark deletes the rest it stands for; undo brings it back.
    const int markNow = doc.findBlockByNumber(2).text().indexOf(QChar(editor::kElisionMark));
    c.setPosition(doc.findBlockByNumber(2).position() + markNow);
    c.deleteChar();
    EXPECT_EQ(text.SnapshotString().size(), want.size() - (restEnd - restAt));
    pane.undo();
    EXPECT_EQ(text.SnapshotString(), want);

    // Every edit undone, the file's text again, saved byte for byte.
    while (doc.isUndoAvailable())
        pane.undo();
    ASSERT_EQ(text.SnapshotString(), exact);
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(files::WriteProgramFile(dir.filePath("OUT.MIN"), text.SnapshotString(), files::Encoding::Utf8,
                                        error));
    EXPECT_EQ(ReadBytes(dir.filePath("OUT.MIN")), exact.toUtf8());
}

// Cut and paste move a long line whole: the clipboard gets the rest behind the mark.
TEST(LongLine, CutAndPasteMoveTheWholeLine) {
    QPlainTextEdit pane;
    files::ProgramText text(pane.document());
    const QString exact = Program(files::ProgramText::kLongLine + 1);
    text.Load(exact);
    const qsizetype open = exact.indexOf('('), close = exact.indexOf(")\r\n") + 1;
    const QTextBlock cut = pane.document()->findBlockByNumber(2);
    QTextCursor c(pane.document());
    c.setPosition(cut.position() - 1); // the break before the line, the line, not its break
    c.setPosition(cut.position() + cut.length() - 1, QTextCursor::KeepAnchor);
    const QString clip = editor::SelectedPaneText(c);
    EXPECT_EQ(clip, "\n" + exact.mid(open, close - open));
    c.removeSelectedText();
    c.movePosition(QTextCursor::End);
    editor::InsertPaneText(c, clip);
    EXPECT_EQ(text.SnapshotString(),
              exact.left(open - 1) + exact.mid(close) + "\r\n" + exact.mid(open, close - open));
}

// A line just short of the limit is shown whole, as every line of a normal program is.
TEST(LongLine, LinesUpToTheLimitAreShownWhole) {
    QPlainTextEdit pane;
    files::ProgramText text(pane.document());
    const QString line(files::ProgramText::kLongLine, QChar('Z'));
    text.Load("G00\r\n" + line + "\r\nM30");
    EXPECT_EQ(pane.document()->findBlockByNumber(1).text(), line);
    EXPECT_EQ(text.ToPanePosition(5 + line.size()), 5 + line.size() - 1);
}
