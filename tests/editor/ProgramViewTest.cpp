// SPDX-License-Identifier: GPL-3.0-or-later
// The program pane over the program text, driven by keys and the mouse as the operator does:
// edits reach the exact text and undo byte for byte, the caret's geometry agrees with the
// hit test, and a line of megabytes is laid out in pieces.
#include "editor/ProgramView.h"
#include "files/ProgramText.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <string>

namespace {

using editor::ProgramView;
using files::ProgramText;

std::u16string Exact(const ProgramText& text) {
    return text.Snapshot();
}

// A shown view with the keyboard focus over `program`.
class ProgramViewTest : public ::testing::Test {
  protected:
    void Open(const QString& program) {
        Text.Load(program);
        View.resize(400, 200);
        View.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
        View.activateWindow();
        View.setFocus();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&View, key, modifiers);
    }
    ProgramText Text;
    ProgramView View{Text};
};

TEST_F(ProgramViewTest, TypingAndEnterReachTheTextAndBackspaceOverALoneLfUndoesExactly) {
    Open(QStringLiteral("G0\nX1\r\nZ2"));
    Key(Qt::Key_End);
    QTest::keyClicks(&View, QStringLiteral(" M3"));
    Key(Qt::Key_Return);
    QTest::keyClicks(&View, QStringLiteral("S9"));
    EXPECT_EQ(Exact(Text), u"G0 M3\r\nS9\nX1\r\nZ2");
    EXPECT_EQ(View.Position(), Text.LineStart(1) + 2);

    // Backspace at a line's start takes the lone LF before it; the undo puts back that very LF.
    View.SetCaret(Text.LineStart(2));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Exact(Text), u"G0 M3\r\nS9X1\r\nZ2");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Exact(Text), u"G0 M3\r\nS9\nX1\r\nZ2");
    EXPECT_EQ(View.Position(), Text.LineStart(2));
}

TEST_F(ProgramViewTest, ShiftSelectCutAndPasteCarryGlyphsAndUndoBringsBackALoneCr) {
    const QString program = QStringLiteral(u"A\u2029B\rC\r\nD");
    Open(program);
    View.SetCaret(0);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(View.SelectionEnd(), Text.LineStart(1));
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral(u"A\u2029B\n"));
    EXPECT_EQ(Exact(Text), u"C\r\nD");

    // Pasted, the break is one the operator puts in (CR LF); the glyph's character is the file's.
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Exact(Text), u"A\u2029B\r\nC\r\nD");
    EXPECT_EQ(View.Position(), Text.LineStart(1));
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text.SnapshotString(), program);
}

TEST_F(ProgramViewTest, OverwriteReplacesCharactersButNeverTheLineBreak) {
    Open(QStringLiteral("G01\nX"));
    QSignalSpy toggled(&View, &ProgramView::OverwriteToggled);
    View.SetCaret(1);
    Key(Qt::Key_Insert);
    ASSERT_TRUE(View.Overwrite());
    EXPECT_EQ(toggled.count(), 1);
    QTest::keyClicks(&View, QStringLiteral("234"));
    EXPECT_EQ(Exact(Text), u"G234\nX");
    EXPECT_EQ(View.CaretRect(1).width() > 1, true) << "a block over the character typing replaces";
    Key(Qt::Key_Insert);
    QTest::keyClicks(&View, QStringLiteral("5"));
    EXPECT_EQ(Exact(Text), u"G2345\nX");
}

