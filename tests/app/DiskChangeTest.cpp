// SPDX-License-Identifier: GPL-3.0-or-later
// The window saves to the file it opened: it asks when that file changed on the disk, is gone,
// is read-only or its name now leads elsewhere, offers a reload when the file changes under
// unchanged text, and decides between Save and Save as on whether the text has a file. Recent
// entries hold absolute paths; a save during a held run writes at once.

#include "WindowFixture.h"
#include "support/FileBytes.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QMessageBox* ReloadNotice(app::MainWindow& w) {
    QMessageBox* box = w.findChild<QMessageBox*>("ReloadNotice");
    return box && box->isVisible() ? box : nullptr;
}

QAbstractButton* ButtonOf(QMessageBox* box, const QString& caption) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == caption) return b;
    return nullptr;
}

} // namespace

class DiskChange : public WindowTest {
  protected:
    QString Path;
    void SetUp() override {
        WindowTest::SetUp();
        Open("O0001\r\nG00 X1.\r\n");
        Path = Dir.filePath("PROG.MIN");
    }
    // Answers the next message box, which must be the question `name`, by a button's caption.
    void Answer(const char* name, const QString& caption, QString* text = nullptr) {
        OnModal([=](QWidget* m) {
            auto* box = qobject_cast<QMessageBox*>(m);
            EXPECT_TRUE(box && box->objectName() == name) << name;
            if (box && text) *text = box->text();
            QAbstractButton* b = box ? ButtonOf(box, caption) : nullptr;
            if (!b && box) b = box->button(QMessageBox::Cancel);
            if (b)
                b->click();
            else
                m->close();
        });
    }
    void Edit(const QString& more) {
        Pane()->SetCaret(Pane()->Text().PaneLength());
        Pane()->InsertText(more);
    }
    bool Save() { return W->Document().mnuFileSave_Click(); }
};

TEST_F(DiskChange, AProgramChangedOnTheDiskIsNotOverwrittenWithoutAsking) {
    WriteBytes(Path, "O0001\r\nG00 X2.\r\n"); // a DNC transfer: same size, other bytes
    Edit("M30");
    QString text;
    Answer("SaveChangedQuestion", "Cancel", &text);
    EXPECT_FALSE(Save());
    EXPECT_EQ(text, "[" + Path +
                        "] was changed on the disk since it was opened.\r\n"
                        "Overwrite those changes, or reload the file and drop the changes here?");
    EXPECT_EQ(ReadBytes(Path), "O0001\r\nG00 X2.\r\n");
    EXPECT_TRUE(W->Document().Modified());
    Answer("SaveChangedQuestion", "Overwrite");
    EXPECT_TRUE(Save());
    EXPECT_EQ(ReadBytes(Path), "O0001\r\nG00 X1.\r\nM30");
    // Saved: the next save asks nothing (an unexpected dialog fails the test).
    Edit("\r\n");
    EXPECT_TRUE(Save());
    // Reload drops the changes here and takes the disk's text.
    WriteBytes(Path, "O0009\r\n");
    Edit("(LOST)");
    Answer("SaveChangedQuestion", "Reload");
    EXPECT_FALSE(Save());
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0009\r\n");
    EXPECT_FALSE(W->Document().Modified());
    EXPECT_EQ(ReadBytes(Path), "O0009\r\n");
    QTest::qWait(20);
    EXPECT_EQ(Modals->StepsLeft(), 0u);
}

TEST_F(DiskChange, AGoneReadOnlyOrRedirectedFileIsSaidSo) {
    Edit("M30");
    // Deleted while open: re-created only when the operator says so.
    ASSERT_TRUE(QFile::remove(Path));
    Answer("SaveGoneQuestion", "Cancel");
    EXPECT_FALSE(Save());
    EXPECT_FALSE(QFileInfo::exists(Path));
    Answer("SaveGoneQuestion", "Save");
    EXPECT_TRUE(Save());
    EXPECT_EQ(ReadBytes(Path), "O0001\r\nG00 X1.\r\nM30");
    // Read-only: root is asked, anybody else told.
    ASSERT_EQ(chmod(QFile::encodeName(Path), 0444), 0);
    Edit("\r\n");
    QString text;
    if (geteuid() == 0) {
        Answer("SaveReadOnlyQuestion", "Cancel", &text);
        EXPECT_FALSE(Save());
        EXPECT_EQ(ReadBytes(Path), "O0001\r\nG00 X1.\r\nM30");
        Answer("SaveReadOnlyQuestion", "Save anyway");
        EXPECT_TRUE(Save());
        EXPECT_EQ(ReadBytes(Path), "O0001\r\nG00 X1.\r\nM30\r\n");
    } else {
        AnswerMessage(QMessageBox::Ok, &text);
        EXPECT_FALSE(Save());
    }
    EXPECT_TRUE(text.startsWith("[" + Path + "] is read-only")) << text.toStdString();
    // A link that now leads to another file is replaced by a new file, never written through.
    const QString a = WriteFile("A.MIN", "A\r\n"), b = WriteFile("B.MIN", "B\r\n"), l = Dir.filePath("L.MIN");
    ASSERT_EQ(symlink("A.MIN", QFile::encodeName(l)), 0);
    W->Document().LoadProgramFile(l);
    ASSERT_EQ(unlink(QFile::encodeName(l)), 0);
    ASSERT_EQ(symlink("B.MIN", QFile::encodeName(l)), 0);
    Edit("M30");
    Answer("SaveOtherFileQuestion", "Cancel");
    EXPECT_FALSE(Save());
    EXPECT_EQ(ReadBytes(b), "B\r\n");
    Answer("SaveOtherFileQuestion", "Save as new file");
    EXPECT_TRUE(Save());
    EXPECT_FALSE(QFileInfo(l).isSymLink());
    EXPECT_EQ(ReadBytes(l), "A\r\nM30");
    EXPECT_EQ(ReadBytes(a), "A\r\n");
    EXPECT_EQ(ReadBytes(b), "B\r\n");
}

