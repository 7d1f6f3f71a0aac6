// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls, its switches and their indicators, files through the window, and the
// start-up and shut-down paths.

#include "WindowFixture.h"

#include "app/AboutBox.h"
#include "app/Startup.h"
#include "files/NativePath.h"
#include "settings/IniStore.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSlider>
#include <QToolBar>

#include <tuple>

using app::MainWindow;

TEST_F(WindowTest, ControlsCarryTheirCaptionsKeysAndShortcuts) {
    EXPECT_EQ(W->windowTitle(), "Zarvik Ver.2.38");
    EXPECT_EQ(W->objectName(), "frmMain");
    QStringList menus;
    for (QAction* a : W->menuBar()->actions())
        if (a->isVisible()) menus << a->text();
    EXPECT_EQ(menus, QStringList({"File(&F)", "Edit(&E)", "Operation(&O)", "View(&V)", "Parameter(&P)",
                                  "Snap", "Help(&H)"}));
    EXPECT_FALSE(Menu("Popup")->menuAction()->isVisible());
    EXPECT_FALSE(Menu("mnuMessage")->menuAction()->isVisible());
    const struct {
        QAction* Action;
        const char* Shortcut;
    } keys[] = {{Act("mnuStart"), "F1"},
                {Act("mnuStop"), "F2"},
                {Act("mnuReset"), "F3"},
                {Act("mnuRestart"), "F4"},
                {Act("mnuSingleBlock"), "F5"},
                {Act("mnuBlockDelete"), "F6"},
                {Act("mnuOptionalStop"), "F7"},
                {Act("mnuTclear"), "F8"},
                {Act("mnuClear"), "F9"},
                {Act("mnuStanderd"), "Ctrl+F11"},
                {Act("mnuZoom"), "Ctrl+Z"},
                {Act("mnuEditFont"), "Ctrl+F"},
                {Act("mnuEditNextFind"), "Ctrl+N"},
                {Act("mnuSoftLimit"), "Ctrl+L"},
                {Act("mnuUnitSet"), "Ctrl+U"},
                {Act("mnuOpen"), "Ctrl+O"},
                {Act("mnuFileSave"), "Ctrl+S"},
                {Act("mnuDrawPrint"), "Ctrl+P"}};
    for (const auto& k : keys)
        EXPECT_EQ(k.Action->shortcut().toString(), k.Shortcut) << k.Action->objectName().toStdString();

    // Toolbar1: 26 entries, keys and tool tips in order.
    EXPECT_EQ(W->Panel().ToolbarEntries(1), 26);
    const QStringList order{"Open",        "Start",       "Stop",         "Reset",          "Restart",
                            "SingleBlock", "BlockDelete", "OptionalStop", "T_Clear",        "Clear",
                            "Zoom",        "ZoomUndo",    "Standerd",     "mnuBturretuper", "BackColorChange",
                            "Yajirusi",    "TDisplay",    "PosDisplay",   "ColorChange",    "ImageCopy",
                            "DrawPrint"};
    EXPECT_EQ(W->Panel().ButtonKeys(1), order);
    EXPECT_EQ(W->Panel().ButtonToolTip("T_Clear"), "F8 Tool screen clear");
    EXPECT_EQ(W->Panel().ButtonToolTip("BackColorChange"), "Back crlor change");
    EXPECT_FALSE(!W->Panel().ButtonHasIcon("Start"));
    EXPECT_EQ(W->Panel().ToolbarEntries(2), 7);

    // Status bars.
    EXPECT_EQ(W->WindowFrame().PanelKeys().size(), 10);
    EXPECT_EQ(W->WindowFrame().PanelKeys().value(1), "Xsnap");
    EXPECT_EQ(W->WindowFrame().PanelToolTip("Unit"), "Unit change");
    EXPECT_EQ(W->WindowFrame().PanelText("Unit"), "Unit 1mm");
    EXPECT_EQ(W->WindowFrame().PanelText("Control"), "KVZ");
    EXPECT_EQ(Message(), "No point check , Horizontal Lathe");
    EXPECT_EQ(W->Panel().FkeyPanelCount(), 10);
    EXPECT_EQ(W->Panel().FkeyPanelText("T_Clear"), "F8 T-screen clear");
    EXPECT_EQ(W->Panel().FkeyPanelText("Clear"), "F9 screen clear");
    EXPECT_FALSE(W->Panel().FkeyBarShown());
    EXPECT_EQ(Label("LabelFileName")->text(), "Untitled");
    EXPECT_EQ(W->Document().FileName(), "Untitled");
    EXPECT_EQ(Act("PosDisplayItem2")->text(), "+non");
    EXPECT_TRUE(Act("PostionDisplayT1")->isChecked());
    // Start-up leaves the G00 arrows, the tool display and per-tool colours on, Auto start on.
    EXPECT_TRUE(Act("mnuYajirusi")->isChecked() && Act("ToolNumberDisplay")->isChecked());
    EXPECT_TRUE(Act("mnuColorChange")->isChecked() && Act("mnuAutoStart")->isChecked());
    EXPECT_FALSE(Act("mnuBturretUper")->isChecked());

    app::frmAbout about(W.get());
    EXPECT_EQ(about.lblVersion->text(), "Ver. 2.3.8");
    EXPECT_EQ(about.lblTitle->text(), "Zarvik");
    EXPECT_TRUE(about.lblLicence->text().contains("GPL-3.0-or-later") &&
                about.lblLicence->text().contains("NO WARRANTY"));
}

