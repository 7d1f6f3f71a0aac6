// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/Workbench.h"

#include "editor/ProgramView.h"
#include "files/ProgramText.h"
#include "machine/ProfileFile.h"
#include "picture/Sheet.h"
#include "stock/SetupFile.h"
#include "workbench/ComparePanel.h"
#include "workbench/MachinePanel.h"

#include <QAction>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>

#include <map>
#include <thread>

namespace workbench {

namespace {

QAction* Make(QObject* owner, const char* name, const QString& caption, const char* key, bool checkable) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(QString::fromLatin1(name));
    if (key) a->setShortcut(QKeySequence(QString::fromLatin1(key)));
    a->setCheckable(checkable);
    return a;
}

// The toolbar's two pictures, drawn so that no file is needed: a frame with corner marks (fit)
// and a ruler (measure).
QIcon Drawn(bool ruler) {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    if (ruler) {
        p.translate(10, 10);
        p.rotate(-35);
        p.drawRect(QRectF(-9, -3.5, 18, 7));
        for (int k = -6; k <= 6; k += 3)
            p.drawLine(QPointF(k, -3.5), QPointF(k, k % 2 ? -1 : 0));
    } else {
        for (int sx : {-1, 1})
            for (int sy : {-1, 1}) {
                const QPointF c(10 + sx * 8, 10 + sy * 8);
                p.drawLine(c, c - QPointF(sx * 5, 0));
                p.drawLine(c, c - QPointF(0, sy * 5));
            }
        p.setPen(QPen(QColor(0, 110, 200), 2));
        p.drawLine(QPointF(5, 13), QPointF(10, 7));
        p.drawLine(QPointF(10, 7), QPointF(15, 11));
    }
    return QIcon(pm);
}

} // namespace

