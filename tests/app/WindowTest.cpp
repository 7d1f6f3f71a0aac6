// The window's controls, its switches and their indicators, files through the window, and the
// start-up and shut-down paths.

#include "WindowFixture.h"

#include "app/AboutBox.h"
#include "app/Startup.h"
#include "settings/IniStore.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSlider>
#include <QToolBar>

using app::MainWindow;

TEST_F(WindowTest, ControlsCarryTheirCaptionsKeysAndShortcuts) {
    EXPECT_EQ(W->windowTitle(), "Zarvik Ver.2.38");
    EXPECT_EQ(W->objectName(), "frmMain");
    QStringList menus;
    for (QAction* a : W->menuBar()->actions())
        if (a->isVisible()) menus << a->text();
    EXPECT_EQ(menus, QStringList({"File(&F)", "Edit(&E)", "Operation(&O)", "View(&V)", "Parameter(&P)",
                                  "Snap", "Help(&H)"}));
    EXPECT_FALSE(W->Mn.Popup->menuAction()->isVisible());
    EXPECT_FALSE(W->Mn.mnuMessage->menuAction()->isVisible());
    const struct {
        QAction* Action;
        const char* Shortcut;
    } keys[] = {{W->A.mnuStart, "F1"},
                {W->A.mnuStop, "F2"},
                {W->A.mnuReset, "F3"},
                {W->A.mnuRestart, "F4"},
                {W->A.mnuSingleBlock, "F5"},
                {W->A.mnuBlockDelete, "F6"},
                {W->A.mnuOptionalStop, "F7"},
                {W->A.mnuTclear, "F8"},
                {W->A.mnuClear, "F9"},
                {W->A.mnuStanderd, "Ctrl+F11"},
                {W->A.mnuZoom, "Ctrl+Z"},
                {W->A.mnuEditFont, "Ctrl+F"},
                {W->A.mnuEditNextFind, "Ctrl+N"},
                {W->A.mnuSoftLimit, "Ctrl+L"},
                {W->A.mnuUnitSet, "Ctrl+U"},
                {W->A.mnuOpen, "Ctrl+O"},
                {W->A.mnuFileSave, "Ctrl+S"},
                {W->A.mnuDrawPrint, "Ctrl+P"}};
    for (const auto& k : keys)
        EXPECT_EQ(k.Action->shortcut().toString(), k.Shortcut) << k.Action->objectName().toStdString();

    // Toolbar1: 26 entries, keys and tool tips in order.
    EXPECT_EQ(W->Toolbar1->actions().size(), 26);
    const QStringList order{"Open",        "Start",       "Stop",         "Reset",          "Restart",
                            "SingleBlock", "BlockDelete", "OptionalStop", "T_Clear",        "Clear",
                            "Zoom",        "ZoomUndo",    "Standerd",     "mnuBturretuper", "BackColorChange",
                            "Yajirusi",    "TDisplay",    "PosDisplay",   "ColorChange",    "ImageCopy",
                            "DrawPrint"};
    QStringList seen;
    for (QAction* a : W->Toolbar1->actions())
        if (!a->isSeparator()) seen << W->Toolbar1->widgetForAction(a)->objectName();
    EXPECT_EQ(seen, order);
    EXPECT_EQ(W->Buttons["T_Clear"]->toolTip(), "F8 Tool screen clear");
    EXPECT_EQ(W->Buttons["BackColorChange"]->toolTip(), "Back crlor change");
    EXPECT_FALSE(W->Buttons["Start"]->icon().isNull());
    EXPECT_EQ(W->Toolbar2->actions().size(), 7);

    // Status bars.
    EXPECT_EQ(W->sbStatusBar->Count(), 10);
    EXPECT_EQ(W->sbStatusBar->PanelAt(2)->Key, "Xsnap");
    EXPECT_EQ(W->sbStatusBar->PanelAt(5)->toolTip(), "Unit change");
    EXPECT_EQ(W->sbStatusBar->PanelAt(5)->text(), "Unit 1mm");
    EXPECT_EQ(W->sbStatusBar->PanelAt(4)->text(), "KVZ");
    EXPECT_EQ(Message(), "No point check , Horizontal Lathe");
    EXPECT_EQ(W->StatusBarF->Count(), 10);
    EXPECT_EQ(W->StatusBarF->PanelAt(9)->text(), "F8 T-screen clear");
    EXPECT_EQ(W->StatusBarF->PanelAt(10)->Key, "Clear");
    EXPECT_FALSE(W->StatusBarF->isVisible());
    EXPECT_EQ(W->Labels.LabelFileName->text(), "Untitled");
    EXPECT_EQ(W->ProgramFileName, "Untitled");
    EXPECT_EQ(W->A.PosDisplayItems[1]->text(), "+non");
    EXPECT_TRUE(W->A.PostionDisplayT[1]->isChecked());
    // Start-up leaves the G00 arrows, the tool display and per-tool colours on, Auto start on.
    EXPECT_TRUE(W->A.mnuYajirusi->isChecked() && W->A.ToolNumberDisplay->isChecked());
    EXPECT_TRUE(W->A.mnuColorChange->isChecked() && W->A.mnuAutoStart->isChecked());
    EXPECT_FALSE(W->A.mnuBturretUper->isChecked());

    app::frmAbout about(W.get());
    EXPECT_EQ(about.lblVersion->text(), "Ver. 2.3.8");
    EXPECT_EQ(about.lblTitle->text(), "Zarvik");
}

