// SPDX-License-Identifier: GPL-3.0-or-later
// The workbench's panels on real widgets: the silent check's worker, the problems list and the
// tools panel with their navigation, clicking and measuring on the path, the pane's gutter.

#include "stock/SetupFile.h"
#include "support/TestPane.h"
#include "workbench/PaneGutter.h"
#include "workbench/Panels.h"
#include "workbench/PathPointer.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

using namespace workbench;
using testing_support::TestPane;

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Line 2 dwells for minutes (a warning), line 4 fails its thread cycle (an alarm) and cuts with
// the spindle stopped (a warning).
const std::string Problems =
    "G00 X-0.2 Z5.\r\nN20 G04 F61.\r\nG95 G96 S100\r\nN40 G33 X-0.8 Z-30. F2.\r\nM30\r\n";

BenchPtr Check(const std::string& text) {
    return std::make_shared<const inspect::InspectionResult>(inspect::RunInspection(U(text), {}));
}

// 10 px a millimetre; the canvas at the viewport's corner shows Z from -50, radius from +20.
inspect::ViewMap TenPixelsPerMm() {
    inspect::ViewMap v;
    v.ScaleLeft = -50, v.ScaleTop = -20, v.ScaleWidth = 80, v.ScaleHeight = 50;
    v.CanvasWidth = 800 * inspect::TwipsPerPixel, v.CanvasHeight = 500 * inspect::TwipsPerPixel;
    return v;
}

