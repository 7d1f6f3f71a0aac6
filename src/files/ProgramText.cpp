// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ProgramText.h"

#include <algorithm>
#include <utility>

namespace files {

namespace {

bool IsBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

struct Break {
    int64_t End; // where the next line starts
    bool CrLf;
};

// The line breaks of `s`, a CR LF one break as the control reads it, but for the CRs at `split`
// (sorted offsets), each a break of its own.
std::vector<Break> BreaksOf(std::u16string_view s, const std::vector<int32_t>& split) {
    std::vector<Break> breaks;
    auto nextSplit = split.begin();
    const char16_t* begin = s.data();
    const char16_t* end = begin + s.size();
    for (const char16_t* p = begin; p < end;) {
        const char16_t* brk = std::find_if(p, end, IsBreak);
        if (brk == end) break;
        while (nextSplit != split.end() && *nextSplit < brk - begin)
            ++nextSplit;
        const bool alone = nextSplit != split.end() && *nextSplit == brk - begin;
        const bool crLf = !alone && *brk == u'\r' && brk + 1 < end && brk[1] == u'\n';
        p = brk + (crLf ? 2 : 1);
        breaks.push_back({p - begin, crLf});
    }
    return breaks;
}

// The pane positions `s` takes: each break one, `split` CR LFs two.
int PaneLengthOf(std::u16string_view s, size_t split = 0) {
    int64_t n = int64_t(s.size()) + int64_t(split);
    for (size_t i = 0; i + 1 < s.size(); ++i)
        if (s[i] == u'\r' && s[i + 1] == u'\n') --n;
    return int(n);
}

bool HasBreak(std::u16string_view s) {
    return std::find_if(s.begin(), s.end(), IsBreak) != s.end();
}

// Each lone LF or CR of `s` (the CRs at `split` included) as a CR LF.
std::u16string WithCrLf(std::u16string_view s, const std::vector<int32_t>& split = {}) {
    std::u16string out;
    out.reserve(s.size() + s.size() / 16);
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n' &&
            !std::binary_search(split.begin(), split.end(), int32_t(i))) {
            out += u"\r\n";
            ++i;
        } else if (IsBreak(c)) {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Text put in from the pane, appended to `out`: each CR LF, LF or CR a break as the operator
// types one, a CR LF.
void AppendTyped(const QString& with, std::u16string& out) {
    const char16_t* w = reinterpret_cast<const char16_t*>(with.utf16());
    for (qsizetype i = 0; i < with.size(); ++i) {
        if (w[i] == u'\r' && i + 1 < with.size() && w[i + 1] == u'\n') {
            out += u"\r\n";
            ++i;
        } else if (IsBreak(w[i])) {
            out += u"\r\n";
        } else {
            out += w[i];
        }
    }
}

std::u16string TypedText(const QString& with) {
    std::u16string out;
    out.reserve(size_t(with.size()));
    AppendTyped(with, out);
    return out;
}

} // namespace

bool ReadsNoBlock(const QString& exact) {
    return !exact.contains(u"\r\n") && (exact.contains(u'\n') || exact.contains(u'\r'));
}

bool LooksLikeUtf16(const QString& exact) {
    if (exact.startsWith(u"\u00FF\u00FE") || exact.startsWith(u"\u00FE\u00FF")) return true;
    if (exact.size() < 2) return false;
    const qsizetype zeros = exact.count(QChar(u'\0'));
    return zeros * 3 >= exact.size();
}

ProgramText::ProgramText(QObject* parent) : QObject(parent) {}

ProgramText::~ProgramText() = default;

void ProgramText::Load(const QString& exact) {
    const int oldLength = PaneLength();
    const bool before = Modified();
    // A new string: a check may still hold the one before.
    Held = std::make_shared<std::u16string>(reinterpret_cast<const char16_t*>(exact.utf16()),
                                            size_t(exact.size()));
    const std::u16string& text = *Held;
    const size_t guess = size_t(std::count(text.begin(), text.end(), u'\n')) + 1;
    Starts.clear();
    PaneStarts.clear();
    Starts.reserve(guess);
    PaneStarts.reserve(guess);
    Starts.push_back(0);
    PaneStarts.push_back(0);
    Longest = 0;
    // One pass: each break found gives the next line's offset and pane position.
    const char16_t* begin = text.data();
    const char16_t* end = begin + text.size();
    int64_t crLfs = 0; // breaks so far that take two characters and one pane position
    for (const char16_t* p = begin; p < end;) {
        const char16_t* brk = std::find_if(p, end, IsBreak);
        Longest = std::max(Longest, int(brk - p));
        if (brk == end) break;
        const bool crLf = *brk == u'\r' && brk + 1 < end && brk[1] == u'\n';
        p = brk + (crLf ? 2 : 1);
        crLfs += crLf;
        Starts.push_back(p - begin);
        PaneStarts.push_back(int32_t(p - begin - crLfs));
    }
    Steps.clear();
    Done = Clean = 0;
    StepOpen = false;
    ++Rev;
    emit Changed(0, oldLength, PaneLength());
    NoteModified(before);
}

QString ProgramText::SnapshotString() const {
    return QString(reinterpret_cast<const QChar*>(Held->data()), qsizetype(Held->size()));
}

int ProgramText::PaneLength() const {
    return PaneStarts.back() + int(int64_t(Held->size()) - Starts.back());
}

int ProgramText::LineAt(int panePosition) const {
    const int p = std::clamp(panePosition, 0, PaneLength());
    return int(std::upper_bound(PaneStarts.begin(), PaneStarts.end(), p) - PaneStarts.begin()) - 1;
}

int ProgramText::LineLength(int line) const {
    const size_t l = size_t(line);
    if (l + 1 < PaneStarts.size()) return PaneStarts[l + 1] - PaneStarts[l] - 1;
    return PaneLength() - PaneStarts[l];
}

std::u16string_view ProgramText::LineView(int line) const {
    return std::u16string_view(*Held).substr(size_t(Starts[size_t(line)]), size_t(LineLength(line)));
}

LineEnd ProgramText::EndOf(int line) const {
    const size_t l = size_t(line);
    if (l + 1 >= Starts.size()) return LineEnd::None;
    const int64_t brk = Starts[l] + LineLength(line);
    if (Starts[l + 1] - brk == 2) return LineEnd::CrLf;
    return (*Held)[size_t(brk)] == u'\n' ? LineEnd::Lf : LineEnd::Cr;
}

QString ProgramText::PaneRange(int from, int to) const {
    const int length = PaneLength();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    QString out;
    out.reserve(to - from);
    for (int line = LineAt(from); line < LineCount() && PaneStarts[size_t(line)] < to; ++line) {
        const int start = PaneStarts[size_t(line)];
        const int a = std::max(from, start) - start;
        const int b = std::min(to, start + LineLength(line)) - start;
        if (b > a) out.append(reinterpret_cast<const QChar*>(Held->data() + Starts[size_t(line)] + a), b - a);
        if (start + LineLength(line) < to && line + 1 < LineCount()) out += u'\n';
    }
    return out;
}

int64_t ProgramText::ToTextOffset(int panePosition) const {
    const int p = std::clamp(panePosition, 0, PaneLength());
    const size_t line = size_t(LineAt(p));
    return Starts[line] + (p - PaneStarts[line]);
}

int ProgramText::ToPanePosition(int64_t textOffset) const {
    textOffset = std::clamp<int64_t>(textOffset, 0, int64_t(Held->size()));
    const size_t line =
        size_t(std::upper_bound(Starts.begin(), Starts.end(), textOffset) - Starts.begin()) - 1;
    // Inside a CR LF the CR is the end of the line and the LF the start of the next one.
    const int64_t column = std::min<int64_t>(textOffset - Starts[line], LineLength(int(line)) + 1);
    return PaneStarts[line] + int(column);
}

std::u16string ProgramText::Apply(int from, int to, std::u16string_view with,
                                  const std::vector<int32_t>& withSplit, std::vector<int32_t>* split) {
    const int length = PaneLength();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    const size_t first = size_t(LineAt(from)), last = size_t(LineAt(to));
    const int64_t x0 = ToTextOffset(from), x1 = ToTextOffset(to);
    std::u16string removed;
    Take(x0, x1, first, last, removed, split);

    // 1. The text: in place unless another thread holds it.
    if (Held.use_count() > 1) {
        auto fresh = std::make_shared<std::u16string>();
        fresh->reserve(Held->size() - removed.size() + with.size());
        fresh->append(*Held, 0, size_t(x0));
        fresh->append(with);
        fresh->append(*Held, size_t(x1));
        Held = std::move(fresh);
    } else {
        Held->replace(size_t(x0), size_t(x1 - x0), with);
    }

    // 2. The lines: those the edit removed make way for those it put in; the rest move by
    // the difference.
    const std::vector<Break> breaks = BreaksOf(with, withSplit);
    const int added = PaneLengthOf(with, withSplit.size());
    const int64_t textShift = int64_t(with.size()) - (x1 - x0);
    const int paneShift = added - (to - from);
    const auto at = std::ptrdiff_t(first + 1);
    Starts.erase(Starts.begin() + at, Starts.begin() + std::ptrdiff_t(last + 1));
    PaneStarts.erase(PaneStarts.begin() + at, PaneStarts.begin() + std::ptrdiff_t(last + 1));
    std::vector<int64_t> textEnds;
    std::vector<int32_t> paneEnds;
    textEnds.reserve(breaks.size());
    paneEnds.reserve(breaks.size());
    int64_t crLfs = 0;
    for (const Break& b : breaks) {
        crLfs += b.CrLf;
        textEnds.push_back(x0 + b.End);
        paneEnds.push_back(int32_t(from + b.End - crLfs));
    }
    Starts.insert(Starts.begin() + at, textEnds.begin(), textEnds.end());
    PaneStarts.insert(PaneStarts.begin() + at, paneEnds.begin(), paneEnds.end());
    const size_t moved = first + 1 + breaks.size();
    for (size_t i = moved; i < Starts.size(); ++i) {
        Starts[i] += textShift;
        PaneStarts[i] += paneShift;
    }
    for (size_t l = first; l < moved; ++l)
        Longest = std::max(Longest, LineLength(int(l)));

    ++Rev;
    emit Changed(from, to - from, added);
    return removed;
}

void ProgramText::Take(int64_t x0, int64_t x1, size_t first, size_t last, std::u16string& into,
                       std::vector<int32_t>* split) const {
    // A lone CR right before a lone LF: the edit that undoes this one must put back two breaks.
    const int64_t base = int64_t(into.size());
    for (size_t l = first; split && l < last; ++l) {
        const int64_t brk = Starts[l] + LineLength(int(l));
        if (Starts[l + 1] - brk == 1 && (*Held)[size_t(brk)] == u'\r' && Starts[l + 1] < x1 &&
            (*Held)[size_t(Starts[l + 1])] == u'\n')
            split->push_back(int32_t(base + brk - x0));
    }
    into.append(*Held, size_t(x0), size_t(x1 - x0));
}

void ProgramText::ApplyEach(std::vector<Piece>& pieces, std::u16string* removed,
                            std::vector<int32_t>* split) {
    if (pieces.empty()) return;
    if (pieces.size() == 1) {
        Piece& p = pieces.front();
        std::vector<int32_t> taken;
        const std::u16string was = Apply(p.From, p.To, p.With, p.WithSplit, removed ? &taken : nullptr);
        p.Removed = int32_t(was.size());
        if (removed) {
            for (const int32_t at : taken)
                split->push_back(int32_t(removed->size()) + at);
            removed->append(was);
        }
        return;
    }
    // A new text and a new index, each built in one pass: the text between the ranges and the
    // lines between them are copied, moved by what the ranges before them changed.
    const int oldLength = PaneLength();
    const std::u16string& old = *Held;
    auto fresh = std::make_shared<std::u16string>();
    fresh->reserve(old.size() + old.size() / 8);
    std::vector<int64_t> starts;
    std::vector<int32_t> paneStarts;
    starts.reserve(Starts.size());
    paneStarts.reserve(PaneStarts.size());
    int64_t copied = 0;  // of the old text
    size_t nextLine = 0; // the first old line whose start is not copied yet
    int64_t textShift = 0;
    int paneShift = 0;
    for (Piece& p : pieces) {
        const size_t first = size_t(LineAt(p.From)), last = size_t(LineAt(p.To));
        const int64_t x0 = ToTextOffset(p.From), x1 = ToTextOffset(p.To);
        p.Removed = int32_t(x1 - x0);
        if (removed) Take(x0, x1, first, last, *removed, split);
        for (; nextLine <= first && nextLine < Starts.size(); ++nextLine) {
            starts.push_back(Starts[nextLine] + textShift);
            paneStarts.push_back(PaneStarts[nextLine] + paneShift);
        }
        nextLine = std::max(nextLine, last + 1);
        fresh->append(old, size_t(copied), size_t(x0 - copied));
        const int64_t base = int64_t(fresh->size());
        const int paneBase = p.From + paneShift;
        const std::vector<int32_t>& withSplit = p.WithSplit;
        int64_t crLfs = 0;
        for (const Break& b : BreaksOf(p.With, withSplit)) {
            crLfs += b.CrLf;
            starts.push_back(base + b.End);
            paneStarts.push_back(int32_t(paneBase + b.End - crLfs));
        }
        fresh->append(p.With);
        copied = x1;
        textShift += int64_t(p.With.size()) - (x1 - x0);
        paneShift += PaneLengthOf(p.With, withSplit.size()) - (p.To - p.From);
    }
    fresh->append(old, size_t(copied));
    for (; nextLine < Starts.size(); ++nextLine) {
        starts.push_back(Starts[nextLine] + textShift);
        paneStarts.push_back(PaneStarts[nextLine] + paneShift);
    }
    Held = std::move(fresh);
    Starts = std::move(starts);
    PaneStarts = std::move(paneStarts);
    for (int l = 0; l < LineCount(); ++l)
        Longest = std::max(Longest, LineLength(l));

    const int from = pieces.front().From;
    const int unchangedTail = oldLength - pieces.back().To;
    ++Rev;
    emit Changed(from, pieces.back().To - from, PaneLength() - unchangedTail - from);
}

void ProgramText::ReplaceEach(const std::vector<Change>& changes) {
    if (changes.empty()) return;
    Step step;
    step.Spans.resize(changes.size());
    for (size_t i = 0; i < changes.size(); ++i) {
        const size_t before = step.InsertedAll.size();
        AppendTyped(changes[i].With, step.InsertedAll);
        step.Spans[i].Inserted = int32_t(step.InsertedAll.size() - before);
    }
    std::vector<Piece> pieces(changes.size());
    const int length = PaneLength();
    int floor = 0;       // each range starts where the one before ended, or later
    size_t inserted = 0; // of InsertedAll
    for (size_t i = 0; i < changes.size(); ++i) {
        pieces[i].From = std::clamp(changes[i].From, floor, length);
        pieces[i].To = std::clamp(changes[i].To, pieces[i].From, length);
        pieces[i].With =
            std::u16string_view(step.InsertedAll).substr(inserted, size_t(step.Spans[i].Inserted));
        inserted += size_t(step.Spans[i].Inserted);
        floor = pieces[i].To;
    }
    ApplyEach(pieces, &step.RemovedAll, &step.SplitAll);
    // Each span where its text stands now: the undo makes them all again in one pass.
    int shift = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        step.Spans[i].At = pieces[i].From + shift;
        step.Spans[i].Removed = pieces[i].Removed;
        shift += PaneLengthOf(pieces[i].With) - (pieces[i].To - pieces[i].From);
    }
    RecordTogether(std::move(step));
}

std::vector<ProgramText::Piece> ProgramText::PiecesToUndo(const Step& step) const {
    std::vector<Piece> pieces(step.Spans.size());
    size_t removed = 0, inserted = 0;
    auto split = step.SplitAll.begin();
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Step::Span& s = step.Spans[i];
        Piece& p = pieces[i];
        p.From = s.At;
        p.To =
            s.At + PaneLengthOf(std::u16string_view(step.InsertedAll).substr(inserted, size_t(s.Inserted)));
        p.With = std::u16string_view(step.RemovedAll).substr(removed, size_t(s.Removed));
        for (; split != step.SplitAll.end() && size_t(*split) < removed + size_t(s.Removed); ++split)
            p.WithSplit.push_back(int32_t(size_t(*split) - removed));
        removed += size_t(s.Removed);
        inserted += size_t(s.Inserted);
    }
    return pieces;
}

