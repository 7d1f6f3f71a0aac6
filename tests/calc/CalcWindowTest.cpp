// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyPad.h"
#include "frmCalc.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using calc::frmCalc;
using calc::Key;

namespace {

class CalcWindow : public testing::Test {
  protected:
    void SetUp() override {
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
        QTest::keyClick(&Window, Qt::Key_Escape);
    }

    QPushButton* Button(Key Which) { return Window.findChild<calc::KeyPad*>()->Button(Which); }

    // Keys go to whatever has the focus, as the operator's keyboard does.
    void Keys(const QString& Text) {
        for (QChar C : Text) {
            QWidget* Target = QApplication::focusWidget() ? QApplication::focusWidget() : &Window;
            if (C == QLatin1Char('\n')) {
                QTest::keyClick(Target, Qt::Key_Return);
            } else if (C.isLetter()) {
                QTest::keyClick(Target, static_cast<Qt::Key>(Qt::Key_A + (C.toUpper().unicode() - 'A')));
            } else {
                QTest::keyClick(Target, C.toLatin1());
            }
        }
    }

    frmCalc Window{false};
};

} // namespace

TEST_F(CalcWindow, CaptionAndStayingOnTop) {
    EXPECT_EQ(Window.windowTitle(), QStringLiteral(" Calculator"));
    EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(CalcWindow, F1ShowsTheAboutBoxWithTheLicence) {
    QString Shown;
    QTimer::singleShot(100, [&Shown] {
        if (auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            Shown = Box->text();
            Box->close();
        }
    });
    QTimer::singleShot(3000, [] { // never hang the run when the box did not open
        if (QWidget* Box = QApplication::activeModalWidget()) Box->close();
    });
    QTest::keyClick(&Window, Qt::Key_F1);
    EXPECT_TRUE(Shown.contains("GPL-3.0-or-later") && Shown.contains("NO WARRANTY")) << Shown.toStdString();
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("0.")); // F1 typed nothing
}

TEST_F(CalcWindow, KeysCarryTheirCaptionsAndKeyboardHints) {
    struct Case {
        Key Which;
        const char* Caption;
        const char* ToolTip;
    };
    for (Case C :
         {Case{Key::Equals, "=", "[Enter]または[=]です。値がクリップボードにコピーされます。"},
          Case{Key::Cancel, "AC", "[Esc]"}, Case{Key::CancelEntry, "C", "[BS]"},
          Case{Key::MRead, "MR", "[Shift]->[M]"}, Case{Key::Pai, "PI", "[P] π=3.14"},
          Case{Key::Command3, "F", "面粗さから送り速度[F]"}, Case{Key::Command4, "T", "加工時間 [G]"},
          Case{Key::Command5, "°′″", "60進数[H] ，10進数[shift]+[H]"}, Case{Key::Times, "X", ""}}) {
        EXPECT_EQ(Button(C.Which)->text(), QString::fromUtf8(C.Caption));
        EXPECT_EQ(Button(C.Which)->toolTip(), QString::fromUtf8(C.ToolTip));
    }
}

TEST_F(CalcWindow, KeyboardDrivesAMachiningFunction) {
    Keys(QStringLiteral("n150\n50\n"));
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("955"));
    EXPECT_EQ(Window.PromptText(), QStringLiteral("Speed(min-1) ="));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("955"));
    EXPECT_EQ(Button(Key::Command1)->property("down").toBool(), true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(Window.PromptText(), QString());
    EXPECT_EQ(Button(Key::Command1)->property("down").toBool(), false);
}

TEST_F(CalcWindow, ShiftKeyGivesTheSecondMeaning) {
    Keys(QStringLiteral("8m"));
    EXPECT_TRUE(Window.MemoryIndicatorShown());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Shift);
    EXPECT_TRUE(Button(Key::swINV)->property("down").toBool());
    Keys(QStringLiteral("m"));
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("8"));
    EXPECT_FALSE(Button(Key::swINV)->property("down").toBool());
    // A Shift held down repeats; it must not flip the toggle back and forth.
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Shift);
    QTest::simulateEvent(QApplication::focusWidget(), true, Qt::Key_Shift, Qt::NoModifier, QString(), true);
    EXPECT_TRUE(Window.Engine().ShiftOn());
}