TEST_F(WindowTest, EverySwitchShowsTheSameStateInItsThreePlacesWhicheverWayItIsReached) {
    const struct {
        const char* Key;
        Qt::Key FKey;
        QAction* Action;
        bool interp::MachineState::*Field;
    } switches[] = {
        {"SingleBlock", Qt::Key_F5, Act("mnuSingleBlock"), &interp::MachineState::SingleBlock},
        {"BlockDelete", Qt::Key_F6, Act("mnuBlockDelete"), &interp::MachineState::BlockDelete},
        {"OptionalStop", Qt::Key_F7, Act("mnuOptionalStop"), &interp::MachineState::OptionalStop},
        {"T_Clear", Qt::Key_F8, Act("mnuTclear"), &interp::MachineState::ToolClear},
    };
    for (const auto& sw : switches) {
        SCOPED_TRACE(sw.Key);
        const std::function<void()> ways[] = {
            [&] { Key(sw.FKey); },
            [&] { W->Panel().Toolbar1_ButtonClick(sw.Key); },
            [&] { W->Panel().ClickFkeyPanel(sw.Key); },
            [&] { sw.Action->trigger(); },
        };
        bool expected = S().*sw.Field;
        for (const auto& way : ways) {
            way();
            expected = !expected;
            EXPECT_EQ(S().*sw.Field, expected);
            EXPECT_EQ(sw.Action->isChecked(), expected);
            EXPECT_EQ(W->Panel().ButtonChecked(sw.Key), expected);
            EXPECT_EQ(W->Panel().FkeyPanelInset(sw.Key), expected);
        }
    }
    // Tool clear also sets the run speed and the slider: 80 on, 100 off.
    Key(Qt::Key_F8);
    EXPECT_EQ(W->Panel().SliderValue(), 80);
    Key(Qt::Key_F8);
    EXPECT_EQ(W->Panel().SliderValue(), 100);
}

