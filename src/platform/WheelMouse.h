// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wheel delivery for a widget that handles no wheel of its own (the trace canvas): an event
// filter turns each wheel turn into MouseWheel(iniVector, inShift) and lets the event go on to
// the widget. One object filters one widget; a widget is filtered by at most one object.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace platform {

class clsWheelMouse : public QObject {
  public:
    // iniVector: +1 for a turn away from the user, -1 towards the user.
    // inShift: 1 with Shift held, + 2 with Ctrl held (0..3).
    using WheelHandler = std::function<void(int16_t iniVector, int16_t inShift)>;

    explicit clsWheelMouse(WheelHandler handler = {}, QObject* parent = nullptr);
    ~clsWheelMouse() override; // a filter still installed is removed

    // The widget filtered; null until Initialize succeeds.
    QWidget* OwnerhWnd() const { return Owner; }
    bool Subclassed() const { return IsSubclassed; }
    // Filters `owner`. False, changing nothing, when this object already filters a widget, the
    // widget is null, or another object filters it already.
    bool Initialize(QWidget* owner);
    // Removes the filter; no further events are raised.
    void Terminate();

    WheelHandler MouseWheel; // the event

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void raiseMyEvent(int16_t iniVector, int16_t inShift);

    QPointer<QWidget> Owner;
    QMetaObject::Connection OwnerGone;
    bool IsSubclassed = false;
};

} // namespace platform
