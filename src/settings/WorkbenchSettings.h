#pragma once
// The checking workbench's choices, in a section of their own ("Workbench") so that the
// control's sections keep exactly their keys: which panels are shown, the gutter, and whether
// an opened program starts fitted instead of in the standard view.

#include "settings/Settings.h"

namespace settings {

struct WorkbenchValues {
    bool ProblemsVisible = true; // the problems list is shown by default
    bool ToolsVisible = false;
    bool LineNumbers = true;
    bool StartFitted = false;  // off: the program starts in the standard view, as it always did
    bool PrintTools = false;   // Print adds the tools table under the picture
    bool StockSection = false; // the stock section drawn with the path (needs a setup)
};

// A value that is not a Boolean keeps its default.
WorkbenchValues ReadWorkbench(Store& store);
void WriteWorkbench(Store& store, const WorkbenchValues& v);

} // namespace settings
