// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on screen: the stops and their messages in both bars, Hold stop and Reset during a run,
// Restart, the speed slider, the canvas growing, and closing the window while a run goes on.

#include "WindowFixture.h"

#include <QElapsedTimer>
#include <QSlider>

namespace {

const QByteArray Program = "O1000\r\n"          // 1
                           "G50 S2000\r\n"      // 2
                           "T0101\r\n"          // 3
                           "G97 S1000 M03\r\n"  // 4
                           "G00 X50. Z5.\r\n"   // 5
                           "G01 Z-10. F0.2\r\n" // 6
                           "M00\r\n"            // 7
                           "G01 X60.\r\n"       // 8
                           "M01\r\n"            // 9
                           "G00 X100. Z50.\r\n" // 10
                           "M30\r\n"            // 11
                           "%\r\n";             // 12

QByteArray LongProgram(int moves) {
    QByteArray p = "T0101\r\nG97 S1000 M03\r\nG00 X50. Z5.\r\nG01 F0.2\r\n";
    for (int i = 0; i < moves; ++i)
        p += (i % 2 ? "X40. Z-" : "X50. Z-") + QByteArray::number(i % 50) + ".\r\n";
    return p + "M30\r\n%\r\n";
}

int PathPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80) ++n; // the first tool's yellow
        }
    return n;
}

} // namespace

TEST_F(WindowTest, StartStopsAtEachStopWithItsMessageAndContinues) {
    Open(Program);
    Key(Qt::Key_F7); // optional stop on
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Program Stop");
    EXPECT_EQ(FkeyMessage(), "Program Stop");
    EXPECT_EQ(Selected(), "G01 X60."); // the next block, pending
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Optional Stop");
    EXPECT_EQ(FkeyMessage(), "Optional Stop");
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Program End");
    EXPECT_EQ(FkeyMessage(), "Program End");
    EXPECT_EQ(Label("Mcode3")->text(), "30");
    EXPECT_TRUE(Label("Mcode3")->isVisible());

    // With optional stop off, M01 passes.
    Key(Qt::Key_F7);
    Key(Qt::Key_F3);
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Program Stop");
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Program End");
}

TEST_F(WindowTest, HoldStopDuringARunFinishesTheBlockAndStopsThenStartContinues) {
    Open(LongProgram(40));
    W->Panel().SetSlider(70); // 0.15 s a block
    EXPECT_EQ(S().RunSpeed, 70.0f);
    QTimer::singleShot(400, [&] { Key(Qt::Key_F2); });
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Hold Stop"); // held, not run to its end
    EXPECT_EQ(FkeyMessage(), "Hold Stop");
    const int heldAt = S().BlockCount;
    EXPECT_GT(heldAt, 1);
    EXPECT_LT(heldAt, 20);
    W->Panel().SetSlider(100);
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Program End");
    EXPECT_GT(S().BlockCount, 40);
}

TEST_F(WindowTest, ResetDuringARunEndsItAndHighlightsTheFirstBlock) {
    Open(LongProgram(40));
    W->Panel().SetSlider(70);
    QTimer::singleShot(400, [&] { W->Panel().ClickFkeyPanel("Reset"); });
    Key(Qt::Key_F1);
    EXPECT_FALSE(W->Model().Running());
    EXPECT_EQ(Message(), "");
    EXPECT_EQ(Selected(), "T0101");
    EXPECT_LE(S().BlockCount, 1);
}

TEST_F(WindowTest, TheSpeedSliderPacesTheRun) {
    Open(LongProgram(10));
    W->Panel().SetSlider(100);
    QElapsedTimer t;
    t.start();
    Key(Qt::Key_F1);
    const qint64 fast = t.restart();
    Key(Qt::Key_F3);
    W->Panel().SetSlider(80); // 0.1 s a block
    t.restart();
    Key(Qt::Key_F1);
    const qint64 paced = t.elapsed();
    EXPECT_EQ(Message(), "Program End");
    EXPECT_GE(paced, 1000); // at least ten blocks of 0.1 s
    EXPECT_LT(fast, paced);
}