TEST_F(WindowTest, EverySwitchShowsTheSameStateInItsThreePlacesWhicheverWayItIsReached) {
    const struct {
        const char* Key;
        Qt::Key FKey;
        QAction* Action;
        bool interp::MachineState::*Field;
    } switches[] = {
        {"SingleBlock", Qt::Key_F5, W->A.mnuSingleBlock, &interp::MachineState::SingleBlock},
        {"BlockDelete", Qt::Key_F6, W->A.mnuBlockDelete, &interp::MachineState::BlockDelete},
        {"OptionalStop", Qt::Key_F7, W->A.mnuOptionalStop, &interp::MachineState::OptionalStop},
        {"T_Clear", Qt::Key_F8, W->A.mnuTclear, &interp::MachineState::ToolClear},
    };
    for (const auto& sw : switches) {
        SCOPED_TRACE(sw.Key);
        const std::function<void()> ways[] = {
            [&] { Key(sw.FKey); },
            [&] { W->Toolbar1_ButtonClick(sw.Key); },
            [&] { QTest::mouseClick(W->StatusBarF->PanelByKey(sw.Key), Qt::LeftButton); },
            [&] { sw.Action->trigger(); },
        };
        bool expected = W->M->S.*sw.Field;
        for (const auto& way : ways) {
            way();
            expected = !expected;
            EXPECT_EQ(W->M->S.*sw.Field, expected);
            EXPECT_EQ(sw.Action->isChecked(), expected);
            EXPECT_EQ(W->Buttons[sw.Key]->isChecked(), expected);
            EXPECT_EQ(W->StatusBarF->PanelByKey(sw.Key)->Inset(), expected);
        }
    }
    // Tool clear also sets the run speed and the slider: 80 on, 100 off.
    Key(Qt::Key_F8);
    EXPECT_EQ(W->Slider->value(), 80);
    Key(Qt::Key_F8);
    EXPECT_EQ(W->Slider->value(), 100);
}

TEST_F(WindowTest, FunctionKeyBarReplacesTheStatusBarAndItsPanelsReachTheirCommands) {
    W->A.mnuFkey->trigger();
    EXPECT_TRUE(W->StatusBarF->isVisible());
    EXPECT_FALSE(W->sbStatusBar->isVisible());
    EXPECT_TRUE(W->A.mnuFkey->isChecked());
    // Hold stop from its panel sets the hold request; Reset from its panel replaces it.
    QTest::mouseClick(W->StatusBarF->PanelByKey("Stop"), Qt::LeftButton);
    EXPECT_EQ(W->M->S.RunState, interp::RunHold);
    QTest::mouseClick(W->StatusBarF->PanelByKey("Reset"), Qt::LeftButton);
    EXPECT_EQ(W->M->S.RunState, interp::RunReset);
    QTest::mouseClick(W->StatusBarF->PanelAt(1), Qt::LeftButton); // the message panel: nothing
    W->A.mnuFkey->trigger();
    EXPECT_FALSE(W->StatusBarF->isVisible());
    EXPECT_TRUE(W->sbStatusBar->isVisible());
    // The dialect panel flips the point check.
    QTest::mouseClick(W->sbStatusBar->PanelByKey("Control"), Qt::LeftButton);
    EXPECT_TRUE(W->M->S.FanucMode);
    EXPECT_TRUE(W->A.mnuPointCheck->isChecked());
    EXPECT_EQ(W->sbStatusBar->PanelAt(4)->text(), "FANUC");
    EXPECT_EQ(Message(), "Point check  , Horizontal Lathe");
}

