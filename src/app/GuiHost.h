// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated lathe's view of the window: the program document, the status bars, the state labels,
// press feedback, and waiting through the event loop so that Hold stop and Reset act during a run.

#include "base/Host.h"
#include "inspect/StockFollow.h"

#include <QElapsedTimer>

#include <vector>

class QEventLoop;

namespace app {

struct Parts;

class GuiHost : public interp::Host {
  public:
    explicit GuiHost(const Parts& parts) : P(parts) {}
    // A silent re-run shows only its end: the labels are written once it has finished.
    bool WantsDisplay() const override;

    const std::u16string& ProgramText() override;
    int64_t CaretOffset() override;
    int SubprogramFile(double number, std::string& name, std::u16string& text, std::string& why) override;
    void HighlightBlock(int64_t start, int64_t length) override;
    void FocusProgram() override;
    // A silent re-run that takes long shows how far it is in panel 1 and keeps the window painted.
    void BlockExecuted() override;

    void SetMessage(const std::string& mainBar, const std::string& fkeyBar) override;
    void SetMainMessage(const std::string& text) override;
    void SetDialectPanel(const std::string& text) override;
    void SetUnitPanel(const std::string& text) override;

    void ShowDisplay(const motion::DisplayTexts& texts) override;
    void ShowBlockCount(int32_t count) override;
    void ShowCyclePosition(const std::string* xa, const std::string* za) override;

    void ShowPressed(interp::Command command, bool pressed) override;
    void SwitchesChanged() override;
    void RunSpeedChanged(float speed) override;

    void WaitSeconds(double seconds) override;
    void DoEvents() override;

    // Ends every wait in progress at once (the window is closing).
    void EndWaits();
    // The window is drawing the program: a silent re-run, or a command's press feedback before
    // one (a wait outside a run). A run the operator watches is no drawing in this sense.
    bool Drawing() const;

    // The block the run executed last (a silent re-run's too), as the lathe stood after it: the
    // stock section follows it.
    const inspect::RunPoint& LastBlock() const { return Last; }

  private:
    const Parts& P;
    std::vector<QEventLoop*> Waits; // the waits in progress, innermost last
    QElapsedTimer RunClock;         // since the first block of the run in progress
    qint64 ProgressShownAt = 0;     // on RunClock: the progress was last shown
    inspect::RunPoint Last;         // set after every block
};

} // namespace app
