// SPDX-License-Identifier: GPL-3.0-or-later
// Wheel delivery: which objects may filter a widget, the sign and keys of each turn, the event
// going on to the widget, and no second event while the handler runs.

#include "platform/WheelMouse.h"

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using platform::clsWheelMouse;

namespace {

// A canvas that counts the wheel events that reach it.
class Canvas : public QWidget {
  public:
    int Wheels = 0;

  protected:
    void wheelEvent(QWheelEvent* e) override {
        ++Wheels;
        e->ignore();
    }
};

void Turn(QWidget& w, int delta, Qt::KeyboardModifiers keys = Qt::NoModifier, QPoint pixels = {}) {
    QWheelEvent e(QPointF(5, 5), QPointF(5, 5), pixels, QPoint(0, delta), Qt::NoButton, keys,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &e);
}

struct Recorder {
    std::vector<std::pair<int, int>> Events;
    clsWheelMouse::WheelHandler Handler() {
        return [this](int16_t vector, int16_t shift) { Events.emplace_back(vector, shift); };
    }
};

} // namespace

TEST(WheelMouse, AWidgetIsFilteredAtMostOnce) {
    Canvas canvas, other;
    clsWheelMouse first, second;
    EXPECT_FALSE(first.Initialize(nullptr));
    EXPECT_EQ(first.OwnerhWnd(), nullptr);
    ASSERT_TRUE(first.Initialize(&canvas));
    EXPECT_EQ(first.OwnerhWnd(), &canvas);
    EXPECT_FALSE(first.Initialize(&other)); // already filtering: nothing changes
    EXPECT_EQ(first.OwnerhWnd(), &canvas);
    EXPECT_FALSE(second.Initialize(&canvas)); // the widget is taken
    EXPECT_TRUE(second.Initialize(&other));
    first.Terminate();
    EXPECT_FALSE(first.Subclassed());
    EXPECT_TRUE(first.Initialize(&canvas)); // free again after Terminate
}

TEST(WheelMouse, TurnsGiveDirectionAndKeys) {
    Canvas canvas;
    Recorder r;
    clsWheelMouse wheel(r.Handler());
    ASSERT_TRUE(wheel.Initialize(&canvas));
    Turn(canvas, 120);
    Turn(canvas, 120, Qt::ControlModifier);
    Turn(canvas, -120, Qt::ShiftModifier | Qt::ControlModifier);
    Turn(canvas, 8); // a fraction of a notch from a fine wheel
    Turn(canvas, -3);
    Turn(canvas, 0, Qt::NoModifier, {0, -2}); // a touch pad's pixels only
    const std::vector<std::pair<int, int>> expected{{1, 0}, {1, 2}, {-1, 3}, {1, 0}, {-1, 0}, {-1, 0}};
    EXPECT_EQ(r.Events, expected);
    EXPECT_EQ(canvas.Wheels, 6); // every event goes on to the widget
}

TEST(WheelMouse, SidewaysTurnRaisesNothing) {
    Canvas canvas;
    Recorder r;
    clsWheelMouse wheel(r.Handler());
    wheel.Initialize(&canvas);
    QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(120, 0), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas, &e);
    EXPECT_TRUE(r.Events.empty());
    EXPECT_EQ(canvas.Wheels, 1);
}

TEST(WheelMouse, NoSecondEventWhileTheHandlerRuns) {
    Canvas canvas;
    int raised = 0;
    clsWheelMouse wheel([&](int16_t, int16_t) {
        ++raised;
        Turn(canvas, 120); // the handler itself causes another wheel event
    });
    wheel.Initialize(&canvas);
    Turn(canvas, -120);
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(canvas.Wheels, 2);
    Turn(canvas, 120); // once the handler has returned, events come again
    EXPECT_EQ(raised, 2);
}

TEST(WheelMouse, NothingAfterTerminateOrWhenTheWidgetIsGone) {
    Recorder r;
    auto canvas = std::make_unique<Canvas>();
    {
        clsWheelMouse wheel(r.Handler());
        wheel.Initialize(canvas.get());
        wheel.Terminate();
        Turn(*canvas, 120);
        EXPECT_TRUE(r.Events.empty());
        EXPECT_EQ(canvas->Wheels, 1);
        wheel.Initialize(canvas.get());
    } // the object ends while filtering: its filter goes with it
    Turn(*canvas, 120);
    EXPECT_TRUE(r.Events.empty());

    clsWheelMouse wheel(r.Handler());
    ASSERT_TRUE(wheel.Initialize(canvas.get()));
    canvas.reset();
    EXPECT_FALSE(wheel.Subclassed());
    Canvas next;
    clsWheelMouse other;
    EXPECT_TRUE(other.Initialize(&next)); // the table forgot the widget that went away
}