TEST_F(ProgramViewTest, UpAndDownKeepTheColumnOfTheFirstMove) {
    Open(QStringLiteral("ABCDEFGH\nAB\nABCDEFGH"));
    View.SetCaret(6);
    Key(Qt::Key_Down);
    EXPECT_EQ(View.Position(), Text.LineStart(1) + 2);
    Key(Qt::Key_Down);
    EXPECT_EQ(View.Position(), Text.LineStart(2) + 6);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(View.Position(), Text.LineStart(1) + 2);
    EXPECT_EQ(View.Anchor(), Text.LineStart(2) + 6);
    // Left ends the selection at its start; a move along the line sets a new column.
    Key(Qt::Key_Left);
    EXPECT_EQ(View.Position(), Text.LineStart(1) + 2);
    EXPECT_FALSE(View.HasSelection());
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    EXPECT_EQ(View.Position(), 1);
}

TEST_F(ProgramViewTest, HitTestAndCaretGeometryAgreeAndTheMousePlacesTheCaret) {
    Open(QStringLiteral(u"G0\tX1\u2028Z\nM30 (END)\n\nT0101"));
    for (int p = 0; p <= Text.PaneLength(); ++p) {
        const QRect caret = View.CaretRect(p);
        EXPECT_EQ(caret.top(), View.LineRect(Text.LineAt(p)).top());
        EXPECT_EQ(View.PositionAt(QPoint(caret.left(), caret.center().y())), p) << p;
    }
    // The line separator shows as a marked glyph, not as a break of the line.
    const QImage shown = View.viewport()->grab().toImage();
    const QPoint corner = View.CaretRect(5).topLeft() + QPoint(1, 1);
    EXPECT_EQ(shown.pixelColor(corner), QColor(0xD8, 0xD8, 0xD8));
    EXPECT_EQ(Text.LineCount(), 4);
    // Its tooltip names the file's character.
    const QPoint glyph = View.CaretRect(5).center() + QPoint(2, 0);
    QHelpEvent help(QEvent::ToolTip, glyph, View.viewport()->mapToGlobal(glyph));
    QApplication::sendEvent(View.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("U+2028"));

    const QRect at = View.CaretRect(Text.LineStart(1) + 4);
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, QPoint(at.left(), at.center().y()));
    EXPECT_EQ(View.Position(), Text.LineStart(1) + 4);
    const QRect to = View.CaretRect(Text.LineStart(3) + 2);
    QTest::mouseClick(View.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(to.left(), to.center().y()));
    EXPECT_EQ(View.SelectedText(), QStringLiteral("(END)\n\nT0"));

    // A double-click selects a word, and the drag that follows goes on by whole words.
    auto send = [this](QEvent::Type type, int position, Qt::MouseButtons held) {
        const QRect r = View.CaretRect(position);
        const QPointF p(r.left() + 1, r.center().y());
        QMouseEvent e(type, p, View.viewport()->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(View.viewport(), &e);
    };
    const int word = Text.LineStart(1) + 5; // inside "END"
    send(QEvent::MouseButtonDblClick, word, Qt::LeftButton);
    EXPECT_EQ(View.SelectedText(), QStringLiteral("END"));
    send(QEvent::MouseMove, Text.LineStart(3) + 2, Qt::LeftButton);
    EXPECT_EQ(View.SelectedText(), QStringLiteral("END)\n\nT0101"));
    send(QEvent::MouseButtonRelease, Text.LineStart(3) + 2, Qt::NoButton);
}

TEST_F(ProgramViewTest, ALineOfMegabytesIsLaidOutInPiecesOnly) {
    QString line(2'000'000, QChar(u'X'));
    line[4095] = QChar(0xD83D); // a surrogate pair across the first piece's end
    line[4096] = QChar(0xDE00);
    size_t longestColoured = 0;
    View.SetColourer([&](std::u16string_view text, bool&) {
        longestColoured = std::max(longestColoured, text.size());
        return QList<QTextLayout::FormatRange>();
    });
    Open(QStringLiteral("G0\n") + line + QStringLiteral("\nM30"));
    View.SetCaret(Text.LineStart(1));
    Key(Qt::Key_End);
    QApplication::processEvents();
    const int end = Text.LineStart(1) + Text.LineLength(1);
    EXPECT_EQ(View.Position(), end);
    EXPECT_LE(View.LargestLayout(), 4096);
    EXPECT_EQ(longestColoured, 4096u); // its first piece only, not its hundreds of thousands of words
    // Scrolled to the caret, far to the right, and the hit test finds it again there.
    const QRect caret = View.CaretRect(end);
    EXPECT_TRUE(View.viewport()->rect().contains(caret.center()));
    EXPECT_GT(View.horizontalScrollBar()->value(), 1'000'000);
    EXPECT_EQ(View.PositionAt(QPoint(caret.left(), caret.center().y())), end);
    // Right over the pair is one step at the piece's end.
    View.SetCaret(Text.LineStart(1) + 4095);
    Key(Qt::Key_Right);
    EXPECT_EQ(View.Position(), Text.LineStart(1) + 4097);
}

