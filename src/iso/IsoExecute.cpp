// SPDX-License-Identifier: GPL-3.0-or-later
// One block of the ISO control: words, modal groups, the move or cycle, subprogram calls,
// display and pacing.

#include "base/Alarms.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "iso/IsoControl.h"
#include "iso/IsoInternal.h"
#include "motion/CuttingTime.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"

#include <algorithm>
#include <cmath>

namespace iso {

namespace {

using interp::MachineState;

// Subprograms nest to ten levels, as current Fanuc-style controls allow.
constexpr size_t NestingDepth = 10;

std::string Number(double v) {
    return legacy::Str15(v);
}

// G07.1: cylindrical interpolation, on with C (the cylinder's radius), off with C0.
bool IsCylindrical(double g) {
    return std::fabs(g - 7.1) < 1e-9;
}

std::string GName(double g) {
    return "G" + Number(g);
}

// What a G word of this control does; false for one it does not read.
bool ApplyG(Machine& m, double g, double& oneShot) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    if (g == 0 || g == 1 || g == 2 || g == 3 || g == 32 || g == 90 || g == 92 || g == 94) {
        iso.Motion = g;
        if (g == 90 || g == 92 || g == 94) oneShot = g; // a cycle runs in the block that selects it
    } else if (g == 4 || g == 28 || g == 30 || g == 50 || (g >= 70 && g <= 76)) {
        oneShot = g;
    } else if (g == 20 || g == 21) {
        iso.Inch = g == 20;
    } else if (g == 40 || g == 41 || g == 42) {
        // The path is drawn as programmed; the stock follows the nose as the control moves it.
        s.GNoseR = static_cast<int16_t>(g);
    } else if (g == 96 || g == 97) {
        s.GSpeedMode = static_cast<int16_t>(g);
    } else if (g == 98 || g == 99) {
        s.GFeedMode = g == 98 ? 94 : 95;
    } else if (g == 18 || g == 80 || (g >= 54 && g <= 59)) {
        // The ZX plane, the drilling-cycle cancel and the work offsets: the path is drawn in the
        // program's own coordinates already.
    } else {
        return false;
    }
    return true;
}

void ApplyM(Machine& m, double v, bool& call, bool& back) {
    MachineState& s = m.S;
    if (v == 0 || v == 1 || v == 2 || v == 30) {
        if (s.RunState != interp::RunAlarm)
            s.RunState = v == 0   ? interp::RunProgramStop
                         : v == 1 ? interp::RunOptionalStop
                         : v == 2 ? interp::RunEndM02
                                  : interp::RunEndM30;
    } else if (v == 3 || v == 4 || v == 5 || v == 19) {
        s.MSpindle = static_cast<int16_t>(v);
    } else if (v == 8 || v == 9) {
        s.MCoolant = static_cast<int16_t>(v);
    } else if (v == 98) {
        call = true;
    } else if (v == 99) {
        back = true;
    } else {
        s.MOther = static_cast<int32_t>(std::clamp(v, -2e9, 2e9));
    }
}

// M98 P (L): the subprogram O P, L times (P with eight digits: four of repeats, four of the number).
void CallSubprogram(Machine& m, const Words& w) {
    MachineState& s = m.S;
    double p = w.Value('P');
    // Repeats up to 9999, as the L word holds four digits.
    double repeats = w.HasWord('L') ? w.Value('L') : 1;
    if (!w.HasWord('L') && p >= 10000) {
        repeats = std::floor(p / 10000);
        p = std::fmod(p, 10000);
    }
    const int32_t times = static_cast<int32_t>(std::clamp(repeats, 0.0, 9999.0));
    if (times < 1) return;
    if (s.Iso.Calls.size() >= NestingDepth) {
        interp::RaiseAlarm(m, "PS0077 subprogram nesting deeper than 10 levels");
        return;
    }
    if (!MayJump(m)) return;
    int32_t file = -1;
    int64_t start = 0;
    if (!FindSubprogram(m, p, file, start)) return;
    s.Iso.Calls.push_back({s.NextBlockPos, start, times - 1, s.Iso.File, file});
    s.Iso.File = file;
    s.NextBlockPos = start;
}

// M99: the next repeat, else back to the caller (to its block N P when P is given).
void ReturnFromSubprogram(Machine& m, const Words& w) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    if (iso.Calls.empty()) {
        NoteOnce(m, "m99-main", "iso-unsupported",
                 "M99 in the main program starts it again without end on the machine; read as its end");
        if (s.RunState != interp::RunAlarm) s.RunState = interp::RunEndM30;
        return;
    }
    if (!MayJump(m)) return;
    Call& top = iso.Calls.back();
    if (top.Left > 0) {
        --top.Left;
        iso.File = top.StartFile;
        s.NextBlockPos = top.Start;
        return;
    }
    iso.File = top.ReturnFile;
    s.NextBlockPos = top.Return;
    iso.Calls.pop_back();
    MacroReturn(m);
    if (w.HasWord('P')) {
        const int64_t at = FindSequence(m, w.Value('P'));
        if (at == 0)
            return interp::RaiseAlarm(m, "PS0078 sequence number N" + Number(w.Value('P')) + " not found");
        s.NextBlockPos = at;
    }
}

