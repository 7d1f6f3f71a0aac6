// SPDX-License-Identifier: GPL-3.0-or-later
// What a run handed the planner, kept packed and planned again (machine/Planner.h).
#include "machine/Planner.h"

#include <cstdint>
#include <cstring>

namespace machine {

namespace {
// A move's flags, above the tag's three bits.
constexpr uint8_t ArcBit = 1 << 3, ClockwiseBit = 1 << 4, OwnBlockBit = 1 << 5, StartBit = 1 << 6,
                  FeedBit = 1 << 7;
// Its kind and whether the feed is per revolution, in the byte after when the feed is written.
} // namespace

void Recording::Put(double v) {
    uint8_t b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    Data.insert(Data.end(), b, b + sizeof v);
}

void Recording::ToolIs(double tool) {
    if (tool == Tool) return;
    Put(uint8_t{ToolTag});
    Put(tool);
    Tool = tool;
}

void Recording::Add(const Move& m) {
    ToolIs(m.Tool);
    const bool start = m.X0 != LastX || m.Z0 != LastZ;
    // The kind and per-revolution feed go with the feed: they change with it or not at all
    // within a run of moves written without it.
    const uint8_t mode = static_cast<uint8_t>(static_cast<uint8_t>(m.Type) | (m.PerRev ? 4 : 0));
    const bool feed = m.Feed != LastFeed || mode != LastMode;
    Put(static_cast<uint8_t>(MoveTag | (m.Arc ? ArcBit : 0) | (m.Clockwise ? ClockwiseBit : 0) |
                             (m.OwnBlock ? OwnBlockBit : 0) | (start ? StartBit : 0) | (feed ? FeedBit : 0)));
    if (start) Put(m.X0), Put(m.Z0);
    Put(m.X1), Put(m.Z1);
    if (m.Arc) Put(m.CX), Put(m.CZ), Put(m.R);
    if (feed) Put(mode), Put(m.Feed);
    LastX = m.X1, LastZ = m.Z1, LastFeed = m.Feed, LastMode = mode;
}

void Recording::Spindle(const SpindleCommand& c, double tool) {
    ToolIs(tool);
    Put(uint8_t{SpindleTag});
    Put(static_cast<uint8_t>(c.Direction)), Put(static_cast<uint8_t>(c.Css ? 1 : 0));
    Put(c.S), Put(c.Clamp);
}

void Recording::ToolChange(double tool) {
    ToolIs(tool);
    Put(uint8_t{ToolChangeTag});
}

void Recording::Dwell(double seconds, double tool) {
    ToolIs(tool);
    Put(uint8_t{DwellTag});
    Put(seconds);
}

void Recording::MCode(int code, double tool) {
    ToolIs(tool);
    Put(uint8_t{MCodeTag});
    Put(static_cast<double>(code));
}

void Recording::PlayTo(Planner& p) const {
    const uint8_t* at = Data.data();
    const uint8_t* const end = at + Data.size();
    const auto number = [&at] {
        double v;
        std::memcpy(&v, at, sizeof v);
        at += sizeof v;
        return v;
    };
    Move m;
    double tool = 0;
    uint8_t mode = 0;
    while (at < end) {
        const uint8_t b = *at++;
        switch (b & 7) {
        case MoveTag:
            if (b & StartBit)
                m.X0 = number(), m.Z0 = number();
            else
                m.X0 = m.X1, m.Z0 = m.Z1;
            m.X1 = number(), m.Z1 = number();
            m.Arc = b & ArcBit, m.Clockwise = b & ClockwiseBit, m.OwnBlock = b & OwnBlockBit;
            if (m.Arc) m.CX = number(), m.CZ = number(), m.R = number();
            if (b & FeedBit) mode = *at++, m.Feed = number();
            m.Type = static_cast<Move::Kind>(mode & 3), m.PerRev = mode & 4;
            m.Tool = tool;
            p.Add(m);
            break;
        case SpindleTag: {
            SpindleCommand c;
            c.Direction = *at++;
            c.Css = *at++ != 0;
            c.S = number(), c.Clamp = number();
            p.Spindle(c, 0, tool);
            break;
        }
        case ToolChangeTag:
            p.ToolChange(0, tool);
            break;
        case DwellTag:
            p.Dwell(number(), 0, tool);
            break;
        case MCodeTag:
            p.MCode(static_cast<int>(number()), 0, tool);
            break;
        case ToolTag:
            tool = number();
            break;
        }
    }
}

Result Replay(const Recording& run, const Profile& profile) {
    Planner p(profile, run.FrontZ);
    run.PlayTo(p);
    return p.Finish();
}

} // namespace machine
