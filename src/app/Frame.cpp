// SPDX-License-Identifier: GPL-3.0-or-later
// The frame: the client area, the menu bar built from the parts' actions, the main status bar
// and its panels, the keyboard locks, and the guard every command runs in.

#include "app/Frame.h"

#include "app/ColumnSplitter.h"

#include "app/Actions.h"
#include "app/Lathe.h"
#include "app/PanelBar.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "app/TraceView.h"
#include "nav/DisplayOptions.h"
#include "platform/KeyboardLocks.h"

#include <QAction>
#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace app {

namespace {

// The menu's entries by action name; an empty name is a separator.
QMenu* AddMenu(QMenuBar* bar, const ActionSet& actions, const char* name, const QString& title,
               const QStringList& items) {
    QMenu* m = bar->addMenu(title);
    m->setObjectName(QString::fromLatin1(name));
    for (const QString& item : items) {
        if (item.isEmpty())
            m->addSeparator();
        else
            m->addAction(actions(item));
    }
    return m;
}

} // namespace

Frame::Frame(QMainWindow& window, const Parts& parts) : QObject(&window), Window(window), P(parts) {
    CalculatorFolder = QCoreApplication::applicationDirPath();
    Client = new QWidget(&window);
    Client->setObjectName("Form");
    window.setCentralWidget(Client);
    Client->installEventFilter(this);
    ColumnHandle = new ColumnSplitter(Client);
    ColumnHandle->Dragged = [this](int dx) {
        Values.PaneWidening =
            float(std::clamp(Values.PaneWidening + dx * TwipsPerPixel(), 0.0, WideningRoom));
        LayoutForm();
    };
    Line1 = new QFrame(Client);
    Line2 = new QFrame(Client);
    for (QFrame* line : {Line1, Line2})
        line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Line1->setObjectName("Line1");
    Line2->setObjectName("Line2");
}

void Frame::Assemble() {
    const ActionSet& a = *P.Actions;
    P.Actions->Make("mnuExit", "Exit(&X)");
    P.Actions->Make("About", "About Zarvik(&A)");
    QMenuBar* bar = Window.menuBar();
    QStringList file{"mnuOpen", "mnuFileSave", "mnuFileSaveAs", "", "mnuFilePrinterSetting", "mnuDrawPrint",
                     ""};
    for (int n = 1; n <= 5; ++n)
        file << QStringLiteral("mnuFileRecentFile%1").arg(n);
    file << ""
         << "mnuExit";
    AddMenu(bar, a, "mnuFile", "File(&F)", file);
    AddMenu(bar, a, "mnuEdit", "Edit(&E)",
            {"mnuEditUndo", "", "mnuEditCut", "mnuEditCopy", "mnuEditPaste", "mnuEditAllSelect", "",
             "mnuEditFind", "mnuEditNextFind", "mnuEditReplace", "", "mnuEditCalculator", "mnuEditFont"});
    AddMenu(bar, a, "mnuOperation", "Operation(&O)",
            {"mnuStart", "mnuStop", "mnuReset", "mnuRestart", "", "mnuSingleBlock", "mnuBlockDelete",
             "mnuOptionalStop", "", "mnuAutoStart"});
    QMenu* view = AddMenu(bar, a, "mnuView", "View(&V)",
                          {"mnuClear", "", "mnuZoom", "mnuZoomUndo", "mnuStanderd", "", "ToolNumberDisplay"});
    QMenu* positions = view->addMenu("Postion Display");
    positions->setObjectName("PostionDisplay");
    QMenu* dropDown = new QMenu(bar);
    dropDown->setObjectName("PosDisplayDropDown");
    for (int k = 0; k < nav::PositionItemCount; ++k) {
        positions->addAction(a(QStringLiteral("PostionDisplayT%1").arg(k)));
        dropDown->addAction(a(QStringLiteral("PosDisplayItem%1").arg(k + 1)));
    }
    for (const char* v : {"mnuBturretUper", "mnuTclear", "mnuColorChange", "mnuBackcolor", "mnuYajirusi"})
        view->addAction(a(v));
    view->addSeparator();
    view->addAction(a("mnuScreenPrint"));
    view->addAction(a("mnuFkey"));
    AddMenu(bar, a, "mnuParameter", "Parameter(&P)",
            {"mnuSoftLimit", "mnuUnitSet", "mnuSetup", "", "mnuPointCheck", "mnuIsoControl", "",
             "mnuVertical", "mnuXmirror", "mnuG2mirror"});
    AddMenu(bar, a, "mnuSNAP", "Snap", {"mnuXsnap", "mnuZsnap"});
    AddMenu(bar, a, "mnuHelp", "Help(&H)", {"About"});
    AddMenu(bar, a, "Popup", "Popup", {"PopUpPosition", "PopupZoom", "PopupZoomUndo", "PopupStanderd"});
    AddMenu(bar, a, "mnuMessage", "Message", {"PopupMessage", "PopupStart"});

    BuildStatusBar();
    Bind(a("mnuExit"), [this] { mnuExit_Click(); });
    Bind(a("About"), [this] { About_Click(); });

    LockTimer = new QTimer(this);
    connect(LockTimer, &QTimer::timeout, this, &Frame::RefreshLocks);
    LockTimer->start(500);
    RefreshLocks();
}

