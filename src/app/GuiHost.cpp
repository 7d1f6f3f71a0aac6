// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GuiHost.h"

#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"
#include "base/Machine.h"
#include "input/Subprogram.h"
#include "motion/Motion.h"
#include "text/ProgramEncoding.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPalette>
#include <QTimer>

namespace app {

const std::u16string& GuiHost::ProgramText() {
    return P.Doc->ExactText();
}

int GuiHost::SubprogramFile(double number, std::string& name, std::u16string& text, std::string& why) {
    // The saved program's folder, as the checker looks beside the program file.
    if (!P.Doc->HasFile() || number < 0 || number > 99999999) return 0;
    input::SubprogramFile file;
    const int found =
        input::ReadSubprogramFile(P.Doc->FileName().toStdString(), static_cast<long>(number), file, why);
    if (found <= 0) return found;
    name = file.Name;
    text = text::Decode(file.Bytes);
    return 1;
}

int64_t GuiHost::CaretOffset() {
    return P.Doc->CaretOffset();
}

void GuiHost::HighlightBlock(int64_t start, int64_t length) {
    P.Doc->HighlightBlock(start, length);
}

void GuiHost::BlockExecuted() {
    const interp::MachineState& s = P.Model->Machine().S;
    Last = {s.BlockCount,
            s.BlockEndPos,
            s.RunState == interp::RunEndM02 || s.RunState == interp::RunEndM30,
            motion::ToolNumberOf(P.Model->Machine()),
            s.LastX,
            s.LastZ};
    if (!s.Replay)
        for (Follower* f : P.Followers)
            f->BlockExecuted();
    if (s.BlockCount <= 1) {
        RunClock.start();
        ProgressShownAt = 0;
    }
    if (!s.Replay || s.BlockCount % 2048 || P.Frm->Ending()) return;
    // From 0.3 s on, ten times a second: each showing repaints the canvas.
    const qint64 now = RunClock.elapsed();
    if (now < 300 || now - ProgressShownAt < 100) return;
    ProgressShownAt = now;
    // Shown while the window paints, then panel 1 is as the run left it (an alarm's text stays).
    Frame& frame = *P.Frm;
    const QString message = frame.Message();
    const size_t length = std::max<size_t>(1, ProgramText().size());
    frame.ShowMessage(
        StatusKind::Message,
        QString("Drawing %1%").arg(int(100 * std::min<size_t>(size_t(s.NextBlockPos), length) / length)));
    P.Trace->RefreshCanvas();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    frame.ShowMessage(StatusKind::Message, message);
}

void GuiHost::FocusProgram() {
    P.Doc->FocusPane();
}

void GuiHost::SetMessage(const std::string& mainBar, const std::string& fkeyBar) {
    P.Frm->ShowMessage(StatusKind::Message, QString::fromStdString(mainBar));
    P.Panel->ShowFkeyMessage(QString::fromStdString(fkeyBar));
}

void GuiHost::SetMainMessage(const std::string& text) {
    P.Frm->ShowMessage(StatusKind::Message, QString::fromStdString(text));
}

void GuiHost::SetDialectPanel(const std::string& text) {
    P.Frm->ShowMessage(StatusKind::Dialect, QString::fromStdString(text));
}

void GuiHost::SetUnitPanel(const std::string& text) {
    P.Frm->ShowMessage(StatusKind::Unit, QString::fromStdString(text));
    // The unit outlives the program: any unit but 1 mm stands out, so that a metric program
    // opened after an inch one does not meet its wall of alarms with only a quiet panel as clue.
    if (auto* panel = P.Frm->Form()->window()->findChild<QLabel*>(QStringLiteral("Unit"))) {
        const bool other = text != "Unit 1mm";
        QPalette colours = panel->parentWidget() ? panel->parentWidget()->palette() : QPalette();
        if (other) {
            colours.setColor(QPalette::Window, QColor(255, 214, 0));
            colours.setColor(QPalette::WindowText, QColor(120, 0, 0));
        }
        panel->setAutoFillBackground(other);
        panel->setPalette(colours);
    }
}

bool GuiHost::WantsDisplay() const {
    return !(P.Model && P.Model->Machine().S.Replay);
}

void GuiHost::ShowDisplay(const motion::DisplayTexts& texts) {
    P.Panel->Labels().Show(texts);
}

void GuiHost::ShowBlockCount(int32_t count) {
    P.Panel->Labels().ShowBlockCount(count);
}

void GuiHost::ShowCyclePosition(const std::string* xa, const std::string* za) {
    P.Panel->Labels().ShowCyclePosition(xa, za);
}

void GuiHost::ShowPressed(interp::Command command, bool pressed) {
    P.Panel->ShowPressed(command, pressed);
}

void GuiHost::SwitchesChanged() {
    P.Panel->SyncSwitches();
}

void GuiHost::RunSpeedChanged(float speed) {
    P.Panel->ShowRunSpeed(int(speed));
}

void GuiHost::WaitSeconds(double seconds) {
    if (seconds <= 0 || P.Frm->Ending()) return;
    P.Trace->RefreshCanvas();
    // A wait inside a wait (Hold stop pressed during a pause) runs its own short loop; every
    // loop ends at its time or when the window closes.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(int(seconds * 1000 + 0.5));
    Waits.push_back(&loop);
    loop.exec();
    Waits.pop_back();
}

void GuiHost::DoEvents() {
    if (P.Frm->Ending()) return;
    P.Trace->RefreshCanvas();
    QCoreApplication::processEvents();
}

bool GuiHost::Drawing() const {
    if (!P.Model) return false;
    if (!P.Model->Running()) return !Waits.empty();
    return P.Model->Machine().S.Replay;
}

void GuiHost::EndWaits() {
    for (QEventLoop* loop : Waits)
        loop->quit();
}

} // namespace app
