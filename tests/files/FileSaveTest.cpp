// SPDX-License-Identifier: GPL-3.0-or-later
// Saving keeps the file's identity (owner, group, permissions, hard links, the file a link names),
// writes in place with a backup where it must, and never loses the old file on a failure.

#include "files/FileSave.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

struct stat StatOf(const QString& path) {
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

const char* C(const QString& path) {
    static QByteArray keep;
    keep = QFile::encodeName(path);
    return keep.constData();
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Runs `body` in a child process as the user nobody; its result is the child's exit status.
int AsNobody(const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0) _exit(99);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Save(const QString& path, const QByteArray& bytes, QString* error = nullptr) {
    QString e;
    const bool ok = files::WriteProgramBytes(path, bytes, e);
    if (error) *error = e;
    return ok;
}

// A disk that fills after a few bytes; backups go to another disk that has room.
ssize_t FullAfterFour(int fd, const void* data, size_t size) {
    char name[4096] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    if (readlink(link.c_str(), name, sizeof name - 1) > 0 && std::strstr(name, ".backup-"))
        return ::write(fd, data, size);
    if (size <= 4) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, 4);
}

struct WriteFunctionScope {
    explicit WriteFunctionScope(files::WriteFunction f) : Previous(files::SetWriteFunction(f)) {}
    ~WriteFunctionScope() { files::SetWriteFunction(Previous); }
    files::WriteFunction Previous;
};

} // namespace

TEST(FileSave, ReplacedFileKeepsOwnerGroupAndPermissions) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give the file another owner";
    QTemporaryDir dir;
    const QString path = dir.filePath("O1.MIN");
    WriteBytes(path, "old\r\n");
    ASSERT_EQ(chown(C(path), 12345, 23456), 0);
    ASSERT_EQ(chmod(C(path), 02640), 0); // set-group-id survives the change of owner too
    const ino_t before = StatOf(path).st_ino;
    ASSERT_TRUE(Save(path, "new\r\n"));
    const struct stat after = StatOf(path);
    EXPECT_EQ(after.st_uid, 12345u);
    EXPECT_EQ(after.st_gid, 23456u);
    EXPECT_EQ(after.st_mode & 07777, 02640u);
    EXPECT_NE(after.st_ino, before); // replaced through a temporary file
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    EXPECT_EQ(Entries(dir.path()), QStringList({"O1.MIN"}));
}

TEST(FileSave, HardLinksAndSymbolicLinksStayWhatTheyWere) {
    QTemporaryDir dir;
    const QString path = dir.filePath("O1.MIN"), other = dir.filePath("O1-LINK.MIN");
    WriteBytes(path, "old old old\r\n");
    ASSERT_EQ(link(C(path), C(other)), 0);
    const ino_t inode = StatOf(path).st_ino;
    ASSERT_TRUE(Save(path, "new\r\n"));
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(StatOf(path).st_nlink, 2u);
    EXPECT_EQ(ReadBytes(other), "new\r\n"); // shorter content: the rest is cut off
    EXPECT_EQ(Entries(dir.path()), QStringList({"O1-LINK.MIN", "O1.MIN"})); // no backup left

    const QString target = dir.filePath("T.MIN"), symlinkPath = dir.filePath("S.MIN");
    WriteBytes(target, "old\r\n");
    ASSERT_EQ(symlink("T.MIN", C(symlinkPath)), 0);
    ASSERT_TRUE(Save(symlinkPath, "new\r\n"));
    EXPECT_TRUE(S_ISLNK(StatOf(symlinkPath).st_mode));
    EXPECT_EQ(ReadBytes(target), "new\r\n");
}

TEST(FileSave, NewFileGetsTheUsualPermissionsAndNothingButPlainFilesIsWritten) {
    QTemporaryDir dir;
    const mode_t old = umask(022);
    const QString path = dir.filePath("NEW.MIN");
    const bool ok = Save(path, "G00\r\n");
    umask(old);
    ASSERT_TRUE(ok);
    EXPECT_EQ(StatOf(path).st_mode & 0777, 0644u);

    const QString fifo = dir.filePath("PIPE");
    ASSERT_EQ(mkfifo(C(fifo), 0644), 0);
    QString error;
    EXPECT_FALSE(Save(fifo, "G00\r\n", &error));
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
    EXPECT_FALSE(error.isEmpty());
}

