// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh machine per test with a host that records the status bars, the XA/ZA captions and the
// waits, and a recording canvas; helpers that set a start point and a block point and compare
// the legs a cycle drew.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Machine.h"
#include "base/View.h"
#include "cycles/Cycles.h"
#include "motion/RecordingCanvas.h"
#include "support/FakeHost.h"

namespace cycles::test {

// The shared fake host, which also keeps the XA/ZA captions in the order shown.
class RecordingHost : public testing_support::FakeHost {
  public:
    std::vector<std::string> Xa, Za;
    void ShowCyclePosition(const std::string* xa, const std::string* za) override {
        if (xa) Xa.push_back(*xa);
        if (za) Za.push_back(*za);
    }
};

// A leg as the trace reports it: rapid or cut, from (x0, z0) to (x1, z1).
struct Leg {
    bool rapid;
    double x0, z0, x1, z1;
};
inline Leg R(double x0, double z0, double x1, double z1) {
    return {true, x0, z0, x1, z1};
}
inline Leg C(double x0, double z0, double x1, double z1) {
    return {false, x0, z0, x1, z1};
}

class CycleTest : public ::testing::Test {
  protected:
    motion::View Screen;
    motion::RecordingCanvas Trace;
    RecordingHost Ui;
    interp::Machine M{Screen, Trace, Ui};
    interp::MachineState& S = M.S;

    CycleTest() {
        Trace.SetScale(-300, -300, 600, 400);
        S.GFeedMode = 95;
        S.GSpeedMode = 97;
    }

    // The tool stands at (x, z); the block point starts there too, as after an ordinary block.
    void At(double x, double z) {
        S.LastX = S.CurX = x;
        S.LastZ = S.CurZ = z;
    }
    // A new block: the words the interpreter clears at every block are cleared.
    void Block(double x, double z) {
        S.TaperAngle = S.IWord = S.KWord = S.RWord = S.DWord = S.UWord = S.WWord = 0;
        S.RunState = interp::RunRunning;
        S.CurX = x;
        S.CurZ = z;
        Trace.Forget();
    }
    // What the interpreter does after a cycle block (the drilling cycles keep their own start).
    void NextBlock() {
        S.LastX = S.CurX;
        S.LastZ = S.CurZ;
    }

    void ExpectLegs(const std::vector<Leg>& want) {
        ASSERT_EQ(Trace.Segments.size(), want.size());
        for (size_t n = 0; n < want.size(); ++n) {
            const motion::PathSegment& got = Trace.Segments[n];
            SCOPED_TRACE("leg " + std::to_string(n + 1));
            EXPECT_EQ(got.kind == motion::PathSegment::Kind::Rapid, want[n].rapid);
            EXPECT_NEAR(got.x0, want[n].x0, 1e-9);
            EXPECT_NEAR(got.z0, want[n].z0, 1e-9);
            EXPECT_NEAR(got.x1, want[n].x1, 1e-9);
            EXPECT_NEAR(got.z1, want[n].z1, 1e-9);
        }
    }
    void ExpectAt(double x, double z) {
        EXPECT_DOUBLE_EQ(S.CurX, x);
        EXPECT_DOUBLE_EQ(S.CurZ, z);
    }
};

} // namespace cycles::test
