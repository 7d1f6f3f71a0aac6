#include "app/MainWindow.h"

#include "app/GuiHost.h"
#include "app/Icons.h"
#include "app/PanelBar.h"
#include "app/Widgets.h"
#include "editor/PlainTextPane.h"
#include "files/ProgramText.h"
#include "platform/KeyboardLocks.h"
#include "platform/WheelMouse.h"
#include "print/Printing.h"

#include <QAction>
#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QSlider>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmMain");
    setWindowTitle("Zarvik Ver.2.38");
    CalculatorFolder = QCoreApplication::applicationDirPath();
    Screen.Xscale = &XscaleImage;
    Screen.Zscale = &ZscaleImage;
    Screen.SpreadToolLabels = true;
    TraceImage.LiftDarkColors = true;
    Host = std::make_unique<GuiHost>(*this);
    M = std::make_unique<interp::Machine>(Screen, TraceImage, *Host);
    Run = std::make_unique<interp::RunControl>(*M);

    A = CreateActions(this);
    Mn = BuildMenus(menuBar(), A);
    BuildForm();
    BuildToolbars();
    BuildStatusBars();
    ConnectCommands();

    LockTimer = new QTimer(this);
    connect(LockTimer, &QTimer::timeout, this, &MainWindow::RefreshLocks);
    LockTimer->start(500);
    RefreshLocks();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildForm() {
    Form = new QWidget(this);
    Form->setObjectName("Form");
    setCentralWidget(Form);
    Form->installEventFilter(this);
    auto px = [this](double tw) { return Px(tw); };

    Line1 = new QFrame(Form);
    Line2 = new QFrame(Form);
    for (QFrame* line : {Line1, Line2})
        line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Line1->setObjectName("Line1");
    Line2->setObjectName("Line2");

    Labels.Build(Form, px);

    Program = new ProgramPane(Form);
    Program->IsWindowShortcut = [this](const QKeySequence& seq) {
        for (QAction* a : findChildren<QAction*>())
            if (a->isEnabled() && a->shortcut() == seq) return true;
        return false;
    };
    Program->OverwriteChanged = [this] { RefreshLocks(); };
    Text = new files::ProgramText(Program->document());
    editor::KeepTypingPlain(Program);

    Trace1 = new QWidget(Form);
    Trace1->setObjectName("Trace1");
    Trace1->setAutoFillBackground(true);
    QPalette pal = Trace1->palette();
    pal.setColor(QPalette::Window, Qt::black);
    Trace1->setPalette(pal);
    Trace = new CanvasWidget(TraceImage, "Trace", Trace1);
    Xscale = new CanvasWidget(XscaleImage, "Xscale", Trace1);
    Zscale = new CanvasWidget(ZscaleImage, "Zscale", Trace1);

    Xpos = new QLineEdit(Form);
    Zpos = new QLineEdit(Form);
    Xpos->setObjectName("Xpos");
    Zpos->setObjectName("Zpos");
    for (QLineEdit* e : {Xpos, Zpos})
        e->setAlignment(Qt::AlignRight);

    Slider = new QSlider(Qt::Horizontal, Form);
    Slider->setObjectName("Slider");
    Slider->setRange(0, 100);
    Slider->setValue(100);
    Slider->setToolTip("Run speed");
    Slider->setTickPosition(QSlider::TicksBelow);
    Slider->setTickInterval(25);
}

void MainWindow::BuildToolbars() {
    Toolbar1 = new QToolBar("Toolbar1", Form);
    Toolbar1->setObjectName("Toolbar1");
    Toolbar2 = new QToolBar("Toolbar2", Form);
    Toolbar2->setObjectName("Toolbar2");
    for (QToolBar* t : {Toolbar1, Toolbar2}) {
        t->setIconSize(QSize(16, 16));
        t->setMovable(false);
        t->setFloatable(false);
    }
    auto add = [this](QToolBar* bar, const QString& key, QAction* action, const QString& tip) {
        action->setIcon(ToolbarIcon(key));
        action->setToolTip(tip);
        bar->addAction(action);
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
        button->setObjectName(key);
        button->setAutoRaise(true);
        Buttons.insert(key, button);
        return button;
    };
    add(Toolbar1, "Open", A.mnuOpen, "File select");
    Toolbar1->addSeparator()->setObjectName("Bar1");
    add(Toolbar1, "Start", A.mnuStart, "F1 Start");
    add(Toolbar1, "Stop", A.mnuStop, "F2 Hold stop");
    add(Toolbar1, "Reset", A.mnuReset, "F3 Reset");
    add(Toolbar1, "Restart", A.mnuRestart, "F4 Restart");
    Toolbar1->addSeparator()->setObjectName("Bar2");
    add(Toolbar1, "SingleBlock", A.mnuSingleBlock, "F5 Single block");
    add(Toolbar1, "BlockDelete", A.mnuBlockDelete, "F6 Block delete");
    add(Toolbar1, "OptionalStop", A.mnuOptionalStop, "F7 Optional stop");
    add(Toolbar1, "T_Clear", A.mnuTclear, "F8 Tool screen clear");
    Toolbar1->addSeparator()->setObjectName("bar3");
    add(Toolbar1, "Clear", A.mnuClear, "F9 Screen clear");
    add(Toolbar1, "Zoom", A.mnuZoom, "Zoom up");
    add(Toolbar1, "ZoomUndo", A.mnuZoomUndo, "Zoom Undo");
    add(Toolbar1, "Standerd", A.mnuStanderd, "Standerd");
    Toolbar1->addSeparator();
    add(Toolbar1, "mnuBturretuper", A.mnuBturretUper, "B-turret uper postion");
    add(Toolbar1, "BackColorChange", A.mnuBackcolor, "Back crlor change");
    add(Toolbar1, "Yajirusi", A.mnuYajirusi, "G00 ->");
    add(Toolbar1, "TDisplay", A.ToolNumberDisplay, "Tool number");
    QToolButton* pos = add(Toolbar1, "PosDisplay", A.PosDisplay, "Postion display");
    pos->setMenu(Mn.PosDisplayDropDown);
    pos->setPopupMode(QToolButton::MenuButtonPopup);
    add(Toolbar1, "ColorChange", A.mnuColorChange, "Tool color change");
    Toolbar1->addSeparator();
    add(Toolbar1, "ImageCopy", A.mnuScreenPrint, "Screen copy");
    add(Toolbar1, "DrawPrint", A.mnuDrawPrint, "Print");

    add(Toolbar2, "Undo", A.mnuEditUndo, "Undo");
    add(Toolbar2, "Cut", A.mnuEditCut, "Cut");
    add(Toolbar2, "Copy", A.mnuEditCopy, "Copy");
    add(Toolbar2, "Paste", A.mnuEditPaste, "Paste");
    add(Toolbar2, "Find", A.mnuEditFind, "Find");
    add(Toolbar2, "Replace", A.mnuEditReplace, "Replace");
    add(Toolbar2, "Calculator", A.mnuEditCalculator, "Calculator");
}

