#include "check/Checker.h"

#include "base/Legacy.h"
#include "base/Machine.h"
#include "interp/RunControl.h"
#include "motion/Motion.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace check {

namespace {

// Line of the block being executed: 1 + the CR LF pairs before its terminating CR LF. Counted
// incrementally, since blocks are read in text order.
class LineCounter {
public:
    explicit LineCounter(const std::u16string& text) : Text(text) {}
    int64_t LineOf(int64_t blockEndPos) {
        const size_t end = blockEndPos > 0 ? static_cast<size_t>(blockEndPos - 1) : 0; // 0-based CR
        if (end < Pos) { Pos = 0; Pairs = 0; }
        for (; Pos < end && Pos < Text.size(); ++Pos)
            if (Text[Pos] == u'\r' && Pos + 1 < Text.size() && Text[Pos + 1] == u'\n') ++Pairs;
        return Pairs + 1;
    }

private:
    const std::u16string& Text;
    size_t Pos = 0;
    int64_t Pairs = 0;
};

// The host of a silent check: no window, no waiting; remembers the message panels and records
// alarms and tool times after every block.
class CheckHost final : public interp::Host {
public:
    CheckHost(const std::u16string& text, CheckReport& report) : Text(text), Lines(text), Report(report) {}
    interp::Machine* M = nullptr;

    const std::u16string& ProgramText() override { return Text; }
    int64_t CaretOffset() override { return 0; }
    void HighlightBlock(int64_t, int64_t) override {}
    void FocusProgram() override {}
    void SetMessage(const std::string& mainBar, const std::string&) override { MainMessage = mainBar; }
    void SetMainMessage(const std::string& text) override { MainMessage = text; }
    void SetDialectPanel(const std::string&) override {}
    void SetUnitPanel(const std::string&) override {}
    bool WantsDisplay() const override { return false; }
    void ShowDisplay(const motion::DisplayTexts&) override {}
    void ShowBlockCount(int32_t) override {}
    void ShowCyclePosition(const std::string*, const std::string*) override {}
    void ShowPressed(interp::Command, bool) override {}
    void WaitSeconds(double) override {}
    void DoEvents() override {}

    int64_t CurrentLine() { return Lines.LineOf(M->S.BlockEndPos); }
    void AlarmRaised() override { AlarmInBlock = true; }

    void BlockExecuted() override {
        const interp::MachineState& s = M->S;
        // An alarm of the block counts even when a later M00/M01/M02/M30 took over the run state.
        if (s.RunState == interp::RunAlarm || AlarmInBlock) Report.Alarms.push_back({CurrentLine(), MainMessage});
        AlarmInBlock = false;
        const double total = s.CuttingTime;
        if (total != LastTotal) {
            // The tool's entry is looked up again only when the T word changes.
            if (!ToolTime || s.TWord != ToolTWord || s.TGFlag != ToolTG) {
                ToolTime = &Report.ToolTimes[ToolNumber(s)];
                ToolTWord = s.TWord;
                ToolTG = s.TGFlag;
            }
            *ToolTime += total - LastTotal;
            LastTotal = total;
        }
    }

    static double ToolNumber(const interp::MachineState& s) {
        if (s.TGFlag) return s.TWord;
        return legacy::Int(s.TWord / 100) - legacy::Int(s.TWord / 10000) * 100;
    }

private:
    const std::u16string& Text;
    LineCounter Lines;
    CheckReport& Report;
    std::string MainMessage;
    bool AlarmInBlock = false; // an alarm was raised in the block being executed
    double LastTotal = 0;
    double* ToolTime = nullptr; // entry of the T word ToolTWord / ToolTG in Report.ToolTimes
    double ToolTWord = 0;
    bool ToolTG = false;
};

// The trace canvas of a check: hands every path piece on with its line, and every primitive to
// an optional picture.
class TraceCanvas final : public motion::Canvas {
public:
    TraceCanvas(CheckHost& host, const std::function<void(const TracedSegment&)>& onSegment,
                motion::Canvas* picture)
        : Host(host), OnSegment(onSegment), Picture(picture) {}

