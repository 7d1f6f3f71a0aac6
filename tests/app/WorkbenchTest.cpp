// SPDX-License-Identifier: GPL-3.0-or-later
// The checking workbench through the window's own commands: the problems list from opening to
// the caret, clicking on the drawn path at the window's view (also turned and mirrored),
// measuring between snapped ends, zoom to fit in the zoom history, the tools panel against the
// checker, the settings key, and shortcuts no other command uses.

#include "WindowFixture.h"

#include "app/GuiHost.h"
#include "check/Checker.h"
#include "picture/Framing.h"
#include "workbench/PathOverlay.h"
#include "workbench/Workbench.h"

#include <QClipboard>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTreeView>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Line 5 dwells for minutes (advice), line 8 fails its thread cut at constant surface speed on
// the axis (an alarm) and cuts with the spindle stopped (advice). The cut of line 3 runs from
// X40 Z0 to X40 Z-30.
const QByteArray Problems = "G00 X40. Z2. S800 M03\r\nG00 Z0.\r\nG01 Z-30. F0.2\r\nX60. Z-40.\r\n"
                            "N50 G04 F90.\r\nG00 X-0.2 Z5. M05\r\nG95 G96 S100\r\nN80 G33 X-0.8 Z-30. F2.\r\n"
                            "M30\r\n";

class Workbench : public WindowTest {
  protected:
    workbench::Workbench& B() { return W->Bench(); }
    void OpenChecked(const QByteArray& bytes) {
        Open(bytes);
        ASSERT_TRUE(B().Worker()->WaitIdle());
        ASSERT_TRUE(B().Latest());
    }
    int CaretLine() const { return Pane()->Text().LineAt(Pane()->Position()) + 1; }
    // The viewport pixel of a machine point at the window's view now, as a point of the canvas
    // widget (where the mouse goes).
    QPoint OnCanvas(double x, double z) {
        const inspect::Point px = B().Overlay()->CurrentMap()->ToPixel({x, z});
        QWidget* canvas = W->View().Canvas();
        return QPoint(qRound(px.X), qRound(px.Y)) - canvas->mapTo(W->View().Viewport(), QPoint(0, 0));
    }
    void Click(QPoint at) { QTest::mouseClick(W->View().Canvas(), Qt::LeftButton, {}, at); }
};

} // namespace

TEST_F(Workbench, ProblemsListFromOpeningToTheCaret) {
    QDockWidget* dock = B().Problems();
    EXPECT_TRUE(dock->isVisible()); // shown by default
    // The state labels stay clear of it at the default size.
    QLabel* block = Label("Block");
    ASSERT_TRUE(block);
    EXPECT_TRUE(block->isVisible());
    EXPECT_LT(block->mapTo(W.get(), QPoint(0, block->height())).y(), dock->mapTo(W.get(), QPoint(0, 0)).y());
    EXPECT_GT(Pane()->height(), 100);

    OpenChecked(Problems);
    workbench::ProblemsModel* m = B().Problems()->Model();
    ASSERT_EQ(m->rowCount(), 3);
    auto cell = [m](int r, int c) { return m->data(m->index(r, c), Qt::DisplayRole).toString(); };
    EXPECT_EQ(QStringList({cell(0, 0), cell(0, 1), cell(0, 2)}), QStringList({"5", "N50", "warning"}));
    EXPECT_EQ(QStringList({cell(1, 0), cell(1, 1), cell(1, 2), cell(1, 3)}),
              QStringList({"8", "N80", "alarm", "Calcu Error"}));
    EXPECT_EQ(B().Counts()->text(), "1 alarm, 2 warnings");
    // A row puts the caret on its block and highlights the block's path.
    QAbstractItemView* table = B().Problems()->Table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(m->index(0, 3)).center());
    EXPECT_EQ(CaretLine(), 5);
    EXPECT_EQ(Selected(), "N50 G04 F90.");
    // Its command hides it; the counts in the status bar show it again.
    Act("mnuProblems")->trigger();
    EXPECT_FALSE(dock->isVisible());
    QTest::mouseClick(B().Counts(), Qt::LeftButton);
    EXPECT_TRUE(dock->isVisible());
    // Typing is checked again after a pause; nothing of the text changes on the way.
    files::ProgramText& t = Pane()->Text();
    const int end = t.LineStart(4) + t.LineLength(4);
    t.Replace(end, end, "0"); // a dwell of 900 s
    QTest::qWait(600);
    ASSERT_TRUE(B().Worker()->WaitIdle());
    EXPECT_EQ(B().Latest()->LineText(W->Document().ExactText(), 5), u"N50 G04 F90.0");
    EXPECT_TRUE(W->Document().Text().SnapshotString().contains("F90.0\r\nG00"));
}

