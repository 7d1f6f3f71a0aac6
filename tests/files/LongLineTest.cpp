// SPDX-License-Identifier: GPL-3.0-or-later
// A program with a line of megabytes: the pane lays out only the pieces of it on screen, and the
// line is a line like any other for typing, Find, Replace, the clipboard, undo and saving.

#include "editor/PlainTextPane.h"
#include "editor/ProgramView.h"
#include "editor/Search.h"
#include "files/FileIo.h"
#include "files/ProgramText.h"
#include "support/FileBytes.h"
#include "support/TestPane.h"
#include "workbench/PaneGutter.h"

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A program whose third line is `longLine` characters long, with "Q123" near its end.
QString Program(int64_t longLine) {
    QString rest;
    for (int64_t n = 0; rest.size() < longLine; ++n)
        rest += "X" + QString::number(n % 1000) + ".";
    return "O0001\r\nG00 X10. Z5.\n(" + rest + "Q123)\r\nG01 Z-1.\rM30\r\n";
}

} // namespace

TEST(LongLine, IsALineLikeAnyOtherForTypingFindUndoAndSave) {
    testing_support::TestPane owner;
    files::ProgramText& text = owner.Text;
    editor::ProgramView& pane = owner.View;
    workbench::PaneGutter gutter(&pane, [](int) {});
    pane.resize(400, 200);
    pane.show();
    const QString exact = Program(2'000'000);
    text.Load(exact);
    QApplication::processEvents();
    ASSERT_EQ(text.LineCount(), 6);
    const int lineStart = text.LineStart(2);
    EXPECT_EQ(text.LineLength(2), exact.indexOf(")\r\n") + 1 - exact.indexOf('('));

    // The caret goes to the line's end and types there; the view follows it.
    pane.setFocus();
    pane.SetCaret(lineStart);
    QTest::keyClick(&pane, Qt::Key_End);
    EXPECT_EQ(pane.Position(), lineStart + text.LineLength(2));
    EXPECT_TRUE(pane.viewport()->rect().contains(pane.CaretRect(pane.Position()).center()));
    QTest::keyClicks(&pane, "N5");
    QString want = exact;
    want.insert(exact.indexOf(")\r\n") + 1, "N5");
    EXPECT_EQ(text.SnapshotString(), want);

    // Find sees the end of the line, and Replace changes it there.
    editor::SearchState search;
    editor::PlainTextPane target(&pane);
    search.FindText = "Q123";
    pane.SetCaret(0);
    EXPECT_FALSE(editor::NextFindCommand(search, target));
    EXPECT_EQ(pane.SelectedText(), "Q123");
    target.ReplaceAll(editor::AllReplaceMatches(text.PaneText(), "Q123", 0), "R");
    want.replace("Q123", "R");
    EXPECT_EQ(text.SnapshotString(), want);

    // Cut and paste move the line whole.
    const int lineEnd = text.LineStart(2) + text.LineLength(2);
    pane.SetSelection(lineStart - 1, lineEnd); // the break before it, the line, not its break
    pane.Cut();
    const QString line = want.mid(want.indexOf('('), want.indexOf(")N5\r\n") + 3 - want.indexOf('('));
    EXPECT_EQ(QApplication::clipboard()->text(), "\n" + line);
    pane.SetCaret(text.PaneLength());
    pane.Paste();
    const QString moved =
        want.left(want.indexOf('(') - 1) + want.mid(want.indexOf(")N5\r\n") + 3) + "\r\n" + line;
    EXPECT_EQ(text.SnapshotString(), moved);

    // Every edit undone, the file's text again, saved byte for byte.
    while (text.CanUndo())
        pane.Undo();
    ASSERT_EQ(text.SnapshotString(), exact);
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(files::WriteProgramFile(dir.filePath("OUT.MIN"), text.SnapshotString(), files::Encoding::Utf8,
                                        error));
    EXPECT_EQ(ReadBytes(dir.filePath("OUT.MIN")), exact.toUtf8());
}
