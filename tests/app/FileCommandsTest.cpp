// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands in the window: the questions they ask before anything is lost or changed
// (changed text, another encoding), the note about line ends the control cannot read, and
// Save as with a folder typed into the name box.

#include "WindowFixture.h"
#include "support/FileBytes.h"

#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

using app::MainWindow;

namespace {

QMessageBox* LineEndNotice(MainWindow& w) {
    QMessageBox* box = w.findChild<QMessageBox*>("LineEndNotice");
    return box && box->isVisible() ? box : nullptr;
}

} // namespace

class FileCommands : public WindowTest {
  protected:
    // Answers the next message box by the text of one of its buttons.
    void ClickButton(const QString& caption, QString* text = nullptr) {
        OnModal([=](QWidget* m) {
            auto* box = qobject_cast<QMessageBox*>(m);
            if (text && box) *text = box->text();
            for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>())
                if (b->text() == caption) {
                    b->click();
                    return;
                }
            m->close();
        });
    }

    // Picks `path` in the next file dialog; typed into its name box when `typed`.
    void ChooseInDialog(const QString& path, bool typed = false) {
        OnModal([=](QWidget* m) {
            auto* d = qobject_cast<QFileDialog*>(m);
            if (!d) {
                m->close();
                return;
            }
            if (typed) {
                auto* name = d->findChild<QLineEdit*>("fileNameEdit");
                if (name) name->setText(path);
                QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
            } else {
                PickFile(d, path);
            }
        });
    }
};

TEST_F(FileCommands, TextTheEncodingCannotHoldIsSavedInAnotherOnlyWhenTheOperatorSaysSo) {
    const QByteArray sjis = "(\x89\xf1\x93\x5d)\r\nG00 X1.\r\n"; // a Shift_JIS comment
    Open(sjis);
    const QString path = Dir.filePath("PROG.MIN");
    Pane()->SetCaret(Pane()->Text().PaneLength());
    Pane()->InsertText(QString::fromUtf16(u"(\u20ac)"));
    // Cancel: nothing written, the text stays changed.
    QString text;
    ClickButton("Cancel", &text);
    EXPECT_FALSE(W->Document().mnuFileSave_Click());
    EXPECT_TRUE(text.contains("Shift_JIS")) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf16(u"\"\u20ac\" (line 3)"))) << text.toStdString();
    EXPECT_EQ(ReadBytes(path), sjis);
    EXPECT_TRUE(W->Document().Modified());
    // Save as UTF-8: the whole program in UTF-8, and the next save asks no more.
    ClickButton("Save as UTF-8");
    EXPECT_TRUE(W->Document().mnuFileSave_Click());
    EXPECT_EQ(ReadBytes(path), QString::fromUtf16(u"(\u56de\u8ee2)\r\nG00 X1.\r\n(\u20ac)").toUtf8());
    EXPECT_EQ(W->Document().FileEncoding(), files::Encoding::Utf8);
    Pane()->InsertText("M30");
    // Saved again without a question: any dialog here fails the test as unexpected.
    EXPECT_TRUE(W->Document().mnuFileSave_Click());
    QTest::qWait(20);
    EXPECT_EQ(Modals->StepsLeft(), 0u);
}

TEST_F(FileCommands, OpenAndRecentFilesAskAboutChangedTextFirst) {
    const QString first = WriteFile("O1.MIN", "O0001\r\n"), second = WriteFile("O2.MIN", "O0002\r\n");
    W->Document().LoadProgramFile(first);
    W->Document().LoadProgramFile(second); // recent: O2, O1
    Pane()->SetCaret(Pane()->Text().PaneLength());
    Pane()->InsertText("M30");
    // Recent entry, Cancel: the text and its file stay.
    QString text;
    AnswerMessage(QMessageBox::Cancel, &text);
    Act("mnuFileRecentFile2")->trigger();
    EXPECT_EQ(text, "[" + second + "] is changed.\r\n Save ?");
    EXPECT_EQ(W->Document().FileName(), second);
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0002\r\nM30");
    // Open, Yes: once the file is chosen, the text is saved first, then the file opened.
    OnModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        if (!d) {
            m->close();
            return;
        }
        AnswerMessage(QMessageBox::Yes, &text);
        PickFile(d, first);
    });
    text.clear();
    Act("mnuOpen")->trigger();
    EXPECT_EQ(text, "[" + second + "] is changed.\r\n Save ?");
    QTest::qWait(20);
    EXPECT_EQ(ReadBytes(second), "O0002\r\nM30");
    EXPECT_EQ(W->Document().FileName(), first);
    // Recent entry, No: the changes are dropped, the file is not written.
    Pane()->InsertText("X");
    AnswerMessage(QMessageBox::No);
    Act("mnuFileRecentFile2")->trigger();
    EXPECT_EQ(W->Document().FileName(), second);
    EXPECT_EQ(ReadBytes(first), "O0001\r\n");
}