TEST_F(Workbench, ClickOnThePathPutsTheCaretOnItsBlockInEveryLayout) {
    OpenChecked(Problems);
    Click(OnCanvas(40, -15)); // the middle of line 3's cut
    EXPECT_EQ(CaretLine(), 3);
    EXPECT_EQ(B().Overlay()->HighlightedLine(), 3);
    Click(OnCanvas(50, -35)); // the taper of line 4
    EXPECT_EQ(CaretLine(), 4);
    // Zoomed in on the part, turned to the vertical layout and mirrored: the same points still
    // name the same blocks.
    Act("mnuZoomToFit")->trigger();
    Click(OnCanvas(40, -15));
    EXPECT_EQ(CaretLine(), 3);
    Act("mnuVertical")->trigger();
    ASSERT_TRUE(S().Vertical);
    Click(OnCanvas(50, -35));
    EXPECT_EQ(CaretLine(), 4);
    Act("mnuXmirror")->trigger();
    ASSERT_TRUE(S().Xmirror);
    Click(OnCanvas(40, -15));
    EXPECT_EQ(CaretLine(), 3);
    // Hovering names the block.
    const QPoint at = OnCanvas(50, -35) + W->View().Canvas()->mapTo(W->View().Viewport(), QPoint(0, 0));
    EXPECT_EQ(B().Pointer()->TipAt(at), "Line 4: X60. Z-40.");
}

TEST_F(Workbench, MeasureBetweenTwoSnappedEnds) {
    OpenChecked(Problems);
    Act("mnuMeasure")->trigger();
    ASSERT_TRUE(B().Pointer()->Measuring());
    const int caret = CaretLine();
    // 5 px beside X40 Z-30 and beside X60 Z-40: the ends of the taper.
    Click(OnCanvas(40, -30) + QPoint(4, 3));
    Click(OnCanvas(60, -40) + QPoint(-3, 4));
    EXPECT_EQ(B().Pointer()->MeasureText(),
              QString::fromUtf8("dZ -10.000  dX 20.000 (R 10.000)  L 14.142  A 45.000\u00b0"));
    EXPECT_EQ(CaretLine(), caret); // measuring picks no block
    W->View().Canvas()->setFocus();
    QTest::keyClick(W->View().Canvas(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), B().Pointer()->MeasureText());
    QTest::keyClick(W->View().Canvas(), Qt::Key_Escape);
    EXPECT_FALSE(Act("mnuMeasure")->isChecked());
}