// G28 (G30): through the intermediate point to the reference point, on the axes named.
void ReferenceReturn(Machine& m, const Words& w) {
    const Target mid = TargetOf(m, w);
    if ((mid.X != m.S.LastX || mid.Z != m.S.LastZ) && !RapidTo(m, mid.X, mid.Z)) return;
    const MachineState& s = m.S;
    const bool x = w.HasWord('X') || w.HasWord('U'), z = w.HasWord('Z') || w.HasWord('W');
    RapidTo(m, x ? s.PVLX : s.LastX, z ? s.PVLZ : s.LastZ);
}

void Dwell(Machine& m, const Words& w) {
    // P in milliseconds, X or U in seconds.
    const double t = w.HasWord('P') ? w.Value('P') / 1000 : w.HasWord('X') ? w.Value('X') : w.Value('U');
    try {
        motion::AddCuttingTime(m, t);
    } catch (const motion::CalcFault&) {
        interp::RaiseAlarm(m, "Calcu Error");
    }
}

void NoteSharpCorner(Machine& m) {
    NoteOnce(
        m, "corner", "iso-unsupported",
        "a chamfer or corner round (,C ,R) is read between two G01 moves only: this corner is cut sharp");
}

// ,C (chamfer) or ,R (corner round) at the end of a G01 move into the next block's G01 move:
// the move stops short of its corner, the chamfer or arc joins the next line. False when the
// next block is no straight cut at the feed (the corner is then cut sharp, as named).
bool CornerMove(Machine& m, const Words& w, const Target& to) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    int64_t after = 0;
    const std::u16string_view text = BlockAt(m, s.NextBlockPos, after);
    if (after == 0) return false;
    Words n = ReadWords(text, s.BlockDelete);
    if (n.Deleted && s.BlockDelete) return false;
    if (n.Macro && MacroWords(m, text, n, true) != MacroRead::Words) return false;
    if (iso.Motion != 1) return false;
    for (int i = 0; i < n.NG; ++i)
        if (n.G[i] != 1) return false;
    const double x2 = n.HasWord('X') ? Length(m, n.Value('X')) : to.X + Length(m, n.Value('U'));
    const double z2 = n.HasWord('Z') ? Length(m, n.Value('Z')) : to.Z + Length(m, n.Value('W'));
    // In the plane of Z and the radius: the two lines' directions and lengths.
    const double x0 = iso.Cornered ? iso.CornerX : s.LastX, z0 = iso.Cornered ? iso.CornerZ : s.LastZ;
    const double az = to.Z - z0, ar = (to.X - x0) / 2, bz = z2 - to.Z, br = (x2 - to.X) / 2;
    const double l1 = std::hypot(az, ar), l2 = std::hypot(bz, br);
    if (l1 == 0 || l2 == 0) return false;
    const double uz = az / l1, ur = ar / l1, vz = bz / l2, vr = br / l2;
    const double cross = uz * vr - ur * vz, dot = uz * vz + ur * vr;
    const double turn = std::atan2(std::fabs(cross), dot); // the angle the path turns by
    if (turn < 1e-9) return false;
    const double size = Length(m, std::fabs(w.CornerValue));
    const double t = w.CornerKind == 'C' ? size : size * std::tan(turn / 2);
    if (t > l1 + 1e-9 || t > l2 + 1e-9) {
        interp::RaiseAlarm(m, "PS0055 chamfer or corner round longer than its move");
        return true;
    }
    const double ax = to.X - 2 * ur * t, azz = to.Z - uz * t; // where the move stops short
    const double bx = to.X + 2 * vr * t, bzz = to.Z + vz * t; // where the next line is joined
    if (!FeedTo(m, ax, azz)) return true;
    if (w.CornerKind == 'C') {
        if (!FeedTo(m, bx, bzz)) return true;
    } else {
        // The centre lies a radius from the stop point, on the inside of the turn.
        const bool ccw = cross > 0;
        const double nz = ccw ? -ur : ur, nr = ccw ? uz : -uz;
        if (!ArcTo(m, bx, bzz, ax + 2 * nr * size, azz + nz * size, !ccw)) return true;
    }
    iso.Cornered = true;
    iso.CornerX = to.X;
    iso.CornerZ = to.Z;
    iso.CornerBlock = s.BlockCount;
    return true;
}

