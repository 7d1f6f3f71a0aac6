// SPDX-License-Identifier: GPL-3.0-or-later
// The workbench in a window: its docks, commands, status-bar counts and caret navigation, on a
// small stand-in window whose pane holds the program with one line break per CR LF.

#include "check/ProgramDiff.h"
#include "editor/ProgramView.h"
#include "files/ProgramText.h"
#include "picture/Sheet.h"
#include "workbench/ComparePanel.h"
#include "workbench/InspectionPanel.h"
#include "workbench/MachinePanel.h"
#include "workbench/Workbench.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <map>

using namespace workbench;

namespace {

const QString Program =
    QStringLiteral("G00 X-0.2 Z5.\nN20 G04 F61.\nG95 G96 S100\nN40 G33 X-0.8 Z-30. F2.\nM30\n");

struct MapStore final : settings::Store {
    std::map<std::pair<QString, QString>, QString> Values;
    QString Get(const QString& s, const QString& k, const QString& fallback) override {
        auto it = Values.find({s, k});
        return it == Values.end() ? fallback : it->second;
    }
    void Put(const QString& s, const QString& k, const QString& v) override { Values[{s, k}] = v; }
};

struct Window {
    QMainWindow Main;
    QWidget* Central = new QWidget;
    files::ProgramText Text;
    editor::ProgramView* Pane = new editor::ProgramView(Text, Central);
    QWidget* Viewport = new QWidget(Central);
    QWidget* Canvas = new QWidget(Viewport);
    std::optional<picture::Area> ZoomedTo;
    QString Path; // the program's file (its setup is looked for beside it)
    bool Vertical = false;
    check::CheckOptions Options; // the window's switches
    std::unique_ptr<Workbench> Bench;