TEST_F(Workbench, ZoomToFitFramesThePartAndFitAllTheTravelEachOneStepOfTheZoomHistory) {
    OpenChecked(Problems);
    const double width0 = W->View().TraceImage().ScaleWidth;
    auto visible = [this] { return picture::VisibleArea(W->View().TraceImage(), W->View().Screen()); };
    // The part: the cuts of lines 3 and 4 (Z -40..0, radius 20..30; canvas y = -radius) with
    // the rapids near them, but not the run's start at X500 Z200.
    Act("mnuZoomToFit")->trigger();
    EXPECT_EQ(W->View().Screen().Zoom.ZoomLevel, 1);
    const picture::Area p = visible();
    EXPECT_LE(p.Left, -40);
    EXPECT_GE(p.Left + p.Width, 0);
    EXPECT_LE(p.Top, -30);
    EXPECT_GE(p.Top + p.Height, -20);
    EXPECT_LT(p.Width, 40 * 1.3 / 0.9); // the rapids add at most 15 % of the part on a side
    // Fit all: everything drawn, from the start down to and Z-40, with a margin of 5 % of
    // the view on the side that decides; one more step.
    Act("mnuZoomToFitAll")->trigger();
    EXPECT_EQ(W->View().Screen().Zoom.ZoomLevel, 2);
    const picture::Area v = visible();
    const double left = -40, right = 200, top = -250, bottom = 0.4; // canvas units: Z, -radius
    EXPECT_LE(v.Left, left);
    EXPECT_GE(v.Left + v.Width, right);
    EXPECT_LE(v.Top, top);
    EXPECT_GE(v.Top + v.Height, bottom);
    const double fillW = (right - left) / v.Width, fillH = (bottom - top) / v.Height;
    EXPECT_NEAR(std::max(fillW, fillH), 0.9, 0.01);
    Act("mnuZoomUndo")->trigger();
    Act("mnuZoomUndo")->trigger();
    EXPECT_EQ(W->View().Screen().Zoom.ZoomLevel, 0);
    EXPECT_DOUBLE_EQ(W->View().TraceImage().ScaleWidth, width0);
}

TEST_F(Workbench, ToolsPanelAgreesWithTheChecker) {
    QFile f(QStringLiteral(ZARVIK_SOURCE_DIR) + "/examples/TURNING.min");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    OpenChecked(bytes);
    const std::u16string text(bytes.begin(), bytes.end());
    const check::CheckReport report = check::CheckProgram(text, {});
    Act("mnuToolsPanel")->trigger();
    EXPECT_TRUE(B().Tools()->isVisible());
    workbench::ToolsModel* m = B().Tools()->Model();
    ASSERT_GE(m->rowCount(), static_cast<int>(report.ToolTimes.size()));
    double sum = 0;
    for (int r = 0; r < m->rowCount(); ++r) {
        const inspect::ToolRow* t = m->At(r);
        const auto it = report.ToolTimes.find(t->Tool);
        EXPECT_EQ(t->Seconds, it == report.ToolTimes.end() ? 0 : it->second);
        sum += t->Seconds;
    }
    EXPECT_NEAR(sum, report.CuttingTime, 1e-3);
    // The same table as Print puts it under the picture when Print setup asks for it.
    const QStringList lines = B().ToolTableLines();
    ASSERT_EQ(lines.size(), m->rowCount());
    EXPECT_TRUE(lines[1].startsWith(workbench::ToolName(m->At(1)->Tool) + " "));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("from line %1").arg(m->At(1)->FirstLine)));
    // A tool's row: the caret on its first block.
    QTableView* table = B().Tools()->Table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(m->index(1, 1)).center());
    EXPECT_EQ(CaretLine(), m->At(1)->FirstLine);
    EXPECT_FALSE(B().Overlay()->Highlighted().empty());
}

TEST_F(Workbench, PanelsAreRememberedInASectionOfTheirOwn) {
    Act("mnuProblems")->trigger();
    Act("mnuStartFitted")->trigger();
    Act("mnuNosePath")->trigger();
    EXPECT_FALSE(W->View().Sheet().Legend);
    W->View().PictureChoices().Legend = true; // Print setup's tools table
    W->Document().SetModified(false);
    W->WindowFrame().mnuExit_Click();
    QTest::qWait(10);
    {
        QSettings ini(settings::IniStore().FileName(), QSettings::IniFormat);
        EXPECT_EQ(ini.value("Workbench/ProblemsVisible").toString(), "False");
        EXPECT_EQ(ini.value("Workbench/ToolsVisible").toString(), "False");
        EXPECT_EQ(ini.value("Workbench/StartFitted").toString(), "True");
        EXPECT_EQ(ini.value("Workbench/PrintTools").toString(), "True");
        EXPECT_EQ(ini.value("Workbench/NosePath").toString(), "True");
    }
    W = std::make_unique<app::MainWindow>();
    ASSERT_TRUE(W->Load(""));
    EXPECT_FALSE(B().Problems()->isVisible());
    EXPECT_FALSE(Act("mnuProblems")->isChecked());
    EXPECT_TRUE(Act("mnuStartFitted")->isChecked());
    EXPECT_TRUE(Act("mnuNosePath")->isChecked());
    EXPECT_TRUE(W->View().Sheet().Legend);
    // Started fitted: an opened program is framed once it is checked.
    OpenChecked(Problems);
    QTest::qWait(50);
    EXPECT_EQ(W->View().Screen().Zoom.ZoomLevel, 1);
}

