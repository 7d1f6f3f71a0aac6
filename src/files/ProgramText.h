// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program text behind the program pane: the file's exact characters (CR LF, a lone LF or
// CR, no line end after the last line) and an index of its lines. The pane shows one line per
// line break and counts each break as one position, as the operator's caret does ("pane
// positions"); the run reads the exact text, in which a CR LF is two. Whatever reads the text
// (the run, the checks, a save, Find) reads these characters, every one of them: nothing is
// kept anywhere else.
//
// Edits come from the pane, the searches and the quick fixes, each one step of the undo (or
// merged with the typing before it). A line break put in is a CR LF, as one the operator types;
// the breaks of the file keep their own ends through edits, undo and redo.

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace files {

// A text with line breaks of which none is a CR LF: the control reads no block of it.
bool ReadsNoBlock(const QString& exact);
// Every other byte zero, or a UTF-16 byte order mark read as Latin-1: text written as UTF-16.
bool LooksLikeUtf16(const QString& exact);

enum class LineEnd { CrLf, Lf, Cr, None }; // None: the last line

class ProgramText : public QObject {
    Q_OBJECT
  public:
    explicit ProgramText(QObject* parent = nullptr);
    ~ProgramText() override;

    // Takes `exact` as the whole text: nothing to undo, not modified.
    void Load(const QString& exact);

    // The exact text; stays valid until the next edit.
    const std::u16string& Snapshot() const { return *Held; }
    // The same text to hand to another thread: never changed while anybody holds it (an edit
    // makes a new one), and the same object as long as the text is unchanged.
    std::shared_ptr<const std::u16string> Shared() const { return Held; }
    QString SnapshotString() const;
    // Counts the changes of the text: the same number, the same text. Whoever wants to know
    // whether the text changed keeps this, not the text (a text nobody else holds is edited in
    // place, without a copy).
    uint64_t Revision() const { return Rev; }

    // --- Lines, in pane positions ---
    int LineCount() const { return int(Starts.size()); } // at least 1
    int PaneLength() const;                              // the last caret position
    // The line that holds a pane position (a break is the end of its line); clamped.
    int LineAt(int panePosition) const;
    int LineStart(int line) const { return PaneStarts[size_t(line)]; }
    int LineLength(int line) const; // characters, the break not counted
    std::u16string_view LineView(int line) const;
    LineEnd EndOf(int line) const;
    // The length of the longest line (for the pane's horizontal extent).
    int LongestLine() const { return Longest; }

    // The text as the pane shows it: one LF per line break (what Find searches and the
    // clipboard gets), position for position the pane's own.
    QString PaneText() const { return PaneRange(0, PaneLength()); }
    QString PaneRange(int from, int to) const;

    // Pane position <-> 0-based offset into the exact text. Inside a CR LF the CR is the end of
    // the line and the LF the start of the next one.
    int64_t ToTextOffset(int panePosition) const;
    int ToPanePosition(int64_t textOffset) const;

    // --- Editing ---
    // How an edit may join the step before it in the undo: characters typed one after another,
    // or deleted one after another with Delete or Backspace, undo as one step.
    enum class Typing { No, Insert, DeleteForward, DeleteBack };
    // Replaces the pane positions [from, to) by `with`, in which each CR LF, LF or CR is a line
    // break put in (a CR LF). Returns the pane position right behind the inserted text.
    int Replace(int from, int to, const QString& with, Typing typing = Typing::No);
    // One range of many replaced at once.
    struct Change {
        int From = 0, To = 0; // pane positions of the text as it is
        QString With;         // as for Replace
    };
    // Replaces each range by its text as one step of the undo, in one pass over the text: a
    // replace-all over a million lines costs one pass, not one per match. The ranges are in
    // ascending order and do not overlap.
    void ReplaceEach(const std::vector<Change>& changes);
    // Edits between these two are one step of the undo (they nest).
    void BeginStep();
    void EndStep();
    bool CanUndo() const { return Done > 0; }
    bool CanRedo() const { return Done < Steps.size(); }
    // The pane position where the caret goes after it: the end of what the step put back.
    // -1 when there was nothing.
    int Undo();
    int Redo();
    // Since loading or the last SetModified(false), with the state of the undo in mind: undoing
    // back to the saved text makes it unmodified again.
    bool Modified() const { return Clean != Done; }
    void SetModified(bool modified);

    // Every line end becomes CR LF, as the control reads blocks, undo included: whatever is
    // undone or redone afterwards has CR LF breaks. The text is then modified (it is written
    // only when the operator saves). Nothing to undo is added.
    void ConvertLineEndsToCrLf();

  signals:
    // After every change of the text (an edit, an undo, a redo, a load, the line-end
    // conversion): `removed` pane positions at `from` were replaced by `added`.
    void Changed(int from, int removed, int added);
    void ModificationChanged(bool modified);

  private:
    struct Edit {
        int At = 0;             // pane position
        std::u16string Removed; // exact characters
        std::u16string Inserted;
        // Offsets in Removed of each CR that ended its line though an LF follows it (an edit
        // had emptied the line between a lone CR and a lone LF): two breaks, not one CR LF.
        std::vector<int32_t> Split;
    };
    struct Step {
        std::vector<Edit> Edits; // one after another
        Typing Kind = Typing::No;
        // Made by ReplaceEach, all at once, and kept packed (a replace-all may make a million):
        // each span's At is where its inserted text stands once all are made; its characters are
        // the next ones of the two texts.
        struct Span {
            int At = 0;
            int32_t Removed = 0, Inserted = 0; // characters of RemovedAll and InsertedAll
        };
        std::vector<Span> Spans;
        std::u16string RemovedAll, InsertedAll;
        std::vector<int32_t> SplitAll; // as Edit::Split, offsets in RemovedAll
        bool Together() const { return !Spans.empty(); }
    };
    // One range of a pass over the text (ApplyEach): pane positions of the text as it is, and
    // the exact characters to put there (its CRs at WithSplit each a break of its own).
    struct Piece {
        int From = 0, To = 0;
        std::u16string_view With;
        std::vector<int32_t> WithSplit;
        int32_t Removed = 0; // characters it took away
    };
    // Replaces the pane positions [from, to) by the exact characters `with` (the CRs at
    // `withSplit` each a break of its own); returns what was there, its split CRs in `split`.
    // Keeps the line index and sends Changed.
    std::u16string Apply(int from, int to, std::u16string_view with,
                         const std::vector<int32_t>& withSplit = {}, std::vector<int32_t>* split = nullptr);
    // The same for ascending, non-overlapping ranges in one pass, with one Changed. What they
    // took away goes one after another into `removed` (when given), the offsets there of its
    // split CRs into `split`.
    void ApplyEach(std::vector<Piece>& pieces, std::u16string* removed, std::vector<int32_t>* split);
    // Appends what [x0, x1) of the text holds to `into`, and the offsets there of each lone CR
    // before a lone LF to `split`.
    void Take(int64_t x0, int64_t x1, size_t first, size_t last, std::u16string& into,
              std::vector<int32_t>* split) const;
    // The pieces that undo or redo an all-at-once step.
    std::vector<Piece> PiecesToUndo(const Step& step) const;
    std::vector<Piece> PiecesToRedo(const Step& step) const;
    void Record(Edit edit, Typing typing);
    void RecordTogether(Step step);
    void DropRedo(); // a new edit: the steps undone before it are gone
    void NoteModified(bool before);

    std::shared_ptr<std::u16string> Held = std::make_shared<std::u16string>();
    std::vector<int64_t> Starts{0};     // offset of each line in the exact text
    std::vector<int32_t> PaneStarts{0}; // pane position of each line
    int Longest = 0;
    uint64_t Rev = 0;
    std::vector<Step> Steps; // the undo, oldest first
    size_t Done = 0;         // steps in effect: Steps[0 .. Done)
    size_t Clean = 0;        // Done when the text was last unmodified; SIZE_MAX: never again
    int Nesting = 0;         // BeginStep depth
    bool StepOpen = false;   // the open step has taken an edit
};

} // namespace files
