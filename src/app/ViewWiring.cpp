// Moving and scaling the view with the mouse and the keys: the standard view, the zoom box and
// its undo, dragging the canvas, the wheel, the page and arrow keys, the canvas's context menu,
// the position read-out and the run-speed slider's jump to the click.

#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "dialogs/SoftLimit.h"
#include "interp/Interpreter.h"
#include "nav/ViewNavigation.h"
#include "platform/WheelMouse.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSlider>

#include <exception>

namespace app {

void MainWindow::ConnectViewCommands() {
    auto command = [this](QAction* a, auto&& body) {
        connect(a, &QAction::triggered, this, [this, body] { RunCommand(body); });
    };
    command(A.mnuStanderd, [this] { StandardView(); });
    connect(A.PopupStanderd, &QAction::triggered, A.mnuStanderd, &QAction::trigger);
    command(A.mnuZoom, [this] {
        motion::ToggleZoomMode(Screen);
        SyncSwitches();
    });
    connect(A.PopupZoom, &QAction::triggered, A.mnuZoom, &QAction::trigger);
    command(A.mnuZoomUndo, [this] { mnuZoomUndo_Click(); });
    connect(A.PopupZoomUndo, &QAction::triggered, A.mnuZoomUndo, &QAction::trigger);
    command(A.PopupStart, [this] {
        Run->PopupStart();
        ApplyView();
    });
    command(A.PopUpPosition, [this] { PopUpPosition_Click(); });
    connect(Slider, &QSlider::valueChanged, this, [this](int v) { M->S.RunSpeed = float(v); });

    // The canvas reports every move (the read-out), takes the keys once clicked, and keeps the
    // wheel to itself so that nothing around it scrolls.
    Trace->setMouseTracking(true);
    Trace->setFocusPolicy(Qt::ClickFocus);
    Trace->installEventFilter(this);
    Slider->installEventFilter(this);
    m_CWheel1 = new platform::clsWheelMouse([this](int16_t v, int16_t) { m_CWheel1_MouseWheel(v); }, this);
}

motion::StandardViewResult MainWindow::StandardViewSteps() {
    // 1. Press feedback on the toolbar button.
    ShowPressed(interp::Command::Standard, true);
    interp::WaitSeconds(*M, 0.1);
    ShowPressed(interp::Command::Standard, false);
    // 2. The viewport fits the window.
    LayoutForm();
    // 3. to 9. The view numbers and the empty canvas.
    const motion::StandardViewResult result = motion::SetStandardView(*M);
    ApplyView();
    if (result == motion::StandardViewResult::GraphicMemory) {
        QMessageBox::critical(this, "Zarvik",
                              "Not enough graphic memories.\r\nTry Screen color change 32bit to 16bit.");
        StartupFailed = true;
        Exiting = true;
        close();
        return result;
    }
    // 10. Reset, and redraw the program when Auto start is on.
    if (result == motion::StandardViewResult::Ok) Run->RedrawReplay();
    return result;
}

void MainWindow::StandardView() {
    if (StandardViewSteps() != motion::StandardViewResult::SoftLimitError) return;
    // The limits give no usable view: the operator corrects them until the view can be built.
    dialogs::ReportSoftLimitError(M->S, this, [this] { return StandardViewSteps(); });
}

void MainWindow::Rerun(motion::Rerun rerun) {
    if (rerun == motion::Rerun::StandardView) {
        StandardView();
        return;
    }
    motion::ApplyRerun(*Run, rerun);
    RefreshCanvas();
}

void MainWindow::mnuZoomUndo_Click() {
    const motion::Rerun r = motion::ZoomUndo(*M);
    if (r == motion::Rerun::StandardView) {
        StandardView();
        return;
    }
    ApplyView();
    Rerun(r);
}

motion::CanvasPoint MainWindow::PointerAt(const QMouseEvent* e) const {
    // Twips from the viewport's corner: the canvas widget sits inside the viewport.
    const double tpp = TwipsPerPixel();
    const QPointF at = Trace->mapTo(Trace1, e->position().toPoint());
    return motion::PointerToCanvas(*M, at.x() * tpp, at.y() * tpp);
}

void MainWindow::Trace_MouseDown(QMouseEvent* e) {
    const motion::CanvasPoint p = PointerAt(e);
    if (e->button() == Qt::LeftButton) {
        DragHalted = false;
        if (Screen.Pointer.ZoomMode) {
            motion::BeginZoomBox(Screen, float(p.x), float(p.y));
        } else {
            motion::BeginDrag(Screen, float(p.x), float(p.y));
            Trace->setCursor(Qt::SizeAllCursor);
        }
    } else if (e->button() == Qt::RightButton) {
        const motion::PositionTexts t{Xpos->text().toStdString(), Zpos->text().toStdString()};
        A.PopUpPosition->setText(QString::fromStdString(motion::PositionPopupCaption(t)));
        Mn.Popup->popup(e->globalPosition().toPoint());
    }
}

void MainWindow::Trace_MouseMove(QMouseEvent* e) {
    const motion::CanvasPoint p = PointerAt(e);
    motion::TrackPointer(Screen, float(p.x), float(p.y));
    if (e->buttons() == Qt::NoButton) {
        const motion::PositionTexts t = motion::PositionReadOut(M->S, float(p.x), float(p.y));
        Xpos->setText(QString::fromStdString(t.Xpos));
        Zpos->setText(QString::fromStdString(t.Zpos));
        return;
    }
    if (!(e->buttons() & Qt::LeftButton) || DragHalted || Run->Running()) return;
    if (Screen.Pointer.ZoomMode) {
        motion::DragRubberBand(*M, float(p.x), float(p.y));
        RefreshCanvas();
        return;
    }
    const motion::Rerun r = motion::DragCanvas(*M, float(p.x), float(p.y));
    ApplyView();
    if (r == motion::Rerun::None) return;
    // The canvas edge: re-centre and run again, or offer it in the message popup.
    DragHalted = true;
    if (r == motion::Rerun::PopupStart) {
        Trace->setCursor(Qt::CrossCursor);
        A.PopupStart->trigger();
    } else if (r == motion::Rerun::OverAreaNotice) {
        A.PopupMessage->setText(QString::fromLatin1(motion::OverAreaText));
        Mn.mnuMessage->popup(e->globalPosition().toPoint());
    }
}

void MainWindow::Trace_MouseUp(QMouseEvent* e) {
    Trace->setCursor(Qt::CrossCursor);
    DragHalted = false;
    if (e->button() != Qt::LeftButton || !Screen.Pointer.ZoomMode) return;
    const motion::CanvasPoint p = PointerAt(e);
    const motion::Rerun r = motion::ApplyZoomBox(*M, float(p.x), float(p.y));
    SyncSwitches();
    ApplyView();
    Rerun(r);
}

void MainWindow::m_CWheel1_MouseWheel(int16_t iniVector) {
    if (Run->Running()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const motion::Rerun r = motion::WheelZoom(*M, iniVector);
    ApplyView();
    Rerun(r);
    QApplication::restoreOverrideCursor();
    Trace->setFocus();
}

bool MainWindow::Trace_KeyDown(int qtKey) {
    static const QHash<int, int> codes{
        {Qt::Key_PageUp, motion::KeyPageUp}, {Qt::Key_PageDown, motion::KeyPageDown},
        {Qt::Key_Left, motion::KeyLeft},     {Qt::Key_Up, motion::KeyUp},
        {Qt::Key_Right, motion::KeyRight},   {Qt::Key_Down, motion::KeyDown}};
    if (!codes.contains(qtKey)) return false;
    if (Run->Running()) return true;
    const motion::Rerun r = motion::KeyZoom(*M, codes.value(qtKey));
    if (r == motion::Rerun::None) return true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ApplyView();
    Rerun(r);
    QApplication::restoreOverrideCursor();
    Trace->setFocus();
    return true;
}

void MainWindow::PopUpPosition_Click() {
    const std::string text =
        motion::PositionClipboardText(Xpos->text().toStdString(), Zpos->text().toStdString());
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

bool MainWindow::CanvasEvent(QEvent* event) {
    // No exception may leave a handler: a failure becomes a message, the window lives on.
    try {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            Trace->setFocus();
            Trace_MouseDown(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseMove:
            Trace_MouseMove(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            Trace_MouseUp(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::KeyPress:
            return Trace_KeyDown(static_cast<QKeyEvent*>(event)->key());
        default:
            return false;
        }
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Zarvik", QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(this, "Zarvik", "Unexpected error.");
    }
    return true;
}

bool MainWindow::SliderEvent(QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return false;
    auto* e = static_cast<QMouseEvent*>(event);
    if (e->button() != Qt::LeftButton) return false;
    // The slider jumps to the click instead of stepping a page towards it.
    if (const std::optional<int> v = motion::SliderClickValue(e->position().x() * TwipsPerPixel())) {
        Slider->setValue(*v);
        return true;
    }
    return false;
}

} // namespace app
