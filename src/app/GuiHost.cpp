#include "app/GuiHost.h"

#include "app/MainWindow.h"
#include "app/PanelBar.h"
#include "app/Widgets.h"
#include "files/ProgramText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QSlider>
#include <QTextBlock>
#include <QTimer>

namespace app {

const std::u16string& GuiHost::ProgramText() {
    return W.Text->Snapshot();
}

int64_t GuiHost::CaretOffset() {
    return W.Text->ToTextOffset(W.Program->textCursor().selectionStart());
}

void GuiHost::HighlightBlock(int64_t start, int64_t length) {
    const int from = W.Text->ToPanePosition(start);
    const int to = W.Text->ToPanePosition(start + length);
    QTextCursor c = W.Program->textCursor();
    c.setPosition(to);
    c.setPosition(from, QTextCursor::KeepAnchor); // the caret at the block's start
    W.Program->setTextCursor(c);
    W.Program->ensureCursorVisible();
}

void GuiHost::BlockExecuted() {
    const interp::MachineState& s = W.M->S;
    if (s.BlockCount <= 1) RunClock.start();
    if (!s.Replay || s.BlockCount % 2048 || RunClock.elapsed() < 300 || W.Ending()) return;
    // Shown while the window paints, then panel 1 is as the run left it (an alarm's text stays).
    QLabel* panel = W.sbStatusBar->PanelAt(1);
    const QString message = panel->text();
    const size_t length = std::max<size_t>(1, ProgramText().size());
    panel->setText(
        QString("Drawing %1%").arg(int(100 * std::min<size_t>(size_t(s.NextBlockPos), length) / length)));
    W.RefreshCanvas();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    panel->setText(message);
}

void GuiHost::FocusProgram() {
    if (!W.Program->hasFocus()) W.Program->setFocus(Qt::OtherFocusReason);
}

void GuiHost::SetMessage(const std::string& mainBar, const std::string& fkeyBar) {
    W.sbStatusBar->PanelAt(1)->setText(QString::fromStdString(mainBar));
    W.StatusBarF->PanelAt(1)->setText(QString::fromStdString(fkeyBar));
}

void GuiHost::SetMainMessage(const std::string& text) {
    W.sbStatusBar->PanelAt(1)->setText(QString::fromStdString(text));
}

void GuiHost::SetDialectPanel(const std::string& text) {
    W.sbStatusBar->PanelAt(4)->setText(QString::fromStdString(text));
}

void GuiHost::SetUnitPanel(const std::string& text) {
    W.sbStatusBar->PanelAt(5)->setText(QString::fromStdString(text));
}

bool GuiHost::WantsDisplay() const {
    return !(W.M && W.M->S.Replay);
}

void GuiHost::ShowDisplay(const motion::DisplayTexts& texts) {
    W.Labels.Show(texts);
}

void GuiHost::ShowBlockCount(int32_t count) {
    W.Labels.Block->setText(QString::number(count));
}

void GuiHost::ShowCyclePosition(const std::string* xa, const std::string* za) {
    if (xa) W.Labels.XA->setText(QString::fromStdString(*xa));
    if (za) W.Labels.ZA->setText(QString::fromStdString(*za));
}

void GuiHost::ShowPressed(interp::Command command, bool pressed) {
    W.ShowPressed(command, pressed);
}

void GuiHost::SwitchesChanged() {
    W.SyncSwitches();
}

void GuiHost::RunSpeedChanged(float speed) {
    const QSignalBlocker block(W.Slider);
    W.Slider->setValue(int(speed));
}

void GuiHost::WaitSeconds(double seconds) {
    if (seconds <= 0 || W.Ending()) return;
    W.RefreshCanvas();
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
    if (W.Ending()) return;
    W.RefreshCanvas();
    QCoreApplication::processEvents();
}

void GuiHost::EndWaits() {
    for (QEventLoop* loop : Waits)
        loop->quit();
}

} // namespace app