TEST_F(Workbench, EveryShortcutIsTheOnlyOneOfItsKind) {
    std::map<QString, QStringList> byKey;
    for (QAction* a : W->findChildren<QAction*>())
        for (const QKeySequence& k : a->shortcuts())
            byKey[k.toString()] << a->objectName();
    QStringList names{"mnuMeasure",       "mnuZoomToFit",     "mnuZoomToFitAll", "mnuLineNumbers",
                      "mnuExportPicture", "mnuEditUpperCase", "mnuStockSection"};
    for (const workbench::PanelRow& row : workbench::PanelRows())
        names << QString::fromLatin1(row.Command);
    for (const QString& name : names) {
        QAction* a = Act(name);
        ASSERT_FALSE(a->shortcut().isEmpty()) << name.toStdString();
        EXPECT_EQ(byKey[a->shortcut().toString()], QStringList{name}) << name.toStdString();
        // Reachable from a menu.
        bool inMenu = false;
        for (QMenu* menu : W->findChildren<QMenu*>())
            inMenu = inMenu || menu->actions().contains(a);
        EXPECT_TRUE(inMenu) << name.toStdString();
    }
}

namespace {

QString Codes(const workbench::BenchPtr& r) {
    QStringList codes;
    for (const inspect::Problem& p : r->Problems)
        codes << QString::fromStdString(p.Code);
    return codes.join(' ');
}

} // namespace

TEST_F(Workbench, ConvertingTheLineEndsRefreshesTheProblemsAtOnce) {
    OpenChecked("O0001\nG00 X10.\nG01 Z-5. F0.2\n");
    EXPECT_EQ(Codes(B().Latest()), "no-crlf");
    QMessageBox* notice = W->findChild<QMessageBox*>("LineEndNotice");
    ASSERT_TRUE(notice);
    for (QAbstractButton* b : notice->buttons())
        if (b->text() == "Convert to CR LF") b->click();
    // No typing: the list follows the converted text, and the gutter its lines.
    ASSERT_TRUE(B().Worker()->WaitIdle());
    ASSERT_TRUE(B().Latest());
    EXPECT_FALSE(Codes(B().Latest()).contains("no-crlf"));
    EXPECT_EQ(B().Latest()->Starts.Lines(), 4);
    EXPECT_EQ(B().Counts()->text(), QString::fromStdString(inspect::ProblemCounts(B().Latest()->Counts)));
    EXPECT_EQ(B().Gutter()->LineOfBlock(2), 3);
}

TEST_F(Workbench, QuickFixesAreOneUndoableEditAndNeverSave) {
    const QByteArray program = "g00 x10. (keep g01)\r\nG01 Z-5. F0.2\r\nG00 X20.";
    OpenChecked(program);
    const QString path = W->Document().FileName();
    auto text = [this] { return W->Document().Text().SnapshotString(); };
    auto fix = [this](inspect::QuickFix f) {
        emit B().FixRequested(f);
        QTest::qWait(10);
    };
    // The list's own button: the row of the unended last line adds its line break.
    workbench::ProblemsModel* m = B().Problems()->Model();
    int row = 0;
    while (row < m->rowCount() && m->At(row)->Code != "unterminated-last-line")
        ++row;
    ASSERT_LT(row, m->rowCount());
    B().Problems()->Table()->setCurrentIndex(m->index(row, 0));
    B().Problems()->FixButton()->click();
    QTest::qWait(10);
    EXPECT_EQ(text(), QString::fromLatin1(program) + "\r\n");
    Act("mnuEditUndo")->trigger();
    // Upper case outside comments, also from the Edit menu.
    Act("mnuEditUpperCase")->trigger();
    EXPECT_EQ(text(), "G00 X10. (keep g01)\r\nG01 Z-5. F0.2\r\nG00 X20.");
    EXPECT_TRUE(W->Document().Modified());
    Act("mnuEditUndo")->trigger();
    EXPECT_EQ(text(), QString::fromLatin1(program));
    fix(inspect::QuickFix::LineBreakAtEnd);
    EXPECT_EQ(text(), QString::fromLatin1(program) + "\r\n");
    fix(inspect::QuickFix::AddProgramEnd);
    EXPECT_EQ(text(), QString::fromLatin1(program) + "\r\nM30\r\n");
    Act("mnuEditUndo")->trigger();
    Act("mnuEditUndo")->trigger();
    EXPECT_EQ(text(), QString::fromLatin1(program));
    // Nothing was written.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), program);
    // The list offers the fix of a row: the check after the pause has the findings.
    fix(inspect::QuickFix::AddProgramEnd);
    QTest::qWait(600);
    ASSERT_TRUE(B().Worker()->WaitIdle());
    EXPECT_FALSE(Codes(B().Latest()).contains("no-program-end"));
}

