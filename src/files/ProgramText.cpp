#include "files/ProgramText.h"

#include "editor/PlainTextPane.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace files {

namespace {

using editor::LineEnd;

constexpr char16_t kParagraph = 0x2029; // the document's line separator in its raw text

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

ProgramText::ProgramText(QTextDocument* document) : QObject(document), Doc(document) {
    connect(Doc, &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if ((removed || added) && !OwnChange_) IsStale = true;
    });
}

// How far the pane's lines are in: the offset in the exact text up to which they are.
struct ProgramText::PendingFill {
    int64_t Filled = 0;
};

ProgramText::~ProgramText() = default;

void ProgramText::BeginLoad(const QString& exact, qsizetype firstPart) {
    // The exact text is the file's text as it stands: the snapshot needs no rebuild from the pane.
    // A new string: a check may still hold the one before.
    Held = std::make_shared<std::u16string>(reinterpret_cast<const char16_t*>(exact.utf16()),
                                            size_t(exact.size()));
    const std::u16string& Text = *Held;
    LineStarts.assign(1, 0);
    const char16_t* begin = Text.data();
    const char16_t* end = begin + Text.size();
    for (const char16_t* p = begin; p < end;) {
        const char16_t* brk = std::find_if(p, end, [](char16_t c) { return c == u'\r' || c == u'\n'; });
        if (brk == end) break;
        p = brk + (*brk == u'\r' && brk + 1 < end && brk[1] == u'\n' ? 2 : 1);
        LineStarts.push_back(p - begin);
    }
    IsStale = false;
    AllCrLf = false;
    RestCount = 0;
    Elisions.clear();
    OwnChange_ = true;
    const bool undo = Doc->isUndoRedoEnabled();
    Doc->setUndoRedoEnabled(false);
    Doc->clear();
    Doc->setUndoRedoEnabled(undo);
    OwnChange_ = false;
    Pending = std::make_unique<PendingFill>();
    if (firstPart < 0)
        FinishFill();
    else
        FillSome(firstPart);
}

double ProgramText::FilledShare() const {
    if (!Pending) return 1;
    return Held->empty() ? 1 : double(Pending->Filled) / double(Held->size());
}

void ProgramText::FillSome(qsizetype chars) {
    if (!Pending) return;
    // Parts end at a line's start, so that no line (nor a CR LF) is split between two of them.
    const int64_t want = Pending->Filled + std::max<qsizetype>(chars, 1);
    const auto next = std::lower_bound(LineStarts.begin(), LineStarts.end(), want);
    FillTo(next == LineStarts.end() ? int64_t(Held->size()) : *next);
}

void ProgramText::FinishFill() {
    if (Pending) FillTo(int64_t(Held->size()));
}

// The pane's form of a part of the text: one LF per line break, a glyph for each character the
// pane's document would take as structure, a long line cut before a mark. Each break that is no
// CR LF, each glyph and each mark is noted with its place in the part, to be given its format.
struct ProgramText::PanePart {
    QString Text;
    std::vector<std::pair<int, LineEnd>> Ends;    // position in the part, the file's line end
    std::vector<std::pair<int, char16_t>> Glyphs; // position in the part, character of the file
    std::vector<std::pair<int, int>> Marks;       // position in the part, number of the rest
};