    explicit Window(const settings::WorkbenchValues& values = {}) {
        Main.setCentralWidget(Central);
        Main.resize(1000, 700);
        Pane->setGeometry(0, 0, 300, 400);
        Viewport->setGeometry(300, 0, 600, 400);
        Canvas->setGeometry(0, 0, 600, 400);
        SetProgram(Program);
        WindowHooks h;
        h.Window = &Main;
        h.Viewport = Viewport;
        h.Canvas = Canvas;
        h.Pane = Pane;
        h.Map = [this] {
            inspect::ViewMap v; // 10 px a millimetre, Z from -50 and radius from +20 at the corner
            v.ScaleLeft = -50, v.ScaleTop = -20, v.ScaleWidth = 60, v.ScaleHeight = 40;
            if (Vertical) // a vertical lathe, X mirrored: radius -30 to 30 across, Z 10 to -40 down
                v.Vertical = true, v.XSign = -1, v.ScaleLeft = -30, v.ScaleTop = -10, v.ScaleWidth = 60,
                v.ScaleHeight = 50;
            v.CanvasWidth = 600 * inspect::TwipsPerPixel, v.CanvasHeight = 400 * inspect::TwipsPerPixel;
            return std::optional<inspect::ViewMap>(v);
        };
        h.Options = [this] { return Options; };
        h.ProgramPath = [this] { return Path; };
        h.Text = [this] { return Text.Shared(); };
        h.TextRevision = [this] { return Text.Revision(); };
        h.ToTextOffset = [this](int pos) { return Text.ToTextOffset(pos); };
        h.SelectBlock = [this](int64_t start, int64_t length) {
            Pane->SetSelection(Text.ToPanePosition(start + length), Text.ToPanePosition(start));
        };
        h.ZoomTo = [this](const picture::Area& a) { ZoomedTo = a; };
        Bench = std::make_unique<Workbench>(h, values);
        Main.show();
    }
    void Open() {
        Bench->ProgramOpened();
        ASSERT_TRUE(Bench->Worker()->WaitIdle());
    }
    int CaretBlock() const { return Text.LineAt(Pane->Position()); }
    // The program as typed with CR LF line ends.
    void SetProgram(QString program) {
        Text.Load(program.replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    }
};

} // namespace

TEST(WorkbenchWindow, ProblemsListFromOpeningToTheCaret) {
    Window w;
    w.Bench->ProgramOpened();
    EXPECT_EQ(w.Bench->Counts()->text(), "checking..."); // no claim before the check is in
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    ProblemsPanel* panel = w.Bench->Problems();
    EXPECT_TRUE(panel->isVisible()); // shown by default
    ASSERT_EQ(panel->Model()->rowCount(), 3);
    EXPECT_EQ(w.Bench->Counts()->text(), "1 alarm, 2 warnings");
    // The alarm's row puts the caret on line 4 and highlights its path (the thread cut).
    const QRect r = panel->Table()->visualRect(panel->Model()->index(1, 0));
    QTest::mouseClick(panel->Table()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(w.CaretBlock(), 3);
    EXPECT_EQ(w.Pane->SelectedText(), "N40 G33 X-0.8 Z-30. F2.");
    EXPECT_EQ(w.Bench->CaretLine(), 4);
    EXPECT_EQ(w.Bench->Overlay()->HighlightedLine(), 4);
    EXPECT_FALSE(w.Bench->Overlay()->Highlighted().empty());
    // Hidden by its command, shown again by the counts in the status bar.
    w.Bench->PanelCommand("ProblemsPanel")->trigger();
    EXPECT_FALSE(panel->isVisible());
    QTest::mouseClick(w.Bench->Counts(), Qt::LeftButton);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(w.Bench->PanelCommand("ProblemsPanel")->isChecked());
    // An edit is checked again after a pause, and the list follows.
    w.SetProgram(QStringLiteral("G00 X10. Z10.\nM30\n"));
    w.Bench->ProgramEdited();
    EXPECT_EQ(panel->Model()->rowCount(), 3); // not before typing pauses
    QTest::qWait(600);
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    EXPECT_EQ(panel->Model()->rowCount(), 0);
    EXPECT_EQ(w.Bench->Counts()->text(), "no problems");
}

TEST(WorkbenchWindow, ClickOnThePathAndZoomToFit) {
    Window w;
    w.SetProgram(QStringLiteral("G00 X20. Z0.\nG01 X40. Z-10. F1.\nM30\n"));
    w.Open();
    // X20 Z0 -> X40 Z-10 runs from pixel (500, 100) to (400, 0) of the viewport.
    QTest::mouseClick(w.Canvas, Qt::LeftButton, {}, QPoint(452, 50));
    EXPECT_EQ(w.CaretBlock(), 1);
    EXPECT_EQ(w.Bench->Overlay()->HighlightedLine(), 2);
    // The caret moved by hand moves the highlight.
    w.Pane->SetCaret(0);
    EXPECT_EQ(w.Bench->Overlay()->HighlightedLine(), 1);
    // Zoom to fit: the part, 5 % margin, in the 600 x 400 viewport. The cut spans Z -10..0 and
    // radius 10..20; the rapid from X500 Z200 counts only within 15 % of 10 of it, up to Z1.5.
    w.Bench->ZoomToFit->trigger();
    ASSERT_TRUE(w.ZoomedTo);
    // Z -10..1.5 across (11.5), radius 10..20 down (10); 10 / (2/3) = 15 decides.
    EXPECT_NEAR(w.ZoomedTo->Width, 15 / 0.9, 1e-9);
    EXPECT_NEAR(w.ZoomedTo->Height, 10 / 0.9, 1e-9);
    EXPECT_NEAR(w.ZoomedTo->Left + w.ZoomedTo->Width / 2, -4.25, 1e-9);
    EXPECT_NEAR(w.ZoomedTo->Top + w.ZoomedTo->Height / 2, -15, 1e-9);
    // Measure by its command; the command's check follows Esc.
    w.Bench->MeasureMode->trigger();
    EXPECT_TRUE(w.Bench->Pointer()->Measuring());
    w.Canvas->setFocus();
    QTest::keyClick(w.Canvas, Qt::Key_Escape);
    EXPECT_FALSE(w.Bench->MeasureMode->isChecked());
}

TEST(WorkbenchWindow, StartFittedAndTheSettingsKeys) {
    settings::WorkbenchValues v;
    v.StartFitted = true;
    v.Panels["ToolsVisible"] = true;
    Window w(v);
    w.Open();
    EXPECT_TRUE(w.ZoomedTo); // fitted once the opened program was checked
    EXPECT_TRUE(w.Bench->Tools()->isVisible() || !w.Bench->Tools()->isHidden());
    // Both shown as tabs of one area: the problems list, first in the table, is in front.
    EXPECT_FALSE(w.Bench->Problems()->visibleRegion().isEmpty());
    EXPECT_TRUE(w.Bench->Tools()->visibleRegion().isEmpty());
    // Written and read back in their own section, each panel under its row's key.
    MapStore store;
    w.Bench->PanelCommand("ProblemsPanel")->setChecked(false);
    settings::WriteWorkbench(store, w.Bench->Values());
    EXPECT_EQ(store.Get("Workbench", "ProblemsVisible", ""), "False");
    EXPECT_EQ(store.Get("Workbench", "ToolsVisible", ""), "True");
    EXPECT_EQ(store.Get("Workbench", "StartFitted", ""), "True");
    const QStringList keys = Workbench::PanelSettings();
    const settings::WorkbenchValues back = settings::ReadWorkbench(store, keys);
    EXPECT_EQ(back.Panels, (std::map<QString, bool>{{"ProblemsVisible", false},
                                                    {"ToolsVisible", true},
                                                    {"MachineVisible", false},
                                                    {"CompareVisible", false},
                                                    {"InspectionVisible", false}}));
    EXPECT_TRUE(back.StartFitted);
    EXPECT_FALSE(back.StockSection); // off unless switched on
    w.Bench->ShowStock->setChecked(true);
    w.Bench->ShowNosePath->setChecked(true);
    settings::WriteWorkbench(store, w.Bench->Values());
    EXPECT_TRUE(settings::ReadWorkbench(store, keys).StockSection);
    EXPECT_TRUE(settings::ReadWorkbench(store, keys).NosePath);
    // Without the section (a malformed value included) each keeps its default: the problems
    // list shown, the tools panel not.
    MapStore empty;
    empty.Put("Workbench", "LineNumbers", "maybe");
    empty.Put("Workbench", "ToolsVisible", "maybe");
    const settings::WorkbenchValues d = settings::ReadWorkbench(empty, keys);
    EXPECT_TRUE(d.Panels.empty());
    EXPECT_TRUE(d.LineNumbers);
    EXPECT_FALSE(d.StartFitted);
    w.Bench->ApplySettings(d);
    EXPECT_FALSE(w.Bench->ShowNosePath->isChecked()); // off unless kept on
    EXPECT_TRUE(w.Bench->PanelCommand("ProblemsPanel")->isChecked());
    EXPECT_FALSE(w.Bench->PanelCommand("ToolsPanel")->isChecked());
    EXPECT_FALSE(w.Bench->Tools()->isVisible());
    // Without the setting, opening leaves the view alone.
    Window plain;
    plain.Open();
    EXPECT_FALSE(plain.ZoomedTo);
}

namespace {

void Write(const QString& path, const char* text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QStringList Codes(const Window& w) {
    QStringList codes;
    for (const inspect::Problem& p : w.Bench->Latest()->Problems)
        codes << QString::fromStdString(p.Code);
    return codes;
}

} // namespace

TEST(WorkbenchWindow, TheSetupBesideTheProgramFindsARapidIntoTheStock) {
    QTemporaryDir dir;
    Window w;
    w.SetProgram(QStringLiteral("G00 X50. Z5.\nM03 S500\nG00 X30. Z-10.\nM30\n"));
    w.Path = dir.filePath(QStringLiteral("PART.min"));
    // Untitled or without a setup beside it: checked as ever, no stock, no section.
    w.Open();
    EXPECT_FALSE(Codes(w).contains("rapid-into-stock"));
    EXPECT_FALSE(w.Bench->Latest()->Section);
    EXPECT_TRUE(w.Bench->Tools()->Table()->isColumnHidden(ToolsModel::InsertColumn));
    Write(dir.filePath(QStringLiteral("PART.setup.toml")),
          "[stock]\nkind = \"bar\"\ndiameter = 40\nlength = 60\n\n"
          "[chuck]\nface_z = -50\ndiameter = 120\ngrip_length = 10\njaw_height = 8\n");
    // The setup file appearing is noticed after the next command, as a changed switch is.
    w.Bench->AfterCommand();
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    ASSERT_TRUE(Codes(w).contains("rapid-into-stock")) << Codes(w).join(' ').toStdString();
    const inspect::Problem& p = w.Bench->Latest()->Problems[Codes(w).indexOf("rapid-into-stock")];
    EXPECT_EQ(p.Line, 3);
    EXPECT_EQ(inspect::KindOf(p), inspect::Kind::Error);
    EXPECT_EQ(w.Bench->Counts()->text(), "1 error");
    // Its row shows the spot: the caret on the rapid's block, its path highlighted.
    ProblemsPanel* panel = w.Bench->Problems();
    ASSERT_EQ(panel->Model()->rowCount(), 1);
    QTest::mouseClick(panel->Table()->viewport(), Qt::LeftButton, {},
                      panel->Table()->visualRect(panel->Model()->index(0, 0)).center());
    EXPECT_EQ(w.Bench->CaretLine(), 3);
    EXPECT_EQ(w.Bench->Overlay()->HighlightedLine(), 3);
    // The section: the bar with the rapid's groove, and the chuck.
    const std::optional<inspect::StockSection>& s = w.Bench->Latest()->Section;
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->Part.empty());
    EXPECT_FALSE(s->Holding.empty());
    // The tools panel says what the tool is and where that came from: no T word, no comment,
    // so the default insert, with its shape.
    ToolsModel* tools = w.Bench->Tools()->Model();
    EXPECT_FALSE(w.Bench->Tools()->Table()->isColumnHidden(ToolsModel::InsertColumn));
    const QString insert = tools->index(0, ToolsModel::InsertColumn).data().toString();
    EXPECT_TRUE(insert.startsWith("turning C 80°, edge 12, R0.8, tip 3 (default; assumed: "))
        << insert.toStdString();
    EXPECT_FALSE(tools->index(0, ToolsModel::InsertColumn).data(Qt::DecorationRole).isNull());

    // A setup that cannot be read: said in the status line, checked without it.
    QString told;
    QObject::connect(w.Bench.get(), &Workbench::StatusText, [&told](const QString& t) { told = t; });
    Write(dir.filePath(QStringLiteral("PART.setup.toml")), "[stock]\nkind = \"bar\"\ndiameter = -4\n");
    w.Bench->AfterCommand();
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    EXPECT_TRUE(told.contains("PART.setup.toml")) << told.toStdString();
    EXPECT_FALSE(Codes(w).contains("rapid-into-stock"));
    EXPECT_FALSE(w.Bench->Latest()->Section);
}

// A setup the stock model cannot take never costs the program's own alarms: a holder point far
// beyond any machine is refused with its line, and should the polygon arithmetic fail all the
// same, the program is checked without the stock and the corner and status line say why.
TEST(WorkbenchWindow, AStockThatCannotBeCutKeepsTheProgramsAlarmsAndSaysWhy) {
    QTemporaryDir dir;
    Window w;
    w.Path = dir.filePath(QStringLiteral("PART.min"));
    QString told;
    QObject::connect(w.Bench.get(), &Workbench::StatusText, [&told](const QString& t) { told = t; });
    Write(dir.filePath(QStringLiteral("PART.setup.toml")),
          "[stock]\nkind = \"bar\"\ndiameter = 40\nlength = 60\n\n"
          "[[tool]]\nnumber = 0\nholder = [[0, 20], [5, 20],\n  [5, 1e300], [0, 60]]\n");
    w.Open();
    EXPECT_TRUE(told.contains("PART.setup.toml:9: tool.holder's radius is out of range: 1e+300"))
        << told.toStdString();
    ASSERT_TRUE(w.Bench->Latest());
    EXPECT_EQ(w.Bench->Latest()->Counts.Alarms, 1u);
    EXPECT_EQ(w.Bench->Problems()->Model()->rowCount(), 3);
    EXPECT_TRUE(w.Bench->Counts()->text().startsWith("1 alarm")) << w.Bench->Counts()->text().toStdString();

    stock::Setup bad;
    bad.File = "PART.setup.toml";
    bad.Material.Diameter = 40, bad.Material.Length = 60;
    bad.Tools[0].Holder = {{0, 20}, {5, 20}, {5, 1e12}, {0, 60}};
    check::CheckOptions o;
    o.Stock = std::make_shared<const stock::Setup>(bad);
    const BenchPtr r = workbench::Inspect(w.Text.Snapshot(), o, nullptr, nullptr);
    EXPECT_EQ(r->Counts.Alarms, 1u);
    EXPECT_FALSE(r->Section);
    emit w.Bench->Worker()->Checked(r);
    EXPECT_EQ(w.Bench->Problems()->Model()->rowCount(), 3);
    EXPECT_TRUE(w.Bench->Counts()->text().endsWith("; stock not checked"))
        << w.Bench->Counts()->text().toStdString();
    EXPECT_TRUE(w.Bench->Counts()->toolTip().startsWith("PART.setup.toml: the stock could not be cut"))
        << w.Bench->Counts()->toolTip().toStdString();
    EXPECT_EQ(told, w.Bench->Counts()->toolTip());
}

TEST(WorkbenchWindow, TheStockSectionIsDrawnInBothHalvesOnlyWhenSwitchedOn) {
    QTemporaryDir dir;
    Window w;
    w.SetProgram(QStringLiteral("G00 X50. Z5.\nM03 S500\nG01 X20. F0.2\nG01 Z-20.\nM30\n"));
    w.Path = dir.filePath(QStringLiteral("PART.min"));
    Write(dir.filePath(QStringLiteral("PART.setup.toml")),
          "[stock]\nkind = \"bar\"\ndiameter = 30\nlength = 45\n");
    w.Open();
    ASSERT_TRUE(w.Bench->Latest()->Section);
    PathOverlay* overlay = w.Bench->Overlay();
    for (const bool vertical : {false, true}) {
        w.Vertical = vertical;
        const inspect::ViewMap map = *overlay->CurrentMap();
        auto pixel = [&](const QImage& image, double x, double z) {
            const inspect::Point q = map.ToPixel({x, z});
            return image.pixelColor(static_cast<int>(q.X), static_cast<int>(q.Y));
        };
        const QImage off = overlay->grab().toImage();
        EXPECT_FALSE(overlay->StockShown());
        w.Bench->ShowStock->trigger();
        ASSERT_TRUE(overlay->StockShown());
        const QImage on = overlay->grab().toImage();
        // Left standing: the turned diameter 20 behind Z-20 and beyond it the raw 30; turned
        // away: between diameter 20 and 30 in front of Z-20. Both halves alike, in either layout.
        for (const double side : {1.0, -1.0}) {
            EXPECT_NE(pixel(on, side * 10, -10), pixel(off, side * 10, -10)) << side << vertical;
            EXPECT_NE(pixel(on, side * 25, -30), pixel(off, side * 25, -30)) << side << vertical;
            EXPECT_EQ(pixel(on, side * 26, -10), pixel(off, side * 26, -10)) << side << vertical;
        }
        // Switched off again, nothing of it is left.
        w.Bench->ShowStock->trigger();
        EXPECT_EQ(overlay->grab().toImage(), off);
    }
    // Measure snaps to the part's edges only while they are shown: the raw diameter 30 in -X.
    const inspect::Point edge = overlay->CurrentMap()->ToPixel({-30, -30});
    const QPoint click(static_cast<int>(edge.X) + 3, static_cast<int>(edge.Y) + 2);
    for (const bool shown : {false, true}) {
        w.Bench->ShowStock->setChecked(shown);
        w.Bench->MeasureMode->setChecked(true);
        QTest::mouseClick(w.Canvas, Qt::LeftButton, {}, click);
        ASSERT_TRUE(overlay->Measure().From());
        const inspect::SnapPoint at = *overlay->Measure().From();
        EXPECT_EQ(at.Snapped, shown ? inspect::SnapPoint::Kind::PartEdge : inspect::SnapPoint::Kind::Free);
        if (shown) {
            EXPECT_NEAR(at.At.X, -30, 1e-6);
        }
        w.Bench->MeasureMode->setChecked(false);
    }
}

namespace {

QString ReadExample(const char* name) {
    QFile f(QStringLiteral(ZARVIK_SOURCE_DIR "/examples/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).remove(QLatin1Char('\r')) : QString();
}

} // namespace

// The machine time is planned by the silent check beside the control's, with the machine the
// setup names or a machine file chosen in the panel; the control's own times stay as they were.
TEST(WorkbenchWindow, TheMachineTimeSitsBesideTheControlsTime) {
    QTemporaryDir dir;
    Window w;
    w.SetProgram(ReadExample("TURNING.min"));
    w.Path = dir.filePath(QStringLiteral("PART.min"));
    const QString setup = ReadExample("TURNING.setup.toml");
    const QString lathe = ReadExample("lathe.machine.toml");
    ASSERT_FALSE(setup.isEmpty() || lathe.isEmpty());
    Write(dir.filePath(QStringLiteral("PART.setup.toml")), setup.toUtf8().constData());
    Write(dir.filePath(QStringLiteral("lathe.machine.toml")), lathe.toUtf8().constData());
    auto* panel = qobject_cast<MachinePanel*>(w.Bench->PanelNamed(QStringLiteral("MachinePanel")));
    ASSERT_TRUE(panel);
    w.Open();
    const check::CheckReport plain = w.Bench->Latest()->Report;
    EXPECT_FALSE(plain.Machine);
    EXPECT_EQ(panel->Model()->rowCount(), 0);
    EXPECT_TRUE(panel->Summary()->text().startsWith("No machine")) << panel->Summary()->text().toStdString();

    const auto shown = [&] {
        const BenchPtr& r = w.Bench->Latest();
        ASSERT_TRUE(r->Report.Machine);
        // The control's time exactly as without a machine, in total and per tool.
        EXPECT_EQ(r->Report.CuttingTime, plain.CuttingTime);
        EXPECT_EQ(r->Report.ToolTimes, plain.ToolTimes);
        MachineModel* m = panel->Model();
        ASSERT_GE(m->rowCount(), 1 + static_cast<int>(plain.ToolTimes.size()));
        const double total = r->Report.Machine->Total.Total();
        EXPECT_GT(total, plain.CuttingTime); // tool changes, ramps and rapids at their real pace
        EXPECT_EQ(m->index(0, MachineModel::ToolColumn).data().toString(), "Total");
        EXPECT_EQ(m->index(0, MachineModel::MachineColumn).data().toString().toStdString(),
                  picture::LegendClock(total) + "  (" + picture::LegendSeconds(total) + ")");
        EXPECT_EQ(m->index(0, MachineModel::ControlColumn).data().toString().toStdString(),
                  picture::LegendClock(plain.CuttingTime) + "  (" +
                      picture::LegendSeconds(plain.CuttingTime) + ")");
        EXPECT_EQ(m->index(0, MachineModel::ToolChangeColumn).data().toString(),
                  QString::number(r->Report.Machine->Total.ToolChange, 'f', 2));
        EXPECT_GT(r->Report.Machine->Total.ToolChange, 0);
        EXPECT_TRUE(m->index(1, MachineModel::ToolColumn).data().toString().startsWith("T"));
        EXPECT_TRUE(panel->Summary()->text().startsWith("Machine time "))
            << panel->Summary()->text().toStdString();
    };
    // The setup names the machine file beside it: noticed after the next command.
    Write(dir.filePath(QStringLiteral("PART.setup.toml")),
          ("machine = \"lathe.machine.toml\"\n" + setup).toUtf8().constData());
    w.Bench->AfterCommand();
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    shown();
    EXPECT_TRUE(panel->Summary()->text().contains("on the setup's machine"));
    EXPECT_TRUE(panel->SetupMachineButton()->toolTip().endsWith(": lathe.machine.toml"))
        << panel->SetupMachineButton()->toolTip().toStdString();
    // Without it in the setup, a machine file chosen in the panel; then none again.
    Write(dir.filePath(QStringLiteral("PART.setup.toml")), setup.toUtf8().constData());
    w.Bench->SetMachineFile(dir.filePath(QStringLiteral("lathe.machine.toml")));
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    shown();
    // The way back to the setup's machine follows the choice in force, however it was made.
    QPushButton* back = panel->SetupMachineButton();
    EXPECT_TRUE(back->isEnabled());
    EXPECT_TRUE(panel->Summary()->text().contains("on lathe.machine.toml (chosen here)"))
        << panel->Summary()->text().toStdString();
    // The panel's choice reads a file: it runs inside the window's guard.
    int guarded = 0;
    w.Bench->RunCommand = [&guarded](const std::function<void()>& command) { ++guarded, command(); };
    emit panel->MachineFileChosen(QString());
    EXPECT_EQ(guarded, 1);
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    EXPECT_FALSE(w.Bench->Latest()->Report.Machine);
    EXPECT_EQ(panel->Model()->rowCount(), 0);
    EXPECT_FALSE(back->isEnabled());
    // A machine file that cannot be read is said in the status line; the program is checked
    // without it.
    QString told;
    QObject::connect(w.Bench.get(), &Workbench::StatusText, [&told](const QString& t) { told = t; });
    Write(dir.filePath(QStringLiteral("bad.toml")), "[machine]\nx_accel = -3\n");
    w.Bench->SetMachineFile(dir.filePath(QStringLiteral("bad.toml")));
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    EXPECT_TRUE(told.contains("bad.toml:2")) << told.toStdString();
    EXPECT_FALSE(w.Bench->Latest()->Report.Machine);
}

TEST(WorkbenchWindow, EveryCommandWithWorkRunsInsideTheWindowsGuard) {
    Window w;
    int guarded = 0;
    bool refuse = false; // a guard that runs nothing shows the work is inside it, not beside it
    w.Bench->RunCommand = [&](const std::function<void()>& command) {
        ++guarded;
        if (!refuse) command();
    };
    QAction* showProblems = w.Bench->PanelCommand(QStringLiteral("ProblemsPanel"));
    for (QAction* a : w.Bench->Commands()) {
        if (a == w.Bench->StartFitted) continue; // a setting for the next program: no work now
        const int before = guarded;
        a->trigger();
        EXPECT_EQ(guarded, before + 1) << a->text().toStdString();
    }
    EXPECT_FALSE(w.Bench->Problems()->isVisible()); // shown by default, hidden by its command
    refuse = true;
    showProblems->trigger();
    EXPECT_FALSE(w.Bench->Problems()->isVisible());
}

namespace {

// A half-profile drawn as LINE entities through `points` (drawing x is Z, y the radius).
std::string LinesDxf(const std::vector<std::pair<double, double>>& points) {
    std::string out = "0\nSECTION\n2\nENTITIES\n";
    for (size_t i = 0; i + 1 < points.size(); ++i)
        out += "0\nLINE\n8\nCONTOUR\n10\n" + std::to_string(points[i].first) + "\n20\n" +
               std::to_string(points[i].second) + "\n11\n" + std::to_string(points[i + 1].first) + "\n21\n" +
               std::to_string(points[i + 1].second) + "\n";
    return out + "0\nENDSEC\n0\nEOF\n";
}

double DeepestExcess(const BenchPtr& r) {
    double deepest = 0;
    if (r && r->Report.Target)
        for (const target::Deviation& d : r->Report.Target->Deviations)
            if (d.Type == target::Deviation::Kind::Excess) deepest = std::max(deepest, d.Depth);
    return deepest;
}

} // namespace

// The drawing the setup names is watched as the setup is: saved again by another program, it is
// read and compared again without a command of the window's.
TEST(WorkbenchWindow, ADrawingSavedAgainIsComparedAgain) {
    QTemporaryDir dir;
    Window w;
    w.SetProgram(QStringLiteral("G00 X50. Z5.\nM03 S500\nG01 X20. F0.2\nG01 Z-20.\nM30\n"));
    w.Path = dir.filePath(QStringLiteral("PART.min"));
    Write(dir.filePath(QStringLiteral("PART.setup.toml")),
          "[stock]\nkind = \"bar\"\ndiameter = 30\nlength = 45\n[target]\nfile = \"PART.dxf\"\n");
    // First the part as turned (R10 to Z-20, then the bar's R15), then one a millimetre thinner.
    Write(dir.filePath(QStringLiteral("PART.dxf")),
          LinesDxf({{0, 0}, {0, 10}, {-20, 10}, {-20, 15}, {-45, 15}, {-45, 0}}).c_str());
    w.Open();
    ASSERT_TRUE(w.Bench->Latest()->Report.Target);
    EXPECT_LT(DeepestExcess(w.Bench->Latest()), 0.5);
    Write(dir.filePath(QStringLiteral("PART.dxf")),
          LinesDxf({{0, 0}, {0, 9}, {-20, 9}, {-20, 15}, {-45, 15}, {-45, 0}}).c_str());
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(DeepestExcess(w.Bench->Latest()) - 1) < 0.01; }, 10000))
        << DeepestExcess(w.Bench->Latest());
}

// Two versions in the window: the program in the pane against its backup, compared off the
// window's thread with every check of the text; the panel lists the region with the blocks of
// both, a click puts the caret on the pane's block, the overlay colours it until it is cleared.
TEST(WorkbenchWindow, AnotherVersionIsComparedByThePartAndShownUntilCleared) {
    QTemporaryDir dir;
    const QString turned =
        QStringLiteral("T0101 (CNMG 120408)\nG96 S180 M03\nG00 X42. Z0.\nG01 X-1.6 F0.2\n"
                       "G00 Z2.\nG00 X30.\nG01 Z-20. F0.25\nG01 X42.\nG00 X100. Z100.\nM30\n");
    QString shorter = turned;
    shorter.replace(QStringLiteral("Z-20."), QStringLiteral("Z-19."))
        .replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    Window w;
    w.SetProgram(turned);
    w.Path = dir.filePath(QStringLiteral("PART.min"));
    Write(w.Path, "");
    Write(dir.filePath(QStringLiteral("PART.setup.toml")),
          "[stock]\nkind = \"bar\"\ndiameter = 40\nlength = 50\n");
    const QString backup = dir.filePath(QStringLiteral("PART.bak"));
    EXPECT_EQ(CompareStartPath(w.Path), w.Path); // no backup: the program as last saved
    Write(backup, shorter.toUtf8().constData());
    EXPECT_EQ(CompareStartPath(w.Path), backup);
    w.Open();
    QString why;
    const auto old = ReadVersion(backup, w.Bench->Latest()->Options, why);
    ASSERT_TRUE(old) << why.toStdString();
    w.Bench->CompareWith(old);
    EXPECT_TRUE(w.Bench->Worker()->Busy()); // in the background, not in the command
    EXPECT_FALSE(w.Bench->Latest()->Versions);
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    const BenchPtr r = w.Bench->Latest();
    ASSERT_TRUE(r->Versions) << r->VersionsError;
    EXPECT_EQ(r->Versions->Verdict, "changed: 1 region");
    ASSERT_EQ(r->Versions->Regions.size(), 1u);
    const check::ChangedRegion& region = r->Versions->Regions[0];
    EXPECT_TRUE(region.Removed); // the pane's program turns a millimetre further
    // The pane's turn to Z-20 cut it first (its face up then as well); the backup's turn to Z-19
    // ran along it and its face up there left it last.
    EXPECT_EQ(region.Change.Lines, (std::vector<int64_t>{7, 8}));
    EXPECT_EQ(region.OldLines, (std::vector<int64_t>{7, 8}));
    // The panel: shown, the verdict and the region; its row puts the caret on line 7.
    auto* panel = static_cast<ComparePanel*>(w.Bench->PanelNamed(QStringLiteral("ComparePanel")));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->Summary()->text().contains("changed: 1 region"))
        << panel->Summary()->text().toStdString();
    ASSERT_EQ(panel->Table()->rowCount(), 1);
    EXPECT_EQ(panel->Table()->item(0, ComparePanel::ChangeColumn)->text(), "removed");
    QTest::mouseClick(panel->Table()->viewport(), Qt::LeftButton, {},
                      panel->Table()->visualItemRect(panel->Table()->item(0, 0)).center());
    EXPECT_EQ(w.Bench->CaretLine(), 7);
    // The region in the overlay's red, on the face the old version left at Z-19, both halves.
    PathOverlay* overlay = w.Bench->Overlay();
    ASSERT_TRUE(overlay->StockShown());
    const auto red = [&](const QImage& image, double x) {
        const inspect::Point q = overlay->CurrentMap()->ToPixel({x, -19});
        const QColor c = image.pixelColor(static_cast<int>(q.X), static_cast<int>(q.Y));
        return c.red() > 200 && c.green() < 120;
    };
    const QImage compared = overlay->grab().toImage();
    EXPECT_TRUE(red(compared, 35) && red(compared, -35));
    // Edited to the old version's cut: the next check says so.
    w.SetProgram(shorter.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    w.Bench->ProgramEdited();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w.Bench->Latest()->Versions && w.Bench->Latest()->Versions->Verdict == "same part"; },
        20000));
    EXPECT_EQ(panel->Table()->rowCount(), 0);
    // Cleared from the panel: nothing of it is left, and later checks compare nothing.
    QTest::mouseClick(panel->ClearButton(), Qt::LeftButton);
    EXPECT_FALSE(w.Bench->Comparing());
    EXPECT_FALSE(overlay->VersionsShown());
    EXPECT_TRUE(panel->Summary()->text().startsWith("No comparison"));
    const int started = w.Bench->Worker()->Started();
    w.Bench->ProgramEdited();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w.Bench->Worker()->Started() > started && !w.Bench->Worker()->Busy(); }, 20000));
    EXPECT_FALSE(w.Bench->Latest()->Versions);
}

