// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence (N) and program (O) numbers of the text, for the P-Q contours, G70 and M98/M99,
// and the subprogram files beside the program: the text a block is read from is the program's
// own, or that of the file whose blocks run (IsoState::File).

#include "base/Alarms.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "iso/IsoControl.h"
#include "iso/IsoInternal.h"

#include <algorithm>

namespace iso {

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The number after the letter at `k` (digits only), or -1.
double DigitsAt(std::u16string_view t, size_t k) {
    double n = 0;
    bool any = false;
    for (; k < t.size() && IsDigit(t[k]); ++k) {
        n = n * 10 + (t[k] - u'0');
        any = true;
    }
    return any ? n : -1;
}

// Every block's leading N or O number in `t`, with the NextBlockPos that reads the block.
void Index(std::u16string_view t, std::vector<Label>& sequences, std::vector<Label>& programs) {
    size_t line = 0;
    while (line < t.size()) {
        size_t k = line;
        while (k < t.size() && (t[k] == u' ' || t[k] == u'\t' || t[k] == u'\n' || t[k] == u'/'))
            ++k;
        const int64_t pos = static_cast<int64_t>(line) + 1; // 1-based, as NextBlockPos counts
        if (k < t.size()) {
            const char16_t c = t[k];
            if (c == u'N' || c == u'n') {
                const double n = DigitsAt(t, k + 1);
                if (n >= 0) sequences.push_back({n, pos});
            } else if (c == u'O' || c == u'o' || c == u':') {
                const double n = DigitsAt(t, k + 1);
                if (n >= 0) programs.push_back({n, pos});
            }
        }
        const size_t crlf = t.find(u"\r\n", line);
        if (crlf == std::u16string_view::npos) break;
        line = crlf + 1; // the LF begins the next block, as the block reader takes it
    }
}

// The labels of the text a block is read from now.
void LabelsOf(Machine& m, int32_t file, const std::vector<Label>*& sequences,
              const std::vector<Label>*& programs) {
    IsoState& iso = m.S.Iso;
    if (file < 0) {
        if (!iso.Indexed) {
            iso.Indexed = true;
            Index(m.Ui.ProgramText(), iso.Sequences, iso.Programs);
        }
        sequences = &iso.Sequences, programs = &iso.Programs;
        return;
    }
    SubprogramSource& f = iso.Files[static_cast<size_t>(file)];
    if (!f.Indexed) {
        f.Indexed = true;
        Index(f.Text, f.Sequences, f.Programs);
    }
    sequences = &f.Sequences, programs = &f.Programs;
}

int64_t ProgramIn(Machine& m, int32_t file, double n) {
    const std::vector<Label>*sequences, *programs;
    LabelsOf(m, file, sequences, programs);
    for (const Label& l : *programs)
        if (l.Number == n) return l.Pos;
    return 0;
}

std::string Number(double v) {
    return legacy::Str15(v);
}

} // namespace

std::u16string_view CurrentText(Machine& m) {
    IsoState& iso = m.S.Iso;
    if (iso.File < 0) return m.Ui.ProgramText();
    return iso.Files[static_cast<size_t>(iso.File)].Text;
}

int64_t FindSequence(Machine& m, double n) {
    const std::vector<Label>*sequences, *programs;
    LabelsOf(m, m.S.Iso.File, sequences, programs);
    int64_t first = 0;
    for (const Label& l : *sequences) {
        if (l.Number != n) continue;
        if (l.Pos > m.S.Iso.BlockEnd) return l.Pos;
        if (first == 0) first = l.Pos;
    }
    return first;
}

int64_t FindProgram(Machine& m, double n) {
    return ProgramIn(m, m.S.Iso.File, n);
}

bool FindSubprogram(Machine& m, double n, int32_t& file, int64_t& pos) {
    IsoState& iso = m.S.Iso;
    // 1. The text running, the program itself, the files read so far.
    for (int32_t f = iso.File; f >= -1; f = f >= 0 ? -1 : -2)
        if ((pos = ProgramIn(m, f, n)) != 0) return file = f, true;
    for (int32_t f = 0; f < static_cast<int32_t>(iso.Files.size()); ++f) {
        if ((pos = ProgramIn(m, f, n)) != 0) return file = f, true;
        if (iso.Files[static_cast<size_t>(f)].Number == n) return file = f, pos = 1, true;
    }
    // 2. A file beside the program, read now: from its O n block if it has one, else from its top.
    SubprogramSource source;
    std::string why;
    const int found = m.Ui.SubprogramFile(n, source.Name, source.Text, why);
    if (found <= 0) {
        interp::RaiseAlarm(m,
                           "PS0078 program O" + Number(n) + " not found" + (why.empty() ? "" : ": " + why));
        return false;
    }
    source.Number = n;
    if (std::u16string ended = WithBlockEnds(source.Text); !ended.empty()) source.Text = std::move(ended);
    for (size_t k = 0; k < source.Text.size(); ++k)
        if (k == 0 || (source.Text[k - 1] == u'\r' && source.Text[k] == u'\n'))
            source.LineStarts.push_back(static_cast<int64_t>(k) + 1);
    iso.Files.push_back(std::move(source));
    file = static_cast<int32_t>(iso.Files.size() - 1);
    pos = ProgramIn(m, file, n);
    if (pos == 0) pos = 1;
    return true;
}

std::string PlaceInFile(const Machine& m, int64_t pos) {
    const IsoState& iso = m.S.Iso;
    if (iso.File < 0) return {};
    const SubprogramSource& f = iso.Files[static_cast<size_t>(iso.File)];
    const auto line = std::upper_bound(f.LineStarts.begin(), f.LineStarts.end(), pos) - f.LineStarts.begin();
    return f.Name + ", line " + std::to_string(std::max<int64_t>(line, 1));
}

std::u16string_view BlockAt(Machine& m, int64_t pos, int64_t& next) {
    const std::u16string_view t = CurrentText(m);
    const size_t from = pos < 1 ? 0 : static_cast<size_t>(pos - 1);
    const size_t crlf = from < t.size() ? t.find(u"\r\n", from) : std::u16string_view::npos;
    if (crlf == std::u16string_view::npos) {
        next = 0;
        return {};
    }
    next = static_cast<int64_t>(crlf) + 2;
    return t.substr(from, crlf - from);
}

std::u16string WithBlockEnds(const std::u16string& text) {
    bool blank = true, needed = false;
    for (size_t i = 0; i < text.size() && !needed; ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        else if (c == u'\r' || c == u'\n')
            needed = true;
        else if (c != u' ' && c != u'\t')
            blank = false;
    }
    if (!needed && (blank || text.back() == u'\n')) return {};
    std::u16string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            out += u"\r\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() != u'\n') out += u"\r\n";
    return out;
}

} // namespace iso