std::vector<ProgramText::Piece> ProgramText::PiecesToRedo(const Step& step) const {
    // Where each span's removed text stands before the step: behind the earlier ones' shifts.
    const std::vector<Piece> undo = PiecesToUndo(step);
    std::vector<Piece> pieces(undo.size());
    int shift = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const int removed = PaneLengthOf(undo[i].With, undo[i].WithSplit.size());
        const int inserted = undo[i].To - undo[i].From;
        pieces[i].From = step.Spans[i].At - shift;
        pieces[i].To = pieces[i].From + removed;
        shift += inserted - removed;
    }
    size_t inserted = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        pieces[i].With =
            std::u16string_view(step.InsertedAll).substr(inserted, size_t(step.Spans[i].Inserted));
        inserted += size_t(step.Spans[i].Inserted);
    }
    return pieces;
}

int ProgramText::Replace(int from, int to, const QString& with, Typing typing) {
    const int length = PaneLength();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, 0, length);
    if (to < from) std::swap(from, to);
    std::u16string inserted = TypedText(with);
    if (from == to && inserted.empty()) return from;
    Edit edit;
    edit.At = from;
    edit.Removed = Apply(from, to, inserted, {}, &edit.Split);
    edit.Inserted = std::move(inserted);
    const int end = from + PaneLengthOf(edit.Inserted);
    Record(std::move(edit), typing);
    return end;
}

