// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SetupCommand.h"

#include "app/Frame.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "dialogs/SetupDialog.h"
#include "files/FileIo.h"
#include "stock/SetupEdit.h"
#include "stock/SetupFile.h"
#include "stock/SetupWriter.h"
#include "stock/ToolSources.h"

#include <QFileInfo>
#include <QMessageBox>

namespace app {

namespace {

// A question whose answer, unless Yes, leaves the file as it is.
bool Ask(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QStringLiteral("Setup"), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

// A new setup: the stock still to be given (the dialog asks for it), the tools the program's
// comments describe.
stock::Setup NewSetup(const std::u16string& program) {
    stock::Setup s;
    s.Tools = stock::ToolsFromComments(program);
    for (auto& [number, tool] : s.Tools)
        tool.Source = "setup file", tool.Assumed.clear();
    return s;
}

// Whether the file may be replaced: as it was when the dialog opened (still none, or unchanged),
// or the operator says so; the question leaves it as it is unless answered Yes.
bool MayReplace(QWidget* parent, const QString& path, const files::FileIdentity& read) {
    if (!read.Known && !QFileInfo::exists(path)) return true;
    const files::DiskState state =
        read.Known ? files::CheckOnDisk(path, read) : files::DiskState::ChangedOnDisk;
    if (state == files::DiskState::Same || state == files::DiskState::ReadOnly) return true;
    return Ask(parent, path + QStringLiteral("\r\nhas changed since the dialog opened. Replace it?"));
}

// A name beside the setup for a copy of it that no file has yet: NAME.bak, NAME.bak2, ...
QString BackupName(const QString& path) {
    for (int n = 1; n < 100; ++n) {
        const QString name = path + QStringLiteral(".bak") + (n > 1 ? QString::number(n) : QString());
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) return name;
    }
    return {};
}

// Copies the setup file as it is now to `backup`, a new file; false with the reason.
bool MakeBackup(const QString& path, const QString& backup, QString& error) {
    const files::ReadResult now = files::ReadProgramFile(path);
    QByteArray bytes;
    if (!now.Ok || !files::Encode(now.File.Text, now.File.Enc, bytes)) {
        error = now.Ok ? QStringLiteral("it cannot be copied") : now.Error;
        return false;
    }
    files::SaveOptions options;
    options.NewFileAtName = true;
    return files::WriteProgramBytes(backup, bytes, error, options);
}

// The setup file beside the program as the dialog opens on it.
struct SetupOnDisk {
    bool Exists = false;   // a file (or something) is at the name
    bool Readable = false; // its text reads as a setup
    std::string Text;      // its bytes as read
    files::FileIdentity Read;
    QString Problem; // why it cannot be read
};

SetupOnDisk ReadSetupBeside(const QString& path, stock::Setup& setup) {
    SetupOnDisk d;
    d.Exists = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    if (!d.Exists) return d;
    const files::ReadResult read = files::ReadProgramFile(path);
    d.Read = read.Identity;
    QByteArray bytes;
    if (!read.Ok) {
        d.Problem = read.Error;
        return d;
    }
    files::Encode(read.File.Text, read.File.Enc, bytes);
    d.Text = bytes.toStdString();
    stock::SetupError error;
    if (std::optional<stock::Setup> s = stock::ParseSetup(d.Text, path.toStdString(), error);
        s && read.File.Enc == files::Encoding::Utf8) {
        setup = std::move(*s);
        d.Readable = true;
    } else {
        d.Problem = s ? QStringLiteral("it is not UTF-8 text") : QString::fromStdString(error.Text());
        // A file that cannot be read as a setup (or only names the control) keeps its control
        // when the setup is written in its place.
        std::optional<stock::ProgramChoice> program;
        if (stock::ReadProgramChoice(path.toStdString(), program, error)) setup.Program = program;
    }
    return d;
}

enum class Plan { Write, Unchanged, Reopen };

// What O K does with the file: `text` the edited file (empty: the setup written whole), `backup`
// where a copy of the file goes first (empty: none). A file that cannot be read or edited in
// place is replaced only when the operator says so.
Plan PlanSave(QWidget* parent, const QString& path, const SetupOnDisk& disk, const stock::Setup& setup,
              const std::map<int, int>& origins, std::string& text, QString& backup) {
    if (!disk.Exists) return Plan::Write;
    QString problem = disk.Problem, question = QStringLiteral("cannot be read: ");
    if (disk.Readable) {
        std::string why;
        if (stock::EditSetupText(disk.Text, path.toStdString(), setup, origins, text, why))
            return text == disk.Text ? Plan::Unchanged : Plan::Write;
        problem = QString::fromStdString(why), question = QStringLiteral("cannot be edited in place: ");
    }
    backup = BackupName(path);
    if (backup.isEmpty()) {
        QMessageBox::warning(
            parent, QStringLiteral("Setup"),
            path + QStringLiteral("\r\n") + question + problem +
                QStringLiteral("\r\nNo name is free beside it for a copy, so it is not replaced."));
        return Plan::Reopen;
    }
    return Ask(parent, path + QStringLiteral("\r\n") + question + problem +
                           QStringLiteral("\r\nReplace it with this setup? The file as it is is kept as ") +
                           backup + QLatin1Char('.'))
               ? Plan::Write
               : Plan::Reopen;
}

} // namespace

void EditSetup(const Parts& p) {
    QWidget* parent = p.Frm->Form();
    if (!p.Doc->HasFile()) {
        QMessageBox::information(parent, QStringLiteral("Setup"),
                                 QStringLiteral("Save the program first: its setup is saved beside it."));
        return;
    }
    const QString program = p.Doc->FileName();
    const QString path = QString::fromStdString(stock::DefaultSetupPath(program.toStdString()));
    // 1. The setup as the file beside the program gives it, or a new one.
    stock::Setup setup = NewSetup(p.Doc->ExactText());
    const SetupOnDisk disk = ReadSetupBeside(path, setup);
    QString note;
    if (!disk.Exists)
        note = QStringLiteral("New setup: O K writes ") + path;
    else if (!disk.Readable)
        note =
            disk.Problem + QStringLiteral("\nO K asks before it replaces the file, and keeps a copy of it.");
    // 2. The dialog, until its setup is saved or it is cancelled; a save that does not happen
    // opens it again on what was typed.
    while (true) {
        dialogs::SetupDialog dialog(setup, note, parent);
        if (dialog.exec() != QDialog::Accepted) return;
        const std::optional<stock::Setup> edited = dialog.Edited();
        if (!edited) continue;
        setup = *edited;
        // 3. The new text: a file the operator wrote is edited where its values changed; a new
        // one, or one the operator agrees to replace, is written whole.
        std::string text;
        QString backup;
        const Plan plan = PlanSave(parent, path, disk, setup, dialog.Origins(), text, backup);
        if (plan == Plan::Unchanged) return;
        if (plan == Plan::Reopen) continue;
        // The parts the dialog does not edit ([machine], [target]) stay as they were.
        if (text.empty())
            text = stock::KeepUnwritten(stock::WriteSetup(setup, QFileInfo(program).fileName().toStdString()),
                                        disk.Text);
        if (!MayReplace(parent, path, disk.Read)) continue;
        QString error;
        if (!backup.isEmpty() && !MakeBackup(path, backup, error)) {
            QMessageBox::warning(parent, QStringLiteral("Setup"),
                                 path + QStringLiteral("\r\nNo copy of it could be made (") + error +
                                     QStringLiteral("), so it was not replaced."));
            continue;
        }
        files::SaveOptions options;
        options.Expected = disk.Read.Known ? &disk.Read : nullptr;
        options.NewFileAtName = !disk.Read.Known;
        if (files::WriteProgramBytes(path, QByteArray::fromStdString(text), error, options)) return;
        QMessageBox::warning(parent, QStringLiteral("Setup"), path + QStringLiteral("\r\n") + error);
    }
}

} // namespace app