TEST_F(WindowTest, FunctionKeyBarReplacesTheStatusBarAndItsPanelsReachTheirCommands) {
    Act("mnuFkey")->trigger();
    EXPECT_TRUE(W->Panel().FkeyBarShown());
    EXPECT_FALSE(W->WindowFrame().MainBarShown());
    EXPECT_TRUE(Act("mnuFkey")->isChecked());
    // Hold stop from its panel sets the hold request; Reset from its panel replaces it.
    W->Panel().ClickFkeyPanel("Stop");
    EXPECT_EQ(S().RunState, interp::RunHold);
    W->Panel().ClickFkeyPanel("Reset");
    EXPECT_EQ(S().RunState, interp::RunReset);
    W->Panel().ClickFkeyPanel("Alarm"); // the message panel: nothing
    Act("mnuFkey")->trigger();
    EXPECT_FALSE(W->Panel().FkeyBarShown());
    EXPECT_TRUE(W->WindowFrame().MainBarShown());
    // The dialect panel flips the point check.
    W->WindowFrame().ClickPanel("Control");
    EXPECT_TRUE(S().FanucMode);
    EXPECT_TRUE(Act("mnuPointCheck")->isChecked());
    EXPECT_EQ(W->WindowFrame().PanelText("Control"), "FANUC");
    EXPECT_EQ(Message(), "Point check  , Horizontal Lathe");
    // The third control, beside the two dialects: its entry, its check mark and the panel.
    Act("mnuIsoControl")->trigger();
    EXPECT_TRUE(S().IsoMode);
    EXPECT_TRUE(Act("mnuIsoControl")->isChecked());
    EXPECT_EQ(W->WindowFrame().PanelText("Control"), "ISO");
    Act("mnuIsoControl")->trigger();
    EXPECT_EQ(W->WindowFrame().PanelText("Control"), "FANUC");
}

TEST_F(WindowTest, PressFeedbackShowsTheButtonAndPanelForATenthOfASecond) {
    bool downDuring = false, insetDuring = false;
    QTimer::singleShot(40, [&] {
        downDuring = W->Panel().ButtonDown("Reset");
        insetDuring = W->Panel().FkeyPanelInset("Reset");
    });
    QElapsedTimer t;
    t.start();
    Key(Qt::Key_F3);
    EXPECT_GE(t.elapsed(), 90);
    EXPECT_TRUE(downDuring);
    EXPECT_TRUE(insetDuring);
    EXPECT_FALSE(W->Panel().ButtonDown("Reset"));
    EXPECT_FALSE(W->Panel().FkeyPanelInset("Reset"));
}

TEST_F(WindowTest, ClosingWithChangedTextAsksAndHonoursTheThreeAnswers) {
    const QString path = WriteFile("O0001.MIN", "G00 X1.\r\n");
    W->Document().LoadProgramFile(path);
    Pane()->SetCaret(Pane()->Text().PaneLength());
    Pane()->InsertText("M30");
    ASSERT_TRUE(W->Document().Modified());

    QString text, title;
    AnswerMessage(QMessageBox::Cancel, &text, &title);
    W->close();
    EXPECT_EQ(text, "[" + path + "] is changed.\r\n Save ?");
    EXPECT_EQ(title, "Zarvik");
    EXPECT_TRUE(W->isVisible());
    EXPECT_TRUE(W->Document().Modified());

    AnswerMessage(QMessageBox::No);
    W->close();
    EXPECT_FALSE(W->isVisible());
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), "G00 X1.\r\n");
}

TEST_F(WindowTest, AnsweringYesSavesInPlaceBeforeClosing) {
    const QString path = WriteFile("O0002.MIN", "G00 X1.\r\n");
    W->Document().LoadProgramFile(path);
    files::ProgramText& t = Pane()->Text();
    t.Replace(t.PaneLength(), t.PaneLength(), "M30");
    AnswerMessage(QMessageBox::Yes);
    W->close();
    EXPECT_FALSE(W->isVisible());
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), "G00 X1.\r\nM30");
}

