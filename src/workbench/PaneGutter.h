// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program pane's gutter and colours. The gutter shows line numbers (counted as the checker
// counts lines), a mark on the block being executed and a mark on each line with an alarm or
// advice (its messages as the tooltip). Colours: address letters, numbers, O/N words, comments
// and the block-delete slash. Both look only at the lines on screen: nothing passes over the
// whole document, so a program of a million lines opens as quickly as without them.

#include "workbench/CheckWorker.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace editor {
class ProgramView;
}

namespace workbench {

class PaneGutter final : public QWidget {
  public:
    // `setMargin` gives the pane's viewport a left margin of the gutter's width (the pane's own
    // protected setViewportMargins).
    PaneGutter(editor::ProgramView* pane, std::function<void(int)> setMargin);

    // The line of a pane line; its number + 1 unless the window knows better (a lone CR or LF
    // breaks the pane's line but not the checker's).
    std::function<int64_t(int paneLine)> LineOfBlock;

    void SetResult(BenchPtr result);
    void SetExecutingLine(int64_t line);
    void SetColouring(bool on);

    // What is on screen: (pane line, line shown) from the top (tests).
    std::vector<std::pair<int, int64_t>> VisibleNumbers() const;
    // The problems of a line, one message a line (the marker's tooltip).
    QString ProblemsOf(int64_t line) const;
    // The most serious kind of problem on a line (the marker's colour), if any.
    std::optional<inspect::Kind> WorstOn(int64_t line) const;
    int Width() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    template <class F> void ForVisibleLines(F f) const;
    void Follow();
    int64_t LineOf(int block) const { return LineOfBlock ? LineOfBlock(block) : block + 1; }
    editor::ProgramView* Pane;
    std::function<void(int)> SetMargin;
    BenchPtr Result;
    int64_t Executing = 0;
    bool Colouring = true;
    int LastWidth = -1;
};

} // namespace workbench
