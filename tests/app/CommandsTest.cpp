// SPDX-License-Identifier: GPL-3.0-or-later
// Commands that open dialogs or leave the window: the soft-limit, unit and setup dialogs, Find and
// Replace on the real pane, the pane's context menu, Screen copy, Print to a PDF file, Print
// setup, the calculator when it is missing and when it is installed apart; and program files
// decoded through the window.

#include "WindowFixture.h"

#include "dialogs/SetupDialog.h"
#include "dialogs/SoftLimit.h"
#include "dialogs/UnitSet.h"
#include "editor/frmFind.h"
#include "editor/frmReplace.h"
#include "stock/SetupFile.h"
#include "support/FileBytes.h"
#include "workbench/Workbench.h"

#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

namespace {

class Commands : public WindowTest {
  protected:
    // Runs `act` on the next modal dialog of type T; any other dialog fails the test and closes.
    template <class T> void OnDialog(std::function<void(T*)> act) { OnModal(testing_support::On<T>(act)); }
};

QString EvidenceDir(const QTemporaryDir& fallback) {
    // Screenshots keep the printed pages; tests alone leave nothing behind.
    const QString dir = qEnvironmentVariable("ZARVIK_EVIDENCE_DIR");
    return dir.isEmpty() ? fallback.path() : dir;
}

} // namespace

TEST_F(Commands, EqualZLimitsGiveTheErrorAndAFreshDialogWhoseCancelRestores) {
    const double pvlz = S().PVLZ;
    const float nvlz = S().NVLZ;
    QString error;
    int dialogs = 0;
    // First dialog: equal Z limits. Then the error message. Then a fresh dialog: Cancel.
    OnDialog<dialogs::SoftLimit>([&](dialogs::SoftLimit* d) {
        ++dialogs;
        d->tPVLZ->setText("100");
        d->tNVLZ->setText("100");
        AnswerMessage(QMessageBox::Ok, &error);
        OnDialog<dialogs::SoftLimit>([&](dialogs::SoftLimit* again) {
            ++dialogs;
            again->Command2->click();
        });
        d->Command1->click();
    });
    Act("mnuSoftLimit")->trigger();
    EXPECT_EQ(error, "Soft limit error.380");
    EXPECT_EQ(dialogs, 2);
    EXPECT_DOUBLE_EQ(S().PVLZ, pvlz);
    EXPECT_FLOAT_EQ(S().NVLZ, nvlz);
    EXPECT_GT(W->View().TraceImage().ScaleWidth, 0); // the standard view stands again
}

TEST_F(Commands, UnitDialogFromThePanelSetsTheUnitAndCancelDoesNot) {
    OnDialog<dialogs::UnitSet>([](dialogs::UnitSet* d) {
        d->Option3->setChecked(true);
        d->Command1->click();
    });
    W->WindowFrame().ClickPanel("Unit");
    EXPECT_EQ(S().UnitCode, 3);
    EXPECT_TRUE(W->WindowFrame().PanelText("Unit").contains("0.001"))
        << W->WindowFrame().PanelText("Unit").toStdString();

    OnDialog<dialogs::UnitSet>([](dialogs::UnitSet* d) {
        d->Option4->setChecked(true);
        d->Command2->click();
    });
    Act("mnuUnitSet")->trigger();
    EXPECT_EQ(S().UnitCode, 3);
}

