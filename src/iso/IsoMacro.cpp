// SPDX-License-Identifier: GPL-3.0-or-later
// User-macro variables, expressions and statements of the ISO control: #i = expression, words
// whose value is a variable or a bracketed expression, IF [..] GOTO / THEN, GOTO, WHILE [..] DO m
// and END m. Only blocks the word reader marks as macro blocks come here, so a program without
// them runs exactly as before.

#include "base/Alarms.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "iso/IsoInternal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace iso {

namespace {

using interp::MachineState;

constexpr int VariableCount = 1000;
// Brackets nest to five levels, functions' brackets included, as the controls allow.
constexpr int BracketDepth = 5;
// G65 calls nest to five levels, and with M98 calls to ten.
constexpr size_t MacroDepth = 5, SubprogramDepth = 10;
// A run that jumps more often than any program means is held in an endless loop.
constexpr int64_t JumpBound = 1000000;
// Values beyond this size overflow the control's arithmetic.
constexpr double Largest = 1e47;
constexpr double Degree = 3.14159265358979323846 / 180;

// What stops a macro block: an alarm of the control, or a construct it does not read (named once,
// the block skipped).
struct Fault {
    std::string Alarm;
    std::string Unread, Key;
};

struct Value {
    double V = 0;
    bool Vacant = false;
};

std::string Number(double v) {
    return legacy::Str15(v);
}

[[noreturn]] void Alarm(std::string text) {
    throw Fault{std::move(text), {}, {}};
}

// The block's text from `k` for an alarm: at most 24 characters.
std::string Excerpt(std::u16string_view b, size_t k) {
    std::string out;
    for (size_t i = k; i < b.size() && out.size() < 24 && b[i] != u'\r' && b[i] != u'\n'; ++i)
        out += b[i] < 0x80 ? static_cast<char>(b[i]) : '?';
    return out.empty() ? "the end of the block" : "\"" + out + "\"";
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool IsLetter(char16_t c) {
    return c >= u'A' && c <= u'Z';
}

// The addresses whose value is a length (rounded to the least input increment) and those that
// take whole numbers; the others (F, D, H, E, A, ...) keep the value as it is: D is a depth in
// the one-block roughing and thread cycles.
bool LengthAddress(char c) {
    return c == 'X' || c == 'Z' || c == 'U' || c == 'W' || c == 'I' || c == 'K' || c == 'R' || c == 'C';
}
bool WholeAddress(char c) {
    return c == 'N' || c == 'O' || c == 'M' || c == 'T' || c == 'S' || c == 'P' || c == 'Q' || c == 'L';
}

void MakeVariables(IsoState& iso) {
    if (!iso.Vars.empty()) return;
    iso.Vars.assign(VariableCount, 0);
    iso.VarSet.assign(VariableCount, 0);
}

// Reads expressions over the variables of the machine; a fault throws.
class Evaluator final : public ValueSource {
  public:
    explicit Evaluator(Machine& m) : Iso(m.S.Iso) { MakeVariables(Iso); }

    std::u16string_view B;
    size_t K = 0;

    bool Read(char letter, std::u16string_view block, size_t& k, double& value) override {
        B = block;
        K = k;
        bool negative = false;
        if (B[K] == u'-' || B[K] == u'+') negative = B[K++] == u'-';
        Value v = Primary();
        k = K;
        if (v.Vacant) return false;
        double x = negative ? -v.V : v.V;
        if (LengthAddress(letter)) {
            const double step = Iso.Inch ? 1e-4 : 1e-3;
            x = std::round(x / step) * step;
            if (std::fabs(x) > (Iso.Inch ? 99999.9999 : 999999.999))
                Alarm("PS0003 " + std::string(1, letter) + Number(x) + " has too many digits");
        } else if (WholeAddress(letter)) {
            x = std::round(x);
            if (std::fabs(x) > 999999999)
                Alarm("PS0003 " + std::string(1, letter) + Number(x) + " has too many digits");
        } else if (letter == 'G') {
            x = std::round(x * 10) / 10; // G codes such as G71.1 keep their tenth
        }
        value = x;
        return true;
    }

    // --- The text ---
    void Blanks() {
        while (K < B.size()) {
            if (B[K] == u' ' || B[K] == u'\t' || B[K] == u'\n' || B[K] == u'\r') {
                ++K;
            } else if (B[K] == u'(') { // a comment, to its ")" or the end of the block
                while (K < B.size() && B[K] != u')')
                    ++K;
                ++K;
            } else {
                break;
            }
        }
        if (K > B.size()) K = B.size();
    }
    bool At(char16_t c) {
        Blanks();
        return K < B.size() && B[K] == c;
    }
    void Expect(char16_t c) {
        if (!At(c))
            Alarm("PS0114 format error in macro: " + std::string(1, static_cast<char>(c)) + " expected at " +
                  Excerpt(B, K));
        ++K;
    }
    // The word of capital letters at K (not taken), or empty.
    std::u16string_view PeekWord() {
        Blanks();
        size_t e = K;
        while (e < B.size() && IsLetter(B[e]))
            ++e;
        return B.substr(K, e - K);
    }
    bool TakeWord(std::u16string_view word) {
        if (PeekWord() != word) return false;
        K += word.size();
        return true;
    }
    bool AtEnd() {
        Blanks();
        return K >= B.size() || B[K] == u';';
    }

    // --- Variables ---
    // The variable number after "#": digits, or a bracketed expression (rounded).
    int VariableNumber() {
        ++K; // "#"
        double n = 0;
        if (K < B.size() && IsDigit(B[K])) {
            for (; K < B.size() && IsDigit(B[K]); ++K)
                n = std::min(n * 10 + (B[K] - u'0'), 1e9);
            if (K < B.size() && B[K] == u'.')
                Alarm("PS0114 format error in macro: a variable number with a point at " + Excerpt(B, K));
        } else if (K < B.size() && B[K] == u'[') {
            const Value v = Bracket();
            n = v.Vacant ? 0 : std::round(v.V);
        } else {
            Alarm("PS0114 format error in macro: a variable number expected at " + Excerpt(B, K));
        }
        if (n < 0) Alarm("PS0115 variable number out of range: #" + Number(n));
        if (n >= VariableCount) {
            const std::string name = "#" + Number(n);
            throw Fault{
                {}, "the system variable " + name + " is not read: the block is skipped", "sysvar" + name};
        }
        const int i = static_cast<int>(n);
        if ((i >= 34 && i <= 99) || (i >= 200 && i <= 499))
            Alarm("PS0115 variable number out of range: #" + Number(n));
        return i;
    }
    Value Get(int i) const {
        if (i == 0 || !Iso.VarSet[i]) return {0, true};
        return {Iso.Vars[i], false};
    }
    void Set(int i, Value v) {
        if (i == 0) Alarm("PS0116 #0 is always vacant and cannot be written");
        Iso.Vars[i] = v.Vacant ? 0 : v.V;
        Iso.VarSet[i] = v.Vacant ? 0 : 1;
    }

    // --- Expressions: comparisons, then + - OR XOR, then * / AND MOD, then signs ---
    Value Compare() {
        const Value a = Sum();
        static constexpr std::u16string_view ops[] = {u"EQ", u"NE", u"GT", u"GE", u"LT", u"LE"};
        const std::u16string_view word = PeekWord();
        int op = -1;
        for (int i = 0; i < 6; ++i)
            if (word == ops[i]) op = i;
        if (op < 0) return a;
        K += 2;
        const Value b = Sum();
        bool r;
        if (op < 2) {
            // Vacant equals vacant only; otherwise vacant counts as 0 in a comparison.
            const bool equal = a.Vacant || b.Vacant ? a.Vacant == b.Vacant : Same(a.V, b.V);
            r = (op == 0) == equal;
        } else {
            const double x = a.V, y = b.V; // vacant as 0
            const bool same = Same(x, y);
            r = op == 2 ? x > y && !same : op == 3 ? x > y || same : op == 4 ? x < y && !same : x < y || same;
        }
        return {r ? 1.0 : 0.0, false};
    }
    // Equal to the control's precision (the result of 0.1 + 0.2 equals 0.3).
    static bool Same(double x, double y) {
        return std::fabs(x - y) <= 1e-10 * std::max({1.0, std::fabs(x), std::fabs(y)});
    }
    Value Sum() {
        Value a = Product();
        for (;;) {
            if (At(u'+') || At(u'-')) {
                const bool minus = B[K++] == u'-';
                const Value b = Product();
                a = Checked(minus ? a.V - b.V : a.V + b.V);
            } else if (TakeWord(u"OR")) {
                a = {static_cast<double>(Whole(a) | Whole(Product())), false};
            } else if (TakeWord(u"XOR")) {
                a = {static_cast<double>(Whole(a) ^ Whole(Product())), false};
            } else {
                return a;
            }
        }
    }
    Value Product() {
        Value a = Signed();
        for (;;) {
            if (At(u'*')) {
                ++K;
                a = Checked(a.V * Signed().V);
            } else if (At(u'/')) {
                ++K;
                const double d = Signed().V;
                if (d == 0) Alarm("PS0112 division by zero");
                a = Checked(a.V / d);
            } else if (TakeWord(u"AND")) {
                a = {static_cast<double>(Whole(a) & Whole(Signed())), false};
            } else if (TakeWord(u"MOD")) {
                const double d = Signed().V;
                if (d == 0) Alarm("PS0112 division by zero");
                a = Checked(std::fmod(a.V, d));
            } else {
                return a;
            }
        }
    }
    // A sign keeps a vacant value vacant, so X-#5 gives no word when #5 is vacant, as X#5.
    Value Signed() {
        if (At(u'-')) {
            ++K;
            const Value v = Signed();
            return {-v.V, v.Vacant};
        }
        if (At(u'+')) {
            ++K;
            return Signed();
        }
        return Primary();
    }
    Value Primary() {
        Blanks();
        if (K >= B.size()) Alarm("PS0114 format error in macro: a value expected at the end of the block");
        const char16_t c = B[K];
        if (c == u'[') return Bracket();
        if (c == u'#') return Get(VariableNumber());
        if (IsDigit(c) || c == u'.') {
            double whole = 0, scale = 1;
            bool point = false, digits = false;
            for (; K < B.size(); ++K) {
                if (IsDigit(B[K])) {
                    digits = true;
                    if (point) {
                        scale /= 10;
                        whole += (B[K] - u'0') * scale;
                    } else {
                        whole = whole * 10 + (B[K] - u'0');
                    }
                } else if (B[K] == u'.' && !point) {
                    point = true;
                } else {
                    break;
                }
            }
            if (!digits) Alarm("PS0114 format error in macro: a number expected at " + Excerpt(B, K));
            return Checked(whole);
        }
        const std::u16string_view name = PeekWord();
        if (!name.empty()) return Function(name);
        Alarm("PS0114 format error in macro: a value expected at " + Excerpt(B, K));
    }
    Value Bracket() {
        Expect(u'[');
        if (++Depth > BracketDepth) Alarm("PS0118 brackets nested deeper than 5 levels");
        const Value v = Compare();
        Expect(u']');
        --Depth;
        return v;
    }
    Value Function(std::u16string_view name) {
        const std::string n(name.begin(), name.end());
        static constexpr std::u16string_view names[] = {u"SIN",  u"COS",  u"TAN", u"ASIN",  u"ACOS",
                                                        u"ATAN", u"SQRT", u"ABS", u"ROUND", u"FIX",
                                                        u"FUP",  u"LN",   u"EXP"};
        bool known = false;
        for (std::u16string_view f : names)
            known = known || f == name;
        if (!known) throw Fault{{}, n + " is not read: the block is skipped", "fn" + n};
        K += name.size();
        if (!At(u'[')) Alarm("PS0114 format error in macro: [ expected after " + n);
        const double x = Bracket().V; // vacant as 0
        const auto argument = [&](bool ok) {
            if (!ok) Alarm("PS0119 argument out of range: " + n + "[" + Number(x) + "]");
        };
        if (name == u"SIN") return Checked(std::sin(x * Degree));
        if (name == u"COS") return Checked(std::cos(x * Degree));
        if (name == u"TAN") {
            argument(std::fabs(std::cos(x * Degree)) > 1e-12);
            return Checked(std::tan(x * Degree));
        }
        if (name == u"ASIN" || name == u"ACOS") {
            argument(x >= -1 && x <= 1);
            return Checked((name == u"ASIN" ? std::asin(x) : std::acos(x)) / Degree);
        }
        if (name == u"ATAN") {
            // ATAN[a]/[b]: the angle of the point (b, a), 0 to 360 degrees; ATAN[a] alone: -90
            // to 90 (ATAN[a]/2 divides it).
            const size_t after = K;
            if (At(u'/')) {
                ++K;
                if (At(u'[')) {
                    const double y = Bracket().V;
                    if (x == 0 && y == 0) Alarm("PS0119 argument out of range: ATAN[0]/[0]");
                    double a = std::atan2(x, y) / Degree;
                    if (a < 0) a += 360;
                    return Checked(a);
                }
            }
            K = after;
            return Checked(std::atan(x) / Degree);
        }
        if (name == u"SQRT") {
            argument(x >= 0);
            return Checked(std::sqrt(x));
        }
        if (name == u"ABS") return Checked(std::fabs(x));
        if (name == u"ROUND") return Checked(std::round(x));
        if (name == u"FIX") return Checked(std::trunc(x));
        if (name == u"FUP") return Checked(x < 0 ? -std::ceil(-x) : std::ceil(x));
        if (name == u"LN") {
            argument(x > 0);
            return Checked(std::log(x));
        }
        return Checked(std::exp(x)); // EXP
    }
    static Value Checked(double v) {
        if (!std::isfinite(v) || std::fabs(v) > Largest) Alarm("PS0111 calculated value out of range");
        return {v, false};
    }
    static int64_t Whole(Value v) { return static_cast<int64_t>(std::round(v.V)); }

    // --- Statements ---
    // "#i = expression" at K.
    void Assign() {
        if (!At(u'#')) Alarm("PS0114 format error in macro: # expected at " + Excerpt(B, K));
        const int i = VariableNumber();
        Expect(u'=');
        Set(i, Compare());
    }

    IsoState& Iso;
    int Depth = 0;
};

// The block's start, where a jump back to it reads it again.
int64_t BlockStart(const MachineState& s) {
    return s.BlockEndPos - static_cast<int64_t>(s.BlockText.size());
}

bool MayMacroJump(Machine& m) {
    if (LoopsWithAlarms(m)) return false;
    if (++m.S.Iso.MacroJumps <= JumpBound) return true;
    interp::RaiseAlarm(m, "PS0077 more than a million GOTO and END jumps: an endless loop");
    m.S.RunState = interp::RunEndM30;
    return false;
}

// GOTO n: the block N n of this program (or subprogram), first after this block, else from the
// program's start.
void Goto(Machine& m, double n) {
    if (n < 1 || n > 99999 || n != std::round(n))
        Alarm("PS0128 sequence number " + Number(n) + " out of range for GOTO (1 to 99999)");
    const MachineState& s = m.S;
    const IsoState& iso = s.Iso;
    if (FindSequence(m, n) == 0) Alarm("PS0128 sequence number N" + Number(n) + " not found for GOTO");
    const int64_t here = s.BlockEndPos;
    int64_t begin = 0, end = INT64_MAX;
    for (const Label& p : iso.Programs) {
        if (p.Pos <= here)
            begin = p.Pos;
        else if (p.Pos < end)
            end = p.Pos;
    }
    int64_t first = 0, after = 0;
    for (const Label& l : iso.Sequences) {
        if (l.Number != n || l.Pos < begin || l.Pos >= end) continue;
        if (l.Pos > here && after == 0) after = l.Pos;
        if (first == 0) first = l.Pos;
    }
    const int64_t to = after != 0 ? after : first;
    if (to == 0) Alarm("PS0128 sequence number N" + Number(n) + " not found for GOTO in this program");
    if (MayMacroJump(m)) m.S.NextBlockPos = to;
}

// The loop number m of DO m or END m.
int LoopNumber(Evaluator& e) {
    const Value v = e.Sum();
    if (v.Vacant || (v.V != 1 && v.V != 2 && v.V != 3))
        Alarm("PS0126 loop number " + (v.Vacant ? std::string("vacant") : Number(v.V)) + " is not 1, 2 or 3");
    return static_cast<int>(v.V);
}

std::array<int64_t, 3>& LoopsHere(IsoState& iso) {
    if (iso.Loops.size() <= iso.Calls.size()) iso.Loops.resize(iso.Calls.size() + 1, {0, 0, 0});
    return iso.Loops[iso.Calls.size()];
}

// A block's leading "/", blanks and N number taken; the N number's value, or -1.
double SkipSequence(Evaluator& e) {
    e.Blanks();
    if (e.K < e.B.size() && e.B[e.K] == u'/') ++e.K;
    e.Blanks();
    if (e.K + 1 < e.B.size() && e.B[e.K] == u'N' && IsDigit(e.B[e.K + 1])) {
        double n = 0;
        for (++e.K; e.K < e.B.size() && IsDigit(e.B[e.K]); ++e.K)
            n = std::min(n * 10 + (e.B[e.K] - u'0'), 1e9);
        return n;
    }
    return -1;
}

// After a WHILE whose condition fails: on after the block END m of this loop.
void LeaveLoop(Machine& m, int loop) {
    MachineState& s = m.S;
    int64_t pos = s.NextBlockPos;
    while (pos != 0) {
        int64_t next = 0;
        const std::u16string_view text = BlockAt(m, pos, next);
        if (next == 0) break;
        Evaluator e(m);
        e.B = text;
        SkipSequence(e);
        const std::u16string_view word = e.PeekWord();
        if (word == u"O" || e.At(u':') || e.At(u'%')) break; // the next program, or the end
        if (word == u"END") {
            e.K += 3;
            try {
                if (LoopNumber(e) == loop) {
                    s.NextBlockPos = next;
                    return;
                }
            } catch (const Fault&) {
                // An END of another, faulty number: its own block raises the alarm when it runs.
            }
        }
        pos = next;
    }
    Alarm("PS0124 DO " + std::to_string(loop) + " has no END " + std::to_string(loop));
}

// The statement or the words of a macro block. True when `w` then holds words to interpret.
bool Run(Machine& m, Words& w) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    Evaluator e(m);
    e.B = s.BlockText;
    const double n = SkipSequence(e);
    const auto sequence = [&] {
        if (n < 0) return;
        const std::string t = Number(n);
        s.SequenceNumber.assign(t.begin(), t.end());
    };
    const std::u16string_view word = e.PeekWord();
    if (e.At(u'#')) {
        e.Assign();
    } else if (word == u"IF") {
        e.K += 2;
        if (!e.At(u'[')) Alarm("PS0114 format error in macro: [ expected after IF");
        const Value c = e.Bracket();
        const bool holds = !c.Vacant && c.V != 0;
        if (e.TakeWord(u"GOTO")) {
            const Value target = e.Sum();
            if (!e.AtEnd()) Alarm("PS0114 format error in macro: " + Excerpt(e.B, e.K) + " after GOTO");
            sequence();
            if (holds) Goto(m, target.Vacant ? 0 : target.V);
            return false;
        }
        if (!e.TakeWord(u"THEN")) Alarm("PS0114 format error in macro: GOTO or THEN expected after IF [ ]");
        if (holds) {
            e.Assign();
        } else {
            e.K = e.B.size(); // the statement after THEN is not run
        }
    } else if (word == u"GOTO") {
        e.K += 4;
        const Value target = e.Sum();
        if (!e.AtEnd()) Alarm("PS0114 format error in macro: " + Excerpt(e.B, e.K) + " after GOTO");
        sequence();
        Goto(m, target.Vacant ? 0 : target.V);
        return false;
    } else if (word == u"WHILE" || word == u"DO") {
        bool holds = true;
        if (word == u"WHILE") {
            e.K += 5;
            if (!e.At(u'[')) Alarm("PS0114 format error in macro: [ expected after WHILE");
            const Value c = e.Bracket();
            holds = !c.Vacant && c.V != 0;
            if (!e.TakeWord(u"DO")) Alarm("PS0114 format error in macro: DO expected after WHILE [ ]");
        } else {
            e.K += 2;
        }
        const int loop = LoopNumber(e);
        if (!e.AtEnd()) Alarm("PS0114 format error in macro: " + Excerpt(e.B, e.K) + " after DO");
        sequence();
        std::array<int64_t, 3>& loops = LoopsHere(iso);
        if (holds) {
            loops[loop - 1] = BlockStart(s);
        } else {
            loops[loop - 1] = 0;
            LeaveLoop(m, loop);
        }
        return false;
    } else if (word == u"END") {
        e.K += 3;
        const int loop = LoopNumber(e);
        if (!e.AtEnd()) Alarm("PS0114 format error in macro: " + Excerpt(e.B, e.K) + " after END");
        sequence();
        const int64_t at = LoopsHere(iso)[loop - 1];
        if (at == 0) Alarm("PS0126 END " + std::to_string(loop) + " without its DO " + std::to_string(loop));
        if (MayMacroJump(m)) s.NextBlockPos = at;
        return false;
    } else {
        // A block of words: each value read as it stands.
        w = ReadWords(s.BlockText, s.BlockDelete, &e);
        if (w.Macro) {
            throw Fault{{},
                        "a macro statement among the words of a block is not read (one statement a block, "
                        "alone): the block is skipped",
                        "macro-words"};
        }
        return true;
    }
    if (!e.AtEnd()) Alarm("PS0114 format error in macro: " + Excerpt(e.B, e.K) + " after the statement");
    sequence();
    return false;
}

void Report(Machine& m, const Fault& f) {
    if (!f.Alarm.empty())
        interp::RaiseAlarm(m, f.Alarm);
    else
        NoteOnce(m, f.Key, "iso-unsupported", f.Unread);
}

} // namespace

