#include "editor/PlainTextPane.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace editor {

namespace {

// The format property that holds the file's character behind a glyph.
constexpr int OriginalProperty = QTextFormat::UserProperty + 0x2029;
// The format property of a line break that stood for a lone LF or CR in the file.
constexpr int LineEndProperty = QTextFormat::UserProperty + 0x0A0D;
// The format property of a mark that stands for the rest of a long line.
constexpr int ElisionProperty = QTextFormat::UserProperty + 0x2026;

// The format of the document's character at `at`, a position of `block`.
QTextCharFormat FormatAt(const QTextBlock& block, int at) {
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().contains(at)) return it.fragment().charFormat();
    return {};
}

bool IsGlyph(char16_t c) {
    return c == 0x00B6 || c == 0x21B5 || c == 0xFFFD;
}

// Highest cursor position of the pane (the document's characterCount counts a final separator).
int EndPosition(const QPlainTextEdit* pane) {
    return std::max(0, pane->document()->characterCount() - 1);
}

} // namespace

bool TakenByThePane(char16_t c) {
    return c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

char16_t PaneGlyph(char16_t original) {
    switch (original) {
    case 0x2029:
        return 0x00B6; // pilcrow
    case 0x2028:
        return 0x21B5; // downwards arrow with corner leftwards
    default:
        return 0xFFFD; // the frame marks: a replacement character
    }
}

QTextCharFormat GlyphFormat(char16_t original) {
    QTextCharFormat f;
    f.setProperty(OriginalProperty, int(original));
    f.setBackground(QColor(0xD8, 0xD8, 0xD8));
    f.setForeground(QColor(0x80, 0x00, 0x80));
    f.setToolTip(QStringLiteral("U+%1").arg(int(original), 4, 16, QChar(u'0')).toUpper());
    return f;
}

QTextCharFormat LineEndFormat(LineEnd end) {
    QTextCharFormat f;
    if (end != LineEnd::CrLf) f.setProperty(LineEndProperty, int(end));
    return f;
}

LineEnd LineEndReader::Of(const QTextBlock& line) {
    const QTextBlock next = line.next();
    const int index = next.charFormatIndex();
    if (index < 0) return LineEnd::CrLf;
    if (size_t(index) >= ByFormat.size()) ByFormat.resize(size_t(index) + 1, -1);
    signed char& known = ByFormat[size_t(index)];
    if (known < 0) {
        const int e = next.charFormat().intProperty(LineEndProperty);
        known =
            static_cast<signed char>(e == int(LineEnd::Lf) || e == int(LineEnd::Cr) ? e : int(LineEnd::CrLf));
    }
    return LineEnd(known);
}

QTextCharFormat ElisionFormat(int rest) {
    QTextCharFormat f;
    f.setProperty(ElisionProperty, rest);
    f.setBackground(QColor(0xD8, 0xD8, 0xD8));
    f.setForeground(QColor(0x00, 0x40, 0x80));
    f.setToolTip(QStringLiteral("The rest of this long line is not shown; it stays in the program."));
    return f;
}

std::vector<std::pair<int, int>> ElisionsIn(const QTextDocument& doc, const QString& raw, int from) {
    std::vector<std::pair<int, int>> out;
    for (qsizetype i = raw.indexOf(QChar(kElisionMark)); i >= 0;
         i = raw.indexOf(QChar(kElisionMark), i + 1)) {
        const int at = from + int(i);
        const QVariant v = FormatAt(doc.findBlock(at), at).property(ElisionProperty);
        if (v.isValid()) out.emplace_back(int(i), v.toInt());
    }
    return out;
}

namespace {
QUrl RestName(int rest) {
    return QUrl(QStringLiteral("rest/%1").arg(rest));
}
} // namespace

void KeepRest(QTextDocument& doc, int rest, const QString& text) {
    doc.addResource(QTextDocument::UserResource, RestName(rest), text);
}

QString RestOf(const QTextDocument& doc, int rest) {
    return doc.resource(QTextDocument::UserResource, RestName(rest)).toString();
}

std::vector<std::pair<int, char16_t>> OriginalsBehindGlyphs(const QTextDocument& doc, const QString& raw,
                                                            int from) {
    std::vector<std::pair<int, char16_t>> out;
    const char16_t* p = reinterpret_cast<const char16_t*>(raw.utf16());
    const int n = int(raw.size());
    for (int i = 0; i < n; ++i) {
        if (!IsGlyph(p[i])) continue;
        const QTextBlock b = doc.findBlock(from + i);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.contains(from + i)) continue;
            const QVariant v = f.charFormat().property(OriginalProperty);
            // A format inherited by other text means nothing: only the glyph of its character counts.
            if (v.isValid() && TakenByThePane(char16_t(v.toInt())) && PaneGlyph(char16_t(v.toInt())) == p[i])
                out.emplace_back(i, char16_t(v.toInt()));
            break;
        }
    }
    return out;
}