TEST_F(ProgramViewTest, ReadOnlyRefusesEditsButMovesAndCopies) {
    Open(QStringLiteral("G0 X1\nM30"));
    View.SetReadOnly(true);
    QTest::keyClicks(&View, QStringLiteral("Z"));
    Key(Qt::Key_Delete);
    Key(Qt::Key_Return);
    Key(Qt::Key_End, Qt::ShiftModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Exact(Text), u"G0 X1\nM30");
    EXPECT_EQ(View.SelectedText(), QStringLiteral("G0 X1"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("G0 X1"));
}

TEST_F(ProgramViewTest, OnlyTheLinesOnScreenAreColouredWithTheCommentCarriedDown) {
    QString program;
    for (int i = 0; i < 20000; ++i)
        program += i % 3 == 0 ? QStringLiteral("(open\n") : QStringLiteral("X1\n");
    std::vector<bool> seen;
    View.SetColourer([&](std::u16string_view line, bool& inComment) {
        seen.push_back(inComment);
        if (line.find(u'(') != line.npos) inComment = true;
        return QList<QTextLayout::FormatRange>();
    });
    Open(program);
    View.viewport()->repaint();
    const int shown = View.LastVisibleLine() - View.FirstVisibleLine() + 1;
    EXPECT_GE(View.ColouredCount(), shown);
    EXPECT_LE(View.ColouredCount(), 3 * shown);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_FALSE(seen[0]);
    EXPECT_TRUE(seen[1]);
}

} // namespace

// A screen reader reads the pane as a multi-line text by lines and words around the caret, and
// moves the caret and the selection.
TEST_F(ProgramViewTest, ScreenReadersReadByLinesAndWords) {
    Open(QStringLiteral("G00 X10.\r\nM30 (END)\nT0101"));
    QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(&View);
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->role(), QAccessible::EditableText);
    EXPECT_TRUE(pane->state().multiLine);
    QAccessibleTextInterface* text = pane->textInterface();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->characterCount(), Text.PaneLength());
    EXPECT_EQ(text->text(4, 13), QStringLiteral("X10.\nM30 "));
    int start = 0, end = 0;
    EXPECT_EQ(text->textAtOffset(11, QAccessible::LineBoundary, &start, &end), QStringLiteral("M30 (END)\n"));
    EXPECT_EQ(start, 9);
    EXPECT_EQ(text->textAfterOffset(11, QAccessible::LineBoundary, &start, &end), QStringLiteral("T0101"));
    EXPECT_EQ(text->textAtOffset(15, QAccessible::WordBoundary, &start, &end), QStringLiteral("END"));
    EXPECT_EQ(start, 14);
    text->setSelection(0, 4, 8);
    EXPECT_EQ(View.SelectedText(), QStringLiteral("X10."));
    text->setCursorPosition(Text.LineStart(2));
    EXPECT_EQ(text->cursorPosition(), View.Position());
    const QRect r = text->characterRect(View.Position());
    EXPECT_EQ(text->offsetAtPoint(r.topLeft() + QPoint(1, r.height() / 2)), View.Position());
}
