// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Find and replace on the program pane, as the operator sees its text: one character per line
// break, positions counted the way the pane's caret counts them. The rules live here on plain
// strings and a small pane interface, so they can be checked without widgets; the dialogs only
// wire their buttons to these functions and show the messages they return.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace editor {

// Shared by the window's Next find and both dialogs; lives as long as the window.
struct SearchState {
    QString FindText;            // text searched for; set from a dialog's search box on every change
    QString ReplaceText;         // replacement; set from the Replace dialog's boxes on every change
    int32_t SearchPos = 0;       // the next search looks for a match starting after this 1-based position
    float MatchCount = 0;        // matches found (Find) or replaced (Replace) since the last reset
    QString ReplaceBuffer;       // copy of the pane's text while the Replace dialog is open
    bool NoMatchSelected = true; // Replace dialog: the next "Replace" press only searches
    bool FindFromTop = false;    // the Find dialog's "From Top" box, kept between openings
    bool ReplaceFromTop = false; // the Replace dialog's "From top" box, kept between openings
};

// A message box to show: title, text, OK button only.
struct Message {
    QString Title;
    QString Text;
};

// One replacement in the text as it was before any of them: `Length` characters at `Start`.
struct TextEdit {
    int Start = 0;
    int Length = 0;
};

// The pane the search works on. The window's implementation edits the program pane; tests use
// StringPane.
class SearchPane {
  public:
    virtual ~SearchPane() = default;
    virtual QString Text() const = 0; // the text as shown
    virtual int SelStart() const = 0; // 0-based start of the selection (the caret when empty)
    virtual void Select(int start, int length) = 0;
    // Replaces `length` characters at `start` by `with` as an ordinary edit (undoable, modifies).
    virtual void ReplaceRange(int start, int length, const QString& with) = 0;
    // Replaces every range (in the coordinates of the text before the first) by `with`, as one
    // undoable step; ranges are in ascending order and do not overlap.
    virtual void ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) = 0;
};

// A pane made of a plain string, for tests and for callers without a widget.
class StringPane final : public SearchPane {
  public:
    explicit StringPane(QString text = {}) : Content(std::move(text)) {}
    QString Text() const override { return Content; }
    int SelStart() const override { return Start; }
    void Select(int start, int length) override;
    void ReplaceRange(int start, int length, const QString& with) override;
    void ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) override;

    QString Content;
    int Start = 0;
    int Length = 0;
};

// 0-based index of the first match of `what` in `text` starting at 1-based position
// searchPos + 1, case-sensitive; -1 when there is none. An empty `what` is found at the search
// start (at the end of the text when the start lies beyond it).
int FindInText(const QString& text, const QString& what, int32_t searchPos);

// One search step on `text` (the pane's text): selects the match and moves SearchPos onto its
// last character. Nothing changes when there is no match.
bool FindNext(SearchState& state, SearchPane& pane, const QString& text);

// Replaces the match at the pane's selection start in ReplaceBuffer and in the pane; the next
// search starts right behind the inserted text.
void ReplaceSelection(SearchState& state, SearchPane& pane);

// The texts of the messages (the count is a whole number without a leading blank).
QString CountText(float count);
Message NextFindMessage(const SearchState& state);   // Edit menu "Next find", English
Message FindDialogMessage(const SearchState& state); // Find dialog
Message ReplaceDialogMessage(const SearchState& state, bool ideographicSpace); // Replace dialog

// Commands. Each returns the message to show when the search ran out, after the state has been
// reset for the next round; fromTop is the dialog's "From top" box.
std::optional<Message> NextFindCommand(SearchState& state, SearchPane& pane);
std::optional<Message> FindDialogNextFind(SearchState& state, SearchPane& pane, bool& fromTop);
std::optional<Message> ReplaceDialogSkip(SearchState& state, SearchPane& pane, bool& fromTop);
std::optional<Message> ReplaceDialogReplace(SearchState& state, SearchPane& pane, bool& fromTop);
std::optional<Message> ReplaceDialogAllReplace(SearchState& state, SearchPane& pane, bool& fromTop);

// Every replacement All replace makes from 0-based index `from` on, in the original text: each
// search continues right behind the previous match, so a replacement that contains the search
// text is never searched again. Empty `what` gives none.
std::vector<TextEdit> AllReplaceMatches(const QString& text, const QString& what, int from);

} // namespace editor
