// SPDX-License-Identifier: GPL-3.0-or-later
// Multi-pass thread cycles G71 and G72.

#include "CycleRig.h"

namespace cycles::test {
namespace {

class ThreadCycle : public CycleTest {
  protected:
    ThreadCycle() {
        S.SWord = 400;
        S.HWord = 1;
    }
    void G71(double x, double z, double d, double feed) {
        Block(x, z);
        S.DWord = d;
        S.Feed = feed;
        LongThreadCycle(M);
    }
    size_t LinesDrawn() const { return Trace.Of(motion::Primitive::Op::Line).size(); }
};

TEST_F(ThreadCycle, LongCycleDrawsFinalPassAndOffsetLineAndBooksAllPasses) {
    At(25, 3);
    G71(18, -20, 0.2, 1.5);
    ExpectLegs(
        {R(25, 3, 18, 3), C(18, 3, 18, -20), C(19, 3, 19, -20), R(18, -20, 25, -20), R(25, -20, 25, 3)});
    // Five passes: rapid (23 + 7) x 5 mm, cut 23 x 5 mm.
    EXPECT_NEAR(S.CuttingTime, 150 / 20000.0 * 60 + 115 / 1.5 / 400 * 60, 1e-5);
    ExpectAt(25, 3);
}

TEST_F(ThreadCycle, InsideThreadPutsTheOffsetLineInsideWithoutChangingH) {
    At(10, 3);
    G71(18, -20, 0.2, 1.5);
    ExpectLegs(
        {R(10, 3, 18, 3), C(18, 3, 18, -20), C(17, 3, 17, -20), R(18, -20, 10, -20), R(10, -20, 10, 3)});
    // As from X 26 outside: rapid (23 + 8) x 5 mm.
    EXPECT_NEAR(S.CuttingTime, 155 / 20000.0 * 60 + 115 / 1.5 / 400 * 60, 1e-5);
    EXPECT_EQ(S.HWord, 1); // a later block without H still starts from the written height
}

TEST_F(ThreadCycle, FractionalPassCountIsBookedAsIs) {
    At(25, 3);
    G71(18, -20, 0.3, 1.5); // 1 / 0.3 passes
    EXPECT_NEAR(S.CuttingTime, (30 / 0.3) / 20000.0 * 60 + (23 / 0.3) / 1.5 / 400 * 60, 1e-5);
}

TEST_F(ThreadCycle, MissingDepthOrHeightShowsTheJapaneseTextOnTheMainBarOnly) {
    At(25, 3);
    S.HWord = 0;
    G71(18, -20, 0.2, 0); // neither F nor H: only the D/H alarm
    EXPECT_EQ(Ui.MainMessage, "D又Hが０です。");
    EXPECT_EQ(Ui.FkeyMessage, "");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_TRUE(Trace.Segments.empty());
    ExpectAt(18, -20);

    S.HWord = 1;
    G71(18, -20, 0, 1.5);
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_TRUE(Trace.Segments.empty());
}

TEST_F(ThreadCycle, PlusLimitComesBeforeTheDepthCheck) {
    At(25, 3);
    S.HWord = 0;
    G71(18, 200, 0, 1.5); // Z on PVLZ
    EXPECT_EQ(Ui.MainMessage, "Z-Axis plus limit over.");
    EXPECT_EQ(Ui.FkeyMessage, "Z-Axis puls limit over.");
}

TEST_F(ThreadCycle, FeedIsCheckedAfterDepthAndHeight) {
    At(25, 3);
    G71(18, -20, 0.2, 0);
    EXPECT_EQ(Ui.MainMessage, "Feed is 0.");
    EXPECT_TRUE(Trace.Segments.empty());
}

TEST_F(ThreadCycle, OnlyTheLongCycleDrawsArrows) {
    S.RapidArrow = true;
    At(25, 3);
    G71(18, -20, 0.2, 1.5);
    EXPECT_EQ(LinesDrawn(), 5u + 3 * 3); // five legs, three arrow heads of three lines each

    Trace.Drawn.clear();
    Block(10, -2);
    S.DWord = 0.2;
    FaceThreadCycle(M);
    EXPECT_EQ(LinesDrawn(), 5u);
}

TEST_F(ThreadCycle, FaceCycleOffsetLiesTowardsTheStartAndUsesTheEnglishText) {
    At(50, -6); // start below the thread end: offset at Zb - H
    Block(10, -2);
    S.DWord = 0.25;
    S.KWord = 0.4;
    S.Feed = 1;
    FaceThreadCycle(M);
    ExpectLegs({R(50, -6, 50, -2), C(50, -2, 10, -1.6), C(50, -3, 10, -2.6), R(10, -1.6, 10, -6),
                R(10, -6, 50, -6)});
    // Four passes: rapid (20 + 2 x 4) x 4 mm, cut 20 x 4 mm.
    EXPECT_NEAR(S.CuttingTime, 112 / 20000.0 * 60 + 80 / 1.0 / 400 * 60, 1e-5);

    S.HWord = 0;
    Block(10, -2);
    S.DWord = 0.25;
    FaceThreadCycle(M);
    EXPECT_EQ(Ui.MainMessage, "D or H vale is 0.");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
}

} // namespace
} // namespace cycles::test