TEST_F(FileCommands, LineEndsTheControlCannotReadAreNotedAndConvertedOnRequest) {
    Open("O0001\nG00 X10.\nM30\n");
    QMessageBox* notice = LineEndNotice(*W);
    ASSERT_TRUE(notice);
    EXPECT_FALSE(notice->isModal());
    EXPECT_TRUE(notice->text().contains("no CR LF line ends: the control reads no block"));
    EXPECT_FALSE(W->Document().Modified());
    EXPECT_EQ(S().BlockCount, 0);
    QPushButton* convert = nullptr;
    for (QAbstractButton* b : notice->buttons())
        if (b->text() == "Convert to CR LF") convert = qobject_cast<QPushButton*>(b);
    ASSERT_TRUE(convert);
    convert->click();
    QTest::qWait(10);
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0001\r\nG00 X10.\r\nM30\r\n");
    EXPECT_TRUE(W->Document().Modified());
    EXPECT_EQ(ReadBytes(Dir.filePath("PROG.MIN")), "O0001\nG00 X10.\nM30\n"); // only Save writes
    EXPECT_GE(S().BlockCount, 3); // now the control reads its blocks

    Open("O0001\r\nM30\r\n"); // a program the control reads: no note
    QTest::qWait(10);
    EXPECT_FALSE(LineEndNotice(*W));
    Open(QByteArray("\xff\xfeO\0\r\0\n\0", 8)); // UTF-16: said so, nothing to convert
    notice = LineEndNotice(*W);
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->text().contains("UTF-16"));
}

TEST_F(FileCommands, SaveAsWithFoldersTypedUpperCasesOnlyTheNameAndStartsThereNextTime) {
    QDir(Dir.path()).mkpath("work/out");
    W->WindowFrame().Settings().OpenPathName = Dir.path();
    Pane()->InsertText("O0001\r\n");
    const QString typed = Dir.filePath("work/out/q.min");
    ChooseInDialog(typed, true);
    Act("mnuFileSaveAs")->trigger();
    QTest::qWait(20);
    const QString saved = Dir.filePath("work/out/Q.MIN");
    EXPECT_EQ(W->Document().FileName(), saved);
    EXPECT_EQ(ReadBytes(saved), "O0001\r\n");
    EXPECT_EQ(W->WindowFrame().Settings().OpenPathName, Dir.filePath("work/out"));
}

