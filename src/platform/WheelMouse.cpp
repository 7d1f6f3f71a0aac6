// SPDX-License-Identifier: GPL-3.0-or-later
// Wheel delivery: the table of filtered widgets and the filter that raises MouseWheel.

#include "platform/WheelMouse.h"

#include <QEvent>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

// The objects that filter a widget now, looked up by their widget.
std::vector<clsWheelMouse*>& SubclassTable() {
    static std::vector<clsWheelMouse*> table;
    return table;
}

// Set while a MouseWheel handler runs: a wheel event it causes (or one that arrives while it
// pumps events) is only passed on, never raised a second time.
bool InWheelProc = false;

bool SubclassWindow(clsWheelMouse* object, QWidget* owner) {
    if (!owner) return false;
    auto& table = SubclassTable();
    for (clsWheelMouse* o : table)
        if (o->OwnerhWnd() == owner) return false; // a widget is filtered at most once
    table.push_back(object);
    owner->installEventFilter(object);
    return true;
}

void RemoveSubclass(clsWheelMouse* object) {
    auto& table = SubclassTable();
    auto it = std::find(table.begin(), table.end(), object);
    if (it != table.end()) table.erase(it);
}

// The vertical wheel turn of an event: its sign, however small the step (high-resolution wheels
// and touch pads send fractions of a notch); 0 when the event turns no vertical wheel.
int WheelSign(const QWheelEvent& e) {
    int delta = e.angleDelta().y();
    if (delta == 0) delta = e.pixelDelta().y();
    return delta < 0 ? -1 : delta > 0 ? 1 : 0;
}

} // namespace

clsWheelMouse::clsWheelMouse(WheelHandler handler, QObject* parent)
    : QObject(parent), MouseWheel(std::move(handler)) {}

clsWheelMouse::~clsWheelMouse() {
    if (IsSubclassed) Terminate();
}

bool clsWheelMouse::Initialize(QWidget* owner) {
    if (IsSubclassed || !owner) return false;
    if (!SubclassWindow(this, owner)) return false;
    Owner = owner;
    IsSubclassed = true;
    // A widget that goes away takes its filter with it.
    OwnerGone = connect(owner, &QObject::destroyed, this, [this] {
        RemoveSubclass(this);
        IsSubclassed = false;
    });
    return true;
}

void clsWheelMouse::Terminate() {
    RemoveSubclass(this);
    if (Owner) Owner->removeEventFilter(this);
    disconnect(OwnerGone);
    Owner = nullptr;
    IsSubclassed = false;
}

void clsWheelMouse::raiseMyEvent(int16_t iniVector, int16_t inShift) {
    if (MouseWheel) MouseWheel(iniVector, inShift);
}

bool clsWheelMouse::eventFilter(QObject* watched, QEvent* event) {
    if (InWheelProc || !IsSubclassed || watched != Owner || event->type() != QEvent::Wheel) return false;
    const auto& wheel = static_cast<const QWheelEvent&>(*event);
    // NOTE: a sideways turn or a scroll phase without a vertical step is no wheel turn of the
    // canvas; it is passed on without an event.
    const int sign = WheelSign(wheel);
    if (sign == 0) return false;
    int16_t shift = 0;
    if (wheel.modifiers() & Qt::ShiftModifier) shift += 1;
    if (wheel.modifiers() & Qt::ControlModifier) shift += 2;
    InWheelProc = true;
    struct Clear {
        ~Clear() { InWheelProc = false; }
    } clearOnExit;
    raiseMyEvent(static_cast<int16_t>(sign), shift);
    return false; // the widget gets the event as well
}

} // namespace platform