Workbench::Workbench(WindowHooks hooks, const settings::WorkbenchValues& values)
    : QObject(hooks.Window), H(std::move(hooks)) {
    MeasureMode = Make(this, "mnuMeasure", "Measure", MeasureKey, true);
    ZoomToFit = Make(this, "mnuZoomToFit", "Zoom to fit", FitKey, false);
    LineNumbers = Make(this, "mnuLineNumbers", "Line numbers", LineNumbersKey, true);
    StartFitted = Make(this, "mnuStartFitted", "Start opened programs fitted", nullptr, true);
    ShowStock = Make(this, "mnuStockSection", "Stock section", StockKey, true);
    // With the section: where the nose radius compensation takes the programmed point.
    ShowNosePath = Make(this, "mnuNosePath", "Nose path", nullptr, true);
    ZoomToFit->setIcon(Drawn(false));
    MeasureMode->setIcon(Drawn(true));
    ZoomToFit->setIconVisibleInMenu(false);
    MeasureMode->setIconVisibleInMenu(false);
    ZoomToFit->setToolTip(QStringLiteral("Zoom to fit (%1)").arg(QString::fromLatin1(FitKey)));
    MeasureMode->setToolTip(
        QStringLiteral("Measure (%1): click two points; Esc leaves").arg(QString::fromLatin1(MeasureKey)));

    MakePanels();

    PathLayer = new PathOverlay(H.Viewport, H.Map);
    PointerOnPath = new PathPointer(H.Canvas, PathLayer);
    PointerOnPath->GridSnap = H.GridSnap;
    PointerOnPath->CanvasBusy = H.CanvasBusy;
    PointerOnPath->Text = H.TextNow;
    connect(PointerOnPath, &PathPointer::LineClicked, this, [this](qint64 line) { GoToLine(line); });
    connect(PointerOnPath, &PathPointer::Measured, this, &Workbench::StatusText);
    connect(PointerOnPath, &PathPointer::MeasuringChanged, MeasureMode, &QAction::setChecked);
    connect(MeasureMode, &QAction::toggled, PointerOnPath,
            [this](bool on) { Guarded([this, on] { PointerOnPath->SetMeasuring(on); }); });
    PathLayer->WhiteBackground = [this] { return H.Options && H.Options().WhiteBackground; };
    PathLayer->RunAt = H.Run;
    connect(ShowStock, &QAction::toggled, PathLayer,
            [this](bool on) { Guarded([this, on] { PathLayer->ShowStock(on); }); });
    connect(ShowNosePath, &QAction::toggled, PathLayer,
            [this](bool on) { Guarded([this, on] { PathLayer->ShowNosePath(on); }); });

    PaneNumbers = new PaneGutter(H.Pane, H.SetPaneMargin);
    PaneNumbers->LineOfBlock = [this](int block) -> int64_t {
        const BenchPtr& r = Checker.Latest();
        if (!r || !H.ToTextOffset) return block + 1;
        return r->Starts.LineAt(static_cast<size_t>(H.ToTextOffset(H.Pane->Text().LineStart(block))));
    };
    connect(LineNumbers, &QAction::toggled, this, [this](bool on) {
        Guarded([this, on] {
            PaneNumbers->setVisible(on);
            PaneNumbers->SetColouring(on);
            if (H.SetPaneMargin) H.SetPaneMargin(on ? PaneNumbers->Width() : 0);
        });
    });
    connect(ZoomToFit, &QAction::triggered, this, [this] { Guarded([this] { FitView(); }); });

    CountsButton = new QPushButton(QStringLiteral("no problems"));
    CountsButton->setObjectName(QStringLiteral("ProblemCounts"));
    CountsButton->setFlat(true);
    CountsButton->setToolTip(QStringLiteral("Show the problems list"));
    H.Window->statusBar()->addPermanentWidget(CountsButton);
    // A check that gave no result (given up, out of memory) leaves no stale claim behind.
    connect(&Checker, &CheckWorker::Settled, this, [this] {
        StockProgress.stop();
        if (!CountsPending) return;
        CountsPending = false;
        CountsButton->setText(Checker.Latest() ? CountsText(Checker.Latest())
                                               : QStringLiteral("not checked"));
    });
    connect(CountsButton, &QPushButton::clicked, this, [this] {
        PanelCommand(QStringLiteral("ProblemsPanel"))->setChecked(true);
        Problems()->raise();
    });
    connect(&Checker, &CheckWorker::Checked, this, &Workbench::Checked);
    Checker.Hold = H.Drawing;
    connect(H.Pane, &editor::ProgramView::CursorPositionChanged, this, &Workbench::CaretMoved);
    EditPause.setSingleShot(true);
    EditPause.setInterval(400);
    connect(&EditPause, &QTimer::timeout, this, [this] { CheckNow(H.Text(), OptionsNow()); });
    StockProgress.setInterval(250);
    connect(&StockProgress, &QTimer::timeout, this, &Workbench::ShowStockProgress);
    InputWatch = new QFileSystemWatcher(this);
    InputPause.setSingleShot(true);
    InputPause.setInterval(200); // a file is often written in several steps
    connect(InputWatch, &QFileSystemWatcher::fileChanged, &InputPause, qOverload<>(&QTimer::start));
    connect(&InputPause, &QTimer::timeout, this, [this] { Guarded([this] { InputsChanged(); }); });
    ApplySettings(values);
}

void Workbench::MakePanels() {
    std::map<Qt::DockWidgetArea, Panel*> firstIn; // the panels of an area share it as tabs
    for (const PanelRow& row : PanelRows()) {
        Panel* dock = row.Make(*this, H.Window);
        dock->setObjectName(QString::fromLatin1(row.Name));
        dock->setWindowTitle(QString::fromLatin1(row.Title));
        QAction* command = Make(this, row.Command, QString::fromLatin1(row.Caption), row.Key, true);
        H.Window->addDockWidget(row.Area, dock);
        if (auto [first, isNew] = firstIn.try_emplace(row.Area, dock); !isNew)
            H.Window->tabifyDockWidget(first->second, dock);
        connect(command, &QAction::toggled, dock, [this, dock](bool on) {
            Guarded([dock, on] {
                dock->setVisible(on);
                if (on) dock->raise();
            });
        });
        // Closing a dock by its own button unticks its command.
        connect(dock, &QDockWidget::visibilityChanged, this, [dock, command](bool) {
            if (!dock->isHidden() != command->isChecked()) command->setChecked(!dock->isHidden());
        });
        Docks.push_back({&row, dock, command});
    }
}

Panel* Workbench::PanelNamed(const QString& name) const {
    for (const Docked& d : Docks)
        if (name == QLatin1String(d.Row->Name)) return d.Dock;
    return nullptr;
}