void Move(Machine& m, const Words& w) {
    MachineState& s = m.S;
    const Target to = TargetOf(m, w);
    const double g = s.Iso.Motion;
    if (g == 0) {
        RapidTo(m, to.X, to.Z);
    } else if (g == 1) {
        if (w.Corner && CornerMove(m, w, to)) return;
        if (w.Corner) NoteSharpCorner(m);
        FeedTo(m, to.X, to.Z);
    } else if (g == 32) {
        ThreadTo(m, to.X, to.Z, s.Feed);
    } else {
        // With the mirror switch G02 runs counter-clockwise and G03 clockwise.
        const bool clockwise = (g == 2) != s.G2mirror;
        double cx, cz;
        if (!ArcCentre(m, s.LastX, s.LastZ, to, w, clockwise, cx, cz))
            return interp::RaiseAlarm(m, "PS0020 radius out of range");
        ArcTo(m, to.X, to.Z, cx, cz, clockwise);
    }
}

// Values written without a decimal point: whole millimetres (inches) here.
void NoteIntegers(Machine& m, const Words& w) {
    for (char c : {'X', 'Z', 'U', 'W', 'I', 'K'}) {
        if (!w.HasWord(c) || w.HasPoint(c) || w.Value(c) == 0) continue;
        NoteOnce(m, "integer", "iso-integer-value",
                 std::string(1, c) + Number(w.Value(c)) + " has no decimal point: read as " +
                     Number(w.Value(c)) + (m.S.Iso.Inch ? " in" : " mm") +
                     " (calculator-type input); a control without it reads the least increment (0.001 mm)");
        return;
    }
}

