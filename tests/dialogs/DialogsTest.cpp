// SPDX-License-Identifier: GPL-3.0-or-later
// The unit and soft-limit dialogs as the operator uses them, and the "Soft limit error." cycle.

#include "dialogs/SoftLimit.h"
#include "dialogs/UnitSet.h"
#include "support/FakeHost.h"
#include "support/ModalDriver.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using ModalScript = testing_support::ModalDriver;
using motion::StandardViewResult;

namespace {

// Steps of a script.
ModalScript::Step EnterLimits(QString pvlz, QString nvlz) {
    return [pvlz, nvlz](QWidget* w) {
        auto* d = dynamic_cast<dialogs::SoftLimit*>(w);
        ASSERT_NE(d, nullptr) << "expected the soft-limit dialog";
        d->tPVLZ->setText(pvlz);
        d->tNVLZ->setText(nvlz);
        d->Command1->click();
    };
}
ModalScript::Step CancelLimits() {
    return [](QWidget* w) {
        auto* d = dynamic_cast<dialogs::SoftLimit*>(w);
        ASSERT_NE(d, nullptr) << "expected the soft-limit dialog";
        d->Command2->click();
    };
}
ModalScript::Step AcknowledgeError() {
    return [](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr) << "expected the error message";
        EXPECT_EQ(box->text(), QStringLiteral("Soft limit error.380"));
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Zarvik"));
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        box->button(QMessageBox::Ok)->click();
    };
}

struct SoftLimitFixture : ::testing::Test {
    testing_support::TestMachine T;
    interp::MachineState& S = T.M.S;
    int Views = 0;
    ModalScript* Script = nullptr;

    // The window's standard view: the view numbers from the limits; a script gone wrong ends the
    // cycle by pretending the view was built.
    dialogs::StandardViewFn View() {
        return [this] {
            ++Views;
            if (Script && Script->Overrun()) return StandardViewResult::Ok;
            return motion::SetStandardView(T.M);
        };
    }
    void Run(std::deque<ModalScript::Step> steps, bool afterError = false) {
        ModalScript script(std::move(steps));
        Script = &script;
        if (afterError)
            dialogs::ReportSoftLimitError(S, nullptr, View());
        else
            dialogs::SoftLimitCommand(S, nullptr, View());
        EXPECT_FALSE(script.Overrun());
        Script = nullptr;
    }
};

} // namespace

TEST(UnitSetDialog, OkTakesTheChosenUnitAndCancelNothing) {
    testing_support::TestMachine t;
    {
        dialogs::UnitSet d(t.M);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Unit Change"));
        EXPECT_EQ(d.Frame1->title(), QStringLiteral("Unit"));
        EXPECT_EQ(d.Option3->text(), QStringLiteral("0.001mm"));
        EXPECT_EQ(d.Command1->text(), QStringLiteral("O K"));
        EXPECT_EQ(d.Command2->text(), QStringLiteral("Cancel"));
        for (QRadioButton* o : {d.Option1, d.Option2, d.Option3, d.Option4})
            EXPECT_FALSE(o->isChecked()); // nothing taken from the unit in force
        d.Option2->setChecked(true);
        d.Command2->click();
    }
    EXPECT_EQ(t.M.S.UnitCode, 1);
    EXPECT_EQ(t.Ui.UnitPanel, "");

    ModalScript script({[](QWidget* w) {
        auto* d = dynamic_cast<dialogs::UnitSet*>(w);
        ASSERT_NE(d, nullptr);
        d->Option3->setChecked(true);
        d->Command1->click();
    }});
    dialogs::ShowUnitSet(t.M, nullptr);
    EXPECT_EQ(script.StepsDone(), 1u);
    EXPECT_EQ(t.M.S.UnitCode, 3);
    EXPECT_EQ(t.Ui.UnitPanel, "Unit 0.001mm"); // shown at once

    dialogs::UnitSet d(t.M);
    d.Command1->click(); // O K without a choice keeps the unit
    EXPECT_EQ(t.M.S.UnitCode, 3);
}