QAction* Workbench::PanelCommand(const QString& name) const {
    for (const Docked& d : Docks)
        if (name == QLatin1String(d.Row->Name)) return d.Command;
    return nullptr;
}

ProblemsPanel* Workbench::Problems() const {
    return static_cast<ProblemsPanel*>(PanelNamed(QStringLiteral("ProblemsPanel")));
}

ToolsPanel* Workbench::Tools() const {
    return static_cast<ToolsPanel*>(PanelNamed(QStringLiteral("ToolsPanel")));
}

void Workbench::FitDocks() {
    // A few rows of problems below the client area; the operator may drag it taller.
    ProblemsPanel* problems = Problems();
    const int rows = problems->Table()->fontMetrics().height() + 4;
    const int bar = problems->FixButton()->sizeHint().height();
    H.Window->resizeDocks({problems}, {rows * 5 + 34 + bar}, Qt::Vertical);
}

void Workbench::ApplySettings(const settings::WorkbenchValues& values) {
    for (const Docked& d : Docks) {
        const auto stored = values.Panels.find(QString::fromLatin1(d.Row->Setting));
        const bool shown = stored != values.Panels.end() ? stored->second : d.Row->ShownFirst;
        d.Command->setChecked(shown);
        d.Dock->setVisible(shown);
    }
    // Then the first panel shown of an area is the tab in front.
    std::map<Qt::DockWidgetArea, bool> raised;
    for (const Docked& d : Docks)
        if (d.Command->isChecked() && !raised[d.Row->Area]) {
            raised[d.Row->Area] = true;
            d.Dock->raise();
        }
    LineNumbers->setChecked(values.LineNumbers);
    PaneNumbers->setVisible(values.LineNumbers);
    PaneNumbers->SetColouring(values.LineNumbers);
    if (H.SetPaneMargin) H.SetPaneMargin(values.LineNumbers ? PaneNumbers->Width() : 0);
    StartFitted->setChecked(values.StartFitted);
    ShowStock->setChecked(values.StockSection);
    ShowNosePath->setChecked(values.NosePath);
    FitDocks();
}

QList<QAction*> Workbench::Commands() const {
    QList<QAction*> all{ZoomToFit, MeasureMode};
    for (const Docked& d : Docks)
        all << d.Command;
    return all << LineNumbers << StartFitted << ShowStock << ShowNosePath;
}

void Workbench::AddToMenu(QMenu* view) const {
    view->addSeparator();
    view->addActions(Commands());
}

void Workbench::Guarded(const std::function<void()>& work) {
    if (RunCommand)
        RunCommand(work);
    else
        work();
}

void Workbench::ProgramOpened() {
    EditPause.stop();
    FitWhenChecked = StartFitted->isChecked();
    // A long program takes a while: until its check is in, the counts claim nothing.
    CountsButton->setText(QStringLiteral("checking..."));
    CountsPending = true;
    CheckNow(H.Text(), OptionsNow(), true);
}

check::CheckOptions Workbench::OptionsNow() {
    check::CheckOptions o = H.Options();
    QString complaint;
    const QString program = H.ProgramPath ? H.ProgramPath() : QString();
    o.ProgramPath = program.toStdString(); // subprogram files beside it
    o.IsoBlockEnds = false;                // the window's run reads blocks ended by CR LF only
    // The window's thread waits for the user most of the time: beside the check's own thread a
    // core is to spare for its pass over the text and its machine's planning.
    o.SecondCore = std::thread::hardware_concurrency() > 1;
    o.Stock = Setups.For(program, complaint);
    o.Target = Setups.Target(); // the part on the drawing, when the setup names one
    QStringList watched;
    if (!program.isEmpty()) watched << QString::fromStdString(stock::DefaultSetupPath(program.toStdString()));
    if (!Setups.DrawingFile().isEmpty()) watched << Setups.DrawingFile();
    WatchInputs(watched);
    // A setup file that cannot be read is told once, not after every command.
    if (complaint != SetupComplaint && !complaint.isEmpty()) emit StatusText(complaint);
    SetupComplaint = complaint;
    o.Machine = Setups.MachineFor(H.ProgramPath ? H.ProgramPath() : QString(), MachineFile, complaint);
    if (complaint != MachineComplaint && !complaint.isEmpty()) emit StatusText(complaint);
    MachineComplaint = complaint;
    return o;
}