TEST_F(WindowTest, ExitAsksAboutChangedTextAndWritesTheSettings) {
    Pane()->InsertText("G00 X1.");
    ASSERT_TRUE(W->Document().Modified());
    // Cancel keeps the window and the text.
    QString text;
    AnswerMessage(QMessageBox::Cancel, &text);
    Act("mnuExit")->trigger();
    QTest::qWait(20);
    EXPECT_EQ(text, "[Untitled] is changed.\r\n Save ?");
    EXPECT_TRUE(W->isVisible());
    EXPECT_EQ(W->Document().Text().SnapshotString(), "G00 X1.");
    S().PVLX = 345.5;
    S().Vertical = true;
    W->Document().AddRecentFile("/nc/O1.MIN");
    AnswerMessage(QMessageBox::No);
    Act("mnuExit")->trigger();
    QTest::qWait(50);
    EXPECT_FALSE(W->isVisible());
    W.reset();

    // The next start reads what the exit wrote.
    W = std::make_unique<MainWindow>();
    ASSERT_TRUE(W->Load(""));
    EXPECT_EQ(S().PVLX, 345.5);
    EXPECT_TRUE(S().Vertical);
    EXPECT_TRUE(Act("mnuVertical")->isChecked());
    EXPECT_EQ(Message(), "No point check , Vertical Lathe");
    EXPECT_TRUE(Act("mnuFileRecentFile1")->isVisible());
    EXPECT_EQ(Act("mnuFileRecentFile1")->text(), "/nc/O1.MIN");
    EXPECT_FALSE(Act("mnuFileRecentFile2")->isVisible());
}

TEST_F(WindowTest, MalformedSettingDoesNotStopStartUp) {
    W->WindowFrame().mnuExit_Click();
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
    EXPECT_EQ(W->WindowFrame().Settings().MainWidth, 12000);
    EXPECT_EQ(W->WindowFrame().Settings().ProgramFontSize, 10);
    EXPECT_FALSE(S().G2mirror);
    EXPECT_EQ(S().PVLZ, 250);
}