ProgramText::PanePart ProgramText::FormOf(int64_t from, int64_t to) {
    PanePart out;
    QString& part = out.Text;
    part.reserve(qsizetype(to - from));
    auto& ends = out.Ends;
    auto& glyphs = out.Glyphs;
    auto& marks = out.Marks;
    auto shown = [&](const char16_t* p, const char16_t* end) {
        for (const char16_t* taken; (taken = std::find_if(p, end, editor::TakenByThePane)) != end;
             p = taken + 1) {
            part.append(reinterpret_cast<const QChar*>(p), taken - p);
            glyphs.emplace_back(int(part.size()), *taken);
            part += QChar(editor::PaneGlyph(*taken));
        }
        part.append(reinterpret_cast<const QChar*>(p), end - p);
    };
    const char16_t* p = Held->data() + from;
    const char16_t* end = Held->data() + to;
    size_t line =
        size_t(std::upper_bound(LineStarts.begin(), LineStarts.end(), from) - LineStarts.begin()) - 1;
    while (p < end) {
        const char16_t* brk = std::find_if(p, end, [](char16_t c) { return c == u'\r' || c == u'\n'; });
        if (brk - p > kLongLine) {
            // Laid out whole, such a line would hold the window for seconds at each keystroke.
            const char16_t* cut = p + kShownOfLongLine;
            if (QChar::isHighSurrogate(cut[-1])) --cut;
            shown(p, cut);
            marks.emplace_back(int(part.size()), RestCount);
            Elisions.push_back({line, int(cut - p), int64_t(brk - cut)});
            editor::KeepRest(*Doc, RestCount++, QString(reinterpret_cast<const QChar*>(cut), brk - cut));
            part += QChar(editor::kElisionMark);
        } else {
            shown(p, brk);
        }
        if (brk == end) break;
        if (*brk == u'\r' && brk + 1 < end && brk[1] == u'\n') {
            p = brk + 2;
        } else {
            ends.emplace_back(int(part.size()), *brk == u'\n' ? LineEnd::Lf : LineEnd::Cr);
            p = brk + 1;
        }
        part += u'\n';
        ++line;
    }
    return out;
}

void ProgramText::FillTo(int64_t to) {
    PendingFill& f = *Pending;
    const PanePart part = FormOf(f.Filled, to);
    f.Filled = to;

    // Filling is part of loading: nothing to undo, the text unchanged and not modified.
    OwnChange_ = true;
    const bool undo = Doc->isUndoRedoEnabled();
    const bool modified = Doc->isModified();
    Doc->setUndoRedoEnabled(false);
    QTextCursor c(Doc);
    c.movePosition(QTextCursor::End);
    // Where this part starts in the document, whatever was done to the lines before it.
    const int base = c.position();
    c.beginEditBlock(); // the pane lays the part out once
    qsizetype from = 0;
    for (const auto& [at, e] : part.Ends) {
        if (at > from) c.insertText(part.Text.mid(from, at - from), QTextCharFormat());
        c.insertBlock(QTextBlockFormat(), editor::LineEndFormat(e));
        from = at + 1;
    }
    if (from < part.Text.size()) c.insertText(from ? part.Text.mid(from) : part.Text, QTextCharFormat());
    auto mark = [&](int at, const QTextCharFormat& format) {
        c.setPosition(base + at);
        c.setPosition(base + at + 1, QTextCursor::KeepAnchor);
        c.setCharFormat(format);
    };
    for (const auto& [at, original] : part.Glyphs)
        mark(at, editor::GlyphFormat(original));
    for (const auto& [at, rest] : part.Marks)
        mark(at, editor::ElisionFormat(rest));
    c.endEditBlock();
    Doc->setUndoRedoEnabled(undo);
    Doc->setModified(modified);
    OwnChange_ = false;
    if (f.Filled >= int64_t(Held->size())) Pending.reset();
}

void ProgramText::ConvertLineEndsToCrLf() {
    // Whatever the breaks remember, an undo included, every one is now a CR LF.
    AllCrLf = true;
    IsStale = true;
    Doc->setModified(true);
}

const std::u16string& ProgramText::Snapshot() {
    if (IsStale) Rebuild();
    return *Held;
}

std::shared_ptr<const std::u16string> ProgramText::Shared() {
    if (IsStale) Rebuild();
    return Held;
}