void ProgramText::DropRedo() {
    if (Done >= Steps.size()) return;
    Steps.resize(Done);
    if (Clean != SIZE_MAX && Clean > Done) Clean = SIZE_MAX; // the saved text is gone from the undo
}

void ProgramText::RecordTogether(Step step) {
    const bool before = Modified();
    DropRedo();
    Steps.push_back(std::move(step));
    ++Done;
    StepOpen = false; // a step of its own, also inside BeginStep
    NoteModified(before);
}

void ProgramText::Record(Edit edit, Typing typing) {
    const bool before = Modified();
    const bool redoPending = Done < Steps.size();
    DropRedo();
    if (Nesting > 0) {
        if (StepOpen) {
            Steps.back().Edits.push_back(std::move(edit));
        } else {
            Steps.push_back(Step{{std::move(edit)}, Typing::No});
            ++Done;
            StepOpen = true;
        }
        NoteModified(before);
        return;
    }
    // Typing merges as in a plain text box: one run of characters, never across a break, a
    // save point or an undone step.
    bool merged = false;
    if (typing != Typing::No && !redoPending && Done > 0 && Done != Clean && Steps.back().Kind == typing &&
        Steps.back().Edits.size() == 1) {
        Edit& last = Steps.back().Edits.back();
        switch (typing) {
        case Typing::Insert:
            if (edit.Removed.empty() && edit.At == last.At + PaneLengthOf(last.Inserted) &&
                !HasBreak(edit.Inserted) && !HasBreak(last.Inserted)) {
                last.Inserted += edit.Inserted;
                merged = true;
            }
            break;
        case Typing::DeleteForward:
            if (edit.Inserted.empty() && last.Inserted.empty() && edit.At == last.At &&
                !HasBreak(edit.Removed) && !HasBreak(last.Removed)) {
                last.Removed += edit.Removed;
                merged = true;
            }
            break;
        case Typing::DeleteBack:
            if (edit.Inserted.empty() && last.Inserted.empty() &&
                edit.At + PaneLengthOf(edit.Removed) == last.At && !HasBreak(edit.Removed) &&
                !HasBreak(last.Removed)) {
                last.Removed.insert(0, edit.Removed);
                last.At = edit.At;
                merged = true;
            }
            break;
        case Typing::No:
            break;
        }
    }
    if (!merged) {
        Steps.push_back(Step{{std::move(edit)}, typing});
        ++Done;
    }
    NoteModified(before);
}

