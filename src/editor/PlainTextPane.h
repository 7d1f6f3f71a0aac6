#pragma once
// The program pane as the search sees it: a QPlainTextEdit, searched in the text it shows and
// edited through ordinary cursor edits, so that undo and the window's own change tracking see
// a replacement exactly like typing.

#include "editor/Search.h"

class QPlainTextEdit;

namespace editor {

class PlainTextPane final : public SearchPane {
  public:
    explicit PlainTextPane(QPlainTextEdit* pane) : Pane(pane) {}
    QString Text() const override;
    int SelStart() const override;
    void Select(int start, int length) override;
    void ReplaceRange(int start, int length, const QString& with) override;
    void ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) override;

  private:
    QPlainTextEdit* Pane;
};

} // namespace editor