void Workbench::CheckNow(std::shared_ptr<const std::u16string> text, const check::CheckOptions& options,
                         bool soon) {
    CheckedRevision = H.TextRevision();
    if (soon)
        Checker.RequestSoon(std::move(text), options);
    else
        Checker.RequestNow(std::move(text), options);
    // A short check is in before the first tick and says nothing of its progress.
    if (options.Stock) StockProgress.start();
}

void Workbench::ShowStockProgress() {
    if (!Checker.Busy()) {
        StockProgress.stop();
        return;
    }
    if (!Checker.CuttingStock() || !ShowStock->isChecked()) return;
    CountsButton->setText(QStringLiteral("stock section %1%...").arg(Checker.Progress()));
    CountsPending = true;
}

void Workbench::BlockExecuted() {
    if (ShowStock->isChecked()) PathLayer->RunMoved();
}

void Workbench::ProgramEdited() {
    Checker.GiveUp();
    EditPause.start();
}

void Workbench::AfterCommand() {
    // A reset, a step or a re-run moved the run: the stock section shows where it stands now.
    if (ShowStock->isChecked()) PathLayer->update();
    // Typing is checked after a pause; a command may have changed the switches the check runs
    // with (dialect, unit, limits, block delete, mirrors), or the text without typing (the line
    // ends converted, a quick fix, an undo of one).
    const BenchPtr& r = Checker.Latest();
    if (!CheckedRevision || Checker.Busy() || EditPause.isActive()) return;
    const check::CheckOptions o = OptionsNow();
    if (r && H.TextRevision() == *CheckedRevision) {
        const check::CheckOptions& was = r->Options;
        if (o.Lathe == was.Lathe && o.BlockDelete == was.BlockDelete && o.Stock == was.Stock &&
            o.Machine == was.Machine && o.Target == was.Target)
            return;
    }
    CheckNow(H.Text(), o);
}

void Workbench::WatchInputs(const QStringList& files) {
    // A file replaced by a rename (as most programs save) leaves the watcher: it is watched
    // again at the next look, as long as it exists.
    QStringList wanted;
    for (const QString& f : files)
        if (QFileInfo::exists(f)) wanted << f;
    const QStringList now = InputWatch->files();
    for (const QString& f : now)
        if (!wanted.contains(f)) InputWatch->removePath(f);
    for (const QString& f : wanted)
        if (!now.contains(f)) InputWatch->addPath(f);
}

void Workbench::InputsChanged() {
    if (!CheckedRevision) return; // nothing opened yet
    const check::CheckOptions o = OptionsNow();
    const BenchPtr& r = Checker.Latest();
    if (r && !Checker.Busy() && o.Stock == r->Options.Stock && o.Target == r->Options.Target) return;
    Checker.GiveUp();
    CheckNow(H.Text(), o);
}

void Workbench::SetMachineFile(const QString& path) {
    MachineFile = path;
    ShowMachineChoice();
    if (!CheckedRevision) return; // nothing opened yet: the first check takes it
    Checker.GiveUp();
    CheckNow(H.Text(), OptionsNow());
}

void Workbench::CompareWith(std::shared_ptr<const check::ProgramVersion> version) {
    const bool on = version != nullptr;
    auto* panel = static_cast<ComparePanel*>(PanelNamed(QStringLiteral("ComparePanel")));
    panel->SetVersus(on ? QFileInfo(QString::fromStdString(version->File)).fileName() : QString());
    Checker.SetVersus(std::move(version));
    PathLayer->ShowVersions(on);
    if (!on) return; // the next check compares nothing; what is shown goes at once
    // The regions lie over the section: both shown.
    PanelCommand(QStringLiteral("ComparePanel"))->setChecked(true);
    panel->raise();
    ShowStock->setChecked(true);
    if (!CheckedRevision) return; // nothing opened yet: the first check compares
    Checker.GiveUp();
    CheckNow(H.Text(), OptionsNow());
}

void Workbench::ShowMachineChoice() {
    auto* panel = qobject_cast<MachinePanel*>(PanelNamed(QStringLiteral("MachinePanel")));
    if (!panel) return;
    const QString program = H.ProgramPath ? H.ProgramPath() : QString();
    const QString named = program.isEmpty() ? QString()
                                            : QString::fromStdString(machine::MachineFileNamedBy(
                                                  stock::DefaultSetupPath(program.toStdString())));
    panel->ShowChoice(MachineFile, named);
}

