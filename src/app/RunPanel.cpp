// SPDX-License-Identifier: GPL-3.0-or-later
// The operator panel on screen: the command table's actions on both toolbars and the
// function-key bar, press feedback, the switches' indicators, the run-speed slider and its jump
// to the click, and the Unit set dialog.

#include "app/RunPanel.h"

#include "app/Actions.h"
#include "app/CommandTable.h"
#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/PanelBar.h"
#include "app/Parts.h"
#include "app/TraceView.h"
#include "base/Machine.h"
#include "dialogs/UnitSet.h"
#include "nav/DisplayOptions.h"
#include "nav/ViewNavigation.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace app {

RunPanel::RunPanel(QWidget* form, const Parts& parts) : P(parts), Form(form) {}

RunPanel::~RunPanel() = default;

void RunPanel::Build() {
    for (const PanelCommand& c : PanelCommands())
        P.Actions->Make(c.Action, c.Caption, QKeySequence(QString::fromLatin1(c.Shortcut)), c.On != nullptr);
    P.Actions->Make("mnuUnitSet", "Unit set", QKeySequence("Ctrl+U"));
    StateLabel.Build(Form, [this](double tw) { return P.Frm->Px(tw); });

    Slider = new QSlider(Qt::Horizontal, Form);
    Slider->setObjectName("Slider");
    Slider->setRange(0, 100);
    Slider->setValue(100);
    Slider->setToolTip("Run speed");
    Slider->setTickPosition(QSlider::TicksBelow);
    Slider->setTickInterval(25);
    BuildToolbars();
    BuildFkeyBar();
}

void RunPanel::BuildToolbars() {
    Toolbar1 = new QToolBar("Toolbar1", Form);
    Toolbar1->setObjectName("Toolbar1");
    Toolbar2 = new QToolBar("Toolbar2", Form);
    Toolbar2->setObjectName("Toolbar2");
    for (QToolBar* t : {Toolbar1, Toolbar2}) {
        t->setIconSize(QSize(16, 16));
        t->setMovable(false);
        t->setFloatable(false);
    }
    for (const PanelCommand& c : PanelCommands()) {
        if (c.Bar == 0) continue;
        QToolBar* bar = c.Bar == 1 ? Toolbar1 : Toolbar2;
        if (c.GroupStart) bar->addSeparator()->setObjectName(QString::fromLatin1(c.GroupStart));
        QAction* action = (*P.Actions)(c.Action);
        action->setIcon(ToolbarIcon(c.Icon));
        action->setToolTip(QString::fromLatin1(c.ToolTip));
        bar->addAction(action);
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
        button->setObjectName(QString::fromLatin1(c.Key));
        button->setAutoRaise(true);
        Buttons.insert(button->objectName(), button);
    }
}

void RunPanel::BuildFkeyBar() {
    StatusBarF = new PanelBar(Form);
    StatusBarF->setObjectName("StatusBarF");
    const QFontMetrics fm(Form->font());
    // The message panel keeps room for the run's longest stop message in the smallest face the
    // captions take, and takes a smaller face as they do: "Program Stop" and "Program End" must
    // never look alike.
    StatusPanel* message = StatusBarF->AddPanel("Alarm", "", "", true, 60, true);
    message->ShrinkToFit = true;
    message->NaturalWidth = std::max(60, message->LeastWidth(QStringLiteral("Optional Stop")));
    message->setMinimumWidth(message->NaturalWidth);
    for (const PanelCommand& c : PanelCommands())
        if (c.Fkey)
            StatusBarF->AddPanel(c.Key, c.Fkey, "", false, fm.horizontalAdvance(c.Fkey) + 14)->ShrinkToFit =
                true;
    StatusBarF->PanelClick = [this](const QString& key) { StatusBarF_PanelClick(key); };
    StatusBarF->hide();
}

void RunPanel::Connect() {
    for (const PanelCommand& c : PanelCommands()) {
        auto run = c.Run;
        P.Frm->Bind((*P.Actions)(c.Action), [this, run] { run(P); });
    }
    P.Frm->Bind((*P.Actions)("mnuUnitSet"), [this] { mnuUnitSet_Click(); });
    connect(Slider, &QSlider::valueChanged, this,
            [this](int v) { P.Model->Machine().S.RunSpeed = float(v); });
    Slider->installEventFilter(this);
}

void RunPanel::ShowPressed(interp::Command command, bool pressed) {
    for (const PanelCommand& c : PanelCommands()) {
        if (c.Press != command) continue;
        if (QToolButton* b = Buttons.value(c.Key)) b->setDown(pressed);
        if (StatusPanel* p = StatusBarF->PanelByKey(c.Key)) p->SetInset(pressed);
    }
    // A switch's button and panel return to what its state shows.
    if (!pressed) SyncSwitches();
}

