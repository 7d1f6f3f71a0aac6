// SPDX-License-Identifier: GPL-3.0-or-later
// The tool-path view: the viewport with the canvas and its rulers, the standard view, the zoom
// box and its undo, dragging the canvas, the wheel, the page and arrow keys, the canvas's
// context menu and the position read-out, and the re-runs these ask for.

#include "app/TraceView.h"

#include "app/Actions.h"
#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/Parts.h"
#include "app/RunPanel.h"
#include "app/Widgets.h"
#include "base/Machine.h"
#include "dialogs/SoftLimit.h"
#include "interp/Interpreter.h"
#include "interp/RunControl.h"
#include "motion/Motion.h"
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
#include <QPrinter>
#include <QScopeGuard>
#include <QTimer>

#include <cmath>
#include <exception>

namespace app {

namespace {

// A resize has ended when the size stayed the same this long (ms).
constexpr int ResizeSettleMs = 150;

} // namespace

TraceView::TraceView(QWidget* form, const Parts& parts) : P(parts) {
    ViewNumbers.Xscale = &XscaleCanvas;
    ViewNumbers.Zscale = &ZscaleCanvas;
    // On the screen, tool labels are moved off each other (as in every picture of a run) and dark
    // tool colours lightened on the black background.
    ViewNumbers.SpreadToolLabels = true;
    TraceCanvas.LiftDarkColors = true;
    Trace1 = new QWidget(form);
    Trace1->setObjectName("Trace1");
    Trace1->setAutoFillBackground(true);
    QPalette pal = Trace1->palette();
    pal.setColor(QPalette::Window, Qt::black);
    Trace1->setPalette(pal);
    Trace = new CanvasWidget(TraceCanvas, "Trace", Trace1);
    Xscale = new CanvasWidget(XscaleCanvas, "Xscale", Trace1);
    Zscale = new CanvasWidget(ZscaleCanvas, "Zscale", Trace1);

    Xpos = new QLineEdit(form);
    Zpos = new QLineEdit(form);
    Xpos->setObjectName("Xpos");
    Zpos->setObjectName("Zpos");
    for (QLineEdit* e : {Xpos, Zpos})
        e->setAlignment(Qt::AlignRight);
    ResizeSettle = new QTimer(this);
    ResizeSettle->setSingleShot(true);
    ResizeSettle->setInterval(ResizeSettleMs);
    connect(ResizeSettle, &QTimer::timeout, this, &TraceView::FitViewToWindow);
}

TraceView::~TraceView() = default;

void TraceView::Build() {
    ActionSet& a = *P.Actions;
    const QString names[2] = {"All tool Display", "Non Display"};
    for (int k = 0; k < nav::PositionItemCount; ++k) {
        const QString caption = k < 2 ? names[k] : QStringLiteral("T%1").arg(k - 1, 2, 10, QChar('0'));
        a.Make(("PostionDisplayT" + QByteArray::number(k)).constData(), caption, {}, true);
        const QString item = k == 0 ? "   All Tools" : k == 1 ? QString("   なし") : "   " + caption;
        a.Make(("PosDisplayItem" + QByteArray::number(k + 1)).constData(), item);
    }
    a.Make("PopUpPosition", "Position");
    a.Make("PopupZoom", "Zoom");
    a.Make("PopupZoomUndo", "Zoom Undo");
    a.Make("PopupStanderd", "Standerd");
    a.Make("PopupMessage", "Message");
    a.Make("PopupStart", "Start");
    a.Make("mnuSoftLimit", "Soft Limit", QKeySequence("Ctrl+L"));
    a.Make("mnuFilePrinterSetting", "Print setup(&T)");
}

void TraceView::Connect() {
    const ActionSet& a = *P.Actions;
    Frame& f = *P.Frm;
    connect(a("PopupStanderd"), &QAction::triggered, a("mnuStanderd"), &QAction::trigger);
    connect(a("PopupZoom"), &QAction::triggered, a("mnuZoom"), &QAction::trigger);
    connect(a("PopupZoomUndo"), &QAction::triggered, a("mnuZoomUndo"), &QAction::trigger);
    f.Bind(a("PopupStart"), [this] {
        P.Model->Control().PopupStart();
        ApplyView();
    });
    f.Bind(a("PopUpPosition"), [this] { PopUpPosition_Click(); });
    for (int k = 0; k < nav::PositionItemCount; ++k) {
        f.Bind(a(QStringLiteral("PostionDisplayT%1").arg(k)), [this, k] { PostionDisplayT_Click(k); });
        f.Bind(a(QStringLiteral("PosDisplayItem%1").arg(k + 1)), [this, k] { PostionDisplayT_Click(k); });
    }
    f.Bind(a("mnuSoftLimit"), [this] { mnuSoftLimit_Click(); });
    f.Bind(a("mnuFilePrinterSetting"), [this] { mnuFilePrinterSetting_Click(); });
    P.Panel->SetDropDown("PosDisplay", f.Menu("PosDisplayDropDown"));

    // The canvas reports every move (the read-out), takes the keys once clicked, and keeps the
    // wheel to itself so that nothing around it scrolls.
    Trace->setMouseTracking(true);
    Trace->setFocusPolicy(Qt::ClickFocus);
    Trace->installEventFilter(this);
    // A wheel turn is a command like any other: a failure of its re-run becomes a message.
    m_CWheel1 = new platform::clsWheelMouse(
        [this](int16_t v, int16_t) { P.Frm->RunCommand([this, v] { m_CWheel1_MouseWheel(v); }); }, this);
}

void TraceView::StartWheel() {
    m_CWheel1->Initialize(Trace);
}

void TraceView::StopWheel() {
    if (m_CWheel1) m_CWheel1->Terminate();
}

void TraceView::PrepareForStartup() {
    Trace->setCursor(Qt::CrossCursor);
    PosMenu = nav::StartupPositionDisplayMenu();
}

void TraceView::ShowCanvas(bool shown) {
    Trace->setVisible(shown);
}

void TraceView::Place(const QRect& viewport, const QRect& xpos, const QRect& zpos) {
    Zpos->setGeometry(zpos);
    Xpos->setGeometry(xpos);
    Trace1->setGeometry(viewport);
    const double tpp = P.Frm->TwipsPerPixel();
    ViewNumbers.ViewportWidth = Trace1->width() * tpp;
    ViewNumbers.ViewportHeight = Trace1->height() * tpp;

    // The pictures are made at the screen's resolution (from their next new size on).
    const double ratio = Trace1->devicePixelRatioF();
    for (render::ImageCanvas* c : {&TraceCanvas, &XscaleCanvas, &ZscaleCanvas})
        c->SetDevicePixelRatio(ratio);
    ResizeSettle->start();
}

void TraceView::FitViewToWindow() {
    if (Trace1->window()->isMinimized() || !P.Model || !P.Frm || P.Frm->Ending()) return;
    // Nothing to do when the canvas is already four viewports at the screen's resolution (the
    // standard view has just sized it) or has never been sized.
    const double tolerance = 4 * P.Frm->TwipsPerPixel();
    const bool sized = TraceCanvas.Width > 1;
    const bool fits = std::fabs(TraceCanvas.Width - 4 * ViewNumbers.ViewportWidth) < tolerance &&
                      std::fabs(TraceCanvas.Height - 4 * ViewNumbers.ViewportHeight) < tolerance &&
                      TraceCanvas.Image().devicePixelRatio() == TraceCanvas.DevicePixelRatio();
    if (!sized || fits) return;
    motion::FitCanvasToViewport(P.Model->Machine());
    ApplyView();
    Rerun(nav::Rerun::ForcedReplay);
}

void TraceView::ApplyView() {
    auto place = [this](QWidget* w, double left, double top, const render::ImageCanvas& c) {
        const QRect r(P.Frm->Px(left), P.Frm->Px(top), std::max(1, P.Frm->Px(c.Width)),
                      std::max(1, P.Frm->Px(c.Height)));
        if (w->geometry() != r) w->setGeometry(r);
    };
    place(Trace, ViewNumbers.CanvasLeft, ViewNumbers.CanvasTop, TraceCanvas);
    place(Xscale, 0, ViewNumbers.XscaleTop, XscaleCanvas);
    place(Zscale, ViewNumbers.ZscaleLeft, ViewNumbers.ZscaleTop, ZscaleCanvas);
    Xscale->raise();
    Zscale->raise();
}

void TraceView::RefreshCanvas() {
    ApplyView();
    Trace->update();
    Xscale->update();
    Zscale->update();
}

QWidget* TraceView::Canvas() const {
    return Trace;
}

QWidget* TraceView::ZRuler() const {
    return Zscale;
}

QString TraceView::XposText() const {
    return Xpos->text();
}

QString TraceView::ZposText() const {
    return Zpos->text();
}

void TraceView::mnuZoom_Click() {
    nav::ToggleZoomMode(ViewNumbers);
    P.Panel->SyncSwitches();
}

void TraceView::mnuSoftLimit_Click() {
    dialogs::SoftLimitCommand(P.Model->Machine().S, Trace1->window(), [this] { return StandardViewSteps(); });
}

bool TraceView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Trace && CanvasEvent(event)) return true;
    return QObject::eventFilter(watched, event);
}