// The cycle or one-shot code of the block; the multi-pass cycles tell their two blocks apart by
// the words the second one carries.
void RunOneShot(Machine& m, const Words& w, double g) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    const bool axes = w.HasWord('X') || w.HasWord('Z') || w.HasWord('U') || w.HasWord('W');
    const bool pq = w.HasWord('P') && w.HasWord('Q');
    if (g == 4) {
        Dwell(m, w);
    } else if (g == 28 || g == 30) {
        ReferenceReturn(m, w);
    } else if (g == 50) {
        // X and Z: the tool's position is now these coordinates. S alone: the speed clamp.
        if (w.HasWord('X')) s.CurX = s.LastX = Length(m, w.Value('X'));
        if (w.HasWord('Z')) s.CurZ = s.LastZ = Length(m, w.Value('Z'));
    } else if (g == 70) {
        FinishCycle(m, w);
    } else if (g == 71 || g == 72) {
        if (pq) return RoughCycle(m, w, g == 72);
        // X, Z or H without P and Q: the thread cycle of the KVZ control, which this one lacks.
        if (w.HasWord('X') || w.HasWord('Z') || w.HasWord('H'))
            return NoteOnce(m, "kvz-g71", "iso-other-control",
                            GName(g) +
                                " with X, Z or H and no P and Q is the KVZ control's thread cycle: not read "
                                "here; check this program with --control kvz");
        iso.RoughDepth = Length(m, w.Value(g == 71 ? 'U' : 'W'));
        iso.RoughRetract = Length(m, w.Value('R'));
    } else if (g == 73) {
        if (pq) return PatternCycle(m, w);
        iso.PatternX = Length(m, w.Value('U'));
        iso.PatternZ = Length(m, w.Value('W'));
        iso.PatternCount = w.HasWord('R') ? static_cast<int32_t>(std::clamp(w.Value('R'), 0.0, 1000.0)) : 1;
    } else if (g == 74 || g == 75) {
        if (axes && !w.HasWord('P') && !w.HasWord('Q') && (w.HasWord('I') || w.HasWord('K')))
            NoteOnce(m, "peck-ik", "iso-unsupported",
                     GName(g) +
                         " with I or K (the one-block form of Haas-style controls) is read as one cut to "
                         "its end: its pecks and steps are not drawn");
        if (axes) return PeckCycle(m, w, g == 75);
        iso.PeckRetract = Length(m, w.Value('R'));
    } else if (g == 76) {
        if (axes) return ThreadCycle(m, w);
        const double p = w.Value('P');
        iso.ThreadFinishes = static_cast<int32_t>(std::clamp(std::floor(p / 10000), 0.0, 99.0));
        iso.ThreadAngle = std::fmod(p, 100);
        iso.ThreadMinDepth = Increment(m, w.Value('Q'));
        iso.ThreadAllowance = Length(m, w.Value('R'));
    } else if (axes) { // G90, G92, G94
        BoxCycle(m, w, g);
    }
}

// Steps 3 to 7 of a block that is not deleted.
void Interpret(Machine& m, const Words& w) {
    MachineState& s = m.S;
    // 3. What this control does not read is named and the block skipped, never misread.
    if (w.HasWord('N')) {
        const std::string n = Number(w.Value('N'));
        s.SequenceNumber.assign(n.begin(), n.end());
    }
    if (w.Bare)
        NoteOnce(m, "bare", "iso-unsupported",
                 std::string("\"") + w.BareLetter + "\" without a number is not read");
    if (w.BareNumber)
        NoteOnce(m, "bare-number", "iso-unsupported",
                 "a number without an address letter (\"" + Number(w.BareNumberValue) +
                     "\") is skipped; a control raises an alarm on it");
    // Under polar or cylindrical interpolation every block up to the cancel is the unread mode's;
    // the end of the program resets the mode and is read.
    if (s.Iso.UnreadMode != 0) {
        bool cancel = false, end = false;
        for (int i = 0; i < w.NG; ++i)
            cancel |= s.Iso.UnreadMode == 112 ? w.G[i] == 113 : IsCylindrical(w.G[i]) && w.Value('C') == 0;
        for (int i = 0; i < w.NM; ++i)
            end |= w.M[i] == 2 || w.M[i] == 30;
        if (cancel || end) s.Iso.UnreadMode = 0;
        if (!end) return;
    }
    // A macro call: the block's other words are its arguments.
    if (w.HasG(65)) return MacroCall(m, w);
    // 4. G words: modal groups as read; the one-shot codes and cycles run at the end.
    double oneShot = -1;
    // A G code it does not read may give its words other meanings (G10 offsets, G112 polar
    // coordinates): the whole block is skipped.
    bool unread = false;
    for (int i = 0; i < w.NG; ++i)
        if (!ApplyG(m, w.G[i], oneShot)) {
            const bool mode = w.G[i] == 112 || (IsCylindrical(w.G[i]) && w.Value('C') != 0);
            NoteOnce(
                m, "g" + Number(w.G[i]), "iso-unsupported",
                GName(w.G[i]) + " is not read: " +
                    (mode ? std::string("the blocks up to its cancel are skipped") : "the block is skipped"));
            unread = true;
            if (mode) s.Iso.UnreadMode = w.G[i];
        }
    if (unread) return;
    if (w.Corner && s.Iso.Motion != 1) NoteSharpCorner(m);
    // 5. F, S, T.
    if (w.HasWord('F')) s.Feed = Length(m, w.Value('F'));
    if (w.HasWord('S')) (oneShot == 50 ? s.Iso.MaxSpindle : s.SWord) = w.Value('S');
    if (w.HasWord('T')) s.TWord = w.Value('T');
    bool call = false, back = false;
    // 6. The move or cycle.
    // (Not in a dwell, whose X is seconds, nor in the cycles' parameter blocks.)
    if (oneShot != 4 && oneShot != 70 && oneShot != 71 && oneShot != 72 && oneShot != 73 && oneShot != 76)
        NoteIntegers(m, w);
    if (oneShot >= 0)
        RunOneShot(m, w, oneShot);
    else if (w.HasWord('X') || w.HasWord('Z') || w.HasWord('U') || w.HasWord('W')) {
        const double g = s.Iso.Motion;
        if (g == 90 || g == 92 || g == 94)
            BoxCycle(m, w, g);
        else
            Move(m, w);
    }
    // 7. M words after the motion; the jumps of M98 and M99 last.
    for (int i = 0; i < w.NM; ++i)
        ApplyM(m, w.M[i], call, back);
    if (s.RunState == interp::RunAlarm) return;
    if (call) CallSubprogram(m, w);
    if (back) ReturnFromSubprogram(m, w);
}

} // namespace