void Workbench::Checked(BenchPtr result) {
    // The panel's heading names the machine: told before the result reaches it.
    ShowMachineChoice();
    for (const Docked& d : Docks)
        d.Dock->SetResult(result);
    PathLayer->SetResult(result);
    PaneNumbers->SetResult(result);
    CountsButton->setText(CountsText(result));
    CountsPending = false;
    // A stock that could not be cut: the program's problems are listed, and the corner and the
    // status line say why the stock was left out (once, not after every check).
    const QString stockError = StockErrorText(result);
    CountsButton->setToolTip(stockError.isEmpty() ? QStringLiteral("Show the problems list") : stockError);
    if (stockError != StockComplaint && !stockError.isEmpty()) emit StatusText(stockError);
    StockComplaint = stockError;
    CaretMoved();
    if (FitWhenChecked) {
        FitWhenChecked = false;
        FitView();
    }
}

QString Workbench::StockErrorText(const BenchPtr& r) {
    if (!r || r->Report.StockError.empty()) return {};
    const std::string file = r->Options.Stock ? r->Options.Stock->File : std::string();
    return QString::fromStdString((file.empty() ? "" : file + ": ") + r->Report.StockError +
                                  "; checked without the stock");
}

QString Workbench::CountsText(const BenchPtr& r) const {
    if (r && !r->Report.StockError.empty())
        return Problems()->Counts() + QStringLiteral("; stock not checked");
    return Problems()->Counts();
}

bool Workbench::FitView() {
    const BenchPtr& r = Checker.Latest();
    const std::optional<inspect::ViewMap> map = H.Map ? H.Map() : std::nullopt;
    if (!r || !map || !H.ZoomTo) return false;
    const std::optional<picture::Area> area =
        inspect::FitFrame(r->Paths, *map, H.Viewport->width(), H.Viewport->height());
    if (!area) return false;
    H.ZoomTo(*area);
    PathLayer->update();
    return true;
}

void Workbench::GoToLine(int64_t line) {
    const BenchPtr& r = Checker.Latest();
    if (!r || !H.SelectBlock) return;
    const size_t start = r->Starts.StartOf(line), end = r->Starts.EndOf(line);
    H.SelectBlock(static_cast<int64_t>(start), static_cast<int64_t>(end > start ? end - start : 0));
    H.Pane->setFocus(Qt::OtherFocusReason);
    PathLayer->HighlightLine(line);
}

int64_t Workbench::CaretLine() const {
    const BenchPtr& r = Checker.Latest();
    if (!r || !H.ToTextOffset) return 0;
    return r->Starts.LineAt(static_cast<size_t>(H.ToTextOffset(H.Pane->SelectionStart())));
}

void Workbench::CaretMoved() {
    const int64_t line = CaretLine();
    PathLayer->HighlightLine(line);
    PaneNumbers->SetExecutingLine(line);
}

settings::WorkbenchValues Workbench::Values() const {
    settings::WorkbenchValues v;
    for (const Docked& d : Docks)
        v.Panels[QString::fromLatin1(d.Row->Setting)] = d.Command->isChecked();
    v.LineNumbers = LineNumbers->isChecked();
    v.StartFitted = StartFitted->isChecked();
    v.StockSection = ShowStock->isChecked();
    v.NosePath = ShowNosePath->isChecked();
    return v;
}

QStringList Workbench::PanelSettings() {
    QStringList keys;
    for (const PanelRow& row : PanelRows())
        keys << QString::fromLatin1(row.Setting);
    return keys;
}

QStringList Workbench::ToolTableLines() const {
    QStringList lines;
    const BenchPtr& r = Checker.Latest();
    if (!r) return lines;
    for (const inspect::ToolRow& t : r->Tools)
        lines << QStringLiteral("%1   %2 (%3)   %4 blocks   from line %5")
                     .arg(ToolName(t.Tool), QString::fromStdString(picture::LegendClock(t.Seconds)),
                          QString::fromStdString(picture::LegendSeconds(t.Seconds)))
                     .arg(t.Blocks)
                     .arg(t.FirstLine);
    return lines;
}

} // namespace workbench