TEST_F(WindowTest, PressFeedbackShowsTheButtonAndPanelForATenthOfASecond) {
    bool downDuring = false, insetDuring = false;
    QTimer::singleShot(40, [&] {
        downDuring = W->Buttons["Reset"]->isDown();
        insetDuring = W->StatusBarF->PanelByKey("Reset")->Inset();
    });
    QElapsedTimer t;
    t.start();
    Key(Qt::Key_F3);
    EXPECT_GE(t.elapsed(), 90);
    EXPECT_TRUE(downDuring);
    EXPECT_TRUE(insetDuring);
    EXPECT_FALSE(W->Buttons["Reset"]->isDown());
    EXPECT_FALSE(W->StatusBarF->PanelByKey("Reset")->Inset());
}

TEST_F(WindowTest, ClosingWithChangedTextAsksAndHonoursTheThreeAnswers) {
    const QString path = WriteFile("O0001.MIN", "G00 X1.\r\n");
    W->LoadProgramFile(path);
    W->Program->appendPlainText("M30");
    ASSERT_TRUE(W->Modified());

    QString text, title;
    AnswerMessage(QMessageBox::Cancel, &text, &title);
    W->close();
    EXPECT_EQ(text, "[" + path + "] is changed.\r\n Save ?");
    EXPECT_EQ(title, "Zarvik");
    EXPECT_TRUE(W->isVisible());
    EXPECT_TRUE(W->Modified());

    AnswerMessage(QMessageBox::No);
    W->close();
    EXPECT_FALSE(W->isVisible());
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), "G00 X1.\r\n");
}

TEST_F(WindowTest, AnsweringYesSavesInPlaceBeforeClosing) {
    const QString path = WriteFile("O0002.MIN", "G00 X1.\r\n");
    W->LoadProgramFile(path);
    QTextCursor c(W->Program->document());
    c.movePosition(QTextCursor::End);
    c.insertText("M30");
    AnswerMessage(QMessageBox::Yes);
    W->close();
    EXPECT_FALSE(W->isVisible());
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), "G00 X1.\r\nM30");
}

TEST_F(WindowTest, ExitAsksAboutChangedTextAndWritesTheSettings) {
    W->Program->insertPlainText("G00 X1.");
    ASSERT_TRUE(W->Modified());
    // Cancel keeps the window and the text.
    QString text;
    AnswerMessage(QMessageBox::Cancel, &text);
    W->A.mnuExit->trigger();
    QTest::qWait(20);
    EXPECT_EQ(text, "[Untitled] is changed.\r\n Save ?");
    EXPECT_TRUE(W->isVisible());
    EXPECT_EQ(W->Text->SnapshotString(), "G00 X1.");
    W->M->S.PVLX = 345.5;
    W->M->S.Vertical = true;
    W->AddRecentFile("/nc/O1.MIN");
    AnswerMessage(QMessageBox::No);
    W->A.mnuExit->trigger();
    QTest::qWait(50);
    EXPECT_FALSE(W->isVisible());
    W.reset();

    // The next start reads what the exit wrote.
    W = std::make_unique<MainWindow>();
    ASSERT_TRUE(W->Load(""));
    EXPECT_EQ(W->M->S.PVLX, 345.5);
    EXPECT_TRUE(W->M->S.Vertical);
    EXPECT_TRUE(W->A.mnuVertical->isChecked());
    EXPECT_EQ(Message(), "No point check , Vertical Lathe");
    EXPECT_TRUE(W->A.mnuFileRecentFile[0]->isVisible());
    EXPECT_EQ(W->A.mnuFileRecentFile[0]->text(), "/nc/O1.MIN");
    EXPECT_FALSE(W->A.mnuFileRecentFile[1]->isVisible());
}

TEST_F(WindowTest, MalformedSettingDoesNotStopStartUp) {
    W->mnuExit_Click();
    W.reset();
    {
        settings::IniStore store;
        store.Put("Settings", "MainWidth", "wide");
        store.Put("Settings", "ProgramFontSize", "big");
        store.Put("Parameter", "G2mirror", "perhaps");
        store.Put("Parameter", "PVLZ", "250");
    }
    W = std::make_unique<MainWindow>();
    ASSERT_TRUE(W->Load(""));
    EXPECT_EQ(W->Settings.MainWidth, 12000);
    EXPECT_EQ(W->Settings.ProgramFontSize, 10);
    EXPECT_FALSE(W->M->S.G2mirror);
    EXPECT_EQ(W->M->S.PVLZ, 250);
}