void MacroCall(Machine& m, const Words& w) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    if (iso.Frames.size() >= MacroDepth)
        return interp::RaiseAlarm(m, "PS0077 macro calls nested deeper than 5 levels");
    if (iso.Calls.size() >= SubprogramDepth)
        return interp::RaiseAlarm(m, "PS0077 subprogram nesting deeper than 10 levels");
    if (!w.HasWord('P')) return interp::RaiseAlarm(m, "PS0078 G65 without P: no macro to call");
    const double repeats = w.HasWord('L') ? w.Value('L') : 1;
    const int32_t times = static_cast<int32_t>(std::clamp(repeats, 0.0, 9999.0));
    if (times < 1) return;
    if (!MayJump(m)) return;
    const int64_t start = FindProgram(m, w.Value('P'));
    if (start == 0) return interp::RaiseAlarm(m, "PS0078 program O" + Number(w.Value('P')) + " not found");
    MakeVariables(iso);
    IsoState::Frame f{iso.Calls.size(), {}, {}};
    std::copy_n(iso.Vars.begin() + 1, 33, f.Vars.begin());
    std::copy_n(iso.VarSet.begin() + 1, 33, f.Set.begin());
    iso.Frames.push_back(f);
    // The arguments (the first of the two lettered lists): each letter gives one local variable, the others
    // are vacant.
    std::fill_n(iso.VarSet.begin() + 1, 33, 0);
    static constexpr struct {
        char Letter;
        int Variable;
    } arguments[] = {{'A', 1},  {'B', 2},  {'C', 3},  {'I', 4},  {'J', 5},  {'K', 6},  {'D', 7},
                     {'E', 8},  {'F', 9},  {'H', 11}, {'Q', 17}, {'R', 18}, {'S', 19}, {'T', 20},
                     {'U', 21}, {'V', 22}, {'W', 23}, {'X', 24}, {'Y', 25}, {'Z', 26}};
    for (const auto& a : arguments) {
        if (!w.HasWord(a.Letter)) continue;
        iso.Vars[a.Variable] = w.Value(a.Letter);
        iso.VarSet[a.Variable] = 1;
    }
    if (w.NM > 0) {
        iso.Vars[13] = w.M[0];
        iso.VarSet[13] = 1;
    }
    iso.Calls.push_back({s.NextBlockPos, start, times - 1});
    s.NextBlockPos = start;
}

