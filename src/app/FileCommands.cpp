// SPDX-License-Identifier: GPL-3.0-or-later
// Program files: open, save, save as, the recent-file entries and the file name label.

#include "app/ProgramDocument.h"

#include "app/Actions.h"
#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/Parts.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"
#include "app/Widgets.h"
#include "base/Machine.h"
#include "files/FileIo.h"
#include "files/NativePath.h"
#include "files/ProgramText.h"
#include "interp/Interpreter.h"
#include "interp/RunControl.h"
#include "stock/SetupFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

namespace app {

namespace {

const char* const OpenFilter = "All Files (*.*)|*.*|Main File (*.min)|*.min|NC (*.NC)|*.NC";
const char* const SaveFilter = "Main File (*.min)|*.min|System Sub (*.ssb)|*.ssb|All Files (*.*)|*.*";

// "Text|pattern|Text|pattern" as the dialog's list of "Text" entries (each names its pattern).
QStringList DialogFilters(const char* filter) {
    const QStringList parts = QString::fromLatin1(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    return out;
}

// Windows file names do not tell case apart, so upper-casing a whole path names the same file
// there; here it would not, so only the file name is upper-cased.
QString UpperCaseName(const QString& path) {
    const QFileInfo info(path);
    return info.dir().filePath(info.fileName().toUpper());
}

// To the operator "*.*" names every file, those without an extension too, which NC programs
// often are; as a pattern here it would leave those out. While such a filter is chosen the
// dialog lists every file, and the filter keeps its text.
void ListEveryFileUnderStarDotStar(QFileDialog& d) {
    auto* model = d.findChild<QFileSystemModel*>();
    auto* types = d.findChild<QComboBox*>("fileTypeCombo");
    if (!model || !types) return;
    auto apply = [&d, model] {
        if (d.selectedNameFilter().endsWith("(*.*)")) model->setNameFilters({"*"});
    };
    // Queued: the dialog sets the chosen filter's own patterns first.
    QObject::connect(types, &QComboBox::currentIndexChanged, &d, apply, Qt::QueuedConnection);
    apply();
}

// 1-based line of the character at `index`, counting every line break the pane shows.
int LineOf(const QString& text, qsizetype index) {
    int line = 1;
    for (qsizetype i = 0; i < index && i < text.size(); ++i)
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) ++line;
    return line;
}

} // namespace

bool ProgramDocument::AskToSaveChanges() {
    if (!Modified()) return true;
    const auto answer =
        QMessageBox::warning(Program->window(), "Zarvik", "[" + ProgramFileName + "] is changed.\r\n Save ?",
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    // NOTE: a save that fails or is cancelled stops the command, so no text is lost.
    if (answer == QMessageBox::Yes) return mnuFileSave_Click();
    return answer == QMessageBox::No;
}

bool ProgramDocument::AskToSaveAsUtf8(const QString& path, const QString& text, qsizetype unfit) {
    const qsizetype n = text[unfit].isHighSurrogate() && unfit + 1 < text.size() ? 2 : 1;
    QMessageBox box(QMessageBox::Warning, "Zarvik",
                    "[" + path + "]\r\nThe program was read as " + files::EncodingName(Encoding) +
                        ", which cannot hold \"" + text.mid(unfit, n) + "\" (line " +
                        QString::number(LineOf(text, unfit)) +
                        ").\r\nSave the whole program as UTF-8? Its other characters are then written "
                        "in UTF-8 too.",
                    QMessageBox::NoButton, Program->window());
    box.setObjectName("EncodingQuestion");
    QPushButton* utf8 = box.addButton("Save as UTF-8", QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == utf8;
}

void ProgramDocument::NoticeLineEnds(const QString& path, const QString& exact) {
    if (LineEndNotice) LineEndNotice->close();
    const bool utf16 = files::LooksLikeUtf16(exact);
    if (!utf16 && !files::ReadsNoBlock(exact)) return;
    // Not modal: the operator may read the text first and decide later.
    auto* box = new QMessageBox(QMessageBox::Information, "Zarvik", QString(), QMessageBox::NoButton,
                                Program->window());
    box->setObjectName("LineEndNotice");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    if (utf16) {
        // Its line ends are not the trouble: every other byte is zero to the control.
        box->setText("[" + path +
                     "] is UTF-16 text: the control reads no block.\r\n"
                     "Save it as 8-bit text with CR LF line ends to run it.");
        box->addButton(QMessageBox::Close);
    } else {
        box->setText("[" + path +
                     "] has no CR LF line ends: the control reads no block.\r\n"
                     "Convert its line ends to CR LF? The file is written only when you save.");
        QPushButton* convert = box->addButton("Convert to CR LF", QMessageBox::AcceptRole);
        box->addButton(QMessageBox::Close);
        connect(convert, &QPushButton::clicked, this, [this] {
            P.Frm->RunCommand([this] {
                ResetAfterNewText([this] {
                    InCommand = true;
                    Exact->ConvertLineEndsToCrLf();
                    InCommand = false;
                });
            });
        });
    }
    LineEndNotice = box;
    box->show();
}

void ProgramDocument::ShowFileError(const QString& text) {
    QMessageBox::warning(Program->window(), "Zarvik", text);
}

namespace {
// The control and unit the setup beside the program names ([program]), as the checker reads
// them: the program is read with them, as if the operator had chosen them. A setup that names
// neither, or cannot be read, changes nothing (the background check names its problem).
void FollowSetupProgram(const QString& programPath, Lathe& lathe) {
    const std::string setup = stock::DefaultSetupPath(programPath.toStdString());
    if (setup == programPath.toStdString() || !QFileInfo::exists(QString::fromStdString(setup))) return;
    std::optional<stock::ProgramChoice> choice;
    stock::SetupError error;
    if (!stock::ReadProgramChoice(setup, choice, error) || !choice) return;
    interp::Machine& m = lathe.Machine();
    if (!choice->Unit.empty()) {
        m.S.UnitCode = choice->Unit == "inch" ? 4 : 1;
        interp::ShowUnit(m);
    }
    if (!choice->Control.empty()) {
        m.S.FanucMode = choice->Control == "fanuc";
        m.S.IsoMode = choice->Control == "iso";
        m.Ui.SwitchesChanged();
        lathe.Control().ShowMode();
    }
}

QString AbsoluteProgramPath(const QString& path) {
    // Absolute, links kept as named: the recent entry must work from any folder.
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}
} // namespace

void ProgramDocument::ReadAhead(const QString& path) {
    auto ahead = std::make_unique<Ahead>();
    ahead->Path = AbsoluteProgramPath(path);
    // Reading touches nothing of the window: the bytes, their hash and the decoded text.
    ahead->Result = std::async(std::launch::async, [p = ahead->Path] { return files::ReadProgramFile(p); });
    ReadingAhead = std::move(ahead);
}

files::ReadResult ProgramDocument::TakeRead(const QString& path) {
    std::unique_ptr<Ahead> ahead = std::move(ReadingAhead);
    if (ahead && ahead->Path == path) return ahead->Result.get();
    return files::ReadProgramFile(path);
}

bool ProgramDocument::ReadIntoPane(const QString& path, bool addRecent) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const files::ReadResult r = TakeRead(path);
    if (r.Ok) {
        // The chosen file's name at once; the pane shows the lines on screen only, so even a
        // long program is in it at once.
        ShowFileName(path);
        InCommand = true;
        Exact->Load(r.File.Text);
        InCommand = false;
        Program->SetCaret(0);
        Program->EnsureCaretVisible(); // the new program from its top, whatever was shown before
    }
    QApplication::restoreOverrideCursor();
    if (!r.Ok) {
        ShowFileError(path + r.Error);
        return false;
    }
    Encoding = r.File.Enc;
    ProgramFileName = path;
    FileOpened = true;
    Identity = r.Identity;
    WatchFile();
    if (addRecent) AddRecentFile(path);
    ShowFileName(path);
    Exact->SetModified(false);
    FollowSetupProgram(path, *P.Model);
    for (Follower* f : P.Followers)
        f->ProgramOpened();
    NoticeLineEnds(path, r.File.Text);
    return true;
}

void ProgramDocument::LoadProgramFile(const QString& path) {
    ReadIntoPane(AbsoluteProgramPath(path), true);
}

bool ProgramDocument::SaveProgramFile(const QString& path) {
    const QString text = Exact->SnapshotString();
    files::Encoding enc = Encoding;
    // Untouched lines keep their bytes: another encoding only when the operator says so.
    const qsizetype unfit = files::FirstUnencodable(text, enc);
    if (unfit >= 0 && enc != files::Encoding::Utf8) {
        if (!AskToSaveAsUtf8(path, text, unfit)) return false;
        enc = files::Encoding::Utf8;
    }
    files::SaveOptions options;
    if (FileOpened && path == ProgramFileName && !ConfirmSaveOverFile(path, options)) return false;
    files::FileIdentity written;
    options.Written = &written;
    QString error;
    if (!files::WriteProgramFile(path, text, enc, error, options)) {
        // The old file is as it was and the text stays marked as changed.
        ShowFileError(path + "\r\n" + error);
        return false;
    }
    Encoding = enc;
    Exact->SetModified(false);
    FileOpened = true;
    Identity = written;
    ProgramFileName = path;
    WatchFile();
    return true;
}

void ProgramDocument::ShowFileName(const QString& path) {
    P.Panel->Labels().ShowFileName(files::FileNameOnly(path));
}

QString ProgramDocument::Title() const {
    return files::FileNameOnly(ProgramFileName);
}

void ProgramDocument::AddRecentFile(const QString& path) {
    Recent.Add(path);
    SetRecentFiles(Recent.Captions);
}

void ProgramDocument::SetRecentFiles(const std::array<QString, 5>& captions) {
    Recent.Captions = captions;
    for (int n = 0; n < 5; ++n) {
        QAction* entry = (*P.Actions)(QStringLiteral("mnuFileRecentFile%1").arg(n + 1));
        entry->setText(Recent.Captions[n]);
        entry->setVisible(files::RecentFiles::InUse(Recent.Captions[n]));
    }
}

QString ProgramDocument::AskOpenFile() {
    QFileDialog d(Program->window(), QString(), P.Frm->Settings().OpenPathName);
    d.setObjectName("CommonDialog1");
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setNameFilters(DialogFilters(OpenFilter));
    ListEveryFileUnderStarDotStar(d);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().first();
}

QString ProgramDocument::AskSaveFile() {
    QFileDialog d(Program->window(), QString(), P.Frm->Settings().OpenPathName);
    d.setObjectName("CommonDialog1");
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setFileMode(QFileDialog::AnyFile);
    d.setAcceptMode(QFileDialog::AcceptSave); // asks before overwriting; only existing folders
    d.setNameFilters(DialogFilters(SaveFilter));
    ListEveryFileUnderStarDotStar(d);
    d.selectFile(QString());
    const bool ok = d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty();
    // A name typed with its folders puts the file elsewhere than the folder the dialog shows:
    // the next dialog starts where the file went.
    P.Frm->Settings().OpenPathName =
        ok ? QFileInfo(d.selectedFiles().first()).absolutePath() : d.directory().absolutePath();
    return ok ? d.selectedFiles().first() : QString();
}

void ProgramDocument::mnuOpen_Click() {
    const QString path = AskOpenFile();
    if (path.isEmpty()) return; // cancelled: nothing changes
    P.Frm->Settings().OpenPathName = QFileInfo(path).absolutePath();
    if (!AskToSaveChanges()) return;
    ResetAfterNewText([this, path] { LoadProgramFile(path); });
}

void ProgramDocument::ResetAfterNewText(const std::function<void()>& change) {
    interp::Machine& m = P.Model->Machine();
    // A run in progress ends first: the text it reads is about to change.
    if (P.Model->Running()) m.S.RunState = interp::RunReset;
    change();
    m.S.NextBlockPos = 1;
    interp::ResetMachine(m);
    if (m.S.AutoStart) P.Trace->StandardView();
}

void ProgramDocument::mnuFileRecentFile_Click(int index) {
    const QString path = Recent.Captions[index - 1];
    if (!AskToSaveChanges()) return;
    ResetAfterNewText([this, path] { LoadProgramFile(path); });
}

int ProgramDocument::AskAboutFile(const char* name, const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Warning, "Zarvik", text, QMessageBox::NoButton, Program->window());
    box.setObjectName(name);
    QList<QAbstractButton*> made;
    for (const QString& caption : buttons)
        made << box.addButton(caption, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return int(made.indexOf(box.clickedButton())); // -1: cancelled
}

bool ProgramDocument::AskReadOnly(const QString& path) {
    if (!files::IsReadOnly(path)) return true;
    // Only root may write it all the same; anybody else is told why nothing is saved.
    if (access(files::NativePath(path).c_str(), W_OK) != 0) {
        ShowFileError("[" + path +
                      "] is read-only; it was not saved.\r\nSave as saves the program under another name.");
        return false;
    }
    return AskAboutFile("SaveReadOnlyQuestion", "[" + path + "] is read-only.\r\nSave over it anyway?",
                        {"Save anyway"}) == 0;
}

bool ProgramDocument::ConfirmSaveOverFile(const QString& path, files::SaveOptions& options) {
    options.Expected = &Identity;
    switch (files::CheckOnDisk(path, Identity)) {
    case files::DiskState::Same:
        return true;
    case files::DiskState::ReadOnly:
        return AskReadOnly(path);
    case files::DiskState::Gone:
        options.Expected = nullptr;
        return AskAboutFile("SaveGoneQuestion",
                            "[" + path + "] is no longer on the disk.\r\nSave the program there again?",
                            {"Save"}) == 0;
    case files::DiskState::OtherFile:
        // NOTE: never written through: a link swapped in may lead to a file of somebody else.
        options.NewFileAtName = true;
        return AskAboutFile("SaveOtherFileQuestion",
                            "[" + path +
                                "] now leads to another file than the one opened.\r\n"
                                "Save the program under this name as a new file?",
                            {"Save as new file"}) == 0;
    case files::DiskState::ChangedOnDisk:
        break;
    }
    const int answer =
        AskAboutFile("SaveChangedQuestion",
                     "[" + path +
                         "] was changed on the disk since it was opened.\r\n"
                         "Overwrite those changes, or reload the file and drop the changes here?",
                     {"Overwrite", "Reload"});
    if (answer == 1) Reload();
    return answer == 0 && AskReadOnly(path);
}

void ProgramDocument::WatchFile() {
    if (!Watcher->files().isEmpty()) Watcher->removePaths(Watcher->files());
    if (ReloadNotice) ReloadNotice->close();
    // Watched again after each look: a file replaced whole is a new file to the watcher.
    if (FileOpened && QFileInfo::exists(ProgramFileName)) Watcher->addPath(ProgramFileName);
}

void ProgramDocument::FileChangedOnDisk() {
    const bool watched = Watcher->files().contains(ProgramFileName);
    if (!watched && FileOpened && QFileInfo::exists(ProgramFileName)) Watcher->addPath(ProgramFileName);
    // Changed text here: the save asks instead.
    if (!FileOpened || Modified() || ReloadNotice) return;
    if (files::CheckOnDisk(ProgramFileName, Identity) != files::DiskState::ChangedOnDisk) return;
    // Not modal: a run or the operator's reading goes on; the offer waits.
    auto* box = new QMessageBox(QMessageBox::Information, "Zarvik",
                                "[" + ProgramFileName + "] was changed on the disk.\r\nReload it?",
                                QMessageBox::NoButton, Program->window());
    box->setObjectName("ReloadNotice");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QPushButton* reload = box->addButton("Reload", QMessageBox::AcceptRole);
    box->addButton("Keep", QMessageBox::RejectRole);
    connect(reload, &QPushButton::clicked, this, [this] {
        if (!Modified()) P.Frm->RunCommand([this] { Reload(); });
    });
    connect(Exact, &files::ProgramText::ModificationChanged, box, [box](bool changed) {
        if (changed) box->close();
    });
    ReloadNotice = box;
    box->show();
}

void ProgramDocument::Reload() {
    const QString path = ProgramFileName;
    ResetAfterNewText([this, path] { ReadIntoPane(path, false); });
}

bool ProgramDocument::mnuFileSave_Click() {
    // Whether the text has a file, not the label's text: a program may be named Untitled.
    if (FileOpened) return SaveProgramFile(ProgramFileName);
    return mnuFileSaveAs_Click();
}

bool ProgramDocument::mnuFileSaveAs_Click() {
    const QString chosen = AskSaveFile();
    if (chosen.isEmpty()) return false;
    const QString path = UpperCaseName(chosen);
    if (path != chosen && QFileInfo::exists(path) &&
        QMessageBox::question(Program->window(), "Zarvik",
                              path + " already exists.\r\nDo you want to replace it?") != QMessageBox::Yes)
        return false;
    if (!SaveProgramFile(path)) return false;
    ShowFileName(path);
    return true;
}

} // namespace app
