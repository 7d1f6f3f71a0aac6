#pragma once
// Drives the modal dialogs a command opens, one step per dialog in the order they appear. A
// dialog the script did not expect is cancelled and counted, and after a few seconds whatever is
// still open is closed, so a failing test cannot hang.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace dialogstest {

class ModalScript {
  public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(std::vector<Step> steps) : Steps(std::move(steps)) {
        Poll.setInterval(10);
        QObject::connect(&Poll, &QTimer::timeout, [this] { Next(); });
        Poll.start();
        Fallback.setSingleShot(true);
        QObject::connect(&Fallback, &QTimer::timeout, [this] {
            ++Unexpected;
            ADD_FAILURE() << "a dialog was still open after the time limit";
            while (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        Fallback.start(8000);
    }

    // True once something went wrong; a test's callbacks use it to end a cycle that would not.
    bool Overrun() const { return Unexpected > 0; }
    size_t StepsDone() const { return Done; }

  private:
    void Next() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->property("scripted").toBool()) return;
        w->setProperty("scripted", true); // a fresh dialog may reuse the address of the last one
        if (Done < Steps.size()) {
            Steps[Done++](w);
            return;
        }
        ++Unexpected;
        ADD_FAILURE() << "unexpected dialog: " << w->windowTitle().toStdString();
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    }

    std::vector<Step> Steps;
    size_t Done = 0;
    int Unexpected = 0;
    QTimer Poll, Fallback;
};

} // namespace dialogstest