// The inspection sheet of a program cut against its drawing: every feature listed with its sizes,
// the one out of its band marked, and its row puts the caret on the block that cut it.
TEST(WorkbenchWindow, TheInspectionSheetListsTheFeaturesAndFindsTheirBlocks) {
    QTemporaryDir dir;
    const QDir drawings(QStringLiteral(ZARVIK_SOURCE_DIR "/tests/target/drawings"));
    for (const char* name : {"SHEET.setup.toml", "sheet_part.dxf"})
        ASSERT_TRUE(QFile::copy(drawings.filePath(QString::fromLatin1(name)),
                                dir.filePath(QString::fromLatin1(name))));
    QFile program(drawings.filePath(QStringLiteral("SHEET.min")));
    ASSERT_TRUE(program.open(QIODevice::ReadOnly));
    Window w;
    w.Text.Load(QString::fromUtf8(program.readAll()));
    w.Path = dir.filePath(QStringLiteral("SHEET.min"));
    auto* panel = static_cast<InspectionPanel*>(w.Bench->PanelNamed(QStringLiteral("InspectionPanel")));
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->Summary()->text().startsWith("No inspection sheet"));
    w.Open();
    ASSERT_TRUE(w.Bench->Latest()->Report.Target);
    const target::Sheet& sheet = w.Bench->Latest()->Report.Target->Inspection;
    ASSERT_FALSE(sheet.Features.empty());
    EXPECT_TRUE(panel->Summary()->text().contains("1 not OK")) << panel->Summary()->text().toStdString();
    // One row per size; the D28 cut 0.01 over is the one not OK, in red.
    QTableWidget* table = panel->Table();
    int d28 = -1, marked = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, InspectionPanel::FeatureColumn)->text() == "D28") d28 = row;
        marked +=
            table->item(row, InspectionPanel::ResultColumn)->background().color() == QColor(255, 225, 225);
    }
    ASSERT_GE(d28, 0);
    EXPECT_GE(table->rowCount(), static_cast<int>(sheet.Features.size()));
    EXPECT_EQ(table->item(d28, InspectionPanel::ResultColumn)->text(), "NOT OK");
    EXPECT_EQ(marked, 1);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(d28, 0)).center());
    EXPECT_EQ(w.Pane->SelectedText(), "Z-30.");
    // A face finds its block by the path alone: the shoulder face at Z-16.05.
    for (const target::SheetFeature& f : sheet.Features) {
        if (f.Type == target::SheetFeature::Kind::Face && std::abs(f.From.z + 16) < 0.01) {
            EXPECT_EQ(FeatureBlock(*w.Bench->Latest(), f), 34) << f.Name;
        }
    }
}

