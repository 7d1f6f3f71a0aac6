// SPDX-License-Identifier: GPL-3.0-or-later
// The file a save goes to is the file that was read: how the disk compares with it before a save,
// links another user planted in a shared folder, a link swapped in after opening, and the extended
// attributes and access control lists a replacement must keep.

#include "files/FileIo.h"
#include "files/FileSave.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

namespace {

constexpr uid_t Nobody = 65534;

QByteArray C(const QString& path) {
    return QFile::encodeName(path);
}

// Runs `body` in a child process as the user nobody (with a cache folder of its own for backup
// copies); true when it returned true.
bool AsNobody(const std::function<bool()>& body) {
    QTemporaryDir cache;
    if (chown(C(cache.path()), Nobody, Nobody) != 0) return false;
    const pid_t pid = fork();
    if (pid == 0) {
        qputenv("XDG_CACHE_HOME", C(cache.path()));
        if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0) _exit(99);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

files::FileIdentity Read(const QString& path) {
    const files::ReadResult r = files::ReadProgramFile(path);
    EXPECT_TRUE(r.Ok) << r.Error.toStdString();
    return r.Identity;
}

bool Save(const QString& path, const QByteArray& bytes, QString* error = nullptr,
          files::SaveOptions options = {}) {
    QString e;
    const bool ok = files::WriteProgramBytes(path, bytes, e, options);
    if (error) *error = e;
    return ok;
}

// Another program saving the way many editors do: a new file renamed over the old one.
void ReplaceWhole(const QString& path, const QByteArray& bytes) {
    WriteBytes(path + ".new", bytes);
    ASSERT_EQ(rename(C(path + ".new"), C(path)), 0);
}

} // namespace

TEST(SaveIdentity, TheDiskIsComparedWithWhatWasRead) {
    using files::DiskState;
    QTemporaryDir dir;
    const QString path = dir.filePath("O1.MIN");
    WriteBytes(path, "O0001\r\nG00 X1.\r\n");
    files::FileIdentity id = Read(path);
    EXPECT_EQ(files::CheckOnDisk(path, id), DiskState::Same);
    // Touched only, or replaced whole with the same bytes: nothing to lose.
    ASSERT_EQ(utime(C(path), nullptr), 0);
    ReplaceWhole(path, "O0001\r\nG00 X1.\r\n");
    EXPECT_EQ(files::CheckOnDisk(path, id), DiskState::Same);
    // The same size, other bytes (a DNC transfer within one tick of the clock), then another size.
    WriteBytes(path, "O0001\r\nG00 X2.\r\n");
    EXPECT_EQ(files::CheckOnDisk(path, id), DiskState::ChangedOnDisk);
    ReplaceWhole(path, "O0002\r\n");
    EXPECT_EQ(files::CheckOnDisk(path, id), DiskState::ChangedOnDisk);
    // A save gives the identity of what it wrote.
    files::FileIdentity written;
    ASSERT_TRUE(Save(path, "O0003\r\n", nullptr, {&id, false, &written}));
    EXPECT_EQ(files::CheckOnDisk(path, written), DiskState::Same);
    // Read-only, gone, and a name that now leads elsewhere.
    ASSERT_EQ(chmod(C(path), 0444), 0);
    EXPECT_EQ(files::CheckOnDisk(path, written), DiskState::ReadOnly);
    ASSERT_EQ(unlink(C(path)), 0);
    EXPECT_EQ(files::CheckOnDisk(path, written), DiskState::Gone);
    WriteBytes(dir.filePath("OTHER.MIN"), "O0003\r\n");
    ASSERT_EQ(symlink("OTHER.MIN", C(path)), 0);
    EXPECT_EQ(files::CheckOnDisk(path, written), DiskState::OtherFile);
    // A program opened through a link is the link's file; the link may stay.
    EXPECT_EQ(files::CheckOnDisk(path, Read(path)), DiskState::Same);
}

// A large program's hash is worked out beside the reading: the comparison is the same.
TEST(SaveIdentity, ALargeProgramIsComparedByItsBytesToo) {
    using files::DiskState;
    QTemporaryDir dir;
    const QString path = dir.filePath("LARGE.MIN");
    QByteArray bytes;
    while (bytes.size() < (3 << 20))
        bytes += "N" + QByteArray::number(bytes.size()) + " G01 X1. Z-1.\r\n";
    WriteBytes(path, bytes);
    const files::FileIdentity id = Read(path);
    EXPECT_EQ(files::CheckOnDisk(path, id), DiskState::Same);
    QByteArray other = bytes;
    char& changed = other[other.size() / 2];
    changed = changed == '7' ? '8' : '7'; // the same size, one byte other
    WriteBytes(path, other);
    EXPECT_EQ(files::CheckOnDisk(path, id), DiskState::ChangedOnDisk);
    EXPECT_EQ(id.Hash.get(), files::HashOf(bytes));
}

TEST(SaveIdentity, ALinkOfAnotherUserInASharedFolderIsNeverFollowed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir dir;
    const QString shared = dir.filePath("tmp"), secret = dir.filePath("SECRET");
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_EQ(chmod(C(dir.path()), 0755), 0);
    ASSERT_EQ(chmod(C(shared), 01777), 0); // as the system's temporary folder
    WriteBytes(secret, "root only\n");
    ASSERT_EQ(chmod(C(secret), 0600), 0);
    const QString planted = shared + "/O1.MIN";
    ASSERT_TRUE(AsNobody([&] { return symlink(C(secret).constData(), C(planted).constData()) == 0; }));
    QString error;
    EXPECT_FALSE(Save(planted, "G00\r\n", &error));
    EXPECT_TRUE(error.contains("link of another user")) << error.toStdString();
    EXPECT_EQ(ReadBytes(secret), "root only\n");
    const files::ReadResult read = files::ReadProgramFile(planted);
    EXPECT_FALSE(read.Ok);
    EXPECT_TRUE(read.Error.contains("link of another user")) << read.Error.toStdString();

    // Root's own link there is followed; so is, for nobody, a link of the folder's owner (root).
    const QString program = dir.filePath("O2.MIN"), own = shared + "/O2.MIN";
    WriteBytes(program, "old\r\n");
    ASSERT_EQ(chmod(C(program), 0666), 0);
    ASSERT_EQ(symlink(C(program).constData(), C(own).constData()), 0);
    ASSERT_TRUE(Save(own, "root\r\n"));
    EXPECT_EQ(ReadBytes(program), "root\r\n");
    EXPECT_TRUE(AsNobody([&] { return Save(own, "nobody\r\n"); }));
    EXPECT_EQ(ReadBytes(program), "nobody\r\n");
    // A link of a third user is refused to nobody as well.
    const QString third = shared + "/O3.MIN";
    ASSERT_EQ(symlink(C(program).constData(), C(third).constData()), 0);
    ASSERT_EQ(lchown(C(third), 12345, 12345), 0);
    EXPECT_FALSE(AsNobody([&] { return Save(third, "third\r\n"); }));
    EXPECT_EQ(ReadBytes(program), "nobody\r\n");
}

TEST(SaveIdentity, ALinkSwappedInAfterOpeningDoesNotRedirectRootsSave) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir dir, home;
    ASSERT_EQ(chmod(C(dir.path()), 0755), 0);
    ASSERT_EQ(chown(C(home.path()), Nobody, Nobody), 0); // nobody's folder, root edits a program in it
    const QString secret = dir.filePath("SECRET"), path = home.filePath("O1.MIN");
    WriteBytes(secret, "root only\n");
    ASSERT_EQ(chmod(C(secret), 0600), 0);
    WriteBytes(path, "O0001\r\n");
    ASSERT_EQ(chown(C(path), Nobody, Nobody), 0);
    files::FileIdentity id = Read(path);
    ASSERT_TRUE(AsNobody([&] {
        return unlink(C(path).constData()) == 0 && symlink(C(secret).constData(), C(path).constData()) == 0;
    }));
    EXPECT_EQ(files::CheckOnDisk(path, id), files::DiskState::OtherFile);
    QString error;
    EXPECT_FALSE(Save(path, "O0002\r\n", &error, {&id}));
    EXPECT_TRUE(error.contains("another file")) << error.toStdString();
    EXPECT_EQ(ReadBytes(secret), "root only\n");
    // Saved under the name as a new file: the link is replaced, not followed.
    ASSERT_TRUE(Save(path, "O0002\r\n", &error, {&id, true}));
    struct stat st {};
    ASSERT_EQ(lstat(C(path), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadBytes(path), "O0002\r\n");
    EXPECT_EQ(ReadBytes(secret), "root only\n");
}

TEST(SaveIdentity, ExtendedAttributesAndAccessListsSurviveASave) {
    QTemporaryDir dir;
    const QString path = dir.filePath("O1.MIN");
    WriteBytes(path, "old\r\n");
    if (setxattr(C(path), "user.zarvik.origin", "CAM", 3, 0) != 0)
        GTEST_SKIP() << "this file system takes no extended attributes: " << std::strerror(errno);
    ASSERT_TRUE(Save(path, "new\r\n"));
    char value[16] = {};
    EXPECT_EQ(getxattr(C(path), "user.zarvik.origin", value, sizeof value), 3);
    EXPECT_STREQ(value, "CAM");

    if (geteuid() != 0 || system("command -v setfacl >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the access list needs root and setfacl (package acl)";
    // A root program that nobody may write through the access list only.
    ASSERT_EQ(chmod(C(dir.path()), 0755), 0);
    ASSERT_EQ(chmod(C(path), 0600), 0);
    const QByteArray grant = "setfacl -m u:nobody:rw '" + C(path) + "'";
    ASSERT_EQ(system(grant.constData()), 0);
    ASSERT_TRUE(Save(path, "root saved\r\n"));
    EXPECT_TRUE(AsNobody([&] { return Save(path, "nobody saved\r\n"); }));
    EXPECT_EQ(ReadBytes(path), "nobody saved\r\n");
}
