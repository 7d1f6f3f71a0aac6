// Program files: open, save, save as, the recent-file entries and the file name label.

#include "app/ProgramDocument.h"

#include "app/Actions.h"
#include "app/Frame.h"
#include "app/Parts.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"
#include "app/Widgets.h"
#include "files/FileIo.h"
#include "files/ProgramText.h"
#include "interp/Interpreter.h"
#include "interp/Machine.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QMessageBox>

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

} // namespace

void ProgramDocument::ShowFileError(const QString& text) {
    QMessageBox::warning(Program->window(), "Zarvik", text);
}

void ProgramDocument::LoadProgramFile(const QString& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const files::ReadResult r = files::ReadProgramFile(path);
    if (r.Ok) Exact->Load(r.File.Text);
    QApplication::restoreOverrideCursor();
    if (!r.Ok) {
        ShowFileError(path + r.Error);
        return;
    }
    Encoding = r.File.Enc;
    ProgramFileName = path;
    AddRecentFile(path);
    ShowFileName(path);
    Program->document()->setModified(false);
}

bool ProgramDocument::SaveProgramFile(const QString& path) {
    QString error;
    if (!files::WriteProgramFile(path, Exact->SnapshotString(), Encoding, error)) {
        // The old file is untouched and the text stays marked as changed.
        ShowFileError(path + "\r\n" + error);
        return false;
    }
    Program->document()->setModified(false);
    return true;
}

void ProgramDocument::ShowFileName(const QString& path) {
    P.Panel->Labels().LabelFileName->setText(files::FileNameOnly(path));
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
    P.Frm->Settings().OpenPathName = d.directory().absolutePath();
    return ok ? d.selectedFiles().first() : QString();
}

void ProgramDocument::mnuOpen_Click() {
    const QString path = AskOpenFile();
    if (path.isEmpty()) return; // cancelled: nothing changes
    P.Frm->Settings().OpenPathName = QFileInfo(path).absolutePath();
    ReloadAfterOpen(path);
}

void ProgramDocument::ReloadAfterOpen(const QString& path) {
    interp::Machine& m = P.Panel->Machine();
    // A run in progress ends first: the text it reads is about to change.
    if (P.Panel->Running()) m.S.RunState = interp::RunReset;
    LoadProgramFile(path);
    m.S.NextBlockPos = 1;
    interp::ResetMachine(m);
    if (m.S.AutoStart) P.Trace->StandardView();
}

void ProgramDocument::mnuFileRecentFile_Click(int index) {
    ReloadAfterOpen(Recent.Captions[index - 1]);
}

bool ProgramDocument::mnuFileSave_Click() {
    if (P.Panel->Labels().LabelFileName->text() != "Untitled") return SaveProgramFile(ProgramFileName);
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
    ProgramFileName = path;
    return true;
}

} // namespace app