TEST_F(Commands, FindAndReplaceThroughTheMenuActOnThePane) {
    Open("G01 G01 G01\r\n");
    Pane()->SetCaret(0);
    OnDialog<editor::frmFind>([](editor::frmFind* d) {
        d->txtFind->setText("G01");
        d->Check1->setChecked(true);
        d->NextFind->click();
        d->close();
    });
    Act("mnuEditFind")->trigger();
    EXPECT_EQ(Selected(), "G01");
    EXPECT_EQ(Pane()->SelectionStart(), 0);

    // Next find goes on from the caret with the remembered text.
    Act("mnuEditNextFind")->trigger();
    EXPECT_EQ(Pane()->SelectionStart(), 4);

    QString report;
    OnDialog<editor::frmReplace>([&](editor::frmReplace* d) {
        d->txtFind->setText("G01");
        d->txtReplace->setText("G02");
        d->Check1->setChecked(true);
        AnswerMessage(QMessageBox::Ok, &report);
        d->AllChange->click();
        d->close();
    });
    Act("mnuEditReplace")->trigger();
    EXPECT_EQ(Pane()->Text().PaneText(), "G02 G02 G02\n");
    EXPECT_TRUE(report.contains('3')) << report.toStdString();
    EXPECT_TRUE(W->Document().Modified());
    // One undo takes the whole replacement back or at least the last edit: the text changes.
    Act("mnuEditUndo")->trigger();
    EXPECT_NE(Pane()->Text().PaneText(), "G02 G02 G02\n");
}

TEST_F(Commands, EditCommandsAndThePaneContextMenuAreTheEditMenu) {
    Open("G00 X1.\r\n");
    Act("mnuEditAllSelect")->trigger();
    EXPECT_EQ(Selected(), "G00 X1.\n");
    Act("mnuEditCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "G00 X1.\n");
    W->Panel().ClickButton("Cut");
    EXPECT_EQ(Pane()->Text().PaneText(), "");
    W->Panel().ClickButton("Paste");
    EXPECT_EQ(Pane()->Text().PaneText(), "G00 X1.\n");

    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10),
                           Pane()->viewport()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(Pane()->viewport(), &menu);
    EXPECT_TRUE(Menu("mnuEdit")->isVisible());
    Menu("mnuEdit")->close();
}

// The picture itself (border, name, rulers) is the print part's; the window gives it the
// viewport as it stands and the path drawn.
TEST_F(Commands, ScreenCopyTakesTheViewportAsItStands) {
    QApplication::clipboard()->clear();
    W->Panel().ClickButton("ImageCopy");
    const QImage copy = QApplication::clipboard()->image();
    ASSERT_FALSE(copy.isNull());
    EXPECT_EQ(copy.size(), W->View().Viewport()->size());
    int lit = 0;
    for (int y = 0; y < copy.height(); y += 3)
        for (int x = 0; x < copy.width(); x += 3)
            lit += (copy.pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 50);
}

TEST_F(Commands, PrintUsesTheWindowsPrinterAndTheOrientationOfTheSettings) {
    // An example's path on the canvas of a window of a usual size.
    W->resize(1000, 720);
    QTest::qWait(20);
    W->Document().LoadProgramFile(QStringLiteral(ZARVIK_SOURCE_DIR "/examples/TURNING.min"));
    W->View().StandardView();
    for (int n = 0; n < 20 && !Message().contains("Program End"); ++n)
        Act("mnuStart")->trigger();
    ASSERT_TRUE(Message().contains("Program End")) << Message().toStdString();
    // The page itself is the print part's; the window hands it its printer, the orientation
    // of the settings and the file name shown.
    const QString pdf = EvidenceDir(Dir) + "/print-landscape.pdf";
    QFile::remove(pdf);
    W->WindowFrame().Settings().PrinterOrientation = 2;
    W->View().Printer().setOutputFormat(QPrinter::PdfFormat);
    W->View().Printer().setOutputFileName(pdf);
    QApplication::clipboard()->clear();
    QString question;
    AnswerMessage(QMessageBox::Yes, &question); // black background: print anyway
    Act("mnuDrawPrint")->trigger();
    EXPECT_FALSE(question.isEmpty());
    EXPECT_EQ(W->View().Printer().pageLayout().orientation(), QPageLayout::Landscape);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    EXPECT_GT(f.size(), 2000);
}

TEST_F(Commands, PrintSetupShowsThePageSetupForTheWindowsPrinterAndCancelKeepsTheOrientation) {
    W->WindowFrame().Settings().PrinterOrientation = 2;
    QString shown;
    QPageLayout::Orientation offered = QPageLayout::Portrait;
    OnModal([&](QWidget* m) {
        shown = m->objectName();
        offered = W->View().Printer().pageLayout().orientation();
        m->close();
    });
    Act("mnuFilePrinterSetting")->trigger();
    EXPECT_EQ(shown, "PrintSetupDialog");
    EXPECT_EQ(offered, QPageLayout::Landscape); // the setting preset on the printer the window keeps
    EXPECT_EQ(W->WindowFrame().Settings().PrinterOrientation, 2);
}