void RunPanel::SyncSwitches() {
    const interp::MachineState& s = P.Model->Machine().S;
    const nav::SwitchIndicators d = nav::Indicators(s, P.Trace->Screen());
    // The action carries the check mark and, through it, the toolbar button's pressed state.
    for (const PanelCommand& c : PanelCommands()) {
        if (!c.On) continue;
        const bool on = c.On(s, d);
        (*P.Actions)(c.Action)->setChecked(on);
        if (!c.Key) continue;
        if (StatusPanel* p = StatusBarF->PanelByKey(c.Key)) p->SetInset(on);
        P.Frm->SetPanelInset(c.Key, on);
    }
    (*P.Actions)("mnuTclear")->setEnabled(d.TclearEnabled);
    P.Trace->SyncPositionMenu();
    StatusBarF->setVisible(s.FkeyBar);
    P.Frm->ShowMainBar(!s.FkeyBar);
}

void RunPanel::ShowFkeyMessage(const QString& text) {
    StatusBarF->PanelByKey("Alarm")->setText(text);
}

void RunPanel::ShowRunSpeed(int speed) {
    const QSignalBlocker block(Slider);
    Slider->setValue(speed);
}

void RunPanel::SetDropDown(const QString& key, QMenu* menu) {
    QToolButton* button = Buttons.value(key);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::MenuButtonPopup);
}

void RunPanel::Place(const QRect& toolbar1, const QRect& toolbar2, const QRect& slider,
                     const QRect& fkeyBar) {
    Toolbar1->setGeometry(toolbar1);
    Toolbar2->setGeometry(toolbar2);
    Slider->setGeometry(slider);
    StatusBarF->setGeometry(fkeyBar);
}

void RunPanel::Toolbar1_ButtonClick(const QString& key) {
    if (QToolButton* b = Buttons.value(key)) b->click();
    SyncSwitches();
}

void RunPanel::StatusBarF_PanelClick(const QString& key) {
    for (const PanelCommand& c : PanelCommands())
        if (c.Fkey && key == QLatin1String(c.Key)) (*P.Actions)(c.Action)->trigger();
}

void RunPanel::mnuUnitSet_Click() {
    dialogs::ShowUnitSet(P.Model->Machine(), Form->window());
}

bool RunPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Slider || event->type() != QEvent::MouseButtonPress) return false;
    auto* e = static_cast<QMouseEvent*>(event);
    if (e->button() != Qt::LeftButton) return false;
    // The slider jumps to the click instead of stepping a page towards it.
    if (const std::optional<int> v = nav::SliderClickValue(e->position().x() * P.Frm->TwipsPerPixel())) {
        Slider->setValue(*v);
        return true;
    }
    return false;
}

// --- Inspection ---

QStringList RunPanel::ButtonKeys(int bar) const {
    QToolBar* t = bar == 1 ? Toolbar1 : Toolbar2;
    QStringList keys;
    for (QAction* a : t->actions())
        if (!a->isSeparator()) keys << t->widgetForAction(a)->objectName();
    return keys;
}

int RunPanel::ToolbarEntries(int bar) const {
    return int((bar == 1 ? Toolbar1 : Toolbar2)->actions().size());
}

bool RunPanel::ButtonDown(const QString& key) const {
    return Buttons.value(key)->isDown();
}

bool RunPanel::ButtonChecked(const QString& key) const {
    return Buttons.value(key)->isChecked();
}

QString RunPanel::ButtonToolTip(const QString& key) const {
    return Buttons.value(key)->toolTip();
}

bool RunPanel::ButtonHasIcon(const QString& key) const {
    return !Buttons.value(key)->icon().isNull();
}

void RunPanel::ClickButton(const QString& key) {
    Buttons.value(key)->click();
}

QStringList RunPanel::FkeyPanelKeys() const {
    QStringList keys;
    for (int i = 1; i <= StatusBarF->Count(); ++i)
        keys << StatusBarF->PanelAt(i)->Key;
    return keys;
}

QString RunPanel::FkeyPanelText(const QString& key) const {
    return StatusBarF->PanelByKey(key)->text();
}

QString RunPanel::FkeyPanelShownText(const QString& key) const {
    return StatusBarF->PanelByKey(key)->ShownText();
}

QString RunPanel::FkeyPanelToolTip(const QString& key) const {
    // A cut-short panel takes the whole text as its tool tip when it paints.
    StatusPanel* p = StatusBarF->PanelByKey(key);
    p->repaint();
    return p->toolTip();
}

QRect RunPanel::FkeyPanelGeometry(const QString& key) const {
    return StatusBarF->PanelByKey(key)->geometry();
}

QRect RunPanel::FkeyBarRect() const {
    return StatusBarF->rect();
}

bool RunPanel::FkeyPanelInset(const QString& key) const {
    return StatusBarF->PanelByKey(key)->Inset();
}

int RunPanel::FkeyPanelCount() const {
    return StatusBarF->Count();
}

bool RunPanel::FkeyBarShown() const {
    return StatusBarF->isVisible();
}

void RunPanel::ClickFkeyPanel(const QString& key) {
    StatusBarF->PanelByKey(key)->ClickAsOperator();
}

int RunPanel::SliderValue() const {
    return Slider->value();
}

void RunPanel::SetSlider(int value) {
    Slider->setValue(value);
}

} // namespace app