TEST(FileSave, FolderTheUserMayNotWriteIsSavedInPlaceWithABackupInTheCache) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir dir, cache;
    ASSERT_EQ(chmod(C(dir.path()), 0755), 0); // root's folder
    ASSERT_EQ(chown(C(cache.path()), Nobody, Nobody), 0);
    const QString path = dir.filePath("O1.MIN");
    WriteBytes(path, "old\r\n");
    ASSERT_EQ(chown(C(path), Nobody, Nobody), 0);
    const ino_t inode = StatOf(path).st_ino;
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    EXPECT_EQ(AsNobody([&] { return Save(path, "new and longer\r\n"); }), 0);
    EXPECT_TRUE(Entries(cache.path() + "/Zarvik").isEmpty()); // the backup went once the file was safe
    // Without any place for a backup the file is not touched.
    for (const QString& folder : {cache.path(), cache.path() + "/Zarvik"}) {
        ASSERT_EQ(chown(C(folder), 0, 0), 0);
        ASSERT_EQ(chmod(C(folder), 0755), 0);
    }
    EXPECT_EQ(AsNobody([&] {
                  QString error;
                  return !Save(path, "lost?\r\n", &error) && error.contains("backup");
              }),
              0);
    qputenv("XDG_CACHE_HOME", savedCache);
    EXPECT_EQ(ReadBytes(path), "new and longer\r\n");
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(StatOf(path).st_uid, Nobody);
    EXPECT_EQ(Entries(dir.path()), QStringList({"O1.MIN"}));
}

TEST(FileSave, AnotherUsersFileInASharedFolderKeepsItsOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir dir;
    ASSERT_EQ(chmod(C(dir.path()), 0777), 0);
    const QString path = dir.filePath("O1.MIN");
    WriteBytes(path, "old\r\n");
    ASSERT_EQ(chmod(C(path), 0666), 0);
    EXPECT_EQ(AsNobody([&] { return Save(path, "new\r\n"); }), 0);
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    EXPECT_EQ(StatOf(path).st_uid, 0u); // a replacement would have been nobody's
    EXPECT_EQ(Entries(dir.path()), QStringList({"O1.MIN"}));
    // A file nobody may not write stays as it is, though the folder would take a replacement.
    ASSERT_EQ(chmod(C(path), 0644), 0);
    EXPECT_EQ(AsNobody([&] { return Save(path, "replaced\r\n"); }), 1);
    EXPECT_EQ(ReadBytes(path), "new\r\n");
}

TEST(FileSave, FullDiskSaysSoAndLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("O1.MIN"), other = dir.filePath("O1-LINK.MIN");
    const QByteArray old = "O0001\r\nG00 X1.\r\n";
    WriteBytes(path, old);
    {
        WriteFunctionScope full(FullAfterFour);
        QString error;
        // Through a temporary file...
        EXPECT_FALSE(Save(path, "O0002\r\nG00 X2.\r\nM30\r\n", &error));
        EXPECT_EQ(error, "disk full");
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(Entries(dir.path()), QStringList({"O1.MIN"}));
        // ...and in place, where the old content is put back.
        ASSERT_EQ(link(C(path), C(other)), 0);
        EXPECT_FALSE(Save(path, "O0002\r\nG00 X2.\r\nM30\r\n", &error));
        EXPECT_TRUE(error.startsWith("disk full")) << error.toStdString();
        EXPECT_TRUE(error.contains("left as it was")) << error.toStdString();
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(ReadBytes(other), old);
        EXPECT_EQ(Entries(dir.path()), QStringList({"O1-LINK.MIN", "O1.MIN"}));
    }
    // A missing folder says why.
    QString error;
    EXPECT_FALSE(Save(dir.filePath("no/such/O1.MIN"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}
