// SPDX-License-Identifier: GPL-3.0-or-later
// The view and display commands through the window: the switches' three indicators and their
// re-runs, the position display, snap, the zoom box and its undo, the wheel, the keys, the
// read-out, the canvas's popups and the slider's jump to the click.

#include "WindowFixture.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QWheelEvent>

namespace {

const QByteArray Program = "O1000\r\nT0101\r\nG97 S1000 M03\r\nG00 X50. Z5.\r\nG01 Z-30. F0.2\r\n"
                           "X80. Z-40.\r\nG00 X100. Z50.\r\nM30\r\n%\r\n";

class ViewWiring : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        Open(Program);
        W->Panel().SetSlider(100);
    }
    // The canvas as the window shows it now.
    QImage Canvas() { return W->View().TraceImage().Image().copy(); }
    // An empty canvas: the path is gone, only the axes and rulers remain.
    QImage Cleared() {
        Act("mnuClear")->trigger();
        return Canvas();
    }
    void SetAutoStart(bool on) {
        if (S().AutoStart != on) Act("mnuAutoStart")->trigger();
    }
    // Mouse events on the canvas at a point given in viewport pixels.
    void Mouse(QEvent::Type type, QPoint viewportPx, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF local = W->View().Canvas()->mapFrom(W->View().Viewport(), viewportPx);
        QMouseEvent e(type, local, W->View().Canvas()->mapToGlobal(local), button, held, Qt::NoModifier);
        QApplication::sendEvent(W->View().Canvas(), &e);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void Wheel(QPoint viewportPx, int delta) {
        Mouse(QEvent::MouseMove, viewportPx, Qt::NoButton, Qt::NoButton);
        const QPointF local = W->View().Canvas()->mapFrom(W->View().Viewport(), viewportPx);
        QWheelEvent e(local, W->View().Canvas()->mapToGlobal(local), {}, {0, delta}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(W->View().Canvas(), &e);
    }
    QPoint Centre() const { return {W->View().Viewport()->width() / 2, W->View().Viewport()->height() / 2}; }
};

} // namespace

TEST_F(ViewWiring, DisplaySwitchesAgreeInMenuAndButtonAndRedrawOnlyWithAutoStart) {
    const struct {
        QAction* Action;
        const char* Button; // or null: menu only
        bool interp::MachineState::*Field;
        bool Inverted; // the check mark shows the switch off
    } switches[] = {
        {Act("mnuYajirusi"), "Yajirusi", &interp::MachineState::RapidArrow, false},
        {Act("ToolNumberDisplay"), "TDisplay", &interp::MachineState::ShowToolNumber, false},
        {Act("mnuColorChange"), "ColorChange", &interp::MachineState::ColorPerTool, false},
        {Act("mnuBturretUper"), "mnuBturretuper", &interp::MachineState::BTurretUpper, true},
        {Act("mnuXmirror"), nullptr, &interp::MachineState::Xmirror, false},
        {Act("mnuG2mirror"), nullptr, &interp::MachineState::G2mirror, false},
        {Act("mnuVertical"), nullptr, &interp::MachineState::Vertical, false},
    };
    for (const bool autoStart : {false, true}) {
        SetAutoStart(autoStart);
        for (const auto& sw : switches) {
            SCOPED_TRACE(sw.Action->objectName().toStdString() + (autoStart ? " auto" : " manual"));
            const bool before = S().*sw.Field;
            const QImage empty = Cleared();
            if (sw.Button)
                W->Panel().ClickButton(sw.Button);
            else
                sw.Action->trigger();
            EXPECT_EQ(S().*sw.Field, !before);
            EXPECT_EQ(sw.Action->isChecked(), sw.Inverted ? before : !before);
            if (sw.Button) {
                EXPECT_EQ(W->Panel().ButtonChecked(sw.Button), sw.Action->isChecked());
            }
            // Auto start redraws the path under the new switch; without it nothing is drawn.
            EXPECT_EQ(Canvas() != empty, autoStart);
        }
    }
    // Tool Clear can be used only while the tool labels are shown (they are on now).
    EXPECT_TRUE(Act("mnuTclear")->isEnabled());
    Act("ToolNumberDisplay")->trigger();
    EXPECT_FALSE(Act("mnuTclear")->isEnabled());
}

