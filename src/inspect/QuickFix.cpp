// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspect/QuickFix.h"

namespace inspect {

QuickFix FixFor(std::string_view code) {
    if (code == "no-crlf") return QuickFix::LineEndsCrLf;
    if (code == "unterminated-last-line") return QuickFix::LineBreakAtEnd;
    if (code == "lower-case-address") return QuickFix::UpperCase;
    if (code == "no-program-end") return QuickFix::AddProgramEnd;
    return QuickFix::None;
}

const char* FixCaption(QuickFix fix) {
    switch (fix) {
    case QuickFix::LineEndsCrLf:
        return "Convert line ends to CR LF";
    case QuickFix::LineBreakAtEnd:
        return "Add the line break after the last line";
    case QuickFix::UpperCase:
        return "Upper case outside comments";
    case QuickFix::AddProgramEnd:
        return "Add M30 at the end";
    case QuickFix::None:
        break;
    }
    return "";
}

std::vector<TextEdit> UpperCaseEdits(std::u16string_view text) {
    std::vector<TextEdit> edits;
    bool comment = false;
    for (size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (comment) {
            comment = c != u')';
        } else if (c == u'(') {
            comment = true;
        } else if (c >= u'a' && c <= u'z') {
            TextEdit e{k, 0, {}};
            for (; k < text.size() && text[k] >= u'a' && text[k] <= u'z'; ++k)
                e.Text += static_cast<char16_t>(text[k] - (u'a' - u'A'));
            e.Length = e.Text.size();
            edits.push_back(std::move(e));
            --k; // the character after the run is looked at again
        }
    }
    return edits;
}

TextEdit LineBreakEdit(std::u16string_view text) {
    return {text.size(), 0, u"\r\n"};
}

TextEdit ProgramEndEdit(std::u16string_view text) {
    // The closing lines of nothing but "%" and blanks, when they hold a "%".
    size_t start = text.size(); // where those lines begin
    bool percent = false;
    for (size_t k = text.size(); k > 0; --k) {
        const char16_t c = text[k - 1];
        if (c == u'%') percent = true;
        if (c == u'\n' && k >= 2 && text[k - 2] == u'\r') {
            start = k;
            if (percent) break;
            continue;
        }
        if (c != u'%' && c != u' ' && c != u'\t' && c != u'\x1a' && c != u'\r' && c != u'\n') break;
    }
    if (percent && start < text.size()) return {start, 0, u"M30\r\n"};
    const bool ended = text.empty() || text.ends_with(u"\r\n");
    return {text.size(), 0, ended ? u"M30\r\n" : u"\r\nM30\r\n"};
}

} // namespace inspect
