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
        W->Slider->setValue(100);
    }
    // The canvas as the window shows it now.
    QImage Canvas() { return W->TraceImage.Image().copy(); }
    // An empty canvas: the path is gone, only the axes and rulers remain.
    QImage Cleared() {
        W->A.mnuClear->trigger();
        return Canvas();
    }
    void SetAutoStart(bool on) {
        if (W->M->S.AutoStart != on) W->A.mnuAutoStart->trigger();
    }
    // Mouse events on the canvas at a point given in viewport pixels.
    void Mouse(QEvent::Type type, QPoint viewportPx, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF local = W->Trace->mapFrom(W->Trace1, viewportPx);
        QMouseEvent e(type, local, W->Trace->mapToGlobal(local), button, held, Qt::NoModifier);
        QApplication::sendEvent(W->Trace, &e);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void Wheel(QPoint viewportPx, int delta) {
        Mouse(QEvent::MouseMove, viewportPx, Qt::NoButton, Qt::NoButton);
        const QPointF local = W->Trace->mapFrom(W->Trace1, viewportPx);
        QWheelEvent e(local, W->Trace->mapToGlobal(local), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(W->Trace, &e);
    }
    QPoint Centre() const { return {W->Trace1->width() / 2, W->Trace1->height() / 2}; }
};

} // namespace

TEST_F(ViewWiring, DisplaySwitchesAgreeInMenuAndButtonAndRedrawOnlyWithAutoStart) {
    const struct {
        QAction* Action;
        const char* Button; // or null: menu only
        bool interp::MachineState::*Field;
        bool Inverted; // the check mark shows the switch off
    } switches[] = {
        {W->A.mnuYajirusi, "Yajirusi", &interp::MachineState::RapidArrow, false},
        {W->A.ToolNumberDisplay, "TDisplay", &interp::MachineState::ShowToolNumber, false},
        {W->A.mnuColorChange, "ColorChange", &interp::MachineState::ColorPerTool, false},
        {W->A.mnuBturretUper, "mnuBturretuper", &interp::MachineState::BTurretUpper, true},
        {W->A.mnuXmirror, nullptr, &interp::MachineState::Xmirror, false},
        {W->A.mnuG2mirror, nullptr, &interp::MachineState::G2mirror, false},
        {W->A.mnuVertical, nullptr, &interp::MachineState::Vertical, false},
    };
    for (const bool autoStart : {false, true}) {
        SetAutoStart(autoStart);
        for (const auto& sw : switches) {
            SCOPED_TRACE(sw.Action->objectName().toStdString() + (autoStart ? " auto" : " manual"));
            const bool before = W->M->S.*sw.Field;
            const QImage empty = Cleared();
            if (sw.Button)
                W->Buttons[sw.Button]->click();
            else
                sw.Action->trigger();
            EXPECT_EQ(W->M->S.*sw.Field, !before);
            EXPECT_EQ(sw.Action->isChecked(), sw.Inverted ? before : !before);
            if (sw.Button) {
                EXPECT_EQ(W->Buttons[sw.Button]->isChecked(), sw.Action->isChecked());
            }
            // Auto start redraws the path under the new switch; without it nothing is drawn.
            EXPECT_EQ(Canvas() != empty, autoStart);
        }
    }
    // Tool Clear can be used only while the tool labels are shown (they are on now).
    EXPECT_TRUE(W->A.mnuTclear->isEnabled());
    W->A.ToolNumberDisplay->trigger();
    EXPECT_FALSE(W->A.mnuTclear->isEnabled());
}

TEST_F(ViewWiring, PositionDisplayKeepsMenuDropDownAndButtonInStep) {
    // As the window opens: "Non Display" checked and the second drop-down text "+non".
    EXPECT_TRUE(W->A.PostionDisplayT[1]->isChecked());
    EXPECT_EQ(W->A.PosDisplayItems[1]->text(), "+non");
    EXPECT_FALSE(W->Buttons["PosDisplay"]->isChecked());

    W->A.PostionDisplayT[6]->trigger(); // T05
    EXPECT_TRUE(W->M->S.ShowPosition);
    EXPECT_EQ(W->M->S.PositionTool, 5);
    EXPECT_EQ(W->A.PosDisplayItems[6]->text(), "+T05");
    EXPECT_EQ(W->A.PosDisplayItems[1]->text(), "   Non");
    EXPECT_TRUE(W->Buttons["PosDisplay"]->isChecked());
    for (int k = 0; k < 14; ++k)
        EXPECT_EQ(W->A.PostionDisplayT[k]->isChecked(), k == 6) << k;

    // A plain click on the pressed button turns the display off; the next shows all tools.
    W->Buttons["PosDisplay"]->click();
    EXPECT_FALSE(W->M->S.ShowPosition);
    EXPECT_EQ(W->A.PosDisplayItems[1]->text(), "+Non");
    EXPECT_FALSE(W->Buttons["PosDisplay"]->isChecked());
    W->Buttons["PosDisplay"]->click();
    EXPECT_TRUE(W->M->S.ShowPosition);
    EXPECT_EQ(W->M->S.PositionTool, 0);
    EXPECT_TRUE(W->A.PostionDisplayT[0]->isChecked());

    // Drop-down item k chooses menu item k - 1.
    W->A.PosDisplayItems[13]->trigger();
    EXPECT_EQ(W->M->S.PositionTool, 12);
    EXPECT_TRUE(W->A.PostionDisplayT[13]->isChecked());
    EXPECT_EQ(W->A.PosDisplayItems[13]->text(), "+T12");
}

