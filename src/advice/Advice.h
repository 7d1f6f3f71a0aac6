// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Advice: what the control accepts without a word but the programmer plainly did not mean (a
// program without one CR LF, an address letter without a number, a dwell of minutes, a feed
// per minute written under G95 ...). Advice never changes the run: the text findings look at the
// program text, the run findings watch the blocks of a run after each has executed.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace interp {
struct MachineState;
}

namespace advice {

enum class Severity { Warning, Error };

// "warning" / "error".
const char* SeverityName(Severity severity);

struct Finding {
    int64_t Line = 0; // counted as for alarms: 1 + the CR LF pairs before the block's own CR LF
    std::string Code; // "no-crlf", "long-dwell", ...
    Severity Level = Severity::Warning;
    std::string Message; // short English text that names the fix
};

// Collects the findings of one rule: the rule gives the line and the message, the table its code
// and severity.
class Sink {
  public:
    Sink(std::vector<Finding>& out, std::string_view code, Severity level)
        : Out(out), Code(code), Level(level) {}
    void Add(int64_t line, std::string message) {
        Out.push_back({line, std::string(Code), Level, std::move(message)});
    }

  private:
    std::vector<Finding>& Out;
    std::string_view Code;
    Severity Level;
};

class MarksAhead;

// The program text with the positions of what the findings look at, found in one pass over the
// text, so that the findings pass over ordinary program text at memory speed.
struct ProgramText {
    // `wide`: use the processor's widest registers where it has them (tests compare both ways).
    // `lazy`: mark nothing yet; a run marks the text a little ahead of the block it reads
    // (MarkTo), so that the text is passed over while it is in the cache anyway.
    explicit ProgramText(std::u16string_view text, bool wide = true, bool lazy = false);
    // Marks nothing itself: MarkTo takes the parts `ahead` has marked on another thread, waiting
    // for one it needs that is not done yet. `ahead` must outlive the text.
    ProgramText(std::u16string_view text, MarksAhead& ahead);
    // Completes the marks up to at least `end` (or the end of the text).
    void MarkTo(size_t end);
    // Whether a block mark lies in the block [start, end) (`end` at the CR of a CR LF, and no
    // CR LF before it), marking as far as that needs. Asked in text order, as a run reads its
    // blocks, it costs a step or two; asked for an earlier place, it looks the place up.
    bool MarkedIn(size_t start, size_t end) {
        // Inline: asked once for every block of a run, and nearly always answered here.
        if (start >= end) return false;
        if (end > Marked || start < BlockMarksFrom || (NextMark > 0 && BlockMarks[NextMark - 1] >= start))
            return MarkedInLookingUp(start, end);
        while (NextMark < BlockMarks.size() && BlockMarks[NextMark] < start)
            ++NextMark;
        return NextMark < BlockMarks.size() && BlockMarks[NextMark] < end;
    }
    std::u16string_view Text;
    size_t Marked = 0; // the marks are complete before this position
    struct Mark {
        size_t Pos;
        int64_t Line; // 1 + the CR LF pairs before it
        char16_t Char;
        bool operator==(const Mark&) const = default;
    };
    // "(", ")", "#" and "a" to "z": what the comment, macro-variable and lower-case findings look
    // at. In text order. Marks made on another thread come in once the text is marked to its
    // end, in one piece: a run needs none of them.
    std::vector<Mark> Marks;
    // Where a block stops being plain words (see IsBlockMark). A block without one is read by the
    // control as capital letters each followed by a number, its G codes written with two digits
    // and none of them a dwell or a G7x cycle: no word finding can come from it, and the modal
    // code the control leaves is the one the block ran. Only the last of a line's is kept (a
    // block ends at a line's end, so that one tells), in text order, from BlockMarksFrom on:
    // marks made on another thread are kept for the part of the text a run is in only. A program
    // of a million blocks would otherwise keep (and copy) millions of them, and on a virtual
    // machine the first touch of each page of memory costs more than marking it.
    std::vector<size_t> BlockMarks;
    size_t BlockMarksFrom = 0;

  private:
    // MarkedIn where it has to mark further, or look the place up.
    bool MarkedInLookingUp(size_t start, size_t end);
    bool Wide = false;
    int64_t PairsBefore = 0;     // CR LF pairs before Marked
    size_t LineFrom = 0;         // where the line Marked is in begins
    MarksAhead* Ahead = nullptr; // where the marks come from, when another thread makes them
    size_t Taken = 0;            // parts of Ahead taken over
    size_t NextMark = 0;         // first of BlockMarks not before the last place MarkedIn was asked
};

// The marks of a program text made on another thread, part by part, ahead of a run that reads
// them: that thread calls Produce once, and a ProgramText made with this object takes the parts
// as they are done. A mark depends only on the characters around it, so the marks are the same
// as a ProgramText's own pass makes.
class MarksAhead {
  public:
    explicit MarksAhead(std::u16string_view text, bool wide = true, size_t partChars = size_t{1} << 16);
    MarksAhead(const MarksAhead&) = delete;
    MarksAhead& operator=(const MarksAhead&) = delete;
    // Marks the whole text; what stops it (memory) is handed to the reading thread.
    void Produce();

  private:
    friend struct ProgramText;
    struct Part {
        std::vector<size_t> BlockMarks;
        size_t End = 0; // the marks are complete before this position
    };
    // Part `index`, once it is done.
    Part& Take(size_t index);

