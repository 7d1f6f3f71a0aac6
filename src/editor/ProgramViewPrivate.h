// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program pane's cache of the lines it has laid out, and its own state beside the caret.
// Only the two files of the pane include this.
#include "editor/ProgramView.h"

#include <QBasicTimer>
#include <QFont>
#include <QPoint>
#include <QTextLayout>

#include <memory>
#include <unordered_map>
#include <vector>

namespace editor {

// Characters a text layout would take for structure (paragraph and line separators, frame
// marks): shown as a marked glyph of one character each.
inline bool ShownAsGlyph(char16_t c) {
    return c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

struct ProgramView::Line {
    std::vector<int> Starts; // column of each piece's start, then the line's length
    std::vector<qreal> X;    // x of each piece; measured when a piece past the first is asked for
    std::vector<std::unique_ptr<QTextLayout>> Layouts; // per piece, made when it comes on screen
    QList<QTextLayout::FormatRange> Colours;           // the colourer's, in columns of the line
    bool Coloured = false;
    bool CommentIn = false, CommentOut = false; // the colourer's comment state before and after
    unsigned Chain = 0; // Private::Chain when CommentIn was last checked against the line above
};

struct ProgramView::Private {
    Colourer Colour;
    std::unordered_map<int, Line> Lines; // by line number; dropped from the first line a change touches
    unsigned Chain = 1;                  // counts the moves of the first line on screen
    int LargestLayout = 0;               // most characters one layout held (tests)
    // The width of each character met in a long line, in the font they were measured in.
    std::unordered_map<char16_t, qreal> Advances;
    QFont AdvanceFont;

    bool CaretShown = true; // the blink's phase
    QBasicTimer Blink;
    qreal GoalX = -1; // the x Up and Down keep, from the first of them; -1: none

    bool Selecting = false; // the left button is down over the text
    // After a double-click the drag selects whole words: the first word stays selected.
    bool ByWords = false;
    int WordFrom = 0, WordTo = 0;
    QPoint MousePoint; // the last point of the drag, for the autoscroll
    QBasicTimer AutoScroll;

    QString Preedit; // the input method's text being composed, shown at the caret
    int PreeditCursor = 0;
    QList<QTextLayout::FormatRange> PreeditFormats; // in columns of the preedit text
};

} // namespace editor
