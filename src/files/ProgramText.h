#pragma once
// The exact program text behind the program pane. The pane shows one line per line break, but
// the control reads the text with its own line endings: CR LF, a lone LF or CR, or none after the
// last line. Each line break of the pane remembers the ending it stood for in the file (one the
// operator types is a CR LF; see editor::LineEnd); the program text is the lines joined with
// their endings. Positions
// convert between the pane and the text through an index of line starts.
//
// The text is rebuilt only after an edit: the run reads it once per block, and a program may
// have a million lines. A line too long for the pane to lay out at each keystroke is shown cut,
// its rest behind a mark (editor::kElisionMark): the text keeps it whole.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTextDocument;

namespace files {

// A text with line breaks of which none is a CR LF: the control reads no block of it.
bool ReadsNoBlock(const QString& exact);
// Every other byte zero, or a UTF-16 byte order mark read as Latin-1: text written as UTF-16.
bool LooksLikeUtf16(const QString& exact);

class ProgramText : public QObject {
  public:
    explicit ProgramText(QTextDocument* document);
    ~ProgramText() override;

    // Puts `exact` into the pane, remembering each line's ending.
    void Load(const QString& exact) { BeginLoad(exact, -1); }
    // The same by parts: the pane gets the lines up to about `firstPart` characters at once, the
    // rest by FillSome, so that a window can draw the program and answer before a million lines
    // are in the pane; the pane ends the same either way. The exact text is whole from the start.
    // Reading pane positions beyond the lines filled (ToPanePosition) and changing the line ends
    // fill the rest first. A negative `firstPart` fills all.
    void BeginLoad(const QString& exact, qsizetype firstPart);
    bool Filling() const { return Pending != nullptr; }
    // The share of the pane's text filled, 0 to 1.
    double FilledShare() const;
    // The next part of about `chars` characters, ending at a line break.
    void FillSome(qsizetype chars);
    void FinishFill();

    // The exact text; stays valid until the next edit of the pane.
    const std::u16string& Snapshot();
    // The same text to hand to another thread: never changed while anybody holds it (an edit
    // makes a new one), and the same object as long as the text is unchanged.
    std::shared_ptr<const std::u16string> Shared();
    QString SnapshotString() {
        const auto& s = Snapshot();
        return QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size()));
    }

    // Pane position <-> 0-based offset into the exact text.
    int64_t ToTextOffset(int panePosition);
    int ToPanePosition(int64_t textOffset);

    bool Stale() const { return IsStale; }
    // True while the pane changes because its lines are being filled, not edited.
    bool OwnChange() const { return OwnChange_; }

    // Every line ends in CR LF, as the control reads blocks; the text is then changed (it is
    // written only when the operator saves).
    void ConvertLineEndsToCrLf();

    // Lines longer than this are shown cut after their first kShownOfLongLine characters.
    static constexpr int64_t kLongLine = 20000;
    static constexpr int64_t kShownOfLongLine = 2000;

  private:
    void Rebuild();
    struct PendingFill;
    struct PanePart;
    PanePart FormOf(int64_t from, int64_t to);
    void FillTo(int64_t to);
    // A mark in the pane standing for `Length` characters of the text.
    struct Elision {
        size_t Line; // pane line
        int Column;  // the mark's place in it
        int64_t Length;
    };
    // A column of a pane line in the text and back; a text column inside a rest is its mark's.
    int64_t TextColumn(size_t line, int paneColumn) const;
    int64_t PaneColumn(size_t line, int64_t textColumn) const;

    QTextDocument* Doc;
    std::shared_ptr<std::u16string> Held = std::make_shared<std::u16string>(); // the exact text
    std::vector<int64_t> LineStarts; // offset of each pane line in the text
    int RestCount = 0;               // rests of long lines, kept by the pane's document
    std::vector<Elision> Elisions;   // the marks in the pane, by line
    bool IsStale = true;
    std::unique_ptr<PendingFill> Pending; // the pane's lines still to come
    bool OwnChange_ = false;              // filling the pane: the text stays as it is
    bool AllCrLf = false;                 // the line ends converted: every break is a CR LF
};

} // namespace files
