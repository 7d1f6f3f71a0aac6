// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A host without a window for core tests: keeps the program text, records messages, highlights,
// feedback and waits, and lets a test act "during" a block through hooks.

#include "base/Host.h"
#include "base/Machine.h"
#include "base/View.h"
#include "motion/Display.h"
#include "motion/RecordingCanvas.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class FakeHost : public interp::Host {
  public:
    std::u16string Text;
    int64_t Caret = 0;
    std::string MainMessage, FkeyMessage, DialectPanel, UnitPanel;
    int64_t HighlightStart = -1, HighlightLength = -1;
    int HighlightCount = 0, FocusCount = 0, DisplayCount = 0, SwitchCount = 0;
    std::vector<std::pair<interp::Command, bool>> Presses;
    std::vector<double> Waits;
    std::function<void()> OnWait;      // runs inside WaitSeconds (a user command during the pause)
    std::function<void()> OnBlockDone; // runs after each executed block
    float RunSpeedShown = -1;
    // When set, the labels are skipped while this state runs a silent re-run (as the window does).
    const interp::MachineState* QuietDuringReplayOf = nullptr;
    std::vector<int32_t> DisplayedBlockCounts; // the Block label of each display, in order
    motion::DisplayTexts LastDisplay;

    void SetText(const std::string& ascii) { Text.assign(ascii.begin(), ascii.end()); }

    const std::u16string& ProgramText() override { return Text; }
    int64_t CaretOffset() override { return Caret; }
    void HighlightBlock(int64_t start, int64_t length) override {
        HighlightStart = start;
        HighlightLength = length;
        Caret = start; // a selection puts the caret at its start
        ++HighlightCount;
    }
    void FocusProgram() override { ++FocusCount; }
    void BlockExecuted() override {
        if (OnBlockDone) OnBlockDone();
    }
    void SetMessage(const std::string& mainBar, const std::string& fkeyBar) override {
        MainMessage = mainBar;
        FkeyMessage = fkeyBar;
    }
    void SetMainMessage(const std::string& text) override { MainMessage = text; }
    void SetDialectPanel(const std::string& text) override { DialectPanel = text; }
    void SetUnitPanel(const std::string& text) override { UnitPanel = text; }
    bool WantsDisplay() const override { return !(QuietDuringReplayOf && QuietDuringReplayOf->Replay); }
    void ShowDisplay(const motion::DisplayTexts& texts) override {
        ++DisplayCount;
        DisplayedBlockCounts.push_back(std::stoi(texts.Block));
        LastDisplay = texts;
    }
    void ShowBlockCount(int32_t) override {}
    void ShowCyclePosition(const std::string*, const std::string*) override {}
    void ShowPressed(interp::Command command, bool pressed) override {
        Presses.emplace_back(command, pressed);
    }
    void SwitchesChanged() override { ++SwitchCount; }
    void RunSpeedChanged(float speed) override { RunSpeedShown = speed; }
    void WaitSeconds(double seconds) override {
        Waits.push_back(seconds);
        if (OnWait) OnWait();
    }
    void DoEvents() override {}
};

// A machine on a fake host and a recording canvas, in the standard view of the default limits.
struct TestMachine {
    FakeHost Ui;
    motion::RecordingCanvas Trace;
    motion::View Screen;
    interp::Machine M{Screen, Trace, Ui};
};

} // namespace testing_support