TEST_F(WindowTest, TheCanvasShowsThePathGrowingDuringARun) {
    Open(LongProgram(30));
    Key(Qt::Key_F3);
    const int before = PathPixels(W->View().TraceImage().Image());
    W->Panel().SetSlider(80);
    int during = -1;
    QTimer::singleShot(1200, [&] { during = PathPixels(W->View().Canvas()->grab().toImage()); });
    Key(Qt::Key_F1);
    const int after = PathPixels(W->View().TraceImage().Image());
    EXPECT_GT(during, before);
    EXPECT_GT(after, during);
}

TEST_F(WindowTest, RestartRunsUpToTheCaretAndLeavesItsBlockHighlighted) {
    Open(Program);
    Pane()->SetCaret(Pane()->Text().LineStart(7) + 3); // line 8, "G01 X60."
    Key(Qt::Key_F4);
    EXPECT_EQ(Selected(), "G01 X60.");
    EXPECT_EQ(Label("ZA")->text(), "-10.000"); // the state of the program there
    EXPECT_TRUE(S().RestartSearch);
    Key(Qt::Key_F5); // single block: Start executes the highlighted block
    Key(Qt::Key_F1);
    EXPECT_EQ(Label("XA")->text(), "60.000");
}

TEST_F(WindowTest, BlocksAreHighlightedAtTheirPlaceWhateverTheLineEndings) {
    Open("T0101\nG97 S1000 M03\rG00 X50. Z5.\r\nG01 X40. F0.2\r\nM30\r\n%");
    Key(Qt::Key_F5); // single block
    Key(Qt::Key_F1);
    // A lone LF or CR stays inside the block the control reads: one block moved to X50.
    EXPECT_EQ(Label("XA")->text(), "50.000");
    EXPECT_EQ(S().BlockCount, 2);
    EXPECT_EQ(Selected(), "G01 X40. F0.2");
    Key(Qt::Key_F1);
    EXPECT_EQ(Selected(), "M30");
}

TEST_F(WindowTest, ClosingDuringARunEndsTheRunAndThenTheWindow) {
    Open(LongProgram(60));
    W->Panel().SetSlider(60);
    QTimer::singleShot(300, [&] { W->close(); });
    Key(Qt::Key_F1);
    QTest::qWait(50);
    EXPECT_FALSE(W->Model().Running());
    EXPECT_FALSE(W->isVisible());
    EXPECT_LT(S().BlockCount, 30);
}

TEST_F(WindowTest, ReRunsThatOnlyResetShowNoStopCode) {
    // Start-up without a file applies the standard view with Auto start still off.
    EXPECT_TRUE(Label("Mcode3")->isHidden());
    EXPECT_TRUE(Label("Label2_8")->isHidden());
    Open(Program);
    Act("mnuAutoStart")->trigger();
    ASSERT_FALSE(S().AutoStart);
    Act("mnuStanderd")->trigger();
    EXPECT_TRUE(Label("Mcode3")->isHidden());
    EXPECT_TRUE(Label("Label2_8")->isHidden());
    EXPECT_EQ(Label("Block")->text(), "0"); // as Reset shows it
    Act("mnuBackcolor")->trigger();
    EXPECT_TRUE(Label("Mcode3")->isHidden());
    // A stop code shown by a run goes away with the re-run's reset.
    Key(Qt::Key_F1);
    Key(Qt::Key_F1);
    ASSERT_EQ(Message(), "Program End");
    EXPECT_FALSE(Label("Mcode3")->isHidden());
    EXPECT_EQ(Label("Mcode3")->text(), "30");
    Act("mnuStanderd")->trigger();
    EXPECT_TRUE(Label("Mcode3")->isHidden());
}

TEST_F(WindowTest, ReRunsCountTheBlocksAsAStartDoes) {
    Open(LongProgram(20)); // 25 blocks up to M30, then %
    Key(Qt::Key_F3);
    Key(Qt::Key_F1);
    ASSERT_EQ(Message(), "Program End");
    EXPECT_EQ(Label("Block")->text(), "25");
    Act("mnuStanderd")->trigger(); // Auto start is on: the silent re-run draws it all
    EXPECT_EQ(Message(), "Program End");
    EXPECT_EQ(Label("Block")->text(), "25");
    EXPECT_EQ(Label("Mcode3")->text(), "30");
    EXPECT_FALSE(Label("Mcode3")->isHidden());
}
