#pragma once
// A fresh main window per test, started as Zarvik starts, and helpers that drive modal dialogs
// with a fallback that closes any dialog left open, so that a failing test cannot hang.

#include "app/MainWindow.h"
#include "app/PanelBar.h"
#include "app/Widgets.h"
#include "files/ProgramText.h"
#include "interp/Interpreter.h"
#include "settings/IniStore.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class WindowTest : public ::testing::Test {
  protected:
    std::unique_ptr<app::MainWindow> W;
    QTemporaryDir Dir;
    std::unique_ptr<QTimer> Fallback;

    void SetUp() override {
        Fallback = std::make_unique<QTimer>();
        Fallback->setInterval(5000);
        QObject::connect(Fallback.get(), &QTimer::timeout, [] {
            while (QWidget* m = QApplication::activeModalWidget())
                m->close();
        });
        Fallback->start();
        QFile::remove(settings::IniStore().FileName()); // every test starts from an empty store
        W = std::make_unique<app::MainWindow>();
        ASSERT_TRUE(W->Load(""));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(W.get()));
        W->activateWindow();
        QApplication::setActiveWindow(W.get());
    }
    void TearDown() override {
        if (W && W->isVisible()) {
            W->Program->document()->setModified(false);
            W->mnuExit_Click();
            QTest::qWait(10);
        }
        W.reset();
        Fallback.reset();
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
        W->LoadProgramFile(WriteFile("PROG.MIN", bytes));
        W->M->S.NextBlockPos = 1;
        interp::ResetMachine(*W->M);
    }
    // Runs `act` on the next modal dialog as soon as it shows.
    static void OnModal(std::function<void(QWidget*)> act) {
        auto poll = std::make_shared<std::function<void(int)>>();
        *poll = [poll, act](int tries) {
            if (QWidget* m = QApplication::activeModalWidget()) {
                act(m);
                return;
            }
            if (tries > 0) QTimer::singleShot(10, [poll, tries] { (*poll)(tries - 1); });
        };
        QTimer::singleShot(0, [poll] { (*poll)(400); });
    }
    static void AnswerMessage(QMessageBox::StandardButton answer, QString* text = nullptr,
                              QString* title = nullptr) {
        OnModal([=](QWidget* m) {
            auto* box = qobject_cast<QMessageBox*>(m);
            if (!box) {
                m->close();
                return;
            }
            if (text) *text = box->text();
            if (title) *title = box->windowTitle();
            if (QAbstractButton* b = box->button(answer))
                b->click();
            else
                box->close();
        });
    }
    QString Message() const { return W->sbStatusBar->PanelAt(1)->text(); }
    QString FkeyMessage() const { return W->StatusBarF->PanelAt(1)->text(); }
    QString Selected() const { return W->Program->textCursor().selectedText(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(W.get(), key, mods);
    }
};