TEST_F(WindowTest, CommandLineLoadsAPathQuotedOrNot) {
    const QString path = WriteFile("O 0003.MIN", "O0003\r\nG00 X1.\r\n");
    for (const QString& line : {path, "\"" + path + "\"", "\"" + path + "\" extra"}) {
        SCOPED_TRACE(line.toStdString());
        W->WindowFrame().mnuExit_Click();
        W = std::make_unique<MainWindow>();
        ASSERT_TRUE(W->Load(line));
        EXPECT_EQ(W->Document().FileName(), path);
        EXPECT_EQ(Label("LabelFileName")->text(), "O 0003.MIN");
        EXPECT_EQ(W->Document().Text().SnapshotString(), "O0003\r\nG00 X1.\r\n");
        EXPECT_FALSE(W->Document().Modified());
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
    const QList<QStringList> lines{{path}, {path, "more"}, {quoted}, {quoted, "more"}};
    for (const QStringList& arguments : lines) {
        SCOPED_TRACE(arguments.join('|').toStdString());
        W->WindowFrame().mnuExit_Click();
        W = std::make_unique<MainWindow>();
        ASSERT_TRUE(W->Load(app::CommandLineOf(arguments)));
        EXPECT_EQ(W->Document().FileName(), path);
        EXPECT_EQ(W->Document().Text().SnapshotString(), QString::fromLatin1(program));
        // The standard view after loading draws the program silently, counting as a Start does.
        EXPECT_EQ(Label("Block")->text(), "25");
        EXPECT_EQ(Message(), "Program End");
    }
    EXPECT_EQ(app::CommandLineOf({}), "");
}

TEST_F(WindowTest, CommandLineOpensNamesWithInnerQuotesAndBytesThatAreNotUtf8) {
    // A file "A" in the current folder must not be the one opened (nor later overwritten).
    const QString current = QDir::currentPath();
    QDir::setCurrent(Dir.path());
    WriteFile("A", "O0001\r\n");
    const QString quoted = WriteFile("part \"A\".min", "O0002\r\n");
    const std::string latin1 = files::NativePath(Dir.path()) + "/PI\xc8" + "CE.MIN";
    {
        FILE* f = std::fopen(latin1.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("O0003\r\n", f);
        std::fclose(f);
    }
    // A relative name that starts with a quote is that file too, and so is one whose quotes
    // enclose only a part of it.
    const QString leading = WriteFile("\"A\".min", "O0004\r\n");
    const QString partly = WriteFile("\"A\" B.min", "O0005\r\n");
    for (const auto& [argument, path, text] :
         {std::tuple{quoted, quoted, QString("O0002\r\n")},
          std::tuple{files::PathFromNative(latin1), files::PathFromNative(latin1), QString("O0003\r\n")},
          std::tuple{QString("\"A\".min"), leading, QString("O0004\r\n")},
          std::tuple{QString("\"A\" B.min"), partly, QString("O0005\r\n")}}) {
        W->WindowFrame().mnuExit_Click();
        QDir::setCurrent(Dir.path()); // Exit leaves no folder in use
        W = std::make_unique<MainWindow>();
        ASSERT_TRUE(W->Load(app::CommandLineOf({argument})));
        EXPECT_EQ(QFileInfo(W->Document().FileName()).absoluteFilePath(), path);
        EXPECT_EQ(W->Document().Text().SnapshotString(), text);
        // Saving writes back to that very file.
        Pane()->SetCaret(Pane()->Text().PaneLength());
        Pane()->InsertText("M30\n");
        ASSERT_TRUE(W->Document().mnuFileSave_Click());
    }
    QDir::setCurrent(current);
    auto read = [](const std::string& name) {
        std::string bytes(64, '\0');
        FILE* f = std::fopen(name.c_str(), "rb");
        bytes.resize(f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0);
        if (f) std::fclose(f);
        return bytes;
    };
    EXPECT_EQ(read(files::NativePath(Dir.filePath("A"))), "O0001\r\n");
    EXPECT_EQ(read(files::NativePath(quoted)), "O0002\r\nM30\r\n");
    EXPECT_EQ(read(latin1), "O0003\r\nM30\r\n");
    EXPECT_EQ(read(files::NativePath(leading)), "O0004\r\nM30\r\n");
    EXPECT_EQ(read(files::NativePath(partly)), "O0005\r\nM30\r\n");
    std::remove(latin1.c_str()); // the temporary folder's clean-up cannot name it
}

TEST_F(WindowTest, ExitDuringStartUpEndsTheWindowForGood) {
    // A program long enough that drawing it at start-up lets the window take commands meanwhile.
    QByteArray program = "O0005\r\nG97 S1000 M03\r\n";
    for (int i = 0; i < 200000; ++i)
        program += "G01 X" + QByteArray::number(40 + i % 2 * 10) + ". Z-1. F0.2\r\n";
    const QString path = WriteFile("LONG.MIN", program);
    W->WindowFrame().mnuExit_Click();
    W = std::make_unique<MainWindow>();
    bool exited = false;
    QTimer::singleShot(0, W.get(), [this, &exited] {
        exited = true;
        W->WindowFrame().mnuExit_Click();
    });
    W->Load(app::CommandLineOf({path}));
    ASSERT_TRUE(exited) << "start-up took no command while it drew the program";
    EXPECT_TRUE(W->WindowFrame().Exited());
    EXPECT_FALSE(W->isVisible());
}

TEST_F(WindowTest, OpeningAMissingPathShowsAMessageAndChangesNothing) {
    Open("G00 X1.\r\n");
    const QString missing = Dir.filePath("GONE.MIN");
    QString text, title;
    AnswerMessage(QMessageBox::Ok, &text, &title);
    W->Document().LoadProgramFile(missing);
    EXPECT_TRUE(text.startsWith(missing));
    EXPECT_TRUE(text.contains("not found"));
    EXPECT_EQ(title, "Zarvik");
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(W->Document().Text().SnapshotString(), "G00 X1.\r\n");
    EXPECT_EQ(Label("LabelFileName")->text(), "PROG.MIN");
}

TEST_F(WindowTest, AFailedSaveSaysWhereAndWhyAndStaysModified) {
    Pane()->InsertText("G00 X1.");
    const QString bad = WriteFile("plain", "x") + "/O1.MIN";
    QString text, title;
    AnswerMessage(QMessageBox::Ok, &text, &title);
    EXPECT_FALSE(W->Document().SaveProgramFile(bad));
    EXPECT_TRUE(text.startsWith(bad));
    EXPECT_EQ(title, "Zarvik");
    EXPECT_TRUE(W->Document().Modified());
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
        PickFile(d, path);
    });
    Act("mnuOpen")->trigger();
    EXPECT_EQ(W->Document().FileName(), path);
    EXPECT_EQ(Act("mnuFileRecentFile1")->text(), path);
    EXPECT_EQ(W->WindowFrame().Settings().OpenPathName, Dir.path());

    OnModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        if (!d) {
            m->close();
            return;
        }
        EXPECT_EQ(d->nameFilters(),
                  QStringList({"Main File (*.min)", "System Sub (*.ssb)", "All Files (*.*)"}));
        PickFile(d, Dir.filePath("o5678.min"));
    });
    Act("mnuFileSaveAs")->trigger();
    const QString upper = Dir.filePath("O5678.MIN");
    EXPECT_EQ(W->Document().FileName(), upper);
    EXPECT_EQ(Label("LabelFileName")->text(), "O5678.MIN");
    QFile f(upper);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "O1234\r\nG00 X1.\n");
    EXPECT_EQ(Act("mnuFileRecentFile2")->isVisible(), false); // Save as adds no recent file
}