TEST_F(CalcWindow, ArithmeticKeysAndBackspace) {
    Keys(QStringLiteral("7*6="));
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("42"));
    Keys(QStringLiteral("5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("0."));
}

TEST_F(CalcWindow, FocusGoesBackToEqualsAndKeysFlash) {
    QTest::mouseClick(Button(Key::Number7), Qt::LeftButton);
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("7."));
    EXPECT_EQ(QApplication::focusWidget(), Button(Key::Equals));
    QTest::qWait(250);
    Button(Key::Number8)->click();
    EXPECT_TRUE(Button(Key::Number8)->property("down").toBool());
    QTest::qWait(250);
    EXPECT_FALSE(Button(Key::Number8)->property("down").toBool());
    // The space bar on the focused "=" key computes.
    Keys(QStringLiteral("+3"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("81"));
}

TEST_F(CalcWindow, ALoneMinusLeavesTheClipboardEmpty) {
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    Keys(QStringLiteral("5*-"));
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("-"));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST_F(CalcWindow, ActivationClearsTheDisplayAndKeepsTheMemory) {
    Keys(QStringLiteral("9m12+3"));
    QWidget Other;
    Other.show();
    Other.activateWindow();
    QTest::qWait(50);
    Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
    EXPECT_EQ(Window.ReadoutText(), QStringLiteral("0."));
    EXPECT_TRUE(Window.MemoryIndicatorShown());
}

TEST_F(CalcWindow, PlacedLowOnTheLeftOfTheScreen) {
    double PixelsPerTwip = Window.screen()->logicalDotsPerInch() / 1440.0;
    EXPECT_EQ(Window.x(), qRound(4570 * PixelsPerTwip));
    int Bottom = Window.y() + Window.frameGeometry().height();
    EXPECT_EQ(Window.screen()->geometry().height() - Bottom, qRound(1000 * PixelsPerTwip));
}

TEST_F(CalcWindow, LongResultsShowEveryDigitInASmallerFont) {
    auto* Readout = Window.findChild<QLabel*>(QStringLiteral("Readout"));
    ASSERT_NE(Readout, nullptr);
    // The whole text fits inside the display, so nothing at its left is cut off.
    auto Fits = [&] {
        return QFontMetrics(Readout->font()).horizontalAdvance(Readout->text()) <=
               Readout->contentsRect().width();
    };
    Keys(QStringLiteral("12"));
    EXPECT_TRUE(Fits());
    const QRect Place = Readout->geometry();
    const int Normal = QFontInfo(Readout->font()).pixelSize();
    EXPECT_EQ(Normal, 26);

    Keys(QStringLiteral("30s")); // sin 30 in the control's arithmetic: many digits
    ASSERT_GE(Readout->text().size(), 16) << Readout->text().toStdString();
    EXPECT_TRUE(Readout->text().startsWith(QStringLiteral("0.")));
    EXPECT_TRUE(Fits()) << Readout->text().toStdString();
    EXPECT_LT(QFontInfo(Readout->font()).pixelSize(), Normal);
    EXPECT_TRUE(QFontInfo(Readout->font()).bold());

    Keys(QStringLiteral("-123456789012345\n")); // the widest the number form gives
    EXPECT_TRUE(Fits()) << Readout->text().toStdString();
    // A short number gets the full size back.
    QTest::keyClick(&Window, Qt::Key_Escape);
    Keys(QStringLiteral("7"));
    EXPECT_EQ(QFontInfo(Readout->font()).pixelSize(), Normal);
    EXPECT_TRUE(Fits());
    // The display keeps its place whatever it holds.
    EXPECT_EQ(Readout->geometry(), Place);
}
