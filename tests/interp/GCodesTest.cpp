// SPDX-License-Identifier: GPL-3.0-or-later
// The G-code table: what the interpreter does with a G word and what the advice reads from the
// same table must agree, and each code has one row per dialect.

#include "interp/GCodes.h"
#include "interp/Scanner.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <vector>

using testing_support::TestMachine;

TEST(GCodes, OneRowPerCodeAndDialect) {
    using interp::gtable::Dialect;
    for (const interp::gtable::Row& a : interp::gtable::Rows) {
        ASSERT_GE(a.Code, 0);
        ASSERT_LE(a.Code, interp::gtable::Last);
        int own = 0, fanuc = 0;
        for (const interp::gtable::Row& b : interp::gtable::Rows) {
            if (b.Code != a.Code) continue;
            own += b.When != Dialect::Fanuc;
            fanuc += b.When != Dialect::Own;
        }
        EXPECT_LE(own, 1) << "G" << a.Code;
        EXPECT_LE(fanuc, 1) << "G" << a.Code;
    }
}

TEST(GCodes, ModeAfterGIsWhatTheGWordDoesToTheMachine) {
    std::vector<double> codes;
    for (int g = 0; g <= 210; ++g)
        codes.push_back(g);
    for (double g : {-1.0, -0.0, 1.5, 4.0001, 90.5, 199.99, 1e9})
        codes.push_back(g);
    for (bool fanuc : {false, true}) {
        for (double g : codes) {
            TestMachine t;
            t.M.S.FanucMode = fanuc;
            t.M.S.GMode = 7;
            t.M.S.GWord = g;
            interp::ApplyGWord(t.M);
            EXPECT_EQ(interp::ModeAfterG(7, g, fanuc), t.M.S.GMode) << "G" << g << (fanuc ? " FANUC" : "");
        }
    }
    // The dialects' differences, pinned.
    EXPECT_EQ(interp::ModeAfterG(1, 90, false), 1);
    EXPECT_EQ(interp::ModeAfterG(1, 90, true), 92); // FANUC: the turning cycle
    EXPECT_EQ(interp::ModeAfterG(1, 94, false), 1); // feed per minute
    EXPECT_EQ(interp::ModeAfterG(1, 94, true), 94);
    EXPECT_EQ(interp::ModeAfterG(1, 76, true), 1); // stored only
    EXPECT_EQ(interp::ModeAfterG(1, 4, false), 4);
    EXPECT_EQ(interp::ModeAfterG(1, 70, false), 70);
}

TEST(GCodes, KindsFollowTheDialect) {
    using interp::GCodeOf;
    using interp::GKind;
    EXPECT_EQ(GCodeOf(32, false).Kind, GKind::Thread); // face thread cut
    EXPECT_EQ(GCodeOf(32, true).Kind, GKind::LeadMove);
    EXPECT_TRUE(GCodeOf(32, true).KeepsTaper);
    EXPECT_EQ(GCodeOf(28, false).Run, nullptr); // only modal in the own dialect
    EXPECT_NE(GCodeOf(28, true).Run, nullptr);
    EXPECT_EQ(GCodeOf(182, false).Kind, GKind::Other);
    EXPECT_EQ(GCodeOf(1.5, true).Run, nullptr);
    // The span of a kind, the first test of the checks that run every block, holds all its codes
    // (Other also stands for the codes without a row, which no span holds).
    for (bool fanuc : {false, true}) {
        for (int g = 0; g <= interp::gtable::Last; ++g) {
            const GKind kind = GCodeOf(g, fanuc).Kind;
            EXPECT_TRUE(kind == GKind::Other || interp::SpanOf(kind).Holds(g)) << "G" << g;
        }
    }
    EXPECT_FALSE(interp::SpanOf(GKind::Home).Holds(1));
}