void Frame::BuildStatusBar() {
    sbStatusBar = new PanelBar(Client);
    sbStatusBar->setObjectName("sbStatusBar");
    const QFontMetrics fm(Window.font());
    auto w = [&fm](const QString& sample) { return fm.horizontalAdvance(sample) + 14; };
    sbStatusBar->AddPanel("Alarm", "", "Alarm", true, 120, true);
    sbStatusBar->AddPanel("Xsnap", "X-Snap", "X-Snap ON/OFF", false, w("X-Snap"));
    sbStatusBar->AddPanel("Zsnap", "Z-Snap", "Z-Snap ON/OFF", false, w("Z-Snap"));
    sbStatusBar->AddPanel("Control", "", "KVZ/FANUC", true, w("FANUC"));
    sbStatusBar->AddPanel("Unit", "", "Unit change", true, w("Unit 0.001mm"));
    CapsPanel = sbStatusBar->AddPanel("Caps Lock", "CAPS", "Caps Lock ON/OFF", true, w("CAPS"));
    InsPanel = sbStatusBar->AddPanel("INS", "INS", "INS ON/OFF", true, w("INS"));
    NumPanel = sbStatusBar->AddPanel("NUM", "NUM", "NUM ON/OFF", true, w("NUM"));
    DatePanel = sbStatusBar->AddPanel("", "", "DATE", true, w("0000/00/00"));
    TimePanel = sbStatusBar->AddPanel("", "", "TIME", true, w("00:00"));
    sbStatusBar->PanelClick = [this](const QString& key) { sbStatusBar_PanelClick(key); };
}

void Frame::RunCommand(const std::function<void()>& command) {
    // No exception may reach the event loop: a failure becomes a message, the window lives on.
    try {
        command();
    } catch (const std::exception& e) {
        QMessageBox::critical(&Window, "Zarvik", QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(&Window, "Zarvik", "Unexpected error.");
    }
    P.Trace->RefreshCanvas();
    for (Follower* f : P.Followers)
        f->CommandDone();
    // The window was closed during a run: once the outermost run has ended, close for real.
    if (CloseAfterRun && !P.Model->Running()) QTimer::singleShot(0, this, [this] { EndRunThenClose(); });
}

void Frame::Bind(QAction* action, std::function<void()> command) {
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
}

void Frame::ShowMessage(StatusKind kind, const QString& text) {
    const char* key = kind == StatusKind::Message   ? "Alarm"
                      : kind == StatusKind::Dialect ? "Control"
                                                    : "Unit";
    if (kind == StatusKind::Message) MessageText = text;
    sbStatusBar->PanelByKey(key)->setText(text);
}

void Frame::SetPanelInset(const QString& key, bool inset) {
    if (StatusPanel* p = sbStatusBar->PanelByKey(key)) p->SetInset(inset);
}

void Frame::ShowMainBar(bool shown) {
    sbStatusBar->setVisible(shown);
}

QMenu* Frame::Menu(const char* name) const {
    return Window.findChild<QMenu*>(QString::fromLatin1(name));
}

void Frame::RefreshLocks() {
    // A lock panel shows its text plainly while the lock is on, greyed while it is off; "?" when
    // nothing can be known.
    auto show = [](StatusPanel* p, const QString& name, std::optional<bool> on) {
        p->setText(on ? name : name + "?");
        p->SetDimmed(!on.value_or(false));
    };
    show(CapsPanel, "CAPS", platform::LockState(platform::LockKey::CapsLock));
    show(NumPanel, "NUM", platform::LockState(platform::LockKey::NumLock));
    show(InsPanel, "INS", P.Doc->Overwrite());
    const QString date = QDate::currentDate().toString("yyyy/MM/dd");
    const QString time = QTime::currentTime().toString("HH:mm");
    if (DatePanel->text() != date) DatePanel->setText(date);
    if (TimePanel->text() != time) TimePanel->setText(time);
}

void Frame::sbStatusBar_PanelClick(const QString& key) {
    const ActionSet& a = *P.Actions;
    if (key == "INS") {
        P.Doc->SetOverwrite(!P.Doc->Overwrite());
        RefreshLocks();
    } else if (key == "Caps Lock") {
        platform::ToggleLock(platform::LockKey::CapsLock);
        RefreshLocks();
    } else if (key == "NUM") {
        platform::ToggleLock(platform::LockKey::NumLock);
        RefreshLocks();
    } else if (key == "Unit") {
        a("mnuUnitSet")->trigger();
    } else if (key == "Xsnap") {
        a("mnuXsnap")->trigger();
    } else if (key == "Zsnap") {
        a("mnuZsnap")->trigger();
    } else if (key == "Control") {
        a("mnuPointCheck")->trigger();
    }
}

bool Frame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Client && event->type() == QEvent::Resize) LayoutForm();
    return QObject::eventFilter(watched, event);
}

// --- Inspection ---

QStringList Frame::PanelKeys() const {
    QStringList keys;
    for (int i = 1; i <= sbStatusBar->Count(); ++i)
        keys << sbStatusBar->PanelAt(i)->Key;
    return keys;
}

QString Frame::PanelText(const QString& key) const {
    return sbStatusBar->PanelByKey(key)->text();
}

QString Frame::PanelToolTip(const QString& key) const {
    return sbStatusBar->PanelByKey(key)->toolTip();
}

bool Frame::PanelInset(const QString& key) const {
    return sbStatusBar->PanelByKey(key)->Inset();
}

bool Frame::PanelDimmed(const QString& key) const {
    return sbStatusBar->PanelByKey(key)->Dimmed();
}

bool Frame::MainBarShown() const {
    return sbStatusBar->isVisible();
}

void Frame::ClickPanel(const QString& key) {
    sbStatusBar->PanelByKey(key)->ClickAsOperator();
}

} // namespace app
