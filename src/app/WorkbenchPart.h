#pragma once
// The checking workbench on the window's parts: its hooks into the trace view, the program
// document and the lathe, its View commands and File > Export picture. It only reads the parts
// and calls their public commands; none of the control's commands changes for it.

#include <memory>

class QMainWindow;

namespace workbench {
class Workbench;
}

namespace app {

struct Parts;

std::unique_ptr<workbench::Workbench> MakeWorkbench(QMainWindow& window, const Parts& parts);

// The Export picture command: asks for a file and writes the view in the format its type names.
void ExportPictureCommand(QMainWindow& window, const Parts& parts);

} // namespace app
