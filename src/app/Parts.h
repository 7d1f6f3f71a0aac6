#pragma once
// The five parts the window is made of and the model they share, as each part sees them. The
// window fills this in once every part exists. A part reaches the lathe through `Model`, never
// through another part, and calls its neighbours only through their public commands.

namespace workbench {
class Workbench;
}

namespace app {

class ActionSet;
class Frame;
class Lathe;
class ProgramDocument;
class RunPanel;
class TraceView;

struct Parts {
    Lathe* Model = nullptr;         // the simulated lathe, its run control and its view of the window
    Frame* Frm = nullptr;           // menus, status bar, settings, start-up and exit
    RunPanel* Panel = nullptr;      // the operator panel
    ProgramDocument* Doc = nullptr; // the program pane and its file
    TraceView* Trace = nullptr;     // the tool-path view
    ActionSet* Actions = nullptr;   // every command, by name

    // The checking workbench (null until it exists).
    workbench::Workbench* Bench = nullptr;
};

} // namespace app