void ProgramText::BeginStep() {
    if (Nesting++ == 0) StepOpen = false;
}

void ProgramText::EndStep() {
    if (Nesting > 0 && --Nesting == 0) StepOpen = false;
}

int ProgramText::Undo() {
    if (Done == 0) return -1;
    const bool before = Modified();
    const Step& step = Steps[--Done];
    StepOpen = false;
    int caret = -1;
    if (step.Together()) {
        // Each span's text stands at its At: all put back in one pass.
        std::vector<Piece> pieces = PiecesToUndo(step);
        const Piece& first = pieces.front();
        caret = first.From + PaneLengthOf(first.With, first.WithSplit.size());
        ApplyEach(pieces, nullptr, nullptr);
    } else {
        for (auto e = step.Edits.rbegin(); e != step.Edits.rend(); ++e) {
            Apply(e->At, e->At + PaneLengthOf(e->Inserted), e->Removed, e->Split);
            caret = e->At + PaneLengthOf(e->Removed, e->Split.size());
        }
    }
    NoteModified(before);
    return caret;
}

int ProgramText::Redo() {
    if (Done >= Steps.size()) return -1;
    const bool before = Modified();
    const Step& step = Steps[Done++];
    StepOpen = false;
    int caret = -1;
    if (step.Together()) {
        std::vector<Piece> pieces = PiecesToRedo(step);
        caret = step.Spans.back().At + PaneLengthOf(pieces.back().With);
        ApplyEach(pieces, nullptr, nullptr);
    } else {
        for (const Edit& e : step.Edits) {
            Apply(e.At, e.At + PaneLengthOf(e.Removed, e.Split.size()), e.Inserted);
            caret = e.At + PaneLengthOf(e.Inserted);
        }
    }
    NoteModified(before);
    return caret;
}