void ClickRow(QAbstractItemView* view, int row) {
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

TEST(CheckWorker, OnlyTheNewestTextsResultIsHandedOn) {
    CheckWorker worker;
    worker.SetDelay(30);
    QSignalSpy checked(&worker, &CheckWorker::Checked);
    // Typing: three texts in a row, then quiet. One check, of the last.
    worker.Request(U("G00 X10. Z10.\r\nM30\r\n"), {});
    worker.Request(U("G00 X20. Z10.\r\nM30\r\n"), {});
    worker.Request(U(Problems), {});
    ASSERT_TRUE(worker.WaitIdle());
    ASSERT_EQ(checked.size(), 1);
    EXPECT_EQ(worker.Started(), 1);
    EXPECT_EQ(worker.Latest()->Counts.Alarms, 1u);
    // A long check overtaken by an edit is given up, and only the edit's result arrives.
    std::string longText;
    for (int i = 0; i < 200000; ++i)
        longText += i % 2 ? "G01 X10. Z-5. F1.\r\n" : "G01 X20. Z-10. F1.\r\n";
    worker.RequestNow(U(longText), {});
    QTest::qWait(5);
    worker.RequestNow(U("G00 X30. Z10.\r\nM30\r\n"), {});
    ASSERT_TRUE(worker.WaitIdle());
    ASSERT_EQ(checked.size(), 2);
    EXPECT_EQ(worker.Latest()->Report.FinalX, 30); // the edit's program, not the long one
    EXPECT_EQ(worker.Started(), 3);
}

// While the window draws, a check that is due waits, pending (the worker counts as busy), and
// starts once the drawing is done.
// A stock check of costly moves (a holder of a hundred corners along arcs through the bar) is
// given up inside them: the worker going (the window closing) waits for it a moment at most.
TEST(CheckWorker, AStockCheckIsGivenUpInsideItsMovesWhenTheWorkerGoes) {
    std::string toml =
        "[stock]\nkind = \"bar\"\ndiameter = 50\nlength = 100\n[[tool]]\nnumber = 1\nholder = [";
    for (int i = 0; i < 98; ++i)
        toml += "[" + std::to_string(i * 0.5) + ", " + (i % 2 ? "5" : "3") + "], ";
    toml += "[49, 60], [0, 60]]\n";
    stock::SetupError error;
    const std::optional<stock::Setup> setup = stock::ParseSetup(toml, "comb.setup.toml", error);
    ASSERT_TRUE(setup) << error.Text();
    check::CheckOptions o;
    o.Stock = std::make_shared<const stock::Setup>(*setup);
    std::string program = "T0101\r\nG97 S1000 M03\r\nG95 G00 X52. Z2.\r\n";
    for (int i = 0; i < 100; ++i)
        program += "G00 X40. Z-10.\r\nG02 X40. Z-50. R20. F0.2\r\nG00 X52.\r\nG00 Z2.\r\n";
    auto worker = std::make_unique<CheckWorker>();
    worker->RequestNow(U(program + "M30\r\n"), o);
    QTest::qWait(500);
    ASSERT_TRUE(worker->CuttingStock());
    QElapsedTimer clock;
    clock.start();
    worker.reset();
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST(CheckWorker, ACheckDueWhileTheWindowDrawsWaitsForIt) {
    CheckWorker worker;
    bool drawing = true;
    worker.Hold = [&drawing] { return drawing; };
    QSignalSpy checked(&worker, &CheckWorker::Checked);
    worker.RequestNow(U(Problems), {});
    QTest::qWait(80);
    EXPECT_EQ(worker.Started(), 0);
    EXPECT_TRUE(worker.Busy());
    EXPECT_FALSE(worker.WaitIdle(60)); // still held
    drawing = false;
    ASSERT_TRUE(worker.WaitIdle());
    EXPECT_EQ(worker.Started(), 1);
    ASSERT_EQ(checked.size(), 1);
    EXPECT_EQ(worker.Latest()->Counts.Alarms, 1u);
    // A program just opened: checked once the window is back at its events, not at once (it
    // is drawn first).
    worker.RequestSoon(std::make_shared<const std::u16string>(U("G00 X5.\r\nM30\r\n")), {});
    EXPECT_EQ(worker.Started(), 1);
    EXPECT_TRUE(worker.Busy());
    ASSERT_TRUE(worker.WaitIdle());
    EXPECT_EQ(worker.Started(), 2);
    EXPECT_EQ(worker.Latest()->Report.FinalX, 5);
}

TEST(CheckWorker, ChecksTheWindowsTextWithoutACopyAndLetsGoOfIt) {
    CheckWorker worker;
    QSignalSpy checked(&worker, &CheckWorker::Checked);
    std::string longText;
    for (int i = 0; i < 2000; ++i)
        longText += i % 2 ? "G01 X10. Z-5. F1.\r\n" : "G01 X20. Z-10. F1.\r\n";
    const auto text = std::make_shared<const std::u16string>(U(longText + "G00 X40.\r\nM30\r\n"));
    worker.RequestNow(text, {});
    EXPECT_GT(text.use_count(), 1); // the running check holds the window's text itself
    // Asked again (a switch changed): waits with the same text. The first check counts as
    // running until its end reaches the event loop, however quick it is.
    worker.RequestNow(text, {});
    EXPECT_GT(text.use_count(), 1);
    ASSERT_TRUE(worker.WaitIdle());
    ASSERT_EQ(checked.size(), 1);
    EXPECT_EQ(worker.Latest()->Report.FinalX, 40);
    EXPECT_EQ(text.use_count(), 1); // nothing keeps it once checked
}

TEST(CheckWorker, RunsBelowTheWindowYetInTheOrdinaryClassThatAlwaysGetsItsShare) {
    CheckWorker worker;
    std::atomic<int> policy = -1, nice = -100;
    check::CheckOptions o;
    o.OnBlock = [&](int64_t, double) { // on the check's own thread
        policy = sched_getscheduler(0);
        errno = 0;
        nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    };
    worker.RequestNow(U("G00 X10. Z10.\r\nM30\r\n"), o);
    ASSERT_TRUE(worker.WaitIdle());
    EXPECT_EQ(policy, SCHED_OTHER);  // not SCHED_IDLE, which starves while the cores are busy
    EXPECT_GE(nice, CheckNiceLevel); // (more when the whole window was started nicer)
    EXPECT_GT(CheckNiceLevel, 0);
}

TEST(ProblemsPanel, ListsEveryProblemAndAClickAsksForItsLine) {
    ProblemsPanel panel;
    panel.resize(600, 300);
    panel.show();
    panel.SetResult(Check(Problems));
    ProblemsModel* m = panel.Model();
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_EQ(m->columnCount(), 5);
    auto cell = [m](int r, int c) { return m->data(m->index(r, c), Qt::DisplayRole).toString(); };
    EXPECT_EQ(cell(0, 0), "2");
    EXPECT_EQ(cell(0, 1), "N20");
    EXPECT_EQ(cell(0, 2), "warning");
    EXPECT_EQ(cell(1, 0), "4");
    EXPECT_EQ(cell(1, 1), "N40");
    EXPECT_EQ(cell(1, 2), "alarm");
    EXPECT_EQ(cell(1, 3), "Calcu Error");
    EXPECT_EQ(m->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "N");
    EXPECT_EQ(panel.Counts(), "1 alarm, 2 warnings");
    QSignalSpy lines(&panel, &ProblemsPanel::LineActivated);
    ClickRow(panel.Table(), 1);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0][0].toLongLong(), 4);
    // A clean program empties the list.
    panel.SetResult(Check("G00 X10. Z10.\r\nM30\r\n"));
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_EQ(panel.Counts(), "no problems");
}

