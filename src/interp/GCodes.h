// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The control's G codes: one row per code (and dialect where they differ) saying what the G word
// does as it is read, what kind of motion the modal code is, and the procedure that runs it at
// the end of the block. The interpreter dispatches on this table; the advice and the pane ask it.
// A code without a row becomes the modal code and runs nothing (G50 and the like).

#include "cycles/Cycles.h"
#include "motion/Motion.h"

#include <array>
#include <cstdint>

namespace interp {
struct Machine;

// What a G word does to the state as it is read.
enum class GEffect : uint8_t {
    Modal,       // becomes the modal code GMode
    ModalAs,     // sets GMode to the row's Mode instead (FANUC G90: the turning cycle G92)
    TurretA,     // front turret: X sign +, T word cleared
    TurretB,     // rear turret: T word cleared, X sign - when the B turret is the upper one
    NoseRadius,  // GNoseR
    Absolute,    // GAbsInc 90
    Incremental, // GAbsInc 91
    FeedPerMin,  // GFeedMode 94
    FeedPerRev,  // GFeedMode 95
    SpeedMode,   // GSpeedMode
    StoredMode,  // G75Mode, which nothing cuts by
    None,        // read and ignored
};

// What the modal code does at the end of a block.
enum class GKind : uint8_t {
    Move,     // a straight cut at the feed (G01)
    Arc,      // an arc (G02, G03, G112, G113)
    LeadMove, // a straight cut whose F is the lead (G34, G35; G32 in the FANUC dialect)
    Thread,   // a thread cut or threading cycle, which runs even without a new end point
    Drill,    // a drilling cycle
    Cycle,    // a turning, facing or grooving cycle
    Dwell,    // G04: the display returns to the motion code before it
    Home,     // G20, G21: back to the home point (another control's unit select)
    Other,    // rapid, returns, the drill cancel, and codes that are only modal
};

struct GCode {
    GEffect Effect = GEffect::Modal;
    GKind Kind = GKind::Other;
    void (*Run)(Machine&) = nullptr; // the procedure of the modal code; none: it runs nothing
    int16_t Mode = 0;                // ModalAs: the modal code the word selects
    bool KeepsTaper = false;         // the taper angle does not complete its end point
};

// The arcs with the G02 mirror switch (which G112/G113 ignore).
void ArcG02(Machine& m);
void ArcG03(Machine& m);

namespace gtable {

enum class Dialect : uint8_t { Both, Own, Fanuc };

struct Row {
    int16_t Code;
    Dialect When;
    GCode What;
};

using E = GEffect;
using K = GKind;
// clang-format off
inline constexpr Row Rows[] = {
    {0,   Dialect::Both,  {E::Modal, K::Other, motion::RapidMove}},
    {1,   Dialect::Both,  {E::Modal, K::Move, motion::LinearMove}},
    {2,   Dialect::Both,  {E::Modal, K::Arc, ArcG02}},
    {3,   Dialect::Both,  {E::Modal, K::Arc, ArcG03}},
    {4,   Dialect::Both,  {E::Modal, K::Dwell, motion::Dwell}},
    {13,  Dialect::Both,  {E::TurretA}},
    {14,  Dialect::Both,  {E::TurretB}},
    {20,  Dialect::Both,  {E::Modal, K::Home, motion::HomeReturn}},
    {21,  Dialect::Both,  {E::Modal, K::Home, motion::HomeReturn}},
    {28,  Dialect::Fanuc, {E::Modal, K::Other, motion::ReferenceReturn}}, // only modal in the own dialect
    {31,  Dialect::Both,  {E::Modal, K::Thread, cycles::LongThreadCut, 0, true}},
    {32,  Dialect::Own,   {E::Modal, K::Thread, cycles::FaceThreadCut, 0, true}},
    {32,  Dialect::Fanuc, {E::Modal, K::LeadMove, motion::LinearMove, 0, true}},
    {33,  Dialect::Both,  {E::Modal, K::Thread, cycles::LongThreadCut, 0, true}},
    {34,  Dialect::Both,  {E::Modal, K::LeadMove, motion::LinearMove}},
    {35,  Dialect::Both,  {E::Modal, K::LeadMove, motion::LinearMove}},
    {40,  Dialect::Both,  {E::NoseRadius}},
    {41,  Dialect::Both,  {E::NoseRadius}},
    {42,  Dialect::Both,  {E::NoseRadius}},
    {64,  Dialect::Both,  {E::None}},
    {65,  Dialect::Both,  {E::None}},
    {71,  Dialect::Both,  {E::Modal, K::Thread, cycles::LongThreadCycle, 0, true}},
    {72,  Dialect::Both,  {E::Modal, K::Thread, cycles::FaceThreadCycle, 0, true}},
    {73,  Dialect::Both,  {E::Modal, K::Cycle, cycles::LongGrooveCycle}},
    {74,  Dialect::Both,  {E::Modal, K::Cycle, cycles::FaceGrooveCycle}},
    {75,  Dialect::Both,  {E::StoredMode}},
    {76,  Dialect::Both,  {E::StoredMode}},
    {90,  Dialect::Own,   {E::Absolute}},
    {90,  Dialect::Fanuc, {E::ModalAs, K::Other, nullptr, 92}},
    {91,  Dialect::Both,  {E::Incremental}},
    {92,  Dialect::Both,  {E::Modal, K::Cycle, cycles::LongTurnCycle}},
    // The own dialect's G94 word selects the feed per minute; its modal code stays the face cycle.
    {94,  Dialect::Own,   {E::FeedPerMin, K::Cycle, cycles::FaceTurnCycle}},
    {94,  Dialect::Fanuc, {E::Modal, K::Cycle, cycles::FaceTurnCycle}},
    {95,  Dialect::Both,  {E::FeedPerRev}},
    {96,  Dialect::Both,  {E::SpeedMode}},
    {97,  Dialect::Both,  {E::SpeedMode}},
    {98,  Dialect::Both,  {E::FeedPerMin}},
    {99,  Dialect::Both,  {E::FeedPerRev}},
    {110, Dialect::Both,  {E::None}},
    {111, Dialect::Both,  {E::None}},
    {112, Dialect::Both,  {E::Modal, K::Arc, motion::CircularCW}},
    {113, Dialect::Both,  {E::Modal, K::Arc, motion::CircularCCW}},
    {178, Dialect::Both,  {E::Modal, K::Drill, cycles::DrillCycle}},
    {179, Dialect::Both,  {E::Modal, K::Drill, cycles::DrillCycle}},
    {180, Dialect::Both,  {E::Modal, K::Other, cycles::DrillCycleCancel}},
    {181, Dialect::Both,  {E::Modal, K::Drill, cycles::DrillCycle}},
    {183, Dialect::Both,  {E::Modal, K::Drill, cycles::DrillCycle}},
    {184, Dialect::Both,  {E::Modal, K::Drill, cycles::DrillCycle}},
};
// clang-format on

// The highest code the table can hold; any value beyond it, or not whole, has no row.
inline constexpr int Last = 200;
// From this modal code on (any value, listed or not) the drilling cycles keep their own start
// point: the block does not move the start of the next one.
inline constexpr double FirstOwnStart = 178;

using Lookup = std::array<std::array<GCode, Last + 1>, 2>;

constexpr Lookup Resolve() {
    Lookup out{};
    for (const Row& row : Rows) {
        if (row.When != Dialect::Fanuc) out[0][row.Code] = row.What;
        if (row.When != Dialect::Own) out[1][row.Code] = row.What;
    }
    return out;
}
// Indexed by dialect (1: FANUC), then code.
inline constexpr Lookup Table = Resolve();
inline constexpr GCode NoRow{};

} // namespace gtable

// The row of the G code `g` in the dialect; a value without a row gets the modal default.
inline const GCode& GCodeOf(double g, bool fanuc) {
    // Compared through a whole number rather than floor(), which is a call: this runs for every
    // G word and every block.
    if (g >= 0 && g <= gtable::Last) {
        const int code = static_cast<int>(g);
        if (code == g) return gtable::Table[fanuc ? 1 : 0][code];
    }
    return gtable::NoRow;
}

// The lowest and highest code of a kind in the rows of either dialect (Other also stands for
// every code without a row): a cheap first test before the lookup where a check runs for every
// block.
struct CodeSpan {
    double First, Last;
    bool Holds(double g) const { return g >= First && g <= Last; }
};
constexpr CodeSpan SpanOf(GKind kind) {
    CodeSpan span{gtable::Last + 1.0, -1.0};
    for (const gtable::Row& row : gtable::Rows)
        if (row.What.Kind == kind) {
            span.First = row.Code < span.First ? row.Code : span.First;
            span.Last = row.Code > span.Last ? row.Code : span.Last;
        }
    return span;
}

// The modal code after a G word of value `g` from the modal code `mode`.
inline double ModeAfterG(double mode, double g, bool fanuc) {
    const GCode& c = GCodeOf(g, fanuc);
    return c.Effect == GEffect::Modal ? g : c.Effect == GEffect::ModalAs ? c.Mode : mode;
}

} // namespace interp
