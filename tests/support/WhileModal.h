#pragma once
// Drives a modal dialog from a test: runs `drive` once the dialog is up, and closes whatever modal
// window is still open a little later, so a failing test cannot hang. The timers end with the
// test that armed them.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace testing_support {

class WhileModal {
  public:
    explicit WhileModal(std::function<void(QWidget*)> drive) : Drive(std::move(drive)) {
        Start.setSingleShot(true);
        QObject::connect(&Start, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) Drive(modal);
        });
        Fallback.setSingleShot(true);
        QObject::connect(&Fallback, &QTimer::timeout, [] {
            while (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        Start.start(0);
        Fallback.start(3000);
    }

  private:
    std::function<void(QWidget*)> Drive;
    QTimer Start, Fallback;
};

} // namespace testing_support
