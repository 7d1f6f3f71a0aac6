// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Parameters.h"
#include "base/MachineState.h"

#include <gtest/gtest.h>

using namespace interp;

TEST(Parameters, PowerOnValuesAreTheMachineStatesOwn) {
    // The soft-limit dialog falls back to the power-on limits, the checker starts from these.
    EXPECT_EQ(Parameters{}, ParametersOf(MachineState{}));
}

TEST(Parameters, EveryValueSurvivesTheWayThroughTheMachineStateAndNothingElseIsTouched) {
    Parameters p;
    p.Limits = {321.5, 150.25, -99.75, -150.3f};
    p.Unit = 4;
    p.Fanuc = p.Vertical = p.Xmirror = p.G2mirror = true;
    MachineState s;
    s.BlockDelete = true, s.WhiteBackground = true, s.AutoStart = false;
    ApplyParameters(s, p);
    EXPECT_EQ(ParametersOf(s), p);
    EXPECT_EQ(s.UnitCode, 4);
    EXPECT_TRUE(s.FanucMode && s.Vertical && s.Xmirror && s.G2mirror);
    EXPECT_EQ(s.NVLZ, -150.3f);
    EXPECT_TRUE(s.BlockDelete && s.WhiteBackground && !s.AutoStart);

    // Each switch on its own, both ways: a mix-up of two fields shows here.
    for (int n = 0; n < 4; ++n) {
        Parameters one;
        bool* field[] = {&one.Fanuc, &one.Vertical, &one.Xmirror, &one.G2mirror};
        *field[n] = true;
        MachineState t;
        ApplyParameters(t, one);
        const bool machine[] = {t.FanucMode, t.Vertical, t.Xmirror, t.G2mirror};
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(machine[k], k == n) << n << k;
        MachineState u;
        bool* from[] = {&u.FanucMode, &u.Vertical, &u.Xmirror, &u.G2mirror};
        *from[n] = true;
        EXPECT_EQ(ParametersOf(u), one) << n;
    }
}
