// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// frmMain: Zarvik's one main window, assembled from its model (the simulated lathe) and its parts:
// the frame (menus, status bar, settings, start-up and exit), the run panel (the operator panel),
// the program document, the trace view and the checking workbench. The window owns them and hands
// each the model and its neighbours.

#include "app/Parts.h"

#include <QMainWindow>

#include <memory>

namespace workbench {
class Workbench;
}

namespace app {

class WorkbenchPart;

class MainWindow : public QMainWindow {
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up from reading the settings to the command line (quoted or not). False when it
    // failed; the window has then shown why and must be closed without writing the settings.
    bool Load(const QString& commandLine);

    // The model and the parts, for the commands and inspection of tests.
    Lathe& Model() { return *LatheModel; }
    Frame& WindowFrame() { return *FramePart; }
    RunPanel& Panel() { return *PanelPart; }
    ProgramDocument& Document() { return *DocPart; }
    TraceView& View() { return *TracePart; }
    QAction* Action(const QString& name) const; // a command by its action's name
    workbench::Workbench& Bench();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    Parts Wiring;
    std::unique_ptr<ActionSet> Actions;
    std::unique_ptr<Frame> FramePart;
    std::unique_ptr<TraceView> TracePart;
    std::unique_ptr<Lathe> LatheModel; // draws onto the trace view's canvas: made after it, gone before it
    std::unique_ptr<ProgramDocument> DocPart;
    std::unique_ptr<RunPanel> PanelPart;
    std::unique_ptr<WorkbenchPart> BenchPart;
};

} // namespace app