TEST_F(WindowTest, CommandLineLoadsAPathQuotedOrNot) {
    const QString path = WriteFile("O 0003.MIN", "O0003\r\nG00 X1.\r\n");
    for (const QString& line : {path, "\"" + path + "\"", "\"" + path + "\" extra"}) {
        SCOPED_TRACE(line.toStdString());
        W->mnuExit_Click();
        W = std::make_unique<MainWindow>();
        ASSERT_TRUE(W->Load(line));
        EXPECT_EQ(W->ProgramFileName, path);
        EXPECT_EQ(W->Labels.LabelFileName->text(), "O 0003.MIN");
        EXPECT_EQ(W->Text->SnapshotString(), "O0003\r\nG00 X1.\r\n");
        EXPECT_FALSE(W->Modified());
    }
}

TEST_F(WindowTest, CommandLineArgumentsNameThePathWhetherOrNotTheyCarryQuotes) {
    // 25 blocks up to M30, then a line holding only %.
    QByteArray program = "O0004\r\nG97 S1000 M03\r\nG00 X50. Z5.\r\n";
    for (int i = 0; i < 21; ++i)
        program +=
            "G01 X" + QByteArray::number(40 + i % 2 * 10) + ". Z-" + QByteArray::number(i) + ". F0.2\r\n";
    program += "M30\r\n%\r\n";
    QDir().mkpath(Dir.filePath("with blank"));
    const QString path = WriteFile("with blank/P.MIN", program);
    const QString quoted = "\"" + path + "\"";
    const QList<QStringList> lines{{path}, {path, "more"}, {quoted}, {quoted, "more"}, {quoted + " more"}};
    for (const QStringList& arguments : lines) {
        SCOPED_TRACE(arguments.join('|').toStdString());
        W->mnuExit_Click();
        W = std::make_unique<MainWindow>();
        ASSERT_TRUE(W->Load(app::CommandLineOf(arguments)));
        EXPECT_EQ(W->ProgramFileName, path);
        EXPECT_EQ(W->Text->SnapshotString(), QString::fromLatin1(program));
        // The standard view after loading draws the program silently, counting as a Start does.
        EXPECT_EQ(W->Labels.Block->text(), "25");
        EXPECT_EQ(Message(), "Program End");
    }
    EXPECT_EQ(app::CommandLineOf({}), "");
}

TEST_F(WindowTest, OpeningAMissingPathShowsAMessageAndChangesNothing) {
    Open("G00 X1.\r\n");
    const QString missing = Dir.filePath("GONE.MIN");
    QString text, title;
    AnswerMessage(QMessageBox::Ok, &text, &title);
    W->LoadProgramFile(missing);
    EXPECT_TRUE(text.startsWith(missing));
    EXPECT_TRUE(text.contains("not found"));
    EXPECT_EQ(title, "Zarvik");
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(W->Text->SnapshotString(), "G00 X1.\r\n");
    EXPECT_EQ(W->Labels.LabelFileName->text(), "PROG.MIN");
}

TEST_F(WindowTest, AFailedSaveSaysWhereAndWhyAndStaysModified) {
    W->Program->insertPlainText("G00 X1.");
    const QString bad = WriteFile("plain", "x") + "/O1.MIN";
    QString text, title;
    AnswerMessage(QMessageBox::Ok, &text, &title);
    EXPECT_FALSE(W->SaveProgramFile(bad));
    EXPECT_TRUE(text.startsWith(bad));
    EXPECT_EQ(title, "Zarvik");
    EXPECT_TRUE(W->Modified());
}