motion::StandardViewResult TraceView::StandardViewSteps() {
    // 1. Press feedback on the toolbar button.
    P.Panel->ShowPressed(interp::Command::Standard, true);
    interp::WaitSeconds(P.Model->Machine(), 0.1);
    P.Panel->ShowPressed(interp::Command::Standard, false);
    // 2. The viewport fits the window.
    P.Frm->LayoutForm();
    // 3. to 9. The view numbers and the empty canvas.
    const motion::StandardViewResult result = motion::SetStandardView(P.Model->Machine());
    ApplyView();
    if (result == motion::StandardViewResult::GraphicMemory) {
        P.Frm->FailStartup("Not enough graphic memories.\r\nTry Screen color change 32bit to 16bit.");
        return result;
    }
    // 10. Reset, and redraw the program when Auto start is on.
    if (result == motion::StandardViewResult::Ok) P.Model->Control().RedrawReplay();
    return result;
}

void TraceView::StandardView() {
    if (StandardViewSteps() != motion::StandardViewResult::SoftLimitError) return;
    // The limits give no usable view: the operator corrects them until the view can be built.
    dialogs::ReportSoftLimitError(P.Model->Machine().S, Trace1->window(),
                                  [this] { return StandardViewSteps(); });
}

void TraceView::Rerun(nav::Rerun rerun) {
    if (rerun == nav::Rerun::StandardView) {
        StandardView();
        return;
    }
    nav::ApplyRerun(P.Model->Control(), rerun);
    RefreshCanvas();
}

