// Findings about the program text itself, looked for in the whole text whether or not a run
// reaches it. Lines are counted by CR LF pairs, as the control cuts blocks.

#include "advice/Rules.h"

namespace advice {

namespace {

inline bool IsLower(char16_t c) {
    return c >= u'a' && c <= u'z';
}

// Line of a position: 1 + the CR LF pairs before it. Counted on from the last question, since
// the findings of one pass come in text order.
class Lines {
  public:
    explicit Lines(std::u16string_view text) : Text(text) {}
    int64_t At(size_t pos) {
        for (; Pos < pos && Pos < Text.size(); ++Pos)
            if (Text[Pos] == u'\r' && Pos + 1 < Text.size() && Text[Pos + 1] == u'\n') ++Pairs;
        return Pairs + 1;
    }

  private:
    std::u16string_view Text;
    size_t Pos = 0;
    int64_t Pairs = 0;
};

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
        sink.Add(pairs + 1, "the last line has no line break after it and is never run: end it with CR LF");
        return;
    }
}

void LowerCaseAddress(const ProgramText& program, Sink& sink) {
    const std::u16string_view text = program.Text;
    Lines lines(text);
    int64_t reported = 0; // line of the last finding: once per line
    bool comment = false;
    for (size_t k : program.Marks) {
        const char16_t c = text[k];
        if (comment) {
            comment = c != u')';
            continue;
        }
        if (c == u'(') comment = true;
        if (!IsLower(c) || k + 1 >= text.size()) continue;
        const char16_t next = text[k + 1];
        if (!((next >= u'0' && next <= u'9') || next == u'+' || next == u'-' || next == u'.')) continue;
        const int64_t line = lines.At(k);
        if (line == reported) continue;
        reported = line;
        const auto letter = static_cast<char>(c);
        sink.Add(line, std::string("lower-case \"") + letter +
                           "\" is not an address: the control ignores the word; write \"" +
                           static_cast<char>(letter - 32) + "\"");
    }
}

void UnclosedComment(const ProgramText& program, Sink& sink) {
    const std::u16string_view text = program.Text;
    Lines lines(text);
    const auto report = [&](size_t open) {
        sink.Add(lines.At(open),
                 "this \"(\" is not closed on its line: everything up to the next \")\" is comment, "
                 "on the following lines too; close it with \")\"");
    };
    // The comment runs to the next ")", on later lines too; it is unclosed when a CR LF comes
    // first, or the text ends.
    size_t open = std::u16string_view::npos;
    for (size_t k : program.Marks) {
        const char16_t c = text[k];
        if (open == std::u16string_view::npos) {
            if (c == u'(') open = k;
        } else if (c == u')') {
            if (FindCrLf(text.substr(0, k), open + 1) != std::u16string_view::npos) report(open);
            open = std::u16string_view::npos;
        }
    }
    if (open != std::u16string_view::npos) report(open);
}

} // namespace advice