TEST_F(Commands, CalculatorMissingIsReportedInAMessage) {
    W->WindowFrame().SetCalculatorFolder(Dir.path()); // no calculator there
    QString text, title;
    AnswerMessage(QMessageBox::Ok, &text, &title);
    Act("mnuEditCalculator")->trigger();
    EXPECT_EQ(title, "Zarvik");
    EXPECT_FALSE(text.isEmpty());
}

TEST_F(Commands, CalculatorIsFoundInTheBinFolderOfTheInstallation) {
    // Zarvik in <prefix>/libexec, a stand-in calculator in <prefix>/bin that leaves a mark.
    const QString Libexec = Dir.filePath("prefix/libexec");
    W->WindowFrame().SetCalculatorFolder(Libexec);
    const QString Bin = Dir.filePath("prefix/bin"), Marker = Dir.filePath("started");
    ASSERT_TRUE(QDir().mkpath(Libexec) && QDir().mkpath(Bin));
    QFile Script(Bin + "/ZarvikCalculator");
    ASSERT_TRUE(Script.open(QIODevice::WriteOnly));
    Script.write("#!/bin/sh\ntouch '" + Marker.toUtf8() + "'\n");
    Script.close();
    Script.setPermissions(Script.permissions() | QFileDevice::ExeOwner);
    Act("mnuEditCalculator")->trigger();
    // A missing calculator would have shown a message instead of starting it.
    QDeadlineTimer Deadline(5000);
    while (!QFile::exists(Marker) && !Deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_TRUE(QFile::exists(Marker));
}

namespace {

struct DecodedFile {
    const char* Name;
    QByteArray Bytes;
    QString Shown;
};

void PrintTo(const DecodedFile& file, std::ostream* os) {
    *os << file.Name;
}

class FilesThroughTheWindow : public Commands, public ::testing::WithParamInterface<DecodedFile> {};

} // namespace

TEST_P(FilesThroughTheWindow, AreDecodedAndSaveBackAsTheyCame) {
    Open(GetParam().Bytes);
    // The pane's text keeps the no-break space.
    EXPECT_EQ(Pane()->Text().PaneText(), GetParam().Shown);
    const QString path = Dir.filePath("PROG.MIN");
    ASSERT_TRUE(W->Document().SaveProgramFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), GetParam().Bytes);
}

