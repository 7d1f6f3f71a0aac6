// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The five parts the window is made of and the model they share, as each part sees them. The
// window fills this in once every part exists. A part reaches the lathe through `Model`, never
// through another part, and calls its neighbours only through their public commands.

#include <QStringList>

#include <vector>

namespace settings {
class Store;
}

namespace app {

class ActionSet;
class Frame;
class Lathe;
class ProgramDocument;
class RunPanel;
class TraceView;

// A part added beside the five (the checking workbench): it follows the window's moments, which
// the parts tell every follower without knowing what it is.
class Follower {
  public:
    virtual ~Follower() = default;
    // A program file was read into the pane.
    virtual void ProgramOpened() = 0;
    // After every command run through the guard.
    virtual void CommandDone() = 0;
    // After every block a run executes in view (not in a silent re-run).
    virtual void BlockExecuted() = 0;
    // At start-up and at exit.
    virtual void ReadSettings(settings::Store& store) = 0;
    virtual void WriteSettings(settings::Store& store) = 0;
    // The window is on the screen for the first time.
    virtual void Shown() = 0;
    // Adds the lines of a printed page's legend (the tools table).
    virtual void LegendLines(QStringList& lines) const = 0;
};

struct Parts {
    Lathe* Model = nullptr;         // the simulated lathe, its run control and its view of the window
    Frame* Frm = nullptr;           // menus, status bar, settings, start-up and exit
    RunPanel* Panel = nullptr;      // the operator panel
    ProgramDocument* Doc = nullptr; // the program pane and its file
    TraceView* Trace = nullptr;     // the tool-path view
    ActionSet* Actions = nullptr;   // every command, by name

    // The parts added once the five exist.
    std::vector<Follower*> Followers;
};

} // namespace app