TEST_F(ViewWiring, PositionDisplayKeepsMenuDropDownAndButtonInStep) {
    // As the window opens: "Non Display" checked and the second drop-down text "+non".
    EXPECT_TRUE(Act("PostionDisplayT1")->isChecked());
    EXPECT_EQ(Act("PosDisplayItem2")->text(), "+non");
    EXPECT_FALSE(W->Panel().ButtonChecked("PosDisplay"));

    Act("PostionDisplayT6")->trigger(); // T05
    EXPECT_TRUE(S().ShowPosition);
    EXPECT_EQ(S().PositionTool, 5);
    EXPECT_EQ(Act("PosDisplayItem7")->text(), "+T05");
    EXPECT_EQ(Act("PosDisplayItem2")->text(), "   Non");
    EXPECT_TRUE(W->Panel().ButtonChecked("PosDisplay"));
    for (int k = 0; k < 14; ++k)
        EXPECT_EQ(Act(QString("PostionDisplayT%1").arg(k))->isChecked(), k == 6) << k;

    // A plain click on the pressed button turns the display off; the next shows all tools.
    W->Panel().ClickButton("PosDisplay");
    EXPECT_FALSE(S().ShowPosition);
    EXPECT_EQ(Act("PosDisplayItem2")->text(), "+Non");
    EXPECT_FALSE(W->Panel().ButtonChecked("PosDisplay"));
    W->Panel().ClickButton("PosDisplay");
    EXPECT_TRUE(S().ShowPosition);
    EXPECT_EQ(S().PositionTool, 0);
    EXPECT_TRUE(Act("PostionDisplayT0")->isChecked());

    // Drop-down item k chooses menu item k - 1.
    Act("PosDisplayItem14")->trigger();
    EXPECT_EQ(S().PositionTool, 12);
    EXPECT_TRUE(Act("PostionDisplayT13")->isChecked());
    EXPECT_EQ(Act("PosDisplayItem14")->text(), "+T12");
}

TEST_F(ViewWiring, SnapPanelsMenusAndTheForcedRerunAndTheFanucPanel) {
    SetAutoStart(false);
    const QImage empty = Cleared();
    W->WindowFrame().ClickPanel("Xsnap");
    EXPECT_TRUE(S().XSnap);
    EXPECT_TRUE(Act("mnuXsnap")->isChecked());
    EXPECT_TRUE(W->WindowFrame().PanelInset("Xsnap"));
    EXPECT_NE(Canvas(), empty); // snap re-runs even without Auto start
    Act("mnuZsnap")->trigger();
    EXPECT_TRUE(W->WindowFrame().PanelInset("Zsnap"));
    Act("mnuZsnap")->trigger();
    EXPECT_FALSE(W->WindowFrame().PanelInset("Zsnap"));
    EXPECT_FALSE(Act("mnuZsnap")->isChecked());

    const bool fanuc = S().FanucMode;
    W->WindowFrame().ClickPanel("Control");
    EXPECT_EQ(S().FanucMode, !fanuc);
    EXPECT_EQ(Act("mnuPointCheck")->isChecked(), !fanuc);
}

TEST_F(ViewWiring, ALockPanelDrawnOffStillTakesTheClickThatSwitchesItOn) {
    app::Frame& f = W->WindowFrame();
    W->Document().SetOverwrite(false);
    f.RefreshLocks();
    EXPECT_TRUE(f.PanelDimmed("INS"));
    f.ClickPanel("INS");
    EXPECT_TRUE(W->Document().Overwrite());
    EXPECT_FALSE(f.PanelDimmed("INS"));
    f.ClickPanel("INS");
    EXPECT_FALSE(W->Document().Overwrite());
    EXPECT_TRUE(f.PanelDimmed("INS"));
}

