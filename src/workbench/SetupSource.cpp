// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/SetupSource.h"

#include "check/MachineOptions.h"
#include "check/StockOptions.h"
#include "machine/ProfileFile.h"
#include "stock/SetupFile.h"

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
    const Stamp stamp = StampOf(QString::fromStdString(stock::DefaultSetupPath(programPath.toStdString())));
    if (!Read || programPath != Program || stamp != SetupStamp) {
        Program = programPath, SetupStamp = stamp, Read = true;
        std::string why;
        Setup = stamp.Exists ? check::StockOptions{}.SetupFor(programPath.toStdString(), why) : nullptr;
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
