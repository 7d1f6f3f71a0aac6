// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Machine time: the moves the control draws, planned as the machine's slides and spindle really
// run them. Rapids and thread passes start and end at rest (an exact stop, then the settling
// time); each slide of a rapid runs its own profile at its own rate, and the rapid lasts as long
// as the slower one. Feed moves in a row are planned together over the look-ahead: corners are
// rounded within the blend tolerance and taken at the speed that allows, and every move of its
// own block takes at least the control's block time. The spindle ramps at its acceleration on
// M03/M04/M05 and S changes; a feed move waits until it has reached its speed; under G96 the
// speed follows the diameter, held to the clamp. Tool changes, dwells and M codes add their time.
// The machine's limits the program breaks are findings (machine/Finding in Result).

#include "findings/Findings.h"
#include "machine/Profile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace machine {

// Machine time split by what it is spent on, seconds.
struct Split {
    double Cutting = 0;      // feed moves and thread passes at their programmed feed
    double Rapid = 0;        // rapids at the rapid rate
    double Acceleration = 0; // what speeding up, slowing down, settling and block time add
    double ToolChange = 0;
    double SpindleRamp = 0; // waiting for the spindle to reach its speed
    double Dwell = 0;
    double MCodes = 0;
    double Total() const {
        return Cutting + Rapid + Acceleration + ToolChange + SpindleRamp + Dwell + MCodes;
    }
};

// The one scale of every finding.
using findings::Severity;
using findings::SeverityName;

// A limit of the machine the program breaks, at its line, with the numbers that broke it.
struct Finding {
    std::string Code;
    Severity Level = Severity::Warning;
    int64_t Line = 0;
    double Tool = 0;
    std::string Message;
    // block-too-short: how many such blocks in a row, and the line of the last.
    int64_t Count = 1, LastLine = 0;
};

struct Result {
    Split Total;
    std::map<double, Split> Tools; // by tool number
    std::vector<Finding> Findings; // in line order
    std::vector<std::string> Assumed;
};

// One drawn move. X is a diameter, as the program writes it.
struct Move {
    enum class Kind { Rapid, Feed, Thread };
    Kind Type = Kind::Feed;
    double X0 = 0, Z0 = 0, X1 = 0, Z1 = 0;
    bool Arc = false, Clockwise = false;
    double CX = 0, CZ = 0, R = 0; // arcs: centre (X diameter) and radius
    double Feed = 0;              // mm/rev (a thread's lead) or mm/min
    bool PerRev = true;
    bool OwnBlock = false; // a G01/G02/G03 block: the control takes its block time for it
    int64_t Line = 0;
    double Tool = 0;
};

// What the spindle is told: M03/M04/M05 (other values stop it), G96/G97 and S, and the
// program's G50 S clamp (0: none).
struct SpindleCommand {
    int Direction = 5;
    bool Css = false;
    double S = 0; // rpm, or m/min under G96
    double Clamp = 0;
    bool operator==(const SpindleCommand&) const = default;
};

// What a run handed the planner, in order, kept to plan the run again with another profile (a
// calibration does, many times over). Only what the times depend on is kept, packed: a move's
// start only when it is not where the last one ended, its feed only when it changed, an arc's
// centre only for arcs, the tool only when it changes; no lines (a plan again has no findings
// to place). A straight move of a run is 17 bytes.
class Planner;
struct Shape; // where a move goes (Planner.cpp)

class Recording {
  public:
    double FrontZ = 0;
    void Add(const Move& m);
    void Spindle(const SpindleCommand& c, double tool);
    void ToolChange(double tool);
    void Dwell(double seconds, double tool);
    void MCode(int code, double tool);
    // Hands everything to `p`, in order.
    void PlayTo(Planner& p) const;
    size_t Bytes() const { return Data.size(); }

  private:
    enum Tag : uint8_t { // the low three bits; a move's flags above them
        MoveTag,
        SpindleTag,
        ToolChangeTag,
        DwellTag,
        MCodeTag,
        ToolTag, // the tool of what follows
    };
    void Put(double v);
    void Put(uint8_t b) { Data.push_back(b); }
    void ToolIs(double tool);
    std::vector<uint8_t> Data;
    double LastX = 0, LastZ = 0, LastFeed = 0, Tool = 0;
    uint8_t LastMode = 0xFF; // none yet: the first move writes its feed
};

