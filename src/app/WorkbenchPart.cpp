// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkbenchPart.h"

#include "app/Actions.h"
#include "app/Frame.h"
#include "app/GuiHost.h"
#include "app/Lathe.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "app/TraceView.h"
#include "app/Widgets.h"
#include "base/Machine.h"
#include "files/ProgramText.h"
#include "inspect/QuickFix.h"
#include "nav/ViewNavigation.h"
#include "picture/Framing.h"
#include "print/ViewPicture.h"
#include "workbench/ComparePanel.h"
#include "workbench/ExportPicture.h"
#include "workbench/Workbench.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

namespace app {

namespace {

constexpr const char* FitAllKey = "Ctrl+Shift+A";
constexpr const char* CompareKey = "Ctrl+Shift+D";

check::CheckOptions OptionsOf(const interp::MachineState& s) {
    check::CheckOptions o;
    o.Lathe = interp::ParametersOf(s);
    o.BlockDelete = s.BlockDelete;
    o.WhiteBackground = s.WhiteBackground;
    return o;
}

// Zoom to fit all, the second choice beside Zoom to fit: everything drawn, the travel to and from
// a tool change or the home position included, as one more zoom step.
void AddFitAll(const Parts& p, const workbench::WindowHooks& h, workbench::Workbench& b) {
    QAction* fitAll = p.Actions->Make("mnuZoomToFitAll", "Zoom to fit all", QKeySequence(FitAllKey));
    fitAll->setToolTip(QStringLiteral("Zoom to fit all (%1)").arg(QString::fromLatin1(FitAllKey)));
    QMenu* view = p.Frm->Menu("mnuView");
    const QList<QAction*> items = view->actions();
    const qsizetype at = items.indexOf(b.ZoomToFit);
    view->insertAction(at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr, fitAll);
    p.Frm->Bind(fitAll, [&b, h] {
        const workbench::BenchPtr& r = b.Latest();
        const std::optional<inspect::ViewMap> map = h.Map();
        if (!r || !map) return;
        const std::optional<picture::Area> area = inspect::FitFrame(
            r->Paths, *map, h.Viewport->width(), h.Viewport->height(), picture::FitScope::All);
        if (!area) return;
        h.ZoomTo(*area);
        b.Overlay()->update();
    });
}

std::unique_ptr<workbench::Workbench> MakeWorkbench(QMainWindow& window, const Parts& p) {
    workbench::WindowHooks h;
    h.Window = &window;
    h.Viewport = p.Trace->Viewport();
    h.Canvas = p.Trace->Canvas();
    ProgramPane* pane = p.Doc->Pane();
    h.Pane = pane;
    h.SetPaneMargin = [pane](int left) { pane->SetLeftMargin(left); };
    h.Map = [&p]() -> std::optional<inspect::ViewMap> {
        const interp::MachineState& s = p.Model->Machine().S;
        inspect::ViewMap m =
            inspect::ViewMap::Of(p.Trace->TraceImage(), p.Trace->Screen(), s.Vertical, s.XSign);
        m.Twips = p.Frm->TwipsPerPixel();
        return m;
    };
    h.Options = [&p] { return OptionsOf(p.Model->Machine().S); };
    h.ProgramPath = [&p] { return p.Doc->HasFile() ? p.Doc->FileName() : QString(); };
    // The document's own text, shared with the check: no copy; an edit while the check holds it
    // makes a new one.
    h.Text = [&p] { return p.Doc->Text().Shared(); };
    h.TextNow = [&p]() -> const std::u16string& { return p.Doc->ExactText(); };
    h.TextRevision = [&p] { return p.Doc->Text().Revision(); };
    h.ToTextOffset = [&p](int pos) { return p.Doc->Text().ToTextOffset(pos); };
    h.SelectBlock = [&p](int64_t start, int64_t length) { p.Doc->HighlightBlock(start, length); };
    h.CanvasBusy = [&p] { return p.Trace->Screen().Pointer.ZoomMode; };
    h.GridSnap = [&p] {
        const interp::MachineState& s = p.Model->Machine().S;
        return std::pair<bool, bool>{s.XSnap, s.ZSnap};
    };
    h.ZoomTo = [&p](const picture::Area& a) {
        // One more step of the zoom history, redrawn as a zoom box is.
        p.Frm->RunCommand([&p, a] {
            p.Trace->Rerun(nav::ZoomToArea(p.Model->Machine(), a.Left, a.Top, a.Width, a.Height));
        });
    };
    h.Run = [&p]() -> std::optional<inspect::RunPoint> {
        const interp::MachineState& s = p.Model->Machine().S;
        const inspect::RunPoint& last = p.Model->Host().LastBlock();
        // After a reset, or a new run whose first block is not done yet: nothing cut so far.
        if (s.BlockCount == 0 || s.BlockCount < last.Blocks) return inspect::RunPoint{};
        return last;
    };
    h.Drawing = [&p] { return p.Model->Host().Drawing(); };
    auto bench = std::make_unique<workbench::Workbench>(h, settings::WorkbenchValues{});
    workbench::Workbench* b = bench.get();
    b->RunCommand = [&p](const std::function<void()>& command) { p.Frm->RunCommand(command); };
    b->AddToMenu(p.Frm->Menu("mnuView"));
    for (QAction* a : b->Commands())
        p.Actions->Adopt(a);
    AddFitAll(p, h, *b);
    // Measure and zoom to fit as buttons of a toolbar of their own.
    auto* bar = new QToolBar(QStringLiteral("Workbench"), &window);
    bar->setObjectName(QStringLiteral("WorkbenchBar"));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setIconSize(QSize(20, 20));
    bar->setMovable(false);
    bar->addAction(b->ZoomToFit);
    bar->addAction(b->MeasureMode);
    window.addToolBar(Qt::RightToolBarArea, bar);
    // Export picture under Print in the File menu.
    QAction* exportPicture =
        p.Actions->Make("mnuExportPicture", "Export picture...", QKeySequence("Ctrl+Shift+E"));
    QMenu* file = p.Frm->Menu("mnuFile");
    QAction* after = (*p.Actions)("mnuDrawPrint");
    const QList<QAction*> items = file->actions();
    const qsizetype at = items.indexOf(after);
    file->insertAction(at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr, exportPicture);
    p.Frm->Bind(exportPicture, [&window, &p] { ExportPictureCommand(window, p); });
    // Two versions of the program: after Export picture, the comparison and its end.
    QAction* compare =
        p.Actions->Make("mnuCompareVersion", "Compare with version...", QKeySequence(CompareKey));
    QAction* clearCompare = p.Actions->Make("mnuCompareClear", "Clear comparison");
    const QList<QAction*> now = file->actions();
    const qsizetype exportAt = now.indexOf(exportPicture);
    QAction* before = exportAt >= 0 && exportAt + 1 < now.size() ? now[exportAt + 1] : nullptr;
    file->insertAction(before, compare);
    file->insertAction(before, clearCompare);
    p.Frm->Bind(compare, [&window, &p, b] { CompareVersionCommand(window, p, *b); });
    p.Frm->Bind(clearCompare, [b] { b->CompareWith(nullptr); });
    // The quick fixes of the problems list, and the one the Edit menu holds as a command of its own.
    QObject::connect(b, &workbench::Workbench::FixRequested, &window, [&p](inspect::QuickFix fix) {
        p.Frm->RunCommand([&p, fix] { p.Doc->ApplyQuickFix(fix); });
    });
    QAction* upper = p.Actions->Make("mnuEditUpperCase",
                                     QString::fromLatin1(inspect::FixCaption(inspect::QuickFix::UpperCase)),
                                     QKeySequence("Ctrl+Shift+U"));
    QMenu* edit = p.Frm->Menu("mnuEdit");
    const QList<QAction*> edits = edit->actions();
    const qsizetype replace = edits.indexOf((*p.Actions)("mnuEditReplace"));
    edit->insertAction(replace >= 0 && replace + 1 < edits.size() ? edits[replace + 1] : nullptr, upper);
    p.Frm->Bind(upper, [&p] { p.Doc->ApplyQuickFix(inspect::QuickFix::UpperCase); });
    // A measure in the window's own status line, as long as it is not replaced.
    QObject::connect(b, &workbench::Workbench::StatusText, &window,
                     [&window](const QString& text) { window.statusBar()->showMessage(text); });
    // Every edit of the pane, cheaply: the check waits for a pause in the typing.
    // A command's new text (opening, converting the line ends) is checked when the command ends.
    QObject::connect(&p.Doc->Text(), &files::ProgramText::Changed, b, [b, &p](int, int removed, int added) {
        if ((removed || added) && !p.Doc->ChangedByCommand()) b->ProgramEdited();
    });
    return bench;
}

} // namespace

WorkbenchPart::WorkbenchPart(QMainWindow& window, const Parts& parts)
    : P(parts), B(MakeWorkbench(window, parts)) {}

WorkbenchPart::~WorkbenchPart() = default;

void WorkbenchPart::ProgramOpened() {
    B->ProgramOpened();
}

void WorkbenchPart::CommandDone() {
    B->AfterCommand();
}

void WorkbenchPart::BlockExecuted() {
    B->BlockExecuted();
}

void WorkbenchPart::ReadSettings(settings::Store& store) {
    const settings::WorkbenchValues v = settings::ReadWorkbench(store, workbench::Workbench::PanelSettings());
    B->ApplySettings(v);
    // Print setup's choice is kept in the workbench's section: the tools table is its legend.
    P.Trace->PictureChoices().Legend = v.PrintTools;
    P.Model->Machine().S.IsoMode = v.IsoControl;
}

void WorkbenchPart::WriteSettings(settings::Store& store) {
    settings::WorkbenchValues v = B->Values();
    v.PrintTools = P.Trace->PictureChoices().Legend;
    v.IsoControl = P.Model->Machine().S.IsoMode;
    settings::WriteWorkbench(store, v);
}

void WorkbenchPart::Shown() {
    B->FitDocks();
}

void WorkbenchPart::LegendLines(QStringList& lines) const {
    lines << B->ToolTableLines();
}

void CompareVersionCommand(QMainWindow& window, const Parts& p, workbench::Workbench& bench) {
    const QString program = p.Doc->HasFile() ? p.Doc->FileName() : QString();
    const QString start =
        program.isEmpty() ? p.Frm->Settings().OpenPathName : workbench::CompareStartPath(program);
    const QString path =
        QFileDialog::getOpenFileName(&window, QStringLiteral("Compare with version"), start,
                                     QStringLiteral("NC programs (*.min *.nc *.NC *.tap *.bak);;"
                                                    "All files (*)"));
    if (path.isEmpty()) return;
    QString why;
    // Checked as the program in the pane is (the window's switches, its blocks, its machine) and
    // with the program's own setup, unless the version has one beside it: both sides alike, as
    // zarvik-check --diff reads them.
    check::CheckOptions options = OptionsOf(p.Model->Machine().S);
    if (bench.Latest()) {
        const check::CheckOptions& now = bench.Latest()->Options;
        options.IsoBlockEnds = now.IsoBlockEnds;
        options.Stock = now.Stock;
        options.Machine = now.Machine;
    }
    const auto version = workbench::ReadVersion(path, options, why);
    if (!version) {
        QMessageBox::warning(&window, QStringLiteral("Zarvik"), why);
        return;
    }
    bench.CompareWith(version);
}

void ExportPictureCommand(QMainWindow& window, const Parts& p) {
    const QString start = workbench::ExportStartPath(p.Doc->FileName(), p.Frm->Settings().OpenPathName);
    const QString path = QFileDialog::getSaveFileName(&window, QStringLiteral("Export picture"), start,
                                                      workbench::ExportFilter());
    if (path.isEmpty()) return;
    workbench::ExportRequest r;
    r.Path = path;
    QWidget* viewport = p.Trace->Viewport();
    QWidget* canvas = p.Trace->Canvas();
    const QImage composed = print::ComposeViewPicture(
        p.Trace->TraceImage().Image(), p.Trace->XscaleImage().Image(), p.Trace->ZscaleImage().Image(),
        {viewport->width(), viewport->height(), canvas->x(), canvas->y()});
    const interp::MachineState& s = p.Model->Machine().S;
    r.Composed = print::ScreenCopyPicture(composed, p.Doc->Title(), s.ToolColor);
    if (workbench::ExportFormatOf(path) != workbench::ExportFormat::Png) r.Text = p.Doc->ExactText();
    r.Options = OptionsOf(s);
    r.Visible = picture::VisibleArea(p.Trace->TraceImage(), p.Trace->Screen());
    r.Sheet = p.Trace->Sheet();
    QString why;
    if (!workbench::ExportPicture(r, why))
        QMessageBox::warning(&window, QStringLiteral("Zarvik"), QStringLiteral("%1\r\n%2").arg(path, why));
}

} // namespace app
