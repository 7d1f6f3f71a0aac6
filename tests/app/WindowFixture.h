// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh main window per test, started as Zarvik starts, the test's modal-dialog driver, and
// the small inspection helpers the window tests read.

#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/MainWindow.h"
#include "app/ProgramDocument.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"
#include "app/Widgets.h"
#include "base/Machine.h"
#include "files/ProgramText.h"
#include "interp/Interpreter.h"
#include "settings/IniStore.h"
#include "support/ModalDriver.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Picks `path` in a file dialog and accepts it. The whole path goes into the name box: the
// dialog reads its folders in the background, and a name picked by selectFile could still be
// looked for in the folder shown before (a "file not found" box on a busy machine).
inline void PickFile(QFileDialog* dialog, const QString& path) {
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
        name->setText(path);
    else
        dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
}

class WindowTest : public ::testing::Test {
  protected:
    std::unique_ptr<app::MainWindow> W;
    QTemporaryDir Dir;
    // The dialogs of this test: each OnModal step is taken by the next dialog that opens.
    std::unique_ptr<testing_support::ModalDriver> Modals;

    void SetUp() override {
        Modals = std::make_unique<testing_support::ModalDriver>();
        QFile::remove(settings::IniStore().FileName()); // every test starts from an empty store
        W = std::make_unique<app::MainWindow>();
        ASSERT_TRUE(W->Load(""));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(W.get()));
        W->activateWindow();
        QApplication::setActiveWindow(W.get());
    }
    void TearDown() override {
        if (W && W->isVisible()) {
            W->Document().SetModified(false);
            W->WindowFrame().mnuExit_Click();
            QTest::qWait(10);
        }
        W.reset();
        Modals.reset();
    }

    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = Dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    // Opens a program as the Open command does once a file is chosen.
    void Open(const QByteArray& bytes) {
        W->Document().LoadProgramFile(WriteFile("PROG.MIN", bytes));
        S().NextBlockPos = 1;
        interp::ResetMachine(W->Model().Machine());
    }
    // Runs `act` on the next modal dialog as soon as it shows.
    void OnModal(testing_support::ModalDriver::Step act) { Modals->Then(std::move(act)); }
    void AnswerMessage(QMessageBox::StandardButton answer, QString* text = nullptr,
                       QString* title = nullptr) {
        OnModal(testing_support::Answer(answer, text, title));
    }
    QAction* Act(const QString& name) const { return W->Action(name); }
    QMenu* Menu(const char* name) const { return W->WindowFrame().Menu(name); }
    interp::MachineState& S() const { return W->Model().Machine().S; }
    app::ProgramPane* Pane() const { return W->Document().Pane(); }
    // A label of the machine-state display by its name ("Block", "Mcode3", "LabelFileName").
    QLabel* Label(const char* name) const { return W->findChild<QLabel*>(QString::fromLatin1(name)); }
    QString Message() const { return W->WindowFrame().PanelText("Alarm"); }
    QString FkeyMessage() const { return W->Panel().FkeyPanelText("Alarm"); }
    QString Selected() const { return Pane()->SelectedText(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(W.get(), key, mods);
    }
};