    static constexpr size_t Failed = ~size_t{0};
    ProgramText Work; // the marking thread's own
    size_t PartChars;
    std::vector<Part> Parts;
    std::atomic<size_t> Done{0}; // parts done, or Failed
    std::exception_ptr Failure;
};

// True when the character at `at` makes its block more than plain words: a comment, block delete,
// program number, Q, arithmetic, DEL or anything beyond ASCII; a capital letter without a number
// right after it; a sign without a digit or point after it; a G not written with two digits, or
// G04, or G70 to G79.
bool IsBlockMark(std::u16string_view text, size_t at);

// The address words of one block as the control's scanner reads them (comments, block delete and
// the skipped rests of words included), reduced to what the findings need.
struct BlockWords {
    enum class Bare : uint8_t {
        ReadsZero, // nothing that makes a number follows the letter: the word reads 0
        NoValue,   // a capital letter follows directly: the word keeps its previous value
    };
    struct BareWord {
        char Letter;
        Bare Kind;
    };
    std::vector<double> GCodes;      // values of the G words, in order
    std::vector<BareWord> BareWords; // words without a number, in order
    bool HasP = false;               // a P word was read
    bool HasQ = false;               // a Q directly followed by a number (the control skips it)
    bool InCommentAfter = false;     // the block ends inside a comment
};

// Scans `block` as the control does; `inComment` is the comment state the block starts in.
void ScanBlockWords(std::u16string_view block, bool inComment, bool blockDelete, BlockWords& out);

// Line of a block from the position of the CR that ends it (BlockEndPos). Asked only when a
// finding is made: counting lines costs a pass over the text.
using LineOfBlock = std::function<int64_t(int64_t blockEndPos)>;

// What a run finding sees of one executed block: the state after the block, the block's words,
// and the few values the state held before it.
struct BlockSeen {
    const interp::MachineState& S; // after the block
    const BlockWords& Words;
    const LineOfBlock& LineOf;
    int64_t Line() const;
    double Mode;           // the motion code the block was dispatched on (4 for a dwell block)
    double StartX, StartZ; // end point of the previous block
    float TimeBefore;      // cutting time before the block
};

// Memory the run findings keep from block to block.
struct RunMemory {
    bool StopWarned = false; // feed-while-stopped said since the spindle last stopped
    bool FeedWarned = false; // large-feed-per-rev said since the feed last changed
    double WarnedFeed = 0;   // feed (and mode) the last large-feed-per-rev was about
    int16_t WarnedFeedMode = 0;
    int64_t LastEndPos = 0;      // BlockEndPos of the last block that ended in CR LF; 0 = none ran
    bool Ended = false;          // that block left the run at M02 or M30
    bool SpindleStarted = false; // M03 or M04 has run
    bool UnitWarned = false;     // unit-mismatch said (once a run)
    bool RadiusWarned = false;   // unscaled-arc-radius said (once a run)
    bool ControlNamed = false;   // other-control said (once a run)
    bool EndUnread = false;      // at the end: an M02/M30 sits on the unterminated last line
};

// When a block finding needs to look at a block at all; most blocks of a program give it nothing
// to see, and a run has millions of them.
enum class Watch : uint8_t {
    Words,          // a block with more than plain words (see ProgramText::BlockMarks)
    StoppedSpindle, // the spindle stopped (M05), or it has been stopped and warned about
    LargeFeed,      // a feed above 2 mm, or one warned about
    Unit,           // a sign of the wrong unit: G20/G21, a soft-limit alarm in inch, a tiny feed in mm
    ArcRadius,      // an R word with a unit other than 1 mm
};
inline constexpr int Watches = 5;

// One finding: a code, its severity and the function that looks for it. Exactly one of the three
// functions is set.
struct Rule {
    std::string_view Code;
    Severity Level;
    void (*OnText)(const ProgramText& text, Sink& sink);
    void (*OnBlock)(const BlockSeen& block, RunMemory& memory, Sink& sink);
    void (*OnEnd)(const RunMemory& memory, const LineOfBlock& lineOf, Sink& sink);
    Watch When = Watch::Words; // for a block finding: the blocks it looks at
};

// The registration table: every finding there is, in the order they are looked for.
const std::vector<Rule>& Rules();

// The text findings of the whole program text (marked to its end first).
// `iso`: the program is read by the ISO control, which names its macro statements itself.
std::vector<Finding> TextFindings(ProgramText& text, bool iso = false);

// Watches a run: BlockExecuted after each ExecuteBlock (in text order from a reset), RunEnded at
// the end. Reads the state only; `lineOf` gives the line of a block for its findings.
class RunAdvisor {
  public:
    // `text` is the program text the run reads its blocks from; it must outlive the advisor.
    RunAdvisor(ProgramText& text, LineOfBlock lineOf);
    void BlockExecuted(const interp::MachineState& s);
    void RunEnded();
    const std::vector<Finding>& Findings() const { return Out; }

  private:
    bool PlainBlock(const interp::MachineState& s); // no block mark of Text in the block
    // Shows the block to the findings that watch it (`watch` by Watch).
    void Look(const interp::MachineState& s, const bool (&watch)[Watches]);
    // Under the ISO control the dialects' block findings do not apply: the control's own notes
    // (what it does not read) are the findings.
    void IsoBlock(const interp::MachineState& s);
    size_t IsoNotesSeen = 0;

    std::vector<Finding> Out;
    ProgramText& Text;
    LineOfBlock LineOf;
    RunMemory Memory;
    BlockWords Words;
    bool Started = false;
    bool InComment = false; // comment state after the previous block
    double Mode = 0;        // GMode after the previous block
    double PrevX = 0, PrevZ = 0;
    float PrevTime = 0;
};

// Text and run findings together, in line order (text findings first on a shared line).
std::vector<Finding> Merge(std::vector<Finding> text, const std::vector<Finding>& run);

} // namespace advice