TEST_F(WindowTest, OpenDialogLoadsTheChosenFileAndSaveAsUpperCasesItsName) {
    const QString path = WriteFile("o1234.min", "O1234\r\nG00 X1.\n");
    OnModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        if (!d) {
            m->close();
            return;
        }
        EXPECT_EQ(d->nameFilters(), QStringList({"All Files (*.*)", "Main File (*.min)", "NC (*.NC)"}));
        d->selectFile(path);
        static_cast<QDialog*>(d)->accept();
    });
    W->A.mnuOpen->trigger();
    EXPECT_EQ(W->ProgramFileName, path);
    EXPECT_EQ(W->A.mnuFileRecentFile[0]->text(), path);
    EXPECT_EQ(W->Settings.OpenPathName, Dir.path());

    OnModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        if (!d) {
            m->close();
            return;
        }
        EXPECT_EQ(d->nameFilters(),
                  QStringList({"Main File (*.min)", "System Sub (*.ssb)", "All Files (*.*)"}));
        d->selectFile(Dir.filePath("o5678.min"));
        static_cast<QDialog*>(d)->accept();
    });
    W->A.mnuFileSaveAs->trigger();
    const QString upper = Dir.filePath("O5678.MIN");
    EXPECT_EQ(W->ProgramFileName, upper);
    EXPECT_EQ(W->Labels.LabelFileName->text(), "O5678.MIN");
    QFile f(upper);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "O1234\r\nG00 X1.\n");
    EXPECT_EQ(W->A.mnuFileRecentFile[1]->isVisible(), false); // Save as adds no recent file
}

TEST_F(WindowTest, OpenDialogListsEveryFileUnderAllFilesAndProgramsOfEitherCase) {
    // Programs are often kept without an extension, and with upper-case names.
    WriteFile("O1234", "O1234\r\n");
    WriteFile("O5678.MIN", "O5678\r\n");
    WriteFile("notes.txt", "x");
    W->Settings.OpenPathName = Dir.path();
    QStringList listed[3];
    OnModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        auto* view = d ? d->findChild<QAbstractItemView*>("listView") : nullptr;
        if (!view) {
            m->close();
            return;
        }
        // As the dialog opens, after "Main File" is chosen, and after "All Files" again.
        const QString chosen[3] = {QString(), "Main File (*.min)", "All Files (*.*)"};
        for (int k = 0; k < 3; ++k) {
            if (!chosen[k].isEmpty()) d->selectNameFilter(chosen[k]);
            QTest::qWait(100);
            const QModelIndex root = view->rootIndex();
            const int want = k == 1 ? 1 : 3;
            (void)QTest::qWaitFor([&] { return view->model()->rowCount(root) >= want; }, 2000);
            for (int r = 0; r < view->model()->rowCount(root); ++r)
                listed[k] << view->model()->index(r, 0, root).data().toString();
            listed[k].sort();
        }
        d->reject();
    });
    W->A.mnuOpen->trigger();
    const QStringList all{"O1234", "O5678.MIN", "notes.txt"};
    EXPECT_EQ(listed[0], all);
    EXPECT_EQ(listed[1], QStringList({"O5678.MIN"}));
    EXPECT_EQ(listed[2], all);
}

TEST_F(WindowTest, EveryChangeOfTheTextMarksItChangedAnUndoToo) {
    Open("G00 X1.\r\n");
    W->A.mnuEditUndo->trigger(); // nothing to undo after a load: the text is as in the file
    EXPECT_FALSE(W->Modified());
    W->Program->moveCursor(QTextCursor::End);
    QTest::keyClicks(W->Program, "G01");
    EXPECT_TRUE(W->Modified());
    W->A.mnuEditUndo->trigger();
    EXPECT_EQ(W->Text->SnapshotString(), "G00 X1.\r\n");
    EXPECT_TRUE(W->Modified()); // the closing prompt still asks
    W->mnuFileSave_Click();
    EXPECT_FALSE(W->Modified());
}

TEST_F(WindowTest, ThePaneIsWhiteWithBlackTextWhateverTheDesktopColours) {
    W->mnuExit_Click();
    const QPalette desktop = QApplication::palette();
    QPalette dark = desktop;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    QApplication::setPalette(dark);
    W = std::make_unique<MainWindow>();
    const bool loaded = W->Load("");
    const QPalette pane = W->Program->palette();
    QApplication::setPalette(desktop);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(pane.color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(pane.color(QPalette::Text), QColor(Qt::black));
}

// A change of the pane's text width lays out every line of the program again, which for a long
// program costs seconds and hundreds of megabytes: opening one leaves the width as it was.
TEST_F(WindowTest, LongProgramLeavesThePanesTextWidthAsItWas) {
    const int width = W->Program->viewport()->width();
    QByteArray program;
    for (int n = 0; n < 3000; ++n)
        program += "G01 X" + QByteArray::number(n % 90) + ". Z-1.\r\n";
    Open(program);
    QTest::qWait(20);
    EXPECT_EQ(W->Program->viewport()->width(), width);
    EXPECT_GT(W->Program->verticalScrollBar()->maximum(), 0); // the program does scroll
    EXPECT_EQ(W->Program->document()->blockCount(), 3001);
}
