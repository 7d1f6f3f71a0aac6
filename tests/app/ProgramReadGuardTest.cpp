// SPDX-License-Identifier: GPL-3.0-or-later
// The window's program read handed what is no program file: a device, a pipe, a file beyond
// 512 MB, one that does not fit in memory. Each ends at once with a message after the path.

#include "files/FileIo.h"
#include "support/MemoryLimit.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Reads `path` in a child process (a hang or an abort stays there; killed after 20 s) and
// returns the exit status: 0 when the read failed with a message containing `says`.
int ReadInChild(const QString& path, const QString& says, bool littleMemory = false) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(20);
        if (littleMemory) LimitMemoryToWhatIsHeldPlus(64 << 20);
        const files::ReadResult r = files::ReadProgramFile(path);
        ::_exit(r.Ok ? 1 : r.Error.contains(says) && r.Error.endsWith('.') ? 0 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

} // namespace

TEST(ProgramReadGuard, DevicePipeAndHugeFileGiveAMessageEach) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("FIFO.MIN"), huge = dir.filePath("HUGE.MIN");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    std::ofstream(huge.toStdString(), std::ios::binary);
    std::filesystem::resize_file(huge.toStdString(), uint64_t{1} << 30); // 1 GB, sparse
    EXPECT_EQ(ReadInChild("/dev/zero", " is a device, not a program file."), 0);
    EXPECT_EQ(ReadInChild(fifo, " is a pipe (FIFO), not a program file."), 0);
    EXPECT_EQ(ReadInChild(huge, " is larger than 512 MB"), 0);
    EXPECT_EQ(ReadInChild(dir.path(), " is a folder, not a program file."), 0);
}

TEST(ProgramReadGuard, AProgramThatDoesNotFitInMemoryIsAMessage) {
    QTemporaryDir dir;
    const QString big = dir.filePath("BIG.MIN");
    std::ofstream(big.toStdString(), std::ios::binary);
    std::filesystem::resize_file(big.toStdString(), 400 << 20);
    EXPECT_EQ(ReadInChild(big, " does not fit in memory.", true), 0);
}