Target TargetOf(const Machine& m, const Words& w) {
    const MachineState& s = m.S;
    // After a chamfer or corner round the block counts from the programmed corner.
    const double x0 = s.Iso.Cornered ? s.Iso.CornerX : s.LastX, z0 = s.Iso.Cornered ? s.Iso.CornerZ : s.LastZ;
    Target t{x0, z0, false};
    if (w.HasWord('X'))
        t.X = Length(m, w.Value('X'));
    else if (w.HasWord('U'))
        t.X = x0 + Length(m, w.Value('U'));
    if (w.HasWord('Z'))
        t.Z = Length(m, w.Value('Z'));
    else if (w.HasWord('W'))
        t.Z = z0 + Length(m, w.Value('W'));
    t.Moves = w.HasWord('X') || w.HasWord('U') || w.HasWord('Z') || w.HasWord('W');
    return t;
}

bool ArcCentre(const Machine& m, double x0, double z0, const Target& to, const Words& w, bool clockwise,
               double& cx, double& cz) {
    if (!w.HasWord('R')) { // I and K: the centre from the start, I as a radius
        cx = x0 + 2 * Length(m, w.Value('I'));
        cz = z0 + Length(m, w.Value('K'));
        return true;
    }
    const double r = Length(m, w.Value('R'));
    // In the plane of Z (across) and the radius (up): the centre on the chord's normal.
    const double dz = to.Z - z0, dr = (to.X - x0) / 2;
    const double chord = std::hypot(dz, dr);
    if (chord == 0 || r == 0) return false;
    double h2 = r * r - chord * chord / 4;
    if (h2 < 0) {
        // A half circle whose radius is written to fewer digits than its end points.
        if (chord / 2 - std::fabs(r) > 0.005) return false;
        h2 = 0;
    }
    const double h = std::sqrt(h2);
    // Clockwise with +X up: the shorter arc's centre lies right of the direction of travel.
    double side = clockwise ? 1 : -1;
    if (r < 0) side = -side;
    const double nz = dr / chord * side, nr = -dz / chord * side;
    cz = z0 + dz / 2 + nz * h;
    cx = 2 * ((x0 / 2) + dr / 2 + nr * h);
    return true;
}

