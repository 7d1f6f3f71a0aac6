#pragma once
// Where the checker's results go. A file output is written beside its final name and put in
// place only once it is complete, so a failed write (a full disk) leaves neither an empty nor a
// half-written file, and an older file of that name stays as it was. Standard output and paths
// that are not plain files (a pipe, /dev/null) are written directly.

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
    void RemoveWritten();

    enum Way {
        StandardOutput,
        Replace, // written to Temp, then renamed to Path
        InPlace, // a plain file in a folder that cannot be written
        Direct,  // not a plain file (a pipe, a device)
    };
    Way How = StandardOutput;
    int Fd = -1;
    bool OwnsFd = false;
    bool Closed = false; // standard output was closed at start
    std::string Path;    // final name (the target of a link)
    std::string Temp;
    mode_t Mode = 0; // of the finished file
    int Error = 0;
};

} // namespace check