QString PaneText(const QTextDocument& doc) {
    QString raw = doc.toRawText();
    const auto originals = OriginalsBehindGlyphs(doc, raw);
    raw.replace(QChar::ParagraphSeparator, u'\n');
    for (const auto& [at, c] : originals)
        raw[at] = QChar(c);
    return raw;
}

void KeepTypingPlain(QPlainTextEdit* pane) {
    auto plain = [pane] {
        // Only at a caret: with a selection the format would be applied to the selected text.
        // At the start of an empty line the caret takes the format of the break before it.
        const QTextCursor c = pane->textCursor();
        if (c.hasSelection()) return;
        const QTextCharFormat f = c.charFormat();
        if (f.hasProperty(OriginalProperty) || f.hasProperty(LineEndProperty) ||
            f.hasProperty(ElisionProperty))
            pane->setCurrentCharFormat(QTextCharFormat());
    };
    // The caret moves onto such a format, or an edit around a caret that stays leaves it there.
    QObject::connect(pane, &QPlainTextEdit::cursorPositionChanged, pane, plain);
    QObject::connect(pane->document(), &QTextDocument::contentsChanged, pane, plain);
}

QString SelectedPaneText(const QTextCursor& cursor) {
    QString text = cursor.selectedText();
    const auto originals = OriginalsBehindGlyphs(*cursor.document(), text, cursor.selectionStart());
    const auto marks = ElisionsIn(*cursor.document(), text, cursor.selectionStart());
    text.replace(QChar::ParagraphSeparator, u'\n');
    for (const auto& [at, c] : originals)
        text[at] = QChar(c);
    for (auto m = marks.rbegin(); m != marks.rend(); ++m) // from the last: the places before stay
        text.replace(m->first, 1, RestOf(*cursor.document(), m->second));
    return text;
}

void InsertPaneText(QTextCursor& cursor, const QString& text) {
    cursor.beginEditBlock();
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !TakenByThePane(text[i].unicode())) continue;
        if (i > from) cursor.insertText(text.mid(from, i - from), QTextCharFormat());
        if (i < text.size())
            cursor.insertText(QString(QChar(PaneGlyph(text[i].unicode()))), GlyphFormat(text[i].unicode()));
        from = i + 1;
    }
    cursor.endEditBlock();
}

QString PlainTextPane::Text() const {
    return PaneText(*Pane->document());
}

int PlainTextPane::SelStart() const {
    return Pane->textCursor().selectionStart();
}

void PlainTextPane::Select(int start, int length) {
    const int end = EndPosition(Pane);
    const int from = std::clamp(start, 0, end);
    QTextCursor cursor(Pane->document());
    cursor.setPosition(from);
    cursor.setPosition(std::clamp(from + length, from, end), QTextCursor::KeepAnchor);
    Pane->setTextCursor(cursor);
    Pane->ensureCursorVisible();
}

void PlainTextPane::ReplaceRange(int start, int length, const QString& with) {
    const int end = EndPosition(Pane);
    const int from = std::clamp(start, 0, end);
    QTextCursor cursor(Pane->document());
    cursor.setPosition(from);
    cursor.setPosition(std::clamp(from + length, from, end), QTextCursor::KeepAnchor);
    cursor.insertText(with, QTextCharFormat());
    Pane->setTextCursor(cursor);
}

void PlainTextPane::ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) {
    if (edits.empty()) return;
    QTextCursor cursor(Pane->document());
    cursor.beginEditBlock(); // one undo step for the whole command
    // From the last match backwards, so the positions of the earlier ones stay valid.
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        cursor.setPosition(it->Start);
        cursor.setPosition(it->Start + it->Length, QTextCursor::KeepAnchor);
        cursor.insertText(with, QTextCharFormat());
    }
    cursor.endEditBlock();
    const int grow = int(with.size()) - edits.back().Length;
    cursor.setPosition(edits.back().Start + int(edits.size() - 1) * grow + int(with.size()));
    Pane->setTextCursor(cursor);
    Pane->ensureCursorVisible();
}

} // namespace editor
