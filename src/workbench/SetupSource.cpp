// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/SetupSource.h"

#include "check/MachineOptions.h"
#include "check/StockOptions.h"
#include "machine/ProfileFile.h"
#include "stock/SetupFile.h"
#include "target/TargetFile.h"

#include <QFileInfo>

namespace workbench {

SetupSource::Stamp SetupSource::StampOf(const QString& path) {
    if (path.isEmpty()) return {};
    const QFileInfo f(path);
    if (!f.exists()) return {};
    return {true, f.lastModified(), f.size()};
}

std::shared_ptr<const stock::Setup> SetupSource::For(const QString& programPath, QString& complaint) {
    if (programPath.isEmpty()) {
        complaint.clear();
        return nullptr;
    }
    const std::string setupPath = stock::DefaultSetupPath(programPath.toStdString());
    const Stamp stamp = StampOf(QString::fromStdString(setupPath));
    const bool setupChanged = !Read || programPath != Program || stamp != SetupStamp;
    if (setupChanged) {
        Program = programPath, SetupStamp = stamp, Read = true;
        std::string why;
        Setup = stamp.Exists ? check::StockOptions{}.SetupFor(programPath.toStdString(), why) : nullptr;
        SetupWhy = why;
        Drawing = stamp.Exists ? QString::fromStdString(target::TargetFileNamedBy(setupPath)) : QString();
    }
    // The drawing is read again when the setup changed or when it did (saved from a CAD program
    // while the window is open), by the same look at the file's date and size.
    const Stamp drawing = StampOf(Drawing);
    if (setupChanged || drawing != DrawingStamp) {
        DrawingStamp = drawing;
        std::string why = SetupWhy;
        Drawn = nullptr;
        if (Setup && why.empty()) Drawn = check::StockOptions{}.TargetFor(programPath.toStdString(), why);
        Complaint = QString::fromStdString(why);
    }
    complaint = Complaint;
    return Setup;
}

std::shared_ptr<const machine::Profile> SetupSource::MachineFor(const QString& programPath,
                                                                const QString& chosen, QString& complaint) {
    const std::string setupPath =
        programPath.isEmpty() ? std::string() : stock::DefaultSetupPath(programPath.toStdString());
    const Stamp setup = StampOf(QString::fromStdString(setupPath));
    bool again = !MachineRead || programPath != MachineProgram || chosen != MachineChosen ||
                 (chosen.isEmpty() && setup != MachineSetupStamp);
    if (again)
        MachineFile = !chosen.isEmpty() ? chosen
                      : setup.Exists    ? QString::fromStdString(machine::MachineFileNamedBy(setupPath))
                                        : QString();
    const Stamp file = StampOf(MachineFile);
    if (again || file != MachineFileStamp) {
        MachineRead = true;
        MachineProgram = programPath, MachineChosen = chosen, MachineSetupStamp = setup,
        MachineFileStamp = file;
        check::MachineOptions o;
        o.File = chosen.toStdString();
        std::string why;
        Machine = o.For(setup.Exists ? setupPath : std::string(), why);
        MachineComplaint = QString::fromStdString(why);
    }
    complaint = MachineComplaint;
    return Machine;
}

} // namespace workbench