TEST(ToolsPanel, OneRowATool) {
    ToolsPanel panel;
    panel.resize(500, 200);
    panel.show();
    panel.SetResult(Check("G00 X0. Z0. S500 M03\r\nG01 Z-10. F1.\r\nT0202\r\nG01 X10.\r\nM30\r\n"));
    ToolsModel* m = panel.Model();
    ASSERT_EQ(m->rowCount(), 2);
    EXPECT_EQ(m->data(m->index(1, ToolsModel::ToolColumn), Qt::DisplayRole).toString(), "T2");
    EXPECT_EQ(m->data(m->index(1, ToolsModel::BlocksColumn), Qt::DisplayRole).toLongLong(), 3);
    EXPECT_EQ(m->data(m->index(1, ToolsModel::FirstLineColumn), Qt::DisplayRole).toLongLong(), 3);
    EXPECT_TRUE(m->data(m->index(0, ToolsModel::ColorColumn), Qt::DecorationRole).canConvert<QColor>());
    QSignalSpy tools(&panel, &ToolsPanel::ToolActivated);
    ClickRow(panel.Table(), 1);
    ASSERT_EQ(tools.size(), 1);
    EXPECT_EQ(tools[0][0].toDouble(), 2);
    EXPECT_EQ(tools[0][1].toLongLong(), 3);
}

TEST(PathPointer, ClickPicksTheBlockAndMeasureSnapsToEnds) {
    QWidget viewport;
    viewport.resize(800, 500);
    auto* canvas = new QWidget(&viewport);
    canvas->setGeometry(0, 0, 800, 500);
    PathOverlay overlay(&viewport, [] { return std::optional<inspect::ViewMap>(TenPixelsPerMm()); });
    PathPointer pointer(canvas, &overlay);
    viewport.show();
    // X20 Z0 -> X40 Z-10 is line 2; pixels: (500, 100) -> (400, 0).
    const std::u16string program = U("G00 X20. Z0.\r\nG01 X40. Z-10. F1.\r\nM30\r\n");
    pointer.Text = [&program]() -> const std::u16string& { return program; };
    overlay.SetResult(std::make_shared<const inspect::InspectionResult>(inspect::RunInspection(program, {})));
    QSignalSpy clicked(&pointer, &PathPointer::LineClicked);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(452, 50));
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked[0][0].toLongLong(), 2);
    EXPECT_EQ(pointer.TipAt(QPointF(452, 50)), "Line 2: G01 X40. Z-10. F1.");
    EXPECT_TRUE(pointer.TipAt(QPointF(300, 300)).isEmpty());
    // A drag is the canvas's, not a pick.
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(452, 50));
    QTest::mouseMove(canvas, QPoint(480, 90));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(480, 90));
    EXPECT_EQ(clicked.size(), 1);
    // The caret's block highlighted over the picture.
    overlay.HighlightLine(2);
    EXPECT_EQ(overlay.Highlighted().size(), 1u);

    // Measure: clicks 6 px off both ends snap to them.
    QSignalSpy measured(&pointer, &PathPointer::Measured);
    pointer.SetMeasuring(true);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(504, 104));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(396, 3));
    EXPECT_EQ(clicked.size(), 1); // no pick while measuring
    ASSERT_EQ(measured.size(), 1);
    EXPECT_EQ(measured[0][0].toString(),
              QString::fromUtf8("dZ -10.000  dX 20.000 (R 10.000)  L 14.142  A 45.000\u00b0"));
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), measured[0][0].toString());
    QTest::keyClick(canvas, Qt::Key_Escape);
    EXPECT_FALSE(pointer.Measuring());
    EXPECT_FALSE(overlay.Measure().From());
}

