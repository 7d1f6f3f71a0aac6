// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SetupCommand.h"

#include "app/Frame.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "dialogs/SetupDialog.h"
#include "files/FileIo.h"
#include "stock/SetupFile.h"
#include "stock/SetupWriter.h"
#include "stock/ToolSources.h"

#include <QFileInfo>
#include <QMessageBox>

namespace app {

namespace {

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
// or the operator says so.
bool MayReplace(QWidget* parent, const QString& path, const files::FileIdentity& read) {
    if (!read.Known && !QFileInfo::exists(path)) return true;
    const files::DiskState state =
        read.Known ? files::CheckOnDisk(path, read) : files::DiskState::ChangedOnDisk;
    if (state == files::DiskState::Same || state == files::DiskState::ReadOnly) return true;
    return QMessageBox::question(
               parent, QStringLiteral("Setup"),
               path + QStringLiteral("\r\nhas changed since the dialog opened. Replace it?")) ==
           QMessageBox::Yes;
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
    files::FileIdentity read;
    stock::Setup setup = NewSetup(p.Doc->ExactText());
    QString note;
    if (QFileInfo::exists(path)) {
        read = files::ReadProgramFile(path).Identity;
        stock::SetupError error;
        if (std::optional<stock::Setup> s = stock::ReadSetupFile(path.toStdString(), error))
            setup = std::move(*s);
        else
            note = QString::fromStdString(error.Text()) +
                   QStringLiteral("\nO K writes a new setup in its place.");
    } else {
        note = QStringLiteral("New setup: O K writes ") + path;
    }
    // 2. The dialog, until its setup is saved or it is cancelled; a save that does not happen
    // opens it again on what was typed.
    while (true) {
        dialogs::SetupDialog dialog(setup, note, parent);
        if (dialog.exec() != QDialog::Accepted) return;
        const std::optional<stock::Setup> edited = dialog.Edited();
        if (!edited) continue;
        setup = *edited;
        if (!MayReplace(parent, path, read)) continue;
        const std::string text = stock::WriteSetup(setup, QFileInfo(program).fileName().toStdString());
        files::SaveOptions options;
        options.Expected = read.Known ? &read : nullptr;
        options.NewFileAtName = !read.Known;
        QString error;
        if (files::WriteProgramBytes(path, QByteArray::fromStdString(text), error, options)) return;
        QMessageBox::warning(parent, QStringLiteral("Setup"), path + QStringLiteral("\r\n") + error);
    }
}

} // namespace app