TEST_F(ViewWiring, SnapPanelsMenusAndTheForcedRerunAndTheFanucPanel) {
    SetAutoStart(false);
    const QImage empty = Cleared();
    QTest::mouseClick(W->sbStatusBar->PanelByKey("Xsnap"), Qt::LeftButton);
    EXPECT_TRUE(W->M->S.XSnap);
    EXPECT_TRUE(W->A.mnuXsnap->isChecked());
    EXPECT_TRUE(W->sbStatusBar->PanelByKey("Xsnap")->Inset());
    EXPECT_NE(Canvas(), empty); // snap re-runs even without Auto start
    W->A.mnuZsnap->trigger();
    EXPECT_TRUE(W->sbStatusBar->PanelByKey("Zsnap")->Inset());
    W->A.mnuZsnap->trigger();
    EXPECT_FALSE(W->sbStatusBar->PanelByKey("Zsnap")->Inset());
    EXPECT_FALSE(W->A.mnuZsnap->isChecked());

    const bool fanuc = W->M->S.FanucMode;
    QTest::mouseClick(W->sbStatusBar->PanelByKey("Control"), Qt::LeftButton);
    EXPECT_EQ(W->M->S.FanucMode, !fanuc);
    EXPECT_EQ(W->A.mnuPointCheck->isChecked(), !fanuc);
}

TEST_F(ViewWiring, ZoomBoxShowsTheBoxAndUndoReturnsToTheStandardView) {
    const double width0 = W->TraceImage.ScaleWidth, left0 = W->TraceImage.ScaleLeft;
    W->Buttons["Zoom"]->click();
    EXPECT_TRUE(W->A.mnuZoom->isChecked());
    EXPECT_TRUE(W->Buttons["Zoom"]->isChecked());

    // A click without a drag is refused: zoom mode stays armed, the view stays.
    Drag(Centre(), Centre());
    EXPECT_TRUE(W->Screen.Pointer.ZoomMode);
    EXPECT_DOUBLE_EQ(W->TraceImage.ScaleWidth, width0);

    // A box a quarter of the viewport wide: the canvas's scale becomes a quarter too.
    const int qw = W->Trace1->width() / 4;
    Drag(Centre() + QPoint(qw, 10), Centre() - QPoint(0, 10)); // right to left
    EXPECT_FALSE(W->Screen.Pointer.ZoomMode);
    EXPECT_FALSE(W->A.mnuZoom->isChecked());
    EXPECT_FALSE(W->Buttons["Zoom"]->isChecked());
    EXPECT_EQ(W->Screen.Zoom.ZoomLevel, 1);
    EXPECT_NEAR(W->TraceImage.ScaleWidth / width0, 0.25, 0.02);
    // The canvas widget follows the view numbers: its centre quarter fills the viewport.
    EXPECT_NEAR(W->Trace->x(), -W->Trace->width() / 2, 1);

    W->A.mnuZoomUndo->trigger();
    EXPECT_EQ(W->Screen.Zoom.ZoomLevel, 0);
    EXPECT_DOUBLE_EQ(W->TraceImage.ScaleWidth, width0);
    EXPECT_DOUBLE_EQ(W->TraceImage.ScaleLeft, left0);
}

TEST_F(ViewWiring, WheelAndPageKeysZoomAndAlwaysRedraw) {
    SetAutoStart(false);
    const double width0 = W->TraceImage.ScaleWidth;
    const QImage empty = Cleared();
    Wheel(Centre() + QPoint(40, 20), 120); // away from the operator: in
    EXPECT_NEAR(W->TraceImage.ScaleWidth, width0 * 0.8, 1e-9);
    EXPECT_NE(Canvas(), empty); // the wheel re-runs whatever Auto start says
    EXPECT_EQ(W->Screen.Zoom.ZoomLevel, 0);
    Wheel(Centre() + QPoint(40, 20), -120);
    EXPECT_NEAR(W->TraceImage.ScaleWidth, width0 * 0.8 * 1.2, 1e-9);

    W->Trace->setFocus();
    const double width1 = W->TraceImage.ScaleWidth, left1 = W->TraceImage.ScaleLeft;
    QTest::keyClick(W->Trace, Qt::Key_PageUp);
    EXPECT_NEAR(W->TraceImage.ScaleWidth, width1 * 0.8, 1e-9);
    const double width2 = W->TraceImage.ScaleWidth, left2 = W->TraceImage.ScaleLeft;
    QTest::keyClick(W->Trace, Qt::Key_Right);
    EXPECT_NEAR(W->TraceImage.ScaleLeft, left2 - 0.02 * width2, 1e-9);
    EXPECT_NE(left1, left2);
}