TEST_F(WindowTest, OpenDialogListsEveryFileUnderAllFilesAndProgramsOfEitherCase) {
    // Programs are often kept without an extension, and with upper-case names.
    WriteFile("O1234", "O1234\r\n");
    WriteFile("O5678.MIN", "O5678\r\n");
    WriteFile("notes.txt", "x");
    W->WindowFrame().Settings().OpenPathName = Dir.path();
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
    Act("mnuOpen")->trigger();
    const QStringList all{"O1234", "O5678.MIN", "notes.txt"};
    EXPECT_EQ(listed[0], all);
    EXPECT_EQ(listed[1], QStringList({"O5678.MIN"}));
    EXPECT_EQ(listed[2], all);
}

TEST_F(WindowTest, EveryChangeOfTheTextMarksItChangedAnUndoToo) {
    Open("G00 X1.\r\n");
    Act("mnuEditUndo")->trigger(); // nothing to undo after a load: the text is as in the file
    EXPECT_FALSE(W->Document().Modified());
    Pane()->SetCaret(Pane()->Text().PaneLength());
    QTest::keyClicks(Pane(), "G01");
    EXPECT_TRUE(W->Document().Modified());
    Act("mnuEditUndo")->trigger();
    EXPECT_EQ(W->Document().Text().SnapshotString(), "G00 X1.\r\n");
    EXPECT_TRUE(W->Document().Modified()); // the closing prompt still asks
    W->Document().mnuFileSave_Click();
    EXPECT_FALSE(W->Document().Modified());
}

TEST_F(WindowTest, ThePaneIsWhiteWithBlackTextWhateverTheDesktopColours) {
    W->WindowFrame().mnuExit_Click();
    const QPalette desktop = QApplication::palette();
    QPalette dark = desktop;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    QApplication::setPalette(dark);
    W = std::make_unique<MainWindow>();
    const bool loaded = W->Load("");
    const QPalette pane = Pane()->palette();
    QApplication::setPalette(desktop);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(pane.color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(pane.color(QPalette::Text), QColor(Qt::black));
}

// A change of the pane's text width lays out every line of the program again, which for a long
// program costs seconds and hundreds of megabytes: opening one leaves the width as it was.
TEST_F(WindowTest, LongProgramLeavesThePanesTextWidthAsItWas) {
    const int width = Pane()->viewport()->width();
    QByteArray program;
    for (int n = 0; n < 3000; ++n)
        program += "G01 X" + QByteArray::number(n % 90) + ". Z-1.\r\n";
    Open(program);
    QTest::qWait(20);
    EXPECT_EQ(Pane()->viewport()->width(), width);
    EXPECT_GT(Pane()->verticalScrollBar()->maximum(), 0); // the program does scroll
    EXPECT_EQ(Pane()->Text().LineCount(), 3001);
}