TEST_F(ViewWiring, ZoomBoxShowsTheBoxAndUndoReturnsToTheStandardView) {
    const double width0 = W->View().TraceImage().ScaleWidth, left0 = W->View().TraceImage().ScaleLeft;
    W->Panel().ClickButton("Zoom");
    EXPECT_TRUE(Act("mnuZoom")->isChecked());
    EXPECT_TRUE(W->Panel().ButtonChecked("Zoom"));

    // A click without a drag is refused: zoom mode stays armed, the view stays.
    Drag(Centre(), Centre());
    EXPECT_TRUE(W->View().Screen().Pointer.ZoomMode);
    EXPECT_DOUBLE_EQ(W->View().TraceImage().ScaleWidth, width0);

    // A box a quarter of the viewport wide: the canvas's scale becomes a quarter too.
    const int qw = W->View().Viewport()->width() / 4;
    Drag(Centre() + QPoint(qw, 10), Centre() - QPoint(0, 10)); // right to left
    EXPECT_FALSE(W->View().Screen().Pointer.ZoomMode);
    EXPECT_FALSE(Act("mnuZoom")->isChecked());
    EXPECT_FALSE(W->Panel().ButtonChecked("Zoom"));
    EXPECT_EQ(W->View().Screen().Zoom.ZoomLevel, 1);
    EXPECT_NEAR(W->View().TraceImage().ScaleWidth / width0, 0.25, 0.02);
    // The canvas widget follows the view numbers: its centre quarter fills the viewport.
    EXPECT_NEAR(W->View().Canvas()->x(), -W->View().Canvas()->width() / 2, 1);

    Act("mnuZoomUndo")->trigger();
    EXPECT_EQ(W->View().Screen().Zoom.ZoomLevel, 0);
    EXPECT_DOUBLE_EQ(W->View().TraceImage().ScaleWidth, width0);
    EXPECT_DOUBLE_EQ(W->View().TraceImage().ScaleLeft, left0);
}

TEST_F(ViewWiring, WheelAndPageKeysZoomAndAlwaysRedraw) {
    SetAutoStart(false);
    const double width0 = W->View().TraceImage().ScaleWidth;
    const QImage empty = Cleared();
    Wheel(Centre() + QPoint(40, 20), 120); // away from the operator: in
    EXPECT_NEAR(W->View().TraceImage().ScaleWidth, width0 * 0.8, 1e-9);
    EXPECT_NE(Canvas(), empty); // the wheel re-runs whatever Auto start says
    EXPECT_EQ(W->View().Screen().Zoom.ZoomLevel, 0);
    Wheel(Centre() + QPoint(40, 20), -120);
    EXPECT_NEAR(W->View().TraceImage().ScaleWidth, width0 * 0.8 * 1.2, 1e-9);

    W->View().Canvas()->setFocus();
    const double width1 = W->View().TraceImage().ScaleWidth, left1 = W->View().TraceImage().ScaleLeft;
    QTest::keyClick(W->View().Canvas(), Qt::Key_PageUp);
    EXPECT_NEAR(W->View().TraceImage().ScaleWidth, width1 * 0.8, 1e-9);
    const double width2 = W->View().TraceImage().ScaleWidth, left2 = W->View().TraceImage().ScaleLeft;
    QTest::keyClick(W->View().Canvas(), Qt::Key_Right);
    EXPECT_NEAR(W->View().TraceImage().ScaleLeft, left2 - 0.02 * width2, 1e-9);
    EXPECT_NE(left1, left2);
}

TEST_F(ViewWiring, ReadOutFollowsThePointerAndTheContextMenuCopiesIt) {
    Act("mnuZsnap")->trigger();
    Mouse(QEvent::MouseMove, Centre() + QPoint(37, 23), Qt::NoButton, Qt::NoButton);
    const QRegularExpression x("^X-?\\d+\\.\\d{3}$"), z("^Z-?\\d+\\.\\d00$"); // Z snapped to 0.1
    EXPECT_TRUE(x.match(W->View().XposText()).hasMatch()) << W->View().XposText().toStdString();
    EXPECT_TRUE(z.match(W->View().ZposText()).hasMatch()) << W->View().ZposText().toStdString();

    Mouse(QEvent::MouseButtonPress, Centre(), Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(Menu("Popup")->isVisible());
    EXPECT_EQ(Act("PopUpPosition")->text(), W->View().XposText() + "  " + W->View().ZposText() + "  Copy");
    Menu("Popup")->close();
    Act("PopUpPosition")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), W->View().XposText() + " " + W->View().ZposText() + "\r\n");

    // The boxes show the read-out; typing into them changes neither the caption nor the copy.
    const QString xpos = W->View().XposText(), zpos = W->View().ZposText();
    W->findChild<QLineEdit*>("Xpos")->setText("X1.000");
    W->findChild<QLineEdit*>("Zpos")->setText("");
    Mouse(QEvent::MouseButtonPress, Centre(), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(Act("PopUpPosition")->text(), xpos + "  " + zpos + "  Copy");
    Menu("Popup")->close();
    Act("PopUpPosition")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), xpos + " " + zpos + "\r\n");
}