// Time of a move of `d` from rest to rest with top speed `v`, acceleration `a` and jerk `j`
// (0: unlimited jerk, a trapezoid), in the units those give.
double RestToRestTime(double d, double v, double a, double j);
// Time of `length` entered at `v0`, left at `v1`, at most `vc`, accelerating at `a`
// (|v1² - v0²| <= 2 a length). Inline: every feed move takes it.
inline double TrapezoidTime(double length, double v0, double v1, double vc, double a) {
    if (length <= 0) return 0;
    const double peak2 = a * length + (v0 * v0 + v1 * v1) / 2;
    if (peak2 >= vc * vc)
        return (vc - v0) / a + (vc - v1) / a + (length - (2 * vc * vc - v0 * v0 - v1 * v1) / (2 * a)) / vc;
    const double vp = std::sqrt(peak2);
    return (vp - v0) / a + (vp - v1) / a;
}

// The lines of moves and findings are whatever the caller counts by (the checker: where each
// block ends in the text, made lines only for the findings at the end).
class Planner {
  public:
    // `partFrontZ`: where the part's material begins along Z (a thread's run-in ends there).
    // `record`, when given, keeps what the times depend on (Replay plans it again).
    explicit Planner(const Profile& profile, double partFrontZ = 0, Recording* record = nullptr);

    void Spindle(const SpindleCommand& c, int64_t line, double tool);
    void ToolChange(int64_t line, double tool);
    void Dwell(double seconds, int64_t line, double tool);
    void MCode(int code, int64_t line, double tool);
    // Inline: the checker hands every drawn piece of path through it.
    void Add(const Move& m) {
        if (Record) Record->Add(m);
        if (m.Type == Move::Kind::Rapid)
            Rapid(m);
        else if (m.Type == Move::Kind::Feed)
            Feed(m);
        else
            Thread(m);
        LastX = m.X1;
    }
    // A rapid without a move to fill in (the pieces a check draws are rapids as often as not).
    void AddRapid(double x0, double z0, double x1, double z1, int64_t line, double tool) {
        if (Record) {
            Move m;
            m.Type = Move::Kind::Rapid, m.X0 = x0, m.Z0 = z0, m.X1 = x1, m.Z1 = z1;
            m.Feed = 0, m.PerRev = true, m.Line = line, m.Tool = tool;
            Record->Add(m);
        }
        Rapid(x0, z0, x1, z1, tool);
        LastX = x1;
    }
    // Plans what is left and gives the times and findings, their lines passed through `lineOf`
    // when given. Called once, at the end: the results are handed over, not copied.
    Result Finish(const std::function<int64_t(int64_t)>& lineOf = {});
    // Writes the values the profile assumed into the result (Finish does, unless done before:
    // the texts take longer than a short run).
    void Assume();

  private:
    struct Pending { // a feed move waiting in the look-ahead
        double Length, Cruise, Accel, Nominal, JunctionMax;
        double MinTime; // block time, or 0
        // The highest speed it may be entered at and still stop by the end of the chain as it
        // stands: worked out when the chain is planned, or once it outgrows the look-ahead and
        // from then on kept up as moves join (a move joining changes only the last few).
        double Back;
        double Tool;
    };
    // The look-ahead: a queue over a vector that keeps its memory from chain to chain.
    struct Queue {
        std::vector<Pending> Items;
        size_t Head = 0;
        size_t size() const { return Items.size() - Head; }
        bool empty() const { return Items.size() == Head; }
        Pending& operator[](size_t i) { return Items[Head + i]; }
        const Pending& front() const { return Items[Head]; }
        void push_back(const Pending& p) {
            if (Head >= 256)
                Items.erase(Items.begin(), Items.begin() + static_cast<std::ptrdiff_t>(Head)), Head = 0;
            Items.push_back(p);
        }
        void pop_front() { ++Head; }
        void clear() { Items.clear(), Head = 0; }
    };
    // The speed the spindle turns at the diameter, as commanded and held to the clamps.
    [[gnu::always_inline]] double RpmAt(double diameter) const {
        if (!Cmd.Css) return FixedRpm;
        const double d = std::fabs(diameter);
        if (d * 3.14159265358979323846 < 1e-9) return CssCap;
        return std::min(1000 * Cmd.S / (3.14159265358979323846 * d), CssCap);
    }
    // The clamps of G96 within the range `rangeMax`, and the speed of G97 held to them.
    double CssLimit(double rangeMax) const {
        const double c = Cmd.Clamp > 0 ? Cmd.Clamp : P.CssMaxRpm > 0 ? P.CssMaxRpm : P.SpindleMaxRpm;
        return std::min(std::min(c, P.SpindleMaxRpm), rangeMax);
    }
    // Works out the two after the command or the gear range changed.
    void Caps() {
        CssCap = CssLimit(RangeMax);
        FixedRpm = std::min(std::min(Cmd.S, P.SpindleMaxRpm), RangeMax);
    }
    // Seconds the spindle takes from one speed to another (signed: through rest when it turns
    // round), under the power curve.
    double RampTime(double from, double to) const;
    // The gear range for the speed asked of the spindle: a change stops it first.
    void ChooseGear(double rpm);
    // Plans the feed moves waiting in the look-ahead to a stop.
    void Flush() {
        if (!Chain.empty()) PlanChain();
        ChainOpen = false;
        ChainExit = 0;
        BacksKnown = false;
    }
    // The Back speeds of the whole chain, from its end.
    void Backs();
    void PlanChain();
    void Commit(const Pending& p, double exit);
    void SpindleTo(double rpm);
    void WaitForSpindle(double tool);
    void Feed(const Move& m);
    template <bool IsArc> void FeedAlong(const Move& m, const Shape& s);
    // What a feed move rarely needs, kept out of its way.
    double CssArcNominal(const Move& m, const Shape& s, double& smallest) const;
    [[gnu::cold]] void CssFindings(const Move& m, double smallest);
    [[gnu::cold]] void ShortBlock(const Move& m, double length, double cruise, double nominal);
    [[gnu::cold]] void FeedOver(const Move& m, double peak, const Axis& over);
    void Thread(const Move& m);
    void Rapid(const Move& m) { Rapid(m.X0, m.Z0, m.X1, m.Z1, m.Tool); }
    void Rapid(double x0, double z0, double x1, double z1, double tool);
    void Add(double tool, double Split::*what, double seconds);
    // The tool's split, looked up again only when the tool changes.
    Split& Of(double tool) {
        if (tool != SplitTool) ToolSplit = &Out.Tools[tool], SplitTool = tool;
        return *ToolSplit;
    }
    void EndShortRun();
    void Find(const char* code, Severity level, int64_t line, double tool, const std::string& message);