TEST(SoftLimitDialog, ShowsTheLimitsAndTakesLeadingNumbers) {
    interp::MachineState s;
    s.NVLZ = -150.3f;
    dialogs::SoftLimit d(s);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Soft Limit"));
    EXPECT_EQ(d.Command1->text(), QStringLiteral("O  K"));
    EXPECT_EQ(d.Label1->text(), QStringLiteral("P-Soft Limit"));
    EXPECT_EQ(d.Label4->text(), QStringLiteral("Z"));
    EXPECT_EQ(d.tPVLX->text(), QStringLiteral("500"));
    EXPECT_EQ(d.tNVLX->text(), QStringLiteral("-200"));
    EXPECT_EQ(d.tNVLZ->text(), QStringLiteral("-150.3")); // seven digits, not the float's tail

    d.tPVLX->setText(QStringLiteral("12.5abc"));
    d.tPVLZ->setText(QStringLiteral("  300"));
    d.tNVLX->setText(QStringLiteral("abc"));
    d.Command1->click();
    EXPECT_EQ(s.PVLX, 12.5);
    EXPECT_EQ(s.PVLZ, 300);
    EXPECT_EQ(s.NVLX, 0);
    EXPECT_EQ(s.NVLZ, -150.3f);

    dialogs::SoftLimit again(s);
    again.tPVLX->setText(QStringLiteral("1"));
    again.Command2->click();
    EXPECT_EQ(s.PVLX, 12.5);
}

TEST_F(SoftLimitFixture, CancelStillRunsTheStandardViewOnce) {
    Run({CancelLimits()});
    EXPECT_EQ(Views, 1);
    EXPECT_EQ(S.PVLZ, 200);
}

TEST_F(SoftLimitFixture, OkRebuildsTheViewFromTheNewLimits) {
    Run({EnterLimits("100", "-100")});
    EXPECT_EQ(Views, 1);
    EXPECT_EQ(T.Trace.ScaleWidth, 800);
}

TEST_F(SoftLimitFixture, EqualZLimitsGiveTheErrorAndAFreshDialog) {
    Run({EnterLimits("100", "100"), AcknowledgeError(), [](QWidget* w) {
             auto* d = dynamic_cast<dialogs::SoftLimit*>(w);
             ASSERT_NE(d, nullptr);
             EXPECT_EQ(d->tNVLZ->text(), QStringLiteral("100")); // the values that failed
             d->tNVLZ->setText(QStringLiteral("-100"));
             d->Command1->click();
         }});
    EXPECT_EQ(Views, 2);
    EXPECT_EQ(S.PVLZ, 100);
    EXPECT_EQ(S.NVLZ, -100);
}

TEST_F(SoftLimitFixture, CancelAfterAnErrorPutsBackTheLimitsInForceBefore) {
    S.PVLZ = 150;
    Run({EnterLimits("100", "100"), AcknowledgeError(), EnterLimits("7", "7"), AcknowledgeError(),
         CancelLimits()});
    EXPECT_EQ(S.PVLZ, 150);
    EXPECT_EQ(S.NVLZ, -200);
    EXPECT_EQ(Views, 3);
    EXPECT_EQ(T.Trace.ScaleWidth, 4 * 350);
}

TEST_F(SoftLimitFixture, LimitsThatNeverWorkedFallBackToThePowerOnLimits) {
    S.PVLZ = S.NVLZ = 50; // as read from damaged settings: the standard view failed at start-up
    Run({AcknowledgeError(), CancelLimits()}, true);
    EXPECT_EQ(Views, 2); // the limits in force fail again, the power-on ones work
    EXPECT_EQ(S.PVLZ, 200);
    EXPECT_EQ(S.NVLZ, -200);
    EXPECT_EQ(T.Trace.ScaleWidth, 1600);
}

TEST_F(SoftLimitFixture, ErrorAtStartUpShowsTheMessageBeforeTheDialog) {
    S.PVLZ = S.NVLZ = 50;
    Run({AcknowledgeError(), EnterLimits("60", "0")}, true);
    EXPECT_EQ(S.PVLZ, 60);
    EXPECT_EQ(Views, 1);
}

TEST_F(SoftLimitFixture, CancelEndsTheCycleEvenWhenNoViewCanBeBuilt) {
    T.Screen.ViewportWidth = 0; // a window without a drawing area
    Run({CancelLimits(), AcknowledgeError(), CancelLimits(), AcknowledgeError()});
    EXPECT_EQ(Views, 3); // the limits given, those in force before, the power-on ones
}