TEST_F(ViewWiring, DraggingPastTheEdgeOffersTheOverAreaPopupWithoutAutoStart) {
    SetAutoStart(false);
    const QPoint far(W->View().Viewport()->width() * 3, W->View().Viewport()->height() * 3);
    Mouse(QEvent::MouseButtonPress, Centre(), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, Centre() + far, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(Menu("mnuMessage")->isVisible());
    EXPECT_EQ(Act("PopupMessage")->text(), "Over area. Reset by start.");
    // The canvas still covers the viewport.
    EXPECT_LE(W->View().Canvas()->x(), 0);
    EXPECT_LE(W->View().Canvas()->y(), 0);
    EXPECT_GE(W->View().Canvas()->x() + W->View().Canvas()->width(), W->View().Viewport()->width());
    Mouse(QEvent::MouseButtonRelease, Centre() + far, Qt::LeftButton, Qt::NoButton);
    Menu("mnuMessage")->close();
    // Its Start item re-centres the canvas and runs the program.
    Act("PopupStart")->trigger();
    EXPECT_NEAR(W->View().Canvas()->x(), -W->View().Canvas()->width() * 2 / 5, 1);
}

TEST_F(ViewWiring, SliderJumpsToTheClick) {
    W->Panel().SetSlider(100);
    const double tpp = W->WindowFrame().TwipsPerPixel();
    QTest::mousePress(W->Panel().SliderWidget(), Qt::LeftButton, {},
                      QPoint(int(622.5 / tpp), W->Panel().SliderWidget()->height() / 2));
    QTest::mouseRelease(W->Panel().SliderWidget(), Qt::LeftButton, {},
                        QPoint(int(622.5 / tpp), W->Panel().SliderWidget()->height() / 2));
    EXPECT_NEAR(W->Panel().SliderValue(), 50, 2);
    EXPECT_FLOAT_EQ(S().RunSpeed, float(W->Panel().SliderValue()));
}

TEST_F(ViewWiring, ReCentringAfterZoomBoxAndWheelKeepsThePicture) {
    SetAutoStart(true);
    Act("mnuStanderd")->trigger();
    Act("mnuZoom")->trigger();
    Drag(Centre() - QPoint(W->View().Viewport()->width() / 4, 10), Centre() + QPoint(0, 10));
    Wheel(Centre(), 120);
    // Dragged right until the canvas stops: it is re-centred and the program drawn again.
    Mouse(QEvent::MouseButtonPress, Centre(), Qt::LeftButton, Qt::LeftButton);
    double left = 0, top = 0;
    bool recentred = false;
    for (int step = 1; step < 400 && !recentred; ++step) {
        left = motion::VisibleLeft(W->Model().Machine()), top = motion::VisibleTop(W->Model().Machine());
        const double before = W->View().Screen().CanvasLeft;
        Mouse(QEvent::MouseMove, Centre() + QPoint(10 * step, 0), Qt::NoButton, Qt::LeftButton);
        recentred = W->View().Screen().CanvasLeft < before;
    }
    Mouse(QEvent::MouseButtonRelease, Centre(), Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(recentred);
    EXPECT_NEAR(W->View().Canvas()->x(), -W->View().Canvas()->width() * 2 / 5, 1);
    EXPECT_NEAR(motion::VisibleLeft(W->Model().Machine()), left, 1e-6);
    EXPECT_NEAR(motion::VisibleTop(W->Model().Machine()), top, 1e-6);
    // The rulers read what the viewport shows: drawing them afresh changes no pixel.
    const QImage z = W->View().ZscaleImage().Image().copy(), x = W->View().XscaleImage().Image().copy();
    motion::RedrawCanvas(W->Model().Machine());
    EXPECT_TRUE(z == W->View().ZscaleImage().Image());
    EXPECT_TRUE(x == W->View().XscaleImage().Image());
}