TEST_F(Workbench, ConvertingLineEndsAsAQuickFixIsUndone) {
    // With the gutter on: its colouring of the lines must not touch their line ends.
    ASSERT_TRUE(Act("mnuLineNumbers")->isChecked());
    OpenChecked("O0001\nG00 X10.\rM30\n");
    emit B().FixRequested(inspect::QuickFix::LineEndsCrLf);
    QTest::qWait(10);
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0001\r\nG00 X10.\r\nM30\r\n");
    EXPECT_TRUE(W->Document().Modified());
    Act("mnuEditUndo")->trigger();
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0001\nG00 X10.\rM30\n");
    QTest::qWait(600);
    ASSERT_TRUE(B().Worker()->WaitIdle());
    EXPECT_EQ(Codes(B().Latest()), "no-crlf");
}

TEST_F(Workbench, AUnitOtherThanMillimetresStandsOutInTheStatusBar) {
    auto* panel = W->findChild<QLabel*>("Unit");
    ASSERT_TRUE(panel);
    EXPECT_FALSE(panel->autoFillBackground());
    S().UnitCode = 4;
    interp::ShowUnit(W->Model().Machine());
    EXPECT_EQ(panel->text(), "Unit 1 inch");
    EXPECT_TRUE(panel->autoFillBackground());
    EXPECT_NE(panel->palette().color(QPalette::Window),
              panel->parentWidget()->palette().color(QPalette::Window));
    S().UnitCode = 1;
    interp::ShowUnit(W->Model().Machine());
    EXPECT_FALSE(panel->autoFillBackground());
}

