// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drives the modal dialogs a test opens, one step per dialog in the order they appear. A dialog
// no step expects fails the test and is closed; a dialog still open some seconds after the last
// step is closed too, so a failing test cannot hang. The driver's timers end with the driver:
// a step can never reach a dialog of a later test.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace testing_support {

class ModalDriver {
  public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalDriver(std::deque<Step> steps = {}, int limitMs = 8000) : Steps(std::move(steps)) {
        Tick();
        Fallback.setSingleShot(true);
        Fallback.setInterval(limitMs);
        QObject::connect(&Fallback, &QTimer::timeout, [this] {
            if (!QApplication::activeModalWidget()) return;
            ++Unexpected;
            ADD_FAILURE() << "a dialog was still open after the time limit";
            while (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        Fallback.start();
    }

    // The step for the next dialog after those already expected.
    void Then(Step step) {
        Steps.push_back(std::move(step));
        Fallback.start();
    }
    // True once something went wrong; a test's callbacks use it to end a cycle that would not.
    bool Overrun() const { return Unexpected > 0; }
    size_t StepsDone() const { return Done; }
    size_t StepsLeft() const { return Steps.size(); }

  private:
    // The poll is a chain of one-shot timers, the next one armed before a step runs, so that a
    // dialog the step opens in turn (a message after a button) is seen while the step waits.
    void Tick() {
        QTimer::singleShot(10, &Life, [this] { Next(); });
    }
    void Next() {
        Tick();
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->property("scripted").toBool()) return;
        w->setProperty("scripted", true); // a fresh dialog may reuse the address of the last one
        Fallback.start();
        if (!Steps.empty()) {
            const Step step = std::move(Steps.front());
            Steps.pop_front();
            ++Done;
            step(w);
            return;
        }
        ++Unexpected;
        ADD_FAILURE() << "unexpected dialog: " << w->metaObject()->className() << " "
                      << w->windowTitle().toStdString();
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    }

    std::deque<Step> Steps;
    size_t Done = 0;
    int Unexpected = 0;
    QObject Life; // the poll's timers end with it
    QTimer Fallback;
};

// A step for a message box: notes its text and title and presses `answer`. Any other dialog
// fails the test.
inline ModalDriver::Step Answer(QMessageBox::StandardButton answer, QString* text = nullptr,
                                QString* title = nullptr) {
    return [=](QWidget* m) {
        auto* box = qobject_cast<QMessageBox*>(m);
        if (!box) {
            ADD_FAILURE() << "expected a message, got " << m->metaObject()->className();
            m->close();
            return;
        }
        if (text) *text = box->text();
        if (title) *title = box->windowTitle();
        if (QAbstractButton* b = box->button(answer))
            b->click();
        else
            box->close();
    };
}

// A step for a dialog of type T; any other dialog fails the test.
template <class T> ModalDriver::Step On(std::function<void(T*)> act) {
    return [act](QWidget* m) {
        if (auto* d = dynamic_cast<T*>(m)) {
            act(d);
            return;
        }
        ADD_FAILURE() << "unexpected dialog " << m->metaObject()->className();
        m->close();
    };
}

} // namespace testing_support
