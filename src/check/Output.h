// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the checker's results go. A file output is written beside its final name and put in
// place only once it is complete, so a failed write (a full disk) leaves neither an empty nor a
// half-written file, and an older file of that name stays as it was. Where nothing can be written
// beside it (a folder the operator may not write to), the output is kept in an unnamed temporary
// file and copied over the old one only once complete. Standard output and paths that are not
// plain files (a pipe, /dev/null) are written directly.
//
// Links on the way to an output are followed as the kernel follows them for a careful program: a
// link of another user in a folder that everyone may write to but only owners may delete from
// (the temporary folder) is not followed, unless it belongs to that folder's owner. Otherwise a
// link planted there would turn an output onto a file of whoever runs the checker.

#include <string>
#include <string_view>
#include <sys/types.h>

namespace check {

class Output {
  public:
    Output() = default;
    ~Output() { Abandon(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Standard output; `closed` when the checker was started without one.
    void OpenStandardOutput(bool closed);
    // Starts the file `path`. False, with the reason in `why`, when it cannot be written.
    bool Open(const std::string& path, std::string& why);
    bool IsOpen() const { return Fd >= 0; }

    // Writes all of `bytes`; after the first failure nothing more is written. False once failed.
    bool Write(std::string_view bytes);
    bool Failed() const { return Error != 0; }
    // The reason of the first failure.
    std::string Why() const;

    // Puts a file output in place (standard output: nothing to do). False, with the reason, when
    // anything failed; what was written is then removed.
    bool Finish(std::string& why);
    // Removes what was written of a file output that is not finished.
    void Abandon();

  private:
    bool OpenBeside(const std::string& target, std::string& why);
    bool CopyIntoTarget();
    void CloseAll();
    void RemoveWritten();

    enum Way {
        StandardOutput,
        Replace, // written to Temp, then renamed to Path
        InPlace, // written to an unnamed temporary file, then copied into Path (TargetFd)
        Direct,  // not a plain file (a pipe, a device)
    };
    Way How = StandardOutput;
    int Fd = -1;
    bool OwnsFd = false;
    bool Closed = false; // standard output was closed at start
    std::string Path;    // final name (the target of a link)
    std::string Temp;
    int TargetFd = -1;    // InPlace: the final file, opened at the start without emptying it
    bool Created = false; // InPlace: the final file did not exist before
    mode_t Mode = 0;      // of the finished file
    int Error = 0;
};

} // namespace check