void ProgramText::SetModified(bool modified) {
    const bool before = Modified();
    Clean = modified ? SIZE_MAX : Done;
    NoteModified(before);
}

void ProgramText::NoteModified(bool before) {
    if (Modified() != before) emit ModificationChanged(!before);
}

void ProgramText::ConvertLineEndsToCrLf() {
    // Line by line, so that each break keeps its line, whatever characters stand around it.
    auto fresh = std::make_shared<std::u16string>();
    fresh->reserve(Held->size() + Starts.size());
    for (size_t l = 0; l < Starts.size(); ++l) {
        const int64_t start = int64_t(fresh->size());
        fresh->append(LineView(int(l)));
        if (l + 1 < Starts.size()) fresh->append(u"\r\n");
        Starts[l] = start;
    }
    Held = std::move(fresh);
    // Pane positions stay as they are: the undo's steps still fit the text.
    for (Step& step : Steps) {
        for (Edit& e : step.Edits) {
            e.Removed = WithCrLf(e.Removed, e.Split);
            e.Split.clear();
            e.Inserted = WithCrLf(e.Inserted);
        }
        if (!step.Together()) continue;
        const std::vector<Piece> pieces = PiecesToUndo(step);
        std::u16string removed, inserted;
        size_t at = 0;
        for (size_t i = 0; i < pieces.size(); ++i) {
            Step::Span& span = step.Spans[i];
            const std::u16string r = WithCrLf(pieces[i].With, pieces[i].WithSplit);
            const std::u16string n =
                WithCrLf(std::u16string_view(step.InsertedAll).substr(at, size_t(span.Inserted)));
            at += size_t(span.Inserted);
            span.Removed = int32_t(r.size());
            span.Inserted = int32_t(n.size());
            removed += r;
            inserted += n;
        }
        step.RemovedAll = std::move(removed);
        step.InsertedAll = std::move(inserted);
        step.SplitAll.clear();
    }
    const int length = PaneLength();
    ++Rev;
    emit Changed(0, length, length);
    SetModified(true);
}

} // namespace files
