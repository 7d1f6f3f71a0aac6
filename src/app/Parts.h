#pragma once
// The five parts the window is made of, as each part sees its neighbours. The window fills this
// in once every part exists; a part calls its neighbours only through their public commands.

namespace workbench {
class Workbench;
}

namespace app {

class ActionSet;
class Frame;
class ProgramDocument;
class RunPanel;
class TraceView;

struct Parts {
    Frame* Frm = nullptr;           // menus, status bar, settings, start-up and exit
    RunPanel* Panel = nullptr;      // the operator panel and the simulated lathe
    ProgramDocument* Doc = nullptr; // the program pane and its file
    TraceView* Trace = nullptr;     // the tool-path view
    ActionSet* Actions = nullptr;   // every command, by name

    // The checking workbench (null until it exists).
    workbench::Workbench* Bench = nullptr;
};

} // namespace app
