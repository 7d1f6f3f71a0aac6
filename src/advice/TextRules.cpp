// SPDX-License-Identifier: GPL-3.0-or-later
// Findings about the program text itself, looked for in the whole text whether or not a run
// reaches it. Lines are counted by CR LF pairs, as the control cuts blocks.

#include "advice/Rules.h"

namespace advice {

namespace {

inline bool IsLower(char16_t c) {
    return c >= u'a' && c <= u'z';
}

size_t FindCrLf(std::u16string_view text, size_t from) {
    for (size_t k = from; k + 1 < text.size(); ++k)
        if (text[k] == u'\r' && text[k + 1] == u'\n') return k;
    return std::u16string_view::npos;
}

} // namespace

void NoCrLf(const ProgramText& program, Sink& sink) {
    const std::u16string_view text = program.Text;
    if (FindCrLf(text, 0) != std::u16string_view::npos) return;
    if (text.find_first_of(u"\r\n") == std::u16string_view::npos) return;
    sink.Add(1, "the text has line breaks but not one CR LF, so the control reads no block: save the "
                "program with CR LF line ends");
}

void UnterminatedLastLine(const ProgramText& program, Sink& sink) {
    const std::u16string_view text = program.Text;
    size_t last = std::u16string_view::npos; // CR of the last CR LF
    for (size_t k = text.size(); k >= 2; --k)
        if (text[k - 2] == u'\r' && text[k - 1] == u'\n') {
            last = k - 2;
            break;
        }
    // Without any CR LF but with other line breaks, no-crlf says it all.
    if (last == std::u16string_view::npos && text.find_first_of(u"\r\n") != std::u16string_view::npos) return;
    const size_t from = last == std::u16string_view::npos ? 0 : last + 2;
    for (size_t k = from; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'%' || c == u'\x1a') continue;
        int64_t pairs = 0;
        for (size_t j = 0; j + 1 < from; ++j)
            if (text[j] == u'\r' && text[j + 1] == u'\n') ++pairs;
        const int end = UnreadProgramEnd(text);
        if (end != 0) {
            // Said here only: the end of the run is this line's M30, which the control never reads.
            sink.Add(pairs + 1, std::string("the last line has no line break after it, so its ") +
                                    (end == 30 ? "M30" : "M02") +
                                    " is never read and the program has no end: end the line with CR LF");
        } else {
            sink.Add(pairs + 1,
                     "the last line has no line break after it and is never run: end it with CR LF");
        }
        return;
    }
}

void LowerCaseAddress(const ProgramText& program, Sink& sink) {
    const std::u16string_view text = program.Text;
    int64_t reported = 0; // line of the last finding: once per line
    bool comment = false;
    for (const ProgramText::Mark& m : program.Marks) {
        if (comment) {
            comment = m.Char != u')';
            continue;
        }
        if (m.Char == u'(') comment = true;
        if (!IsLower(m.Char) || m.Line == reported || m.Pos + 1 >= text.size()) continue;
        const char16_t next = text[m.Pos + 1];
        if (!((next >= u'0' && next <= u'9') || next == u'+' || next == u'-' || next == u'.')) continue;
        reported = m.Line;
        const auto letter = static_cast<char>(m.Char);
        sink.Add(m.Line, std::string("lower-case \"") + letter +
                             "\" is not an address: the control ignores the word; write \"" +
                             static_cast<char>(letter - 32) + "\"");
    }
}

void UnclosedComment(const ProgramText& program, Sink& sink) {
    // The comment runs to the next ")", on later lines too; it is unclosed when a CR LF comes
    // first, or the text ends.
    const ProgramText::Mark* open = nullptr;
    const auto report = [&] {
        sink.Add(open->Line,
                 "this \"(\" is not closed on its line: everything up to the next \")\" is comment, "
                 "on the following lines too; close it with \")\"");
    };
    for (const ProgramText::Mark& m : program.Marks) {
        if (!open) {
            if (m.Char == u'(') open = &m;
        } else if (m.Char == u')') {
            if (m.Line != open->Line) report();
            open = nullptr;
        }
    }
    if (open) report();
}

int UnreadProgramEnd(std::u16string_view text) {
    const size_t last = text.rfind(u"\r\n");
    const size_t from = last == std::u16string_view::npos ? 0 : last + 2;
    bool comment = false;
    for (size_t k = from; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (comment || c != u'M') {
            comment = c == u'(' || (comment && c != u')');
            continue;
        }
        // The M word's number as the control reads it: M30, M030, M2, M02.
        int value = 0;
        size_t j = k + 1;
        for (; j < text.size() && j < k + 6 && text[j] >= u'0' && text[j] <= u'9'; ++j)
            value = value * 10 + (text[j] - u'0');
        if (j > k + 1 && (value == 30 || value == 2)) return value;
    }
    return 0;
}

void MacroVariable(const ProgramText& program, Sink& sink) {
    // "#501=350.", "X#501", "X[#1+2.]": the control ends a value at "#" and skips the rest, so a
    // program of macro variables reads its words as 0. One finding for the whole program.
    const std::u16string_view text = program.Text;
    bool comment = false;
    const ProgramText::Mark* first = nullptr;
    int64_t count = 0;
    for (const ProgramText::Mark& m : program.Marks) {
        if (m.Char == u'(' || m.Char == u')') comment = m.Char == u'(';
        if (m.Char != u'#' || comment) continue;
        const char16_t next = m.Pos + 1 < text.size() ? text[m.Pos + 1] : u'\0';
        if (!((next >= u'0' && next <= u'9') || next == u'[')) continue;
        if (count++ == 0) first = &m;
    }
    if (count == 0) return;
    // The construct as written: from the address letter or line start before it up to a blank.
    const size_t at = first->Pos;
    size_t a = at;
    while (a > 0 && text[a - 1] != u' ' && text[a - 1] != u'\t' && text[a - 1] != u'\n' &&
           text[a - 1] != u'\r' && at - a < 12)
        --a;
    size_t b = at;
    while (b < text.size() && b - a < 24 && text[b] != u' ' && text[b] != u'\t' && text[b] != u'\r' &&
           text[b] != u'\n' && text[b] != u'(')
        ++b;
    std::string construct;
    for (size_t k = a; k < b; ++k)
        construct += text[k] < 128 ? static_cast<char>(text[k]) : '?';
    sink.Add(first->Line,
             "\"" + construct + "\" is a macro variable" +
                 (count > 1 ? " (" + std::to_string(count) + " in the program)" : std::string()) +
                 ": this control reads no macro variables or expressions; \"#\" ends a word, so X#501 "
                 "reads as X0 and #501=350. sets nothing; write the values as numbers");
}

} // namespace advice
