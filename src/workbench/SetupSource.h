// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup of the program in the pane, found by the checker's own rule (PROGRAM.setup.toml
// beside the program) and read again only when that file changed, so that asking for it after
// every command costs a look at the file's date. The machine the program is timed on (a machine
// file chosen in the window, else the setup's) is kept the same way.

#include "machine/Profile.h"
#include "stock/Setup.h"
#include "target/Target.h"

#include <QDateTime>
#include <QString>

#include <string>

#include <memory>

namespace workbench {

class SetupSource {
  public:
    // The setup of the program saved at `programPath` (empty: an untitled program, none). A file
    // that cannot be read whole gives null and `complaint` (file, line, value); else it is cleared.
    std::shared_ptr<const stock::Setup> For(const QString& programPath, QString& complaint);
    // The machine of the program: the machine file `chosen` when not empty, else the setup's
    // ([machine] or the machine file it names); null for none. A profile that cannot be read
    // gives null and `complaint`.
    std::shared_ptr<const machine::Profile> MachineFor(const QString& programPath, const QString& chosen,
                                                       QString& complaint);
    // The target drawing the setup's [target] table names, read with the setup by For (null for
    // none, or when it cannot be read: then For's complaint says why). Read again when the
    // setup or the drawing file changed.
    std::shared_ptr<const target::Target> Target() const { return Drawn; }
    // The drawing file the setup names (empty: none), for watching it.
    const QString& DrawingFile() const { return Drawing; }

  private:
    // What a file looked like when it was read.
    struct Stamp {
        bool Exists = false;
        QDateTime Modified;
        qint64 Size = -1;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const QString& path);

    QString Program;
    Stamp SetupStamp;
    QString Drawing;    // the file the setup's [target] names
    Stamp DrawingStamp; // as it was when Drawn was read
    bool Read = false;  // the fields above describe what Setup and Complaint were read from
    std::shared_ptr<const stock::Setup> Setup;
    std::shared_ptr<const target::Target> Drawn;
    QString Complaint;
    std::string SetupWhy; // what reading the setup itself complained of

    // The machine: read from `MachineFile` (empty: the setup's own table) when the setup or
    // that file looked like this.
    bool MachineRead = false;
    QString MachineProgram, MachineChosen, MachineFile;
    Stamp MachineSetupStamp, MachineFileStamp;
    std::shared_ptr<const machine::Profile> Machine;
    QString MachineComplaint;
};

} // namespace workbench