void MacroReturn(Machine& m) {
    IsoState& iso = m.S.Iso;
    if (iso.Frames.empty() || iso.Frames.back().Depth != iso.Calls.size()) return;
    const IsoState::Frame& f = iso.Frames.back();
    std::copy_n(f.Vars.begin(), 33, iso.Vars.begin() + 1);
    std::copy_n(f.Set.begin(), 33, iso.VarSet.begin() + 1);
    iso.Frames.pop_back();
}

bool MacroBlock(Machine& m, Words& w) {
    try {
        return Run(m, w);
    } catch (const Fault& f) {
        Report(m, f);
    }
    return false;
}

MacroRead MacroWords(Machine& m, std::u16string_view text, Words& w, bool quiet) {
    try {
        Evaluator e(m);
        e.B = text;
        SkipSequence(e);
        const std::u16string_view word = e.PeekWord();
        if (e.At(u'#') || word == u"IF" || word == u"GOTO" || word == u"WHILE" || word == u"DO" ||
            word == u"END")
            return MacroRead::Statement;
        w = ReadWords(text, m.S.BlockDelete, &e);
        if (!w.Macro) return MacroRead::Words;
        throw Fault{
            {},
            "a macro statement among the words of a block is not read (one statement a block, alone): "
            "the block is skipped",
            "macro-words"};
    } catch (const Fault& f) {
        if (!quiet) Report(m, f);
    }
    return MacroRead::Fault;
}

} // namespace iso