    void Resize(double w, double h) override {
        Canvas::Resize(w, h);
        if (Picture) Picture->Resize(w, h);
    }
    void Line(double x1, double y1, double x2, double y2, int32_t color) override {
        if (Sync()) Picture->Line(x1, y1, x2, y2, color);
    }
    void PSet(double x, double y, int32_t color) override {
        if (Sync()) Picture->PSet(x, y, color);
    }
    void Circle(double cx, double cy, double r, int32_t color, bool full, double a, double b) override {
        if (Sync()) Picture->Circle(cx, cy, r, color, full, a, b);
    }
    void Print(const std::string& text) override {
        if (Sync()) {
            Picture->Print(text);
            CurrentX = Picture->CurrentX;
            CurrentY = Picture->CurrentY;
        }
    }
    double TextWidth(const std::string& text) override {
        if (Sync()) return Picture->TextWidth(text);
        // Without a picture: a plain monospace estimate, 0.6 em a character.
        return 0.6 * FontSize * 20 * static_cast<double>(text.size()) * ScaleWidth / Width;
    }
    double TextHeight(const std::string&) override {
        if (Sync()) return Picture->TextHeight("A");
        return 1.15 * FontSize * 20 * ScaleHeight / Height;
    }
    void Cls() override {
        if (Sync()) Picture->Cls();
    }
    void Path(const motion::PathSegment& segment) override {
        if (OnSegment) OnSegment({Host.CurrentLine(), segment});
    }

private:
    bool Sync() {
        if (!Picture) return false;
        Picture->SetScale(ScaleLeft, ScaleTop, ScaleWidth, ScaleHeight);
        Picture->Style = Style;
        Picture->Mode = Mode;
        Picture->ForeColor = ForeColor;
        Picture->BackColor = BackColor;
        Picture->FontSize = FontSize;
        Picture->CurrentX = CurrentX;
        Picture->CurrentY = CurrentY;
        return true;
    }
    CheckHost& Host;
    const std::function<void(const TracedSegment&)>& OnSegment;
    motion::Canvas* Picture;
};

} // namespace

CheckReport CheckProgram(const std::u16string& text, const CheckOptions& options,
                         const std::function<void(const TracedSegment&)>& onSegment, motion::Canvas* picture,
                         double pictureWidthPx, double pictureHeightPx) {
    CheckReport report;
    report.Fanuc = options.Fanuc;
    report.Unit = options.Unit;
    CheckHost host(text, report);
    TraceCanvas trace(host, onSegment, picture);
    motion::View view;
    // The picture is the viewport, at 15 twips a pixel (96 dots an inch).
    view.ViewportWidth = pictureWidthPx * 15;
    view.ViewportHeight = pictureHeightPx * 15;
    interp::Machine m(view, trace, host);
    host.M = &m;
    interp::MachineState& s = m.S;
    s.FanucMode = options.Fanuc;
    s.UnitCode = options.Unit;
    s.PVLX = options.PVLX;
    s.PVLZ = options.PVLZ;
    s.NVLX = options.NVLX;
    s.NVLZ = static_cast<float>(options.NVLZ);
    s.BlockDelete = options.BlockDelete;
    s.G2mirror = options.G2Mirror;
    s.WhiteBackground = true;
    motion::NextToolColors(m);
    motion::SetStandardView(m);

    interp::RunControl run(m);
    s.Replay = true;
    run.Reset();
    run.Start();
    s.Replay = false;

    report.Blocks = s.BlockCount;
    report.ProgramEnd = (s.RunState == interp::RunEndM02 || s.RunState == interp::RunEndM30) && s.BlockEndPos != 0;
    report.CuttingTime = s.CuttingTime;
    report.FinalX = s.LastX;
    report.FinalZ = s.LastZ;
    return report;
}

} // namespace check