void TraceView::mnuZoomUndo_Click() {
    const nav::Rerun r = nav::ZoomUndo(P.Model->Machine());
    if (r == nav::Rerun::StandardView) {
        StandardView();
        return;
    }
    ApplyView();
    Rerun(r);
}

motion::CanvasPoint TraceView::PointerAt(const QMouseEvent* e) const {
    // Twips from the viewport's corner: the canvas widget sits inside the viewport.
    const double tpp = P.Frm->TwipsPerPixel();
    const QPointF at = Trace->mapTo(Trace1, e->position().toPoint());
    return nav::PointerToCanvas(P.Model->Machine(), at.x() * tpp, at.y() * tpp);
}

void TraceView::Trace_MouseDown(QMouseEvent* e) {
    const motion::CanvasPoint p = PointerAt(e);
    if (e->button() == Qt::LeftButton) {
        DragHalted = false;
        if (ViewNumbers.Pointer.ZoomMode) {
            nav::BeginZoomBox(ViewNumbers, float(p.x), float(p.y));
        } else {
            nav::BeginDrag(ViewNumbers, float(p.x), float(p.y));
            Trace->setCursor(Qt::SizeAllCursor);
        }
    } else if (e->button() == Qt::RightButton) {
        (*P.Actions)("PopUpPosition")->setText(QString::fromStdString(nav::PositionPopupCaption(ReadOut)));
        P.Frm->Menu("Popup")->popup(e->globalPosition().toPoint());
    }
}