void ProgramText::Rebuild() {
    FinishFill(); // the lines still to come are part of the text
    // One raw copy of the document (no-break spaces kept), then the separators replaced by the
    // endings each line remembers.
    const QString raw = Doc->toRawText();
    const auto originals = editor::OriginalsBehindGlyphs(*Doc, raw);
    const auto marks = editor::ElisionsIn(*Doc, raw);
    auto original = originals.begin();
    auto mark = marks.begin();
    // Rebuilt in place only when no check holds the text; else into a new string, and the old one
    // is kept when the edits left the text as it was (a check of it stays current).
    const bool shared = Held.use_count() > 1;
    std::shared_ptr<std::u16string> built = shared ? std::make_shared<std::u16string>() : Held;
    std::u16string& Text = *built;
    Text.clear();
    Text.reserve(size_t(raw.size()) + size_t(Doc->blockCount()));
    LineStarts.clear();
    LineStarts.reserve(size_t(Doc->blockCount()));
    LineStarts.push_back(0);
    Elisions.clear();
    QTextBlock b = Doc->firstBlock();
    editor::LineEndReader ends;
    const char16_t* all = reinterpret_cast<const char16_t*>(raw.utf16());
    const char16_t* p = all;
    const char16_t* end = p + raw.size();
    while (p < end) {
        const char16_t* sep = std::find(p, end, kParagraph);
        const int lineAt = int(p - all), lineEnd = int(sep - all);
        // The line as it stands, but the file's characters behind the glyphs and the rests
        // behind the marks.
        int copied = lineAt;
        while (true) {
            const bool g = original != originals.end() && original->first < lineEnd;
            const bool m = mark != marks.end() && mark->first < lineEnd;
            if (!g && !m) break;
            const int at = g && (!m || original->first < mark->first) ? original->first : mark->first;
            Text.append(all + copied, size_t(at - copied));
            if (g && original->first == at) {
                Text += (original++)->second;
            } else {
                const QString rest = editor::RestOf(*Doc, mark->second);
                Elisions.push_back({LineStarts.size() - 1, at - lineAt, int64_t(rest.size())});
                Text.append(reinterpret_cast<const char16_t*>(rest.utf16()), size_t(rest.size()));
                ++mark;
            }
            copied = at + 1;
        }
        Text.append(all + copied, size_t(lineEnd - copied));
        if (sep == end) break;
        switch (AllCrLf ? LineEnd::CrLf : ends.Of(b)) {
        case LineEnd::Lf:
            Text += u'\n';
            break;
        case LineEnd::Cr:
            Text += u'\r';
            break;
        case LineEnd::CrLf:
            Text += u"\r\n";
            break;
        }
        LineStarts.push_back(int64_t(Text.size()));
        b = b.next();
        p = sep + 1;
    }
    if (shared && Text != *Held) Held = std::move(built);
    IsStale = false;
}

int64_t ProgramText::TextColumn(size_t line, int paneColumn) const {
    int64_t column = paneColumn;
    auto e = std::lower_bound(Elisions.begin(), Elisions.end(), line,
                              [](const Elision& x, size_t l) { return x.Line < l; });
    for (; e != Elisions.end() && e->Line == line && e->Column < paneColumn; ++e)
        column += e->Length - 1;
    return column;
}

int64_t ProgramText::PaneColumn(size_t line, int64_t textColumn) const {
    int64_t shift = 0; // characters of the rests before the column, less their marks
    auto e = std::lower_bound(Elisions.begin(), Elisions.end(), line,
                              [](const Elision& x, size_t l) { return x.Line < l; });
    for (; e != Elisions.end() && e->Line == line; ++e) {
        const int64_t at = e->Column + shift; // where the rest starts in the text
        if (textColumn < at) break;
        if (textColumn < at + e->Length) return e->Column; // inside the rest: its mark
        shift += e->Length - 1;
    }
    return textColumn - shift;
}

int64_t ProgramText::ToTextOffset(int panePosition) {
    if (IsStale) Rebuild();
    const QTextBlock b = Doc->findBlock(std::max(0, panePosition));
    if (!b.isValid()) return int64_t(Held->size());
    const size_t line = size_t(b.blockNumber());
    if (line >= LineStarts.size()) return int64_t(Held->size());
    return LineStarts[line] + TextColumn(line, panePosition - b.position());
}

int ProgramText::ToPanePosition(int64_t textOffset) {
    if (IsStale) Rebuild();
    textOffset = std::clamp<int64_t>(textOffset, 0, int64_t(Held->size()));
    auto it = std::upper_bound(LineStarts.begin(), LineStarts.end(), textOffset);
    const int line = int(it - LineStarts.begin()) - 1;
    // A line not in the pane yet: the rest comes in first.
    if (Pending && line + 1 >= Doc->blockCount()) FinishFill();
    const QTextBlock b = Doc->findBlockByNumber(line);
    if (!b.isValid()) return Doc->characterCount() - 1;
    const int64_t column = PaneColumn(size_t(line), textOffset - LineStarts[size_t(line)]);
    const int lineLength = b.length() - 1;
    // Inside a CR LF the CR is the end of the line and the LF the start of the next one.
    return b.position() + int(std::min<int64_t>(column, lineLength + 1));
}

} // namespace files