TEST_F(Workbench, TheStockSectionFollowsASingleBlockRunAndARerunCutsNothing) {
    WriteFile("PROG.setup.toml", "[stock]\nkind = \"bar\"\ndiameter = 40\nlength = 60\n");
    const QByteArray program =
        "G00 X42. Z2. S800 M03\r\nG01 X0. F0.2\r\nG00 X38. Z2.\r\nG01 Z-30.\r\n"
        "G00 X39. Z2.\r\nX34.\r\nG01 Z-20.\r\nG03 X38. Z-22. R2.\r\nG00 X50. Z5.\r\nM30\r\n";
    OpenChecked(program);
    const workbench::BenchPtr checked = B().Latest();
    ASSERT_TRUE(checked->Section);
    // The removal headless, block by block: the volume left after each.
    std::vector<double> left;
    {
        const std::u16string text(program.begin(), program.end());
        stock::Machining cut(*checked->CutSetup);
        check::CheckOptions o;
        o.OnBlock = [&](int64_t, double) {
            stock::Machining copy = cut;
            left.push_back(copy.Finish().LeftMm3);
        };
        check::CheckProgram(text, o, [&](const check::TracedSegment& s) {
            const motion::PathSegment& p = s.Segment;
            stock::Move m;
            m.Type = p.kind == motion::PathSegment::Kind::Rapid   ? stock::Move::Kind::Rapid
                     : p.kind == motion::PathSegment::Kind::Cut   ? stock::Move::Kind::Cut
                     : p.kind == motion::PathSegment::Kind::ArcCW ? stock::Move::Kind::ArcCW
                                                                  : stock::Move::Kind::ArcCCW;
            m.X0 = p.x0, m.Z0 = p.z0, m.X1 = p.x1, m.Z1 = p.z1, m.CX = p.cx, m.CZ = p.cz, m.R = p.r;
            cut.Apply(m);
        });
    }
    ASSERT_EQ(left.size(), 10u);
    Act("mnuStockSection")->setChecked(true);
    workbench::PathOverlay* overlay = B().Overlay();
    Act("mnuSingleBlock")->trigger();
    Act("mnuReset")->trigger();
    for (size_t block = 1; block <= 9; ++block) {
        Act("mnuStart")->trigger();
        ASSERT_EQ(W->Model().Host().LastBlock().Blocks, static_cast<int32_t>(block));
        overlay->grab(); // painted as the window shows it
        ASSERT_TRUE(overlay->Follower());
        EXPECT_NEAR(overlay->Follower()->LeftMm3(), left[block - 1], 1e-6 * left[0]) << "block " << block;
    }
    EXPECT_LT(left[8], left[0]); // the blocks did cut
    // A wheel zoom's silent re-run redraws the section without checking or cutting again.
    const size_t cut = overlay->Follower()->PiecesCut();
    const int checks = B().Worker()->Started();
    W->View().m_CWheel1_MouseWheel(120);
    overlay->grab();
    ASSERT_TRUE(B().Worker()->WaitIdle());
    EXPECT_EQ(B().Worker()->Started(), checks);
    EXPECT_EQ(B().Latest(), checked);
    EXPECT_EQ(overlay->Follower()->PiecesCut(), cut);
}

TEST_F(Workbench, ExportPictureNeverFollowsAnotherUsersLinkInASharedFolder) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a link another owner";
    // A root-only folder with a file, and a sticky folder anybody may write, as /tmp is.
    const QString closed = Dir.filePath("closed"), shared = Dir.filePath("shared");
    ASSERT_TRUE(QDir().mkdir(closed) && QDir().mkdir(shared));
    ASSERT_EQ(chmod(QFile::encodeName(closed).constData(), 0700), 0);
    ASSERT_EQ(chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString secret = WriteFile("closed/SECRET.png", "root only\n");
    // Planted by another user: one to the file, one dangling (to a name not there yet).
    const QString onto = shared + "/onto.png", dangling = shared + "/dangling.png";
    const QString created = closed + "/NEW.png";
    for (const auto& [link, target] : {std::pair{onto, secret}, std::pair{dangling, created}}) {
        ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
        ASSERT_EQ(lchown(QFile::encodeName(link).constData(), 12345, 12345), 0);
    }
    Open("G00 X40. Z2.\r\nG01 Z-30. F0.2\r\nM30\r\n");
    for (const QString& link : {onto, dangling}) {
        SCOPED_TRACE(link.toStdString());
        OnModal([link](QWidget* m) {
            if (auto* d = qobject_cast<QFileDialog*>(m))
                PickFile(d, link);
            else
                m->close();
        });
        // The file dialog asks before it replaces what the link leads to.
        if (link == onto) AnswerMessage(QMessageBox::Yes);
        QString text;
        AnswerMessage(QMessageBox::Ok, &text);
        Act("mnuExportPicture")->trigger();
        EXPECT_TRUE(text.contains(link + " is a link of another user in a shared folder; it is not followed"))
            << text.toStdString();
    }
    QFile file(secret);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "root only\n");
    EXPECT_FALSE(QFileInfo::exists(created));
    // A picture to a plain name is written whole.
    const QString plain = Dir.filePath("PART.png");
    OnModal([plain](QWidget* m) {
        if (auto* d = qobject_cast<QFileDialog*>(m))
            PickFile(d, plain);
        else
            m->close();
    });
    Act("mnuExportPicture")->trigger();
    EXPECT_FALSE(QImage(plain).isNull());
}