void TraceView::Trace_MouseMove(QMouseEvent* e) {
    const motion::CanvasPoint p = PointerAt(e);
    nav::TrackPointer(ViewNumbers, float(p.x), float(p.y));
    if (e->buttons() == Qt::NoButton) {
        ReadOut = nav::PositionReadOut(P.Model->Machine().S, float(p.x), float(p.y));
        Xpos->setText(QString::fromStdString(ReadOut.Xpos));
        Zpos->setText(QString::fromStdString(ReadOut.Zpos));
        return;
    }
    if (!(e->buttons() & Qt::LeftButton) || DragHalted || P.Model->Running()) return;
    if (ViewNumbers.Pointer.ZoomMode) {
        nav::DragRubberBand(P.Model->Machine(), float(p.x), float(p.y));
        RefreshCanvas();
        return;
    }
    const nav::Rerun r = nav::DragCanvas(P.Model->Machine(), float(p.x), float(p.y));
    ApplyView();
    if (r == nav::Rerun::None) return;
    // The canvas edge: re-centre and run again, or offer it in the message popup.
    DragHalted = true;
    if (r == nav::Rerun::PopupStart) {
        Trace->setCursor(Qt::CrossCursor);
        (*P.Actions)("PopupStart")->trigger();
    } else if (r == nav::Rerun::OverAreaNotice) {
        (*P.Actions)("PopupMessage")->setText(QString::fromLatin1(nav::OverAreaText));
        P.Frm->Menu("mnuMessage")->popup(e->globalPosition().toPoint());
    }
}

void TraceView::Trace_MouseUp(QMouseEvent* e) {
    Trace->setCursor(Qt::CrossCursor);
    DragHalted = false;
    if (e->button() != Qt::LeftButton || !ViewNumbers.Pointer.ZoomMode) return;
    const motion::CanvasPoint p = PointerAt(e);
    const nav::Rerun r = nav::ApplyZoomBox(P.Model->Machine(), float(p.x), float(p.y));
    P.Panel->SyncSwitches();
    ApplyView();
    Rerun(r);
}

void TraceView::m_CWheel1_MouseWheel(int16_t iniVector) {
    if (P.Model->Running()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The pointer comes back whether or not the re-run throws.
    const auto cursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const nav::Rerun r = nav::WheelZoom(P.Model->Machine(), iniVector);
    ApplyView();
    Rerun(r);
    Trace->setFocus();
}

bool TraceView::Trace_KeyDown(int qtKey) {
    static const QHash<int, int> codes{{Qt::Key_PageUp, nav::KeyPageUp}, {Qt::Key_PageDown, nav::KeyPageDown},
                                       {Qt::Key_Left, nav::KeyLeft},     {Qt::Key_Up, nav::KeyUp},
                                       {Qt::Key_Right, nav::KeyRight},   {Qt::Key_Down, nav::KeyDown}};
    if (!codes.contains(qtKey)) return false;
    if (P.Model->Running()) return true;
    const nav::Rerun r = nav::KeyZoom(P.Model->Machine(), codes.value(qtKey));
    if (r == nav::Rerun::None) return true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ApplyView();
    Rerun(r);
    QApplication::restoreOverrideCursor();
    Trace->setFocus();
    return true;
}

void TraceView::PopUpPosition_Click() {
    const std::string text = nav::PositionClipboardText(ReadOut.Xpos, ReadOut.Zpos);
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

bool TraceView::CanvasEvent(QEvent* event) {
    // A press, a release and a key are commands: the zoom box, the zoom keys and the popup run
    // inside the window's guard.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        P.Frm->RunCommand([this, event] {
            Trace->setFocus();
            Trace_MouseDown(static_cast<QMouseEvent*>(event));
        });
        return true;
    case QEvent::MouseButtonRelease:
        P.Frm->RunCommand([this, event] { Trace_MouseUp(static_cast<QMouseEvent*>(event)); });
        return true;
    case QEvent::KeyPress: {
        bool used = true;
        P.Frm->RunCommand(
            [this, event, &used] { used = Trace_KeyDown(static_cast<QKeyEvent*>(event)->key()); });
        return used;
    }
    case QEvent::MouseMove:
        break;
    default:
        return false;
    }
    // A move comes at the pointer's rate: the read-out and the drag have a guard of their own, without
    // the refresh and the check that follow a command. No exception may leave it.
    try {
        Trace_MouseMove(static_cast<QMouseEvent*>(event));
    } catch (const std::exception& e) {
        QMessageBox::critical(Trace1->window(), "Zarvik", QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(Trace1->window(), "Zarvik", "Unexpected error.");
    }
    return true;
}

} // namespace app
