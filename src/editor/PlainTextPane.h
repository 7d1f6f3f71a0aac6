// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program pane as the search sees it: searched in the text it shows (one character per line
// break) and edited through the program text's own edits, so that undo and the window's change
// tracking see a replacement exactly like typing.

#include "editor/Search.h"

namespace editor {

class ProgramView;

class PlainTextPane final : public SearchPane {
  public:
    explicit PlainTextPane(ProgramView* pane) : Pane(pane) {}
    QString Text() const override;
    int SelStart() const override;
    void Select(int start, int length) override;
    void ReplaceRange(int start, int length, const QString& with) override;
    void ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) override;

  private:
    ProgramView* Pane;
};

} // namespace editor