INSTANTIATE_TEST_SUITE_P(Encodings, FilesThroughTheWindow,
                         ::testing::Values(DecodedFile{"Utf8", "(\xe5\x9b\x9e\xe8\xbb\xa2)\r\nG00 X1.\r\n",
                                                       QString::fromUtf8("(回転)\nG00 X1.\n")},
                                           DecodedFile{"ShiftJis", "(\x89\xf1\x93\x5d)\r\nG00 X1.\r\n",
                                                       QString::fromUtf8("(回転)\nG00 X1.\n")},
                                           DecodedFile{"Latin1",
                                                       "(\xe9\xe8)\r\nG00 X\xa0"
                                                       "1.\r\n",
                                                       QString::fromUtf8("(éè)\nG00 X\u00a01.\n")}),
                         [](const ::testing::TestParamInfo<DecodedFile>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(Commands, SmallestWindowKeepsEveryMenuAndNoNegativeSize) {
    W->resize(10, 10);
    QTest::qWait(20);
    EXPECT_GE(W->width(), W->menuBar()->sizeHint().width());
    const QWidget* parts[] = {W->View().Viewport(), Pane(), W->findChild<QToolBar*>("Toolbar1")};
    for (const QWidget* w : parts) {
        EXPECT_GT(w->width(), 0) << w->objectName().toStdString();
        EXPECT_GT(w->height(), 0) << w->objectName().toStdString();
    }
    // Every menu of the bar sits on the bar's first row.
    for (QAction* m : W->menuBar()->actions()) {
        if (!m->isVisible()) continue;
        const QRect r = W->menuBar()->actionGeometry(m);
        EXPECT_GT(r.width(), 0) << m->text().toStdString();
        EXPECT_LE(r.right(), W->menuBar()->width()) << m->text().toStdString();
    }
}

namespace {

bool HasCode(const workbench::BenchPtr& r, const std::string& code) {
    for (const inspect::Problem& p : r->Problems)
        if (p.Code == code) return true;
    return false;
}

} // namespace

TEST_F(Commands, SetupDialogSavesBesideTheProgramAndTheCheckCutsWithIt) {
    // Ctrl+Shift+K is the Setup command's alone, and the Parameter menu holds it.
    QAction* setup = Act("mnuSetup");
    EXPECT_EQ(setup->shortcut(), QKeySequence("Ctrl+Shift+K"));
    for (QAction* a : W->findChildren<QAction*>())
        if (a != setup) {
            EXPECT_NE(a->shortcut(), setup->shortcut()) << a->objectName().toStdString();
        }
    EXPECT_TRUE(W->WindowFrame().Menu("mnuParameter")->actions().contains(setup));

    // A rapid straight through a D40 bar: no finding until the bar is given.
    Open("T0101\r\nG00 X20. Z-10.\r\nG00 X100. Z50.\r\nM30\r\n%\r\n");
    ASSERT_TRUE(W->Bench().Worker()->WaitIdle());
    ASSERT_TRUE(W->Bench().Latest());
    EXPECT_FALSE(HasCode(W->Bench().Latest(), "rapid-into-stock"));
    const QString file = Dir.filePath("PROG.setup.toml");
    bool offAtFirst = false;
    OnDialog<dialogs::SetupDialog>([&](dialogs::SetupDialog* d) {
        offAtFirst = !d->Ok->isEnabled(); // a new setup has no stock yet
        d->Diameter->setText("40");
        d->Length->setText("60");
        d->Ok->click();
    });
    setup->trigger();
    EXPECT_TRUE(offAtFirst);
    stock::SetupError error;
    const std::optional<stock::Setup> saved = stock::ReadSetupFile(file.toStdString(), error);
    ASSERT_TRUE(saved) << error.Text();
    EXPECT_EQ(saved->Material.Diameter, 40);
    ASSERT_TRUE(W->Bench().Worker()->WaitIdle());
    EXPECT_TRUE(HasCode(W->Bench().Latest(), "rapid-into-stock"));

    // Changed on disk while the dialog is open: not replaced unless the operator says so.
    QString question;
    OnDialog<dialogs::SetupDialog>([&](dialogs::SetupDialog* d) {
        EXPECT_EQ(d->Diameter->text(), "40");
        WriteFile("PROG.setup.toml", "[stock]\nkind = \"bar\"\ndiameter = 45\nlength = 60\n");
        d->Diameter->setText("50");
        AnswerMessage(QMessageBox::No, &question);
        OnDialog<dialogs::SetupDialog>([](dialogs::SetupDialog* again) { again->Cancel->click(); });
        d->Ok->click();
    });
    setup->trigger();
    EXPECT_TRUE(question.contains("changed")) << question.toStdString();
    EXPECT_EQ(stock::ReadSetupFile(file.toStdString(), error)->Material.Diameter, 45);
}

namespace {

// Presses Enter on the next message, as an operator who lets its default answer stand.
testing_support::ModalDriver::Step Enter(QString* text) {
    return [text](QWidget* m) {
        if (auto* box = qobject_cast<QMessageBox*>(m)) *text = box->text();
        QTest::keyClick(m, Qt::Key_Return);
    };
}

} // namespace

TEST_F(Commands, SetupDialogEditsTheOperatorsFileAndReplacesNoneWithoutBeingTold) {
    QFile example(ZARVIK_SOURCE_DIR "/examples/TURNING.setup.toml");
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const QByteArray written = example.readAll();
    const QString file = WriteFile("PROG.setup.toml", written);
    Open("T0101\r\nG00 X20. Z-10.\r\nM30\r\n");
    QAction* setup = Act("mnuSetup");
    // 1. O K without a change leaves the file byte for byte; one value changes only its text.
    OnDialog<dialogs::SetupDialog>([](dialogs::SetupDialog* d) { d->Ok->click(); });
    setup->trigger();
    EXPECT_EQ(ReadBytes(file), written);
    OnDialog<dialogs::SetupDialog>([](dialogs::SetupDialog* d) {
        d->Diameter->setText("62");
        d->Ok->click();
    });
    setup->trigger();
    QByteArray edited = written;
    edited.replace("diameter = 60\n", "diameter = 62\n");
    EXPECT_EQ(ReadBytes(file), edited);

    // 2. Changed on disk meanwhile: Enter keeps what is on the disk.
    const QByteArray other = "[stock]\nkind = \"bar\"\ndiameter = 45\nlength = 60\n";
    QString question;
    OnDialog<dialogs::SetupDialog>([&](dialogs::SetupDialog* d) {
        WriteFile("PROG.setup.toml", other);
        d->Diameter->setText("50");
        OnModal(Enter(&question));
        OnDialog<dialogs::SetupDialog>([](dialogs::SetupDialog* again) { again->Cancel->click(); });
        d->Ok->click();
    });
    setup->trigger();
    EXPECT_TRUE(question.contains("has changed since the dialog opened")) << question.toStdString();
    EXPECT_EQ(ReadBytes(file), other);

    // 3. One typo: the file cannot be read. Enter keeps it; Yes replaces it and keeps a copy.
    const QByteArray typo = "[stock]\nkind = \"bar\"\ndiameter = 6O\nlength = 60\n";
    WriteFile("PROG.setup.toml", typo);
    for (const bool yes : {false, true}) {
        question.clear();
        OnDialog<dialogs::SetupDialog>([&](dialogs::SetupDialog* d) {
            d->Diameter->setText("40");
            d->Length->setText("60");
            if (yes) {
                AnswerMessage(QMessageBox::Yes, &question);
            } else {
                OnModal(Enter(&question));
                OnDialog<dialogs::SetupDialog>([](dialogs::SetupDialog* again) { again->Cancel->click(); });
            }
            d->Ok->click();
        });
        setup->trigger();
        EXPECT_TRUE(question.contains("cannot be read") && question.contains(file + ".bak"))
            << question.toStdString();
        if (!yes) {
            EXPECT_EQ(ReadBytes(file), typo);
        }
    }
    EXPECT_EQ(ReadBytes(file + ".bak"), typo);
    stock::SetupError error;
    const std::optional<stock::Setup> replaced = stock::ReadSetupFile(file.toStdString(), error);
    ASSERT_TRUE(replaced) << error.Text();
    EXPECT_EQ(replaced->Material.Diameter, 40);

    // 4. Replaced, the file keeps the tables the dialog does not edit, as they were.
    const QByteArray machine = "[machine]\n# our lathe\nx_rapid = 12000\n";
    const QByteArray target = "[target]\nfile = \"part.dxf\"\n";
    WriteFile("PROG.setup.toml", "[program]\ncontrol = \"iso\"\n\n" + machine +
                                     "\n[stock]\nkind = \"bar\"\n"
                                     "diameter = -5\nlength = 60\n\n" +
                                     target);
    OnDialog<dialogs::SetupDialog>([&](dialogs::SetupDialog* d) {
        d->Diameter->setText("40");
        d->Length->setText("60");
        AnswerMessage(QMessageBox::Yes, &question);
        d->Ok->click();
    });
    setup->trigger();
    const QByteArray now = ReadBytes(file);
    EXPECT_TRUE(now.contains(machine) && now.contains(target)) << now.toStdString();
    const std::optional<stock::Setup> kept = stock::ReadSetupFile(file.toStdString(), error);
    ASSERT_TRUE(kept && kept->Program) << error.Text();
    EXPECT_EQ(kept->Program->Control, "iso");
    EXPECT_EQ(kept->Material.Diameter, 40);
}