void MainWindow::BuildStatusBars() {
    sbStatusBar = new PanelBar(Form);
    sbStatusBar->setObjectName("sbStatusBar");
    const QFontMetrics fm(font());
    auto w = [&fm](const QString& sample) { return fm.horizontalAdvance(sample) + 14; };
    sbStatusBar->AddPanel("Alarm", "", "Alarm", true, 120, true);
    sbStatusBar->AddPanel("Xsnap", "X-Snap", "X-Snap ON/OFF", false, w("X-Snap"));
    sbStatusBar->AddPanel("Zsnap", "Z-Snap", "Z-Snap ON/OFF", false, w("Z-Snap"));
    sbStatusBar->AddPanel("Control", "", "KVZ/FANUC", true, w("FANUC"));
    sbStatusBar->AddPanel("Unit", "", "Unit change", true, w("Unit 0.001mm"));
    sbStatusBar->AddPanel("Caps Lock", "CAPS", "Caps Lock ON/OFF", true, w("CAPS"));
    sbStatusBar->AddPanel("INS", "INS", "INS ON/OFF", true, w("INS"));
    sbStatusBar->AddPanel("NUM", "NUM", "NUM ON/OFF", true, w("NUM"));
    sbStatusBar->AddPanel("", "", "DATE", true, w("0000/00/00"));
    sbStatusBar->AddPanel("", "", "TIME", true, w("00:00"));
    sbStatusBar->PanelClick = [this](const QString& key) { sbStatusBar_PanelClick(key); };

    StatusBarF = new PanelBar(Form);
    StatusBarF->setObjectName("StatusBarF");
    StatusBarF->AddPanel("Alarm", "", "", true, 60, true);
    const char* fkeys[9][2] = {{"F1 Start", "Start"},
                               {"F2 Hold stop", "Stop"},
                               {"F3 Reset", "Reset"},
                               {"F4 Restart", "Restart"},
                               {"F5 Single block", "SingleBlock"},
                               {"F6 Block delete", "BlockDelete"},
                               {"F7 Optional stop", "OptionalStop"},
                               {"F8 T-screen clear", "T_Clear"},
                               {"F9 screen clear", "Clear"}};
    for (const auto& f : fkeys)
        StatusBarF->AddPanel(f[1], f[0], "", false, w(f[0]));
    StatusBarF->PanelClick = [this](const QString& key) { StatusBarF_PanelClick(key); };
    StatusBarF->hide();
}

void MainWindow::RefreshLocks() {
    // A lock panel shows its text enabled while the lock is on; "?" when nothing can be known.
    auto show = [](StatusPanel* p, const QString& name, std::optional<bool> on) {
        p->setText(on ? name : name + "?");
        p->setEnabled(on.value_or(false));
    };
    show(sbStatusBar->PanelAt(6), "CAPS", platform::LockState(platform::LockKey::CapsLock));
    show(sbStatusBar->PanelAt(8), "NUM", platform::LockState(platform::LockKey::NumLock));
    show(sbStatusBar->PanelAt(7), "INS", Program->overwriteMode());
    const QString date = QDate::currentDate().toString("yyyy/MM/dd");
    const QString time = QTime::currentTime().toString("HH:mm");
    if (sbStatusBar->PanelAt(9)->text() != date) sbStatusBar->PanelAt(9)->setText(date);
    if (sbStatusBar->PanelAt(10)->text() != time) sbStatusBar->PanelAt(10)->setText(time);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Form && event->type() == QEvent::Resize) LayoutForm();
    if (watched == Trace && CanvasEvent(event)) return true;
    if (watched == Slider && SliderEvent(event)) return true;
    return QMainWindow::eventFilter(watched, event);
}

} // namespace app
