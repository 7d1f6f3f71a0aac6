// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/Actions.h"
#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/ProgramDocument.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"
#include "app/WorkbenchPart.h"
#include "workbench/Workbench.h"

#include <QCloseEvent>

namespace app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmMain");
    setWindowTitle("Zarvik Ver.2.38");
    Actions = std::make_unique<ActionSet>(this);
    FramePart = std::make_unique<Frame>(*this, Wiring);
    QWidget* form = FramePart->Form();
    // The order of creation is the order of the widgets on the form, the status bar on top.
    TracePart = std::make_unique<TraceView>(form, Wiring);
    LatheModel = std::make_unique<Lathe>(TracePart->Screen(), TracePart->TraceImage(), Wiring);
    DocPart = std::make_unique<ProgramDocument>(form, Wiring);
    PanelPart = std::make_unique<RunPanel>(form, Wiring);
    Wiring.Model = LatheModel.get();
    Wiring.Frm = FramePart.get();
    Wiring.Panel = PanelPart.get();
    Wiring.Doc = DocPart.get();
    Wiring.Trace = TracePart.get();
    Wiring.Actions = Actions.get();

    PanelPart->Build();
    DocPart->Build();
    TracePart->Build();
    FramePart->Assemble();
    PanelPart->Connect();
    DocPart->Connect();
    TracePart->Connect();
    BenchPart = std::make_unique<WorkbenchPart>(*this, Wiring);
    Wiring.Followers.push_back(BenchPart.get());
}

MainWindow::~MainWindow() = default;

workbench::Workbench& MainWindow::Bench() {
    return BenchPart->Bench();
}

bool MainWindow::Load(const QString& commandLine) {
    return FramePart->Load(commandLine);
}

QAction* MainWindow::Action(const QString& name) const {
    return (*Actions)(name);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    FramePart->CloseRequested(event);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) FramePart->WindowStateChanged();
}

} // namespace app