namespace {

// The display shows the modal motion code; the position moves on; pacing by the run-speed
// slider.
void EndBlock(Machine& m) {
    MachineState& s = m.S;
    s.GMode = s.Iso.Motion;
    motion::ShowDisplay(m);
    s.LastX = s.CurX;
    s.LastZ = s.CurZ;
    if (!s.Replay) {
        if (!s.SingleBlock && !s.RestartSearch) interp::WaitSeconds(m, 0.5 - s.RunSpeed * 0.005);
        m.Ui.DoEvents();
    }
}

// Puts the next block of the subprogram file running in place of the M98 block the run read
// again. False (with an alarm) at the file's end: a subprogram ends with M99.
bool FileBlock(Machine& m) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    const SubprogramSource& f = iso.Files[static_cast<size_t>(iso.File)];
    int64_t next = 0;
    const std::u16string_view text = BlockAt(m, iso.FilePos, next);
    if (next == 0) {
        interp::RaiseAlarm(m, "PS0078 " + f.Name +
                                  (f.Text.find(u"\r\n") == std::u16string::npos
                                       ? " has no CR LF line ends: the control reads no block of it"
                                       : " ends without M99"));
        // The run goes on after the M98 in the program, as after any alarm.
        iso.File = -1;
        iso.Calls.clear();
        return false;
    }
    iso.BlockEnd = next - 1;
    iso.Where = PlaceInFile(m, iso.FilePos);
    s.BlockText.assign(text);
    s.NextBlockPos = next;
    return true;
}

// Whether the block just run left the blocks of the G70 pass: a GOTO beyond them at the G70's
// own level (a call and its M99 stay within the pass), or an M99 back out of that level.
bool LeftFinishing(const IsoState& iso, int64_t next) {
    if (iso.Calls.size() != iso.FinishCalls) return iso.Calls.size() < iso.FinishCalls;
    return iso.File != iso.FinishFile || next < iso.FinishStart || next > iso.FinishEnd;
}

} // namespace

void ExecuteIsoBlock(Machine& m) {
    MachineState& s = m.S;
    IsoState& iso = s.Iso;
    // 1. Per-block reset.
    s.RunState = interp::RunRunning;
    s.UWord = s.WWord = s.IWord = s.KWord = s.RWord = s.LWord = s.PWord = s.DWord = s.TaperAngle = 0;
    // 2.
    if (m.Ui.WantsDisplay()) m.Ui.ShowBlockCount(s.BlockCount);
    // 3. In a subprogram file the run has read the program's M98 block again: the file's next
    // block takes its place (every line reported stays that M98's).
    const bool inFile = iso.File >= 0;
    const int64_t readAt = s.BlockEndPos - static_cast<int64_t>(s.BlockText.size());
    if (!inFile)
        iso.BlockEnd = s.BlockEndPos;
    else if (!FileBlock(m))
        return EndBlock(m);
    s.BlockLen = static_cast<int64_t>(s.BlockText.size());
    Words w = ReadWords(s.BlockText, s.BlockDelete);
    // A macro block runs its statement here, or gives its words with the variables' values.
    if (!(w.Deleted && s.BlockDelete) && (!w.Macro || MacroBlock(m, w))) Interpret(m, w);
    // A corner counts for the one block after the one that made it.
    if (iso.Cornered && iso.CornerBlock != s.BlockCount) iso.Cornered = false;
    // 8. The last block of a G70 finishing pass: back to the cycle's start point, on after G70.
    if (iso.Finishing && iso.BlockEnd == iso.FinishEnd && iso.File == iso.FinishFile) {
        iso.Finishing = false;
        if (s.RunState != interp::RunAlarm && RapidTo(m, iso.FinishX, iso.FinishZ))
            s.NextBlockPos = iso.FinishReturn;
    } else if (iso.Finishing && LeftFinishing(iso, s.NextBlockPos)) {
        // A jump out of the pass ends the cycle as its last block would: back to the start
        // point, then on where the jump goes.
        iso.Finishing = false;
        if (s.RunState != interp::RunAlarm) RapidTo(m, iso.FinishX, iso.FinishZ);
    }
    if (s.RunState == interp::RunAlarm) ++iso.Alarms;
    // 9. Blocks of a file: the run reads the M98 that called into the files again for each.
    if (iso.File >= 0) {
        if (!inFile) iso.Anchor = readAt;
        iso.FilePos = s.NextBlockPos;
        s.NextBlockPos = iso.Anchor;
    }
    iso.Where.clear();
    // 10.
    EndBlock(m);
}

} // namespace iso
