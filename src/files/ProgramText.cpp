#include "files/ProgramText.h"

#include "editor/PlainTextPane.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace files {

namespace {

// Line endings kept in each pane line's user state; any other state (a line the operator made)
// means CR LF. The last line never has one.
enum Ending : int { EndCrLf = 0, EndLf = 1, EndCr = 2 };

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
        if (removed || added) IsStale = true;
    });
}

namespace {

constexpr qsizetype kLoadPart = 1 << 20; // characters a part, about 50,000 lines of a program

// Puts the pane text into the document as setPlainText does (no undo, one block per LF), by
// parts that end at a line break.
void SetPaneText(QTextDocument& doc, const QString& paneText, const std::function<void(double)>& progress) {
    if (!progress || paneText.size() <= kLoadPart) {
        doc.setPlainText(paneText);
        return;
    }
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    QTextCursor c(&doc);
    for (qsizetype from = 0; from < paneText.size();) {
        qsizetype to = paneText.indexOf(u'\n', std::min(from + kLoadPart, paneText.size() - 1));
        to = to < 0 ? paneText.size() : to + 1;
        c.movePosition(QTextCursor::End);
        c.insertText(paneText.mid(from, to - from));
        from = to;
        progress(double(from) / double(paneText.size()));
    }
    doc.setUndoRedoEnabled(undo);
}

} // namespace

void ProgramText::Load(const QString& exact, const std::function<void(double)>& progress) {
    // The pane gets one LF per line break, and a glyph for each character its document would take
    // as structure; each line remembers which ending it had, each glyph which character.
    std::vector<int> endings;
    std::vector<std::pair<int, char16_t>> glyphs; // pane position, character of the file
    // The exact text is the file's text as it stands: the snapshot needs no rebuild from the pane.
    std::vector<int64_t> lineStarts{0};
    QString paneText;
    paneText.reserve(exact.size());
    const QChar* p = exact.constData();
    const QChar* end = p + exact.size();
    auto special = [](QChar c) { return c == u'\r' || c == u'\n' || editor::TakenByThePane(c.unicode()); };
    while (p < end) {
        const QChar* brk = std::find_if(p, end, special);
        paneText.append(p, brk - p);
        if (brk == end) break;
        if (editor::TakenByThePane(brk->unicode())) {
            glyphs.emplace_back(int(paneText.size()), brk->unicode());
            paneText += QChar(editor::PaneGlyph(brk->unicode()));
            p = brk + 1;
            continue;
        }
        if (*brk == u'\n') {
            endings.push_back(EndLf);
            p = brk + 1;
        } else if (brk + 1 < end && brk[1] == u'\n') {
            endings.push_back(EndCrLf);
            p = brk + 2;
        } else {
            endings.push_back(EndCr);
            p = brk + 1;
        }
        paneText += u'\n';
        lineStarts.push_back(p - exact.constData());
    }
    SetPaneText(*Doc, paneText, progress);
    paneText = QString(); // the document holds its own copy
    QTextBlock b = Doc->firstBlock();
    for (int e : endings) {
        if (!b.isValid()) break;
        b.setUserState(e);
        b = b.next();
    }
    if (!glyphs.empty()) {
        // Marking the glyphs is part of loading, not an edit the operator could undo.
        const bool undo = Doc->isUndoRedoEnabled();
        Doc->setUndoRedoEnabled(false);
        QTextCursor c(Doc);
        c.beginEditBlock();
        for (const auto& [at, original] : glyphs) {
            c.setPosition(at);
            c.setPosition(at + 1, QTextCursor::KeepAnchor);
            c.setCharFormat(editor::GlyphFormat(original));
        }
        c.endEditBlock();
        Doc->setUndoRedoEnabled(undo);
    }
    // After the document's own change signals, which mark the text stale.
    Text.assign(reinterpret_cast<const char16_t*>(exact.utf16()), size_t(exact.size()));
    LineStarts = std::move(lineStarts);
    IsStale = false;
}

void ProgramText::ConvertLineEndsToCrLf() {
    for (QTextBlock b = Doc->firstBlock(); b.isValid(); b = b.next())
        b.setUserState(EndCrLf);
    IsStale = true;
    Doc->setModified(true);
}

const std::u16string& ProgramText::Snapshot() {
    if (IsStale) Rebuild();
    return Text;
}

void ProgramText::Rebuild() {
    // One raw copy of the document (no-break spaces kept), then the separators replaced by the
    // endings each line remembers.
    const QString raw = Doc->toRawText();
    const auto originals = editor::OriginalsBehindGlyphs(*Doc, raw);
    auto original = originals.begin();
    Text.clear();
    Text.reserve(size_t(raw.size()) + size_t(Doc->blockCount()));
    LineStarts.clear();
    LineStarts.reserve(size_t(Doc->blockCount()));
    LineStarts.push_back(0);
    QTextBlock b = Doc->firstBlock();
    const char16_t* p = reinterpret_cast<const char16_t*>(raw.utf16());
    const char16_t* end = p + raw.size();
    while (p < end) {
        const char16_t* sep = std::find(p, end, kParagraph);
        const size_t lineAt = Text.size();
        const int rawAt = int(p - reinterpret_cast<const char16_t*>(raw.utf16()));
        Text.append(p, size_t(sep - p));
        for (; original != originals.end() && original->first < rawAt + int(sep - p); ++original)
            Text[lineAt + size_t(original->first - rawAt)] = original->second;
        if (sep == end) break;
        switch (b.userState()) {
        case EndLf:
            Text += u'\n';
            break;
        case EndCr:
            Text += u'\r';
            break;
        default:
            Text += u"\r\n";
            break;
        }
        LineStarts.push_back(int64_t(Text.size()));
        b = b.next();
        p = sep + 1;
    }
    IsStale = false;
}

int64_t ProgramText::ToTextOffset(int panePosition) {
    if (IsStale) Rebuild();
    const QTextBlock b = Doc->findBlock(std::max(0, panePosition));
    if (!b.isValid()) return int64_t(Text.size());
    const size_t line = size_t(b.blockNumber());
    if (line >= LineStarts.size()) return int64_t(Text.size());
    return LineStarts[line] + (panePosition - b.position());
}

int ProgramText::ToPanePosition(int64_t textOffset) {
    if (IsStale) Rebuild();
    textOffset = std::clamp<int64_t>(textOffset, 0, int64_t(Text.size()));
    auto it = std::upper_bound(LineStarts.begin(), LineStarts.end(), textOffset);
    const int line = int(it - LineStarts.begin()) - 1;
    const QTextBlock b = Doc->findBlockByNumber(line);
    if (!b.isValid()) return Doc->characterCount() - 1;
    const int64_t column = textOffset - LineStarts[size_t(line)];
    const int lineLength = b.length() - 1;
    // Inside a CR LF the CR is the end of the line and the LF the start of the next one.
    return b.position() + int(std::min<int64_t>(column, lineLength + 1));
}

} // namespace files