// The window and the checker compare the same two versions alike: the same regions with the
// same blocks of both files. The setup names the ISO control, which the window switches to on
// opening the program; the checker reads both versions with it too.
TEST(WorkbenchWindow, AComparisonNamesTheBlocksTheCheckerNames) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("TURNING.min")),
                  backup = dir.filePath(QStringLiteral("TURNING.bak"));
    const QString text = ReadExample("TURNING.min");
    const QString setup =
        QStringLiteral("[program]\ncontrol = \"iso\"\n") + ReadExample("TURNING.setup.toml");
    Write(dir.filePath(QStringLiteral("TURNING.setup.toml")), setup.toUtf8().constData());
    const auto crlf = [](QString t) {
        return t.replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toUtf8();
    };
    Write(program, crlf(text).constData());
    Write(backup, crlf(QString(text).replace(QStringLiteral("G03 X54. Z-45. R2."),
                                             QStringLiteral("G03 X53.8 Z-45. R2.")))
                      .constData());
    std::string json, why;
    ASSERT_EQ(check::DiffPrograms(backup.toStdString(), program.toStdString(), {}, {}, true, json, why), 1)
        << why;
    Window w;
    w.Options.Lathe.Iso = true;
    w.SetProgram(text);
    w.Path = program;
    w.Open();
    QString whyNot;
    const auto old = ReadVersion(backup, w.Bench->Latest()->Options, whyNot);
    ASSERT_TRUE(old) << whyNot.toStdString();
    w.Bench->CompareWith(old);
    ASSERT_TRUE(w.Bench->Worker()->WaitIdle());
    const BenchPtr r = w.Bench->Latest();
    ASSERT_TRUE(r->Versions) << r->VersionsError;
    ASSERT_FALSE(r->Versions->Regions.empty());
    const auto list = [](const std::vector<int64_t>& l) {
        std::string out;
        for (size_t i = 0; i < l.size(); ++i)
            out += (i ? ", " : "") + std::to_string(l[i]);
        return out;
    };
    std::string regions;
    for (const check::ChangedRegion& region : r->Versions->Regions)
        regions += "\"old_lines\": [" + list(region.OldLines) + "], \"new_lines\": [" +
                   list(region.Change.Lines) + "]}";
    EXPECT_NE(json.find(regions + "], \"cutting_time_s\""), std::string::npos) << regions << "\n" << json;
}
