// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh machine on a recording canvas for the motion tests, with a host that only records.

#include "base/Host.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "motion/Display.h"
#include "motion/Motion.h"
#include "motion/RecordingCanvas.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace motiontest {

class RecordingHost : public interp::Host {
  public:
    const std::u16string& ProgramText() override { return Text; }
    int64_t CaretOffset() override { return 0; }
    void HighlightBlock(int64_t, int64_t) override {}
    void FocusProgram() override {}
    void SetMessage(const std::string& mainBar, const std::string& fkeyBar) override {
        MainBar = mainBar;
        FkeyBar = fkeyBar;
    }
    void SetMainMessage(const std::string& text) override { MainBar = text; }
    void SetDialectPanel(const std::string&) override {}
    void SetUnitPanel(const std::string&) override {}
    bool WantsDisplay() const override { return Watching; }
    void ShowDisplay(const motion::DisplayTexts& texts) override { Shown.push_back(texts); }
    void ShowBlockCount(int32_t) override {}
    void ShowCyclePosition(const std::string*, const std::string*) override {}
    void ShowPressed(interp::Command, bool) override {}
    void WaitSeconds(double) override {}
    void DoEvents() override {}

    std::u16string Text;
    std::string MainBar, FkeyBar;
    bool Watching = true;
    std::vector<motion::DisplayTexts> Shown;
};

// A machine whose canvas shows Z -100..100 across a 16000-twip canvas (window 4000 twips wide),
// ten twips per canvas unit vertically as well.
class MotionTest : public ::testing::Test {
  protected:
    MotionTest() : M(Screen, Canvas, Host) {
        Screen.ViewportWidth = 4000;
        Screen.ViewportHeight = 3000;
        Canvas.Resize(16000, 12000);
        Canvas.SetScale(-800, -600, 1600, 1200);
        Screen.CanvasLeft = -6000;
        Screen.CanvasTop = -4500;
        M.S.RunState = interp::RunRunning;
    }

    // Start and end of the move, the block's words cleared.
    void From(double x, double z) {
        M.S.LastX = M.S.CurX = x;
        M.S.LastZ = M.S.CurZ = z;
    }
    void To(double x, double z) {
        M.S.CurX = x;
        M.S.CurZ = z;
    }
    // Height of a line of the end-point annotation (9 points).
    double MarkTextHeight() {
        Canvas.FontSize = 9;
        return Canvas.TextHeight("A");
    }
    std::vector<motion::Primitive> Drawn(motion::Primitive::Op op) const { return Canvas.Of(op); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& p : Canvas.Of(motion::Primitive::Op::Print))
            out.push_back(p.text);
        return out;
    }

    motion::View Screen;
    motion::RecordingCanvas Canvas;
    RecordingHost Host;
    interp::Machine M;
};

// Canvas point of an angle on a circle, counter-clockwise as seen on screen (y grows downwards).
inline motion::CanvasPoint OnCircle(double cx, double cy, double r, double angle) {
    return {cx + r * std::cos(angle), cy - r * std::sin(angle)};
}

inline double Distance(motion::CanvasPoint a, motion::CanvasPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace motiontest