    // A slide's rates as the moves use them, worked out once.
    struct Rates {
        explicit Rates(const Axis& a)
            : Rapid(a.RapidMmMin / 60), RapidOverAccel(Rapid / a.AccelMmS2),
              FullSpeedAfter(Rapid * Rapid / a.AccelMmS2), MaxFeed(a.MaxFeedMmMin / 60), Accel(a.AccelMmS2),
              Jerk(a.JerkMmS3), OverFeed(a.MaxFeedMmMin * (1 + 1e-12)) {}
        double Rapid, RapidOverAccel, FullSpeedAfter, MaxFeed, Accel, Jerk; // mm/s, s, mm, mm/s, ...
        double OverFeed; // mm/min: a feed above it breaks the slide's maximum
        // RestToRestTime at the rapid rate.
        double RapidTime(double d) const {
            if (d <= 0) return 0;
            if (Jerk > 0) return RestToRestTime(d, Rapid, Accel, Jerk);
            return d >= FullSpeedAfter ? d / Rapid + RapidOverAccel : 2 * std::sqrt(d / Accel);
        }
    };

    Profile P;
    Rates XRates, ZRates;
    double FrontZ;
    Recording* Record;
    Result Out;
    Split* ToolSplit = nullptr; // Out.Tools of the tool last added to
    double SplitTool = NAN;     // none yet
    double Clock = 0;
    SpindleCommand Cmd;
    double Rpm = 0;                   // signed: + M03, - M04, the speed last commanded (after the clamps)
    double ReadyAt = 0;               // when the spindle reaches Rpm
    double LastX = 0;                 // diameter where the last move ended
    int Gear = -1, GearSelected = -1; // the range in (-1: not known yet), and the one M41-M44 chose
    double RangeMax = 1e300;          // the highest speed of that range
    double CssCap = 0, FixedRpm = 0;  // what Caps() works out
    double Station = -1;              // the turret's station (the tool's number); -1: not known
    bool CssWarned = false;
    bool Assumed = false; // Out.Assumed written
    Queue Chain;
    bool ChainOpen = false;      // the last move was a feed move: the next may blend into it
    double ChainEnd[2] = {0, 0}; // direction at the end of the last feed move (radius, Z)
    double ChainAccel = 0, ChainCruise = 0;
    double ChainExit = 0;    // speed the committed part of the chain ends at
    bool BacksKnown = false; // the chain's Back speeds are worked out (it outgrew the look-ahead)
    // The last corner's cosine and acceleration, and the speed it allows.
    double CornerCos = NAN, CornerAccel = 0, CornerSpeed = 0;
    // A run of blocks too short for the block time: its finding and how many it holds.
    size_t ShortRun = SIZE_MAX;
    int64_t ShortCount = 0, ShortLastLine = 0;
};

// Plans a recorded run again with `profile`.
Result Replay(const Recording& run, const Profile& profile);

} // namespace machine
