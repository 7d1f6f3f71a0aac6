// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checking workbench on the window's parts: its hooks into the trace view, the program
// document and the lathe, its View commands and File > Export picture. It only reads the parts
// and calls their public commands; none of the control's commands changes for it. The window's
// parts know it only as a Follower.

#include "app/Parts.h"

#include <memory>

class QMainWindow;

namespace workbench {
class Workbench;
}

namespace app {

class WorkbenchPart final : public Follower {
  public:
    WorkbenchPart(QMainWindow& window, const Parts& parts);
    ~WorkbenchPart() override;
    workbench::Workbench& Bench() { return *B; }

    void ProgramOpened() override;
    void CommandDone() override;
    void BlockExecuted() override;
    void ReadSettings(settings::Store& store) override;
    void WriteSettings(settings::Store& store) override;
    void Shown() override;
    void LegendLines(QStringList& lines) const override;

  private:
    const Parts& P;
    std::unique_ptr<workbench::Workbench> B;
};

// The Compare with version command: asks for another version of the program (its backup or the
// program as last saved first) and compares the program in the pane with it.
void CompareVersionCommand(QMainWindow& window, const Parts& parts, workbench::Workbench& bench);

// The Export picture command: asks for a file and writes the view in the format its type names.
void ExportPictureCommand(QMainWindow& window, const Parts& parts);

} // namespace app