TEST_F(DiskChange, AChangeOnTheDiskOffersAReloadWhileTheTextIsUnchanged) {
    auto replace = [&](const QByteArray& bytes) { // as another editor saves: a new file renamed over
        WriteBytes(Path + ".tmp", bytes);
        ASSERT_EQ(rename(QFile::encodeName(Path + ".tmp"), QFile::encodeName(Path)), 0);
    };
    const auto recent = W->Document().RecentFiles();
    replace("O0002\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReloadNotice(*W) != nullptr; }, 5000));
    EXPECT_FALSE(ReloadNotice(*W)->isModal());
    ButtonOf(ReloadNotice(*W), "Reload")->click();
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0002\r\n");
    EXPECT_EQ(W->Document().RecentFiles(), recent); // a reload is no new entry
    // Still watched after the replacement; the operator's own save offers nothing.
    replace("O0003\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReloadNotice(*W) != nullptr; }, 5000));
    ButtonOf(ReloadNotice(*W), "Reload")->click();
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0003\r\n");
    Edit("M30");
    ASSERT_TRUE(Save());
    QTest::qWait(500);
    EXPECT_FALSE(ReloadNotice(*W));
    // Changed text here: no offer; the save asks instead.
    Edit("\r\n");
    WriteBytes(Path, "O0004\r\n");
    QTest::qWait(500);
    EXPECT_FALSE(ReloadNotice(*W));
}

TEST_F(DiskChange, AProgramNamedUntitledIsSavedInPlace) {
    const QString path = WriteFile("Untitled", "O0001\r\n");
    W->Document().LoadProgramFile(path);
    Edit("M30");
    EXPECT_TRUE(Save()); // no file dialog: any dialog fails the test
    EXPECT_EQ(ReadBytes(path), "O0001\r\nM30");
}

TEST_F(DiskChange, RecentEntriesHoldAbsolutePathsAndAGoneFileIsSaidSo) {
    const QString saved = QDir::currentPath();
    const QString path = WriteFile("REL.MIN", "O0005\r\n");
    QDir::setCurrent(Dir.path());
    W->Document().LoadProgramFile("REL.MIN"); // as from the command line
    QDir::setCurrent("/");
    EXPECT_EQ(W->Document().FileName(), path);
    EXPECT_EQ(W->Document().RecentFiles()[0], path);
    Open("O0001\r\n");
    Act("mnuFileRecentFile2")->trigger();
    EXPECT_EQ(W->Document().FileName(), path);
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0005\r\n");
    // Gone: a message, and the entry stays.
    ASSERT_TRUE(QFile::remove(path));
    QString text;
    AnswerMessage(QMessageBox::Ok, &text);
    Act("mnuFileRecentFile1")->trigger();
    QDir::setCurrent(saved);
    EXPECT_EQ(text, path + " was not found.");
    EXPECT_EQ(W->Document().RecentFiles()[0], path);
    EXPECT_TRUE(Act("mnuFileRecentFile1")->isVisible());
}

TEST_F(DiskChange, SaveDuringAHeldRunWritesAtOnce) {
    QByteArray p = "T0101\r\nG97 S1000 M03\r\nG00 X50. Z5.\r\nG01 F0.2\r\n";
    for (int i = 0; i < 40; ++i)
        p += (i % 2 ? "X40. Z-" : "X50. Z-") + QByteArray::number(i) + ".\r\n";
    Open(p + "M30\r\n");
    W->Panel().SetSlider(70);
    QByteArray during;
    QTimer::singleShot(300, [&] {
        Key(Qt::Key_F2);
        Edit("(HELD)");
        Key(Qt::Key_S, Qt::ControlModifier);
        during = ReadBytes(Path);
    });
    Key(Qt::Key_F1);
    EXPECT_EQ(Message(), "Hold Stop");
    EXPECT_TRUE(during.endsWith("M30\r\n(HELD)"));
    Edit("(AFTER)");
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(ReadBytes(Path).endsWith("(HELD)(AFTER)"));
    EXPECT_FALSE(W->Document().Modified());
}

// The command line's program is read ahead while the window starts: that reading is what is
// loaded, and a save compares the disk with it as with any other. A load of another file reads
// that file itself.
TEST_F(DiskChange, AProgramReadAheadIsLoadedAndComparedAsAnyOther) {
    const QString other = WriteFile("OTHER.MIN", "O0002\r\n");
    W->Document().ReadAhead(Path);
    W->Document().LoadProgramFile(other);
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0002\r\n");
    W->Document().ReadAhead(Path);
    W->Document().LoadProgramFile(Path);
    EXPECT_EQ(W->Document().FileName(), Path);
    EXPECT_EQ(W->Document().Text().SnapshotString(), "O0001\r\nG00 X1.\r\n");
    Edit("M30");
    EXPECT_TRUE(Save()); // as read: no question
    EXPECT_EQ(ReadBytes(Path), "O0001\r\nG00 X1.\r\nM30");
}