TEST_F(ViewWiring, ReadOutFollowsThePointerAndTheContextMenuCopiesIt) {
    W->A.mnuZsnap->trigger();
    Mouse(QEvent::MouseMove, Centre() + QPoint(37, 23), Qt::NoButton, Qt::NoButton);
    const QRegularExpression x("^X-?\\d+\\.\\d{3}$"), z("^Z-?\\d+\\.\\d00$"); // Z snapped to 0.1
    EXPECT_TRUE(x.match(W->Xpos->text()).hasMatch()) << W->Xpos->text().toStdString();
    EXPECT_TRUE(z.match(W->Zpos->text()).hasMatch()) << W->Zpos->text().toStdString();

    Mouse(QEvent::MouseButtonPress, Centre(), Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(W->Mn.Popup->isVisible());
    EXPECT_EQ(W->A.PopUpPosition->text(), W->Xpos->text() + "  " + W->Zpos->text() + "  Copy");
    W->Mn.Popup->close();
    W->A.PopUpPosition->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), W->Xpos->text() + " " + W->Zpos->text() + "\r\n");
}

TEST_F(ViewWiring, DraggingPastTheEdgeOffersTheOverAreaPopupWithoutAutoStart) {
    SetAutoStart(false);
    const QPoint far(W->Trace1->width() * 3, W->Trace1->height() * 3);
    Mouse(QEvent::MouseButtonPress, Centre(), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, Centre() + far, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(W->Mn.mnuMessage->isVisible());
    EXPECT_EQ(W->A.PopupMessage->text(), "Over area. Reset by start.");
    // The canvas still covers the viewport.
    EXPECT_LE(W->Trace->x(), 0);
    EXPECT_LE(W->Trace->y(), 0);
    EXPECT_GE(W->Trace->x() + W->Trace->width(), W->Trace1->width());
    Mouse(QEvent::MouseButtonRelease, Centre() + far, Qt::LeftButton, Qt::NoButton);
    W->Mn.mnuMessage->close();
    // Its Start item re-centres the canvas and runs the program.
    W->A.PopupStart->trigger();
    EXPECT_NEAR(W->Trace->x(), -W->Trace->width() * 2 / 5, 1);
}

TEST_F(ViewWiring, SliderJumpsToTheClick) {
    W->Slider->setValue(100);
    const double tpp = W->TwipsPerPixel();
    QTest::mousePress(W->Slider, Qt::LeftButton, {}, QPoint(int(622.5 / tpp), W->Slider->height() / 2));
    QTest::mouseRelease(W->Slider, Qt::LeftButton, {}, QPoint(int(622.5 / tpp), W->Slider->height() / 2));
    EXPECT_NEAR(W->Slider->value(), 50, 2);
    EXPECT_FLOAT_EQ(W->M->S.RunSpeed, float(W->Slider->value()));
}

TEST_F(ViewWiring, ReCentringAfterZoomBoxAndWheelKeepsThePicture) {
    SetAutoStart(true);
    W->A.mnuStanderd->trigger();
    W->A.mnuZoom->trigger();
    Drag(Centre() - QPoint(W->Trace1->width() / 4, 10), Centre() + QPoint(0, 10));
    Wheel(Centre(), 120);
    // Dragged right until the canvas stops: it is re-centred and the program drawn again.
    Mouse(QEvent::MouseButtonPress, Centre(), Qt::LeftButton, Qt::LeftButton);
    double left = 0, top = 0;
    bool recentred = false;
    for (int step = 1; step < 400 && !recentred; ++step) {
        left = motion::VisibleLeft(*W->M), top = motion::VisibleTop(*W->M);
        const double before = W->Screen.CanvasLeft;
        Mouse(QEvent::MouseMove, Centre() + QPoint(10 * step, 0), Qt::NoButton, Qt::LeftButton);
        recentred = W->Screen.CanvasLeft < before;
    }
    Mouse(QEvent::MouseButtonRelease, Centre(), Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(recentred);
    EXPECT_NEAR(W->Trace->x(), -W->Trace->width() * 2 / 5, 1);
    EXPECT_NEAR(motion::VisibleLeft(*W->M), left, 1e-6);
    EXPECT_NEAR(motion::VisibleTop(*W->M), top, 1e-6);
    // The rulers read what the viewport shows: drawing them afresh changes no pixel.
    const QImage z = W->ZscaleImage.Image().copy(), x = W->XscaleImage.Image().copy();
    motion::RedrawCanvas(*W->M);
    EXPECT_TRUE(z == W->ZscaleImage.Image());
    EXPECT_TRUE(x == W->XscaleImage.Image());
}