// Each line on screen is coloured once, and again only after it changed: lines coming in off
// screen colour nothing again.
TEST(PaneGutter, ColoursALineOnceUntilItChanges) {
    TestPane owner;
    editor::ProgramView& pane = owner.View;
    pane.resize(400, 300);
    QString text = QStringLiteral("%\n\n");
    for (int i = 1; i <= 2000; ++i)
        text += QStringLiteral("N%1 G01 X%2. Z-5.\n").arg(i).arg(i % 50);
    owner.Text.Load(text);
    PaneGutter gutter(&pane, [](int) {});
    pane.show();
    QApplication::processEvents();
    const int coloured = pane.ColouredCount();
    EXPECT_GT(coloured, 0);
    for (int part = 0; part < 5; ++part) {
        const int end = owner.Text.PaneLength();
        owner.Text.Replace(end, end, QStringLiteral("G00 X1.\nG00 X2.\n"));
        QApplication::processEvents();
    }
    EXPECT_EQ(pane.ColouredCount(), coloured);
    // An edit on screen colours that line again.
    owner.Text.Replace(owner.Text.LineStart(3), owner.Text.LineStart(3), QStringLiteral("/"));
    QApplication::processEvents();
    EXPECT_GT(pane.ColouredCount(), coloured);
}

TEST(PaneGutter, NumbersAndColoursOnlyTheLinesOnScreen) {
    TestPane owner;
    editor::ProgramView& pane = owner.View;
    pane.resize(400, 300);
    QString text;
    for (int i = 1; i <= 100000; ++i)
        text += QStringLiteral("N%1 G01 X%2. Z-5. (CUT)\n").arg(i).arg(i % 50);
    owner.Text.Load(text);
    int margin = -1;
    PaneGutter gutter(&pane, [&margin](int w) { margin = w; });
    pane.show();
    QApplication::processEvents();
    EXPECT_GT(margin, 0);
    const auto shown = gutter.VisibleNumbers();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().second, 1);
    EXPECT_LT(shown.size(), 40u);
    EXPECT_LE(pane.ColouredCount(), 40);
    // The colours are drawn: the comments' green is on screen.
    const QImage shot = pane.viewport()->grab().toImage();
    bool green = false;
    for (int y = 0; y < shot.height() && !green; ++y)
        for (int x = 0; x < shot.width() && !green; ++x) {
            const QColor c = shot.pixelColor(x, y);
            green = c.green() > 90 && c.red() < 60 && c.blue() < 60;
        }
    EXPECT_TRUE(green);
    EXPECT_FALSE(owner.Text.Modified());
    const int width = pane.viewport()->width();
    // Scrolled to the end: the last lines, numbered as the window says.
    gutter.LineOfBlock = [](int block) { return int64_t(block) + 1001; };
    pane.verticalScrollBar()->setValue(pane.verticalScrollBar()->maximum());
    QApplication::processEvents();
    const auto end = gutter.VisibleNumbers();
    ASSERT_FALSE(end.empty());
    EXPECT_EQ(end.back().first, 100000);
    EXPECT_EQ(end.back().second, 101001);
    EXPECT_LE(pane.ColouredCount(), 80);
    EXPECT_EQ(pane.viewport()->width(), width); // the gutter keeps its width for longer numbers
    // Problem markers carry their messages.
    gutter.LineOfBlock = nullptr;
    gutter.SetResult(Check(Problems));
    EXPECT_EQ(gutter.ProblemsOf(4),
              "alarm: Calcu Error\nwarning: cutting move while the spindle has not been started (no "
              "M03/M04): start the spindle with M03 or M04 first");
    EXPECT_TRUE(gutter.ProblemsOf(3).isEmpty());
}