TEST_F(FileCommands, SeparatorsInAProgramStayExactThroughCopyPasteAndSave) {
    const QByteArray bytes = QString::fromUtf16(u"G00\u2029X1.\r\nM30\u2028\r\n").toUtf8();
    Open(bytes);
    EXPECT_EQ(Pane()->Text().LineCount(), 3); // two line breaks, no more
    // Copy the first line (with its separator) and paste it at the end.
    Pane()->SetSelection(0, 7);
    Act("mnuEditCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf16(u"G00\u2029X1."));
    Pane()->SetCaret(Pane()->Text().PaneLength());
    Act("mnuEditPaste")->trigger();
    EXPECT_EQ(W->Document().Text().SnapshotString(),
              QString::fromUtf16(u"G00\u2029X1.\r\nM30\u2028\r\nG00\u2029X1."));
    ASSERT_TRUE(W->Document().mnuFileSave_Click());
    EXPECT_EQ(ReadBytes(Dir.filePath("PROG.MIN")),
              bytes + QString::fromUtf16(u"G00\u2029X1.").toUtf8()); // the old lines byte for byte
}

// A long program is in the pane at once: the pane keeps no lines of its own, so nothing typed,
// saved or searched can miss one.
TEST_F(FileCommands, ALongProgramIsWholeInThePaneAtOnce) {
    QByteArray bytes;
    for (int n = 1; n <= 30000; ++n)
        bytes += "N" + QByteArray::number(n) + " G01 X" + QByteArray::number(n % 90) + ". Z-1.\r\n";
    bytes += "M30\r\n";
    const QString path = WriteFile("LONG.MIN", bytes);
    const QString exact = QString::fromLatin1(bytes);

    W->Document().LoadProgramFile(path);
    files::ProgramText& text = W->Document().Text();
    EXPECT_FALSE(Pane()->ReadOnly());
    EXPECT_EQ(text.LineCount(), 30002);
    EXPECT_EQ(text.SnapshotString(), exact);
    EXPECT_EQ(Label("LabelFileName")->text(), "LONG.MIN");
    EXPECT_FALSE(W->Document().Modified());
    EXPECT_FALSE(text.CanUndo());

    // Typing at once lands at the caret.
    Pane()->setFocus();
    Pane()->SetCaret(0);
    QTest::keyClicks(Pane(), "G4");
    EXPECT_EQ(text.SnapshotString(), "G4" + exact);
    EXPECT_TRUE(W->Document().Modified());
    W->Document().SetModified(false);

    // Opened again while its end is shown: from its top.
    Pane()->SetCaret(text.PaneLength());
    Pane()->EnsureCaretVisible();
    ASSERT_GT(Pane()->FirstVisibleLine(), 0);
    W->Document().LoadProgramFile(path);
    EXPECT_EQ(Pane()->FirstVisibleLine(), 0);
    EXPECT_EQ(Pane()->Position(), 0);

    // Select all and copy: the whole program.
    Act("mnuEditAllSelect")->trigger();
    Act("mnuEditCopy")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().size(), exact.size() - 30001); // one LF per CR LF
}

// A program whose setup names its control and unit ([program]) is read with them, as if chosen
// in the Parameter menu, and its subprogram in a file beside it runs; a program without such a
// setup keeps what is in force.
TEST_F(FileCommands, AProgramsSetupSelectsItsControlAndItsSubprogramFileRuns) {
    const QString iso =
        WriteFile("SHAFT.NC", "G99 S1000 M03 T0101\r\nG00 X1. Z0.1\r\nM98 P4100\r\nM30\r\n%\r\n");
    WriteFile("SHAFT.setup.toml", "[program]\ncontrol = \"iso\"\nunit = \"inch\"\n");
    WriteFile("O4100.nc", "O4100\r\nG01 U-0.1 F0.004\r\nM99\r\n");
    ASSERT_FALSE(S().IsoMode);
    W->Document().LoadProgramFile(iso);
    EXPECT_TRUE(S().IsoMode);
    EXPECT_EQ(S().UnitCode, 4);
    EXPECT_EQ(W->WindowFrame().PanelText("Control"), "ISO");
    EXPECT_TRUE(W->WindowFrame().PanelText("Unit").contains("inch"))
        << W->WindowFrame().PanelText("Unit").toStdString();
    EXPECT_TRUE(Act("mnuIsoControl")->isChecked());
    S().NextBlockPos = 1;
    for (int n = 0; n < 20 && !Message().contains("Program End"); ++n)
        Act("mnuStart")->trigger();
    EXPECT_TRUE(Message().contains("Program End")) << Message().toStdString();
    EXPECT_NEAR(S().CurX, 0.9 * 25.4, 1e-9); // the subprogram's cut, in the setup's inches
    W->Document().LoadProgramFile(WriteFile("PLAIN.MIN", "G00 X40. Z2.\r\nM30\r\n"));
    EXPECT_TRUE(S().IsoMode);
}
