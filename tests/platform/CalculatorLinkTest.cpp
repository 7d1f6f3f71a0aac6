// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CalculatorLink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Waits until the condition holds or the time is up.
template <class Condition> bool Eventually(Condition Holds, int Ms = 10000) {
    QDeadlineTimer Deadline(Ms);
    while (!Deadline.hasExpired()) {
        if (Holds()) return true;
        QThread::msleep(50);
    }
    return Holds();
}

// An environment variable set for the length of a test, then put back as it was.
class EnvSetting {
  public:
    EnvSetting(const char* name, const QByteArray& value)
        : Name(name), Had(qEnvironmentVariableIsSet(name)), Old(qgetenv(name)) {
        qputenv(Name, value);
    }
    ~EnvSetting() {
        if (Had)
            qputenv(Name, Old);
        else
            qunsetenv(Name);
    }

  private:
    const char* Name;
    bool Had;
    QByteArray Old;
};

int ModeOf(const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0) return -1;
    return int(info.st_mode & 07777);
}

class CalculatorLink : public testing::Test {
  protected:
    // A calculator of its own, in a session folder and a temporary folder of the test's own, so
    // the test never touches the operator's.
    QTemporaryDir Runtime, Temp;
    EnvSetting Instance{"ZARVIK_CALC_INSTANCE", QByteArray::number(QCoreApplication::applicationPid())};
    EnvSetting RuntimeDir{"XDG_RUNTIME_DIR", QFile::encodeName(Runtime.path())};
    EnvSetting TempDir{"TMPDIR", QFile::encodeName(Temp.path())};

    QString Fallback() const { return Temp.path() + "/zarvik-" + QString::number(getuid()); }
    QString Name() const { return "ZarvikCalculator-" + QString::number(QCoreApplication::applicationPid()); }
    void TearDown() override { CloseCalculator(); }
};

// A stand-in calculator at Folder that only writes Tag into the file Marker when started.
void FakeCalculator(const QString& Folder, const QString& Marker, const QByteArray& Tag) {
    QDir().mkpath(Folder);
    QFile Script(CalculatorProgramPath(Folder));
    ASSERT_TRUE(Script.open(QIODevice::WriteOnly));
    Script.write("#!/bin/sh\necho " + Tag + " > '" + Marker.toUtf8() + "'\n");
    Script.close();
    Script.setPermissions(Script.permissions() | QFileDevice::ExeOwner);
}

// What the stand-in that started wrote, once it has.
QByteArray StartedTag(const QString& Marker) {
    QFile File(Marker);
    Eventually([&] { return File.exists() && File.size() > 0; }, 5000);
    if (!File.open(QIODevice::ReadOnly)) return {};
    QByteArray Tag = File.readAll().trimmed();
    File.close();
    File.remove();
    return Tag;
}

} // namespace

TEST_F(CalculatorLink, MissingProgramIsReportedWithItsPath) {
    QTemporaryDir Empty;
    QString Reason;
    EXPECT_FALSE(StartCalculatorFrom(Empty.path(), &Reason));
    EXPECT_TRUE(Reason.contains(QStringLiteral("ZarvikCalculator"))) << Reason.toStdString();
}

TEST_F(CalculatorLink, ClosingWhenNoneRunsDoesNothing) {
    ASSERT_FALSE(CalculatorRunning());
    QDeadlineTimer Quick(2000);
    CloseCalculator();
    EXPECT_FALSE(Quick.hasExpired());
}

TEST_F(CalculatorLink, OneInstanceThatZarvikCloses) {
    QString Reason;
    ASSERT_TRUE(StartCalculator(&Reason)) << Reason.toStdString();
    ASSERT_TRUE(Eventually([] { return CalculatorRunning(); }));

    // A second start hands over to the first and ends at once.
    QProcess Second;
    Second.start(CalculatorProgramPath(QCoreApplication::applicationDirPath()), {});
    ASSERT_TRUE(Second.waitForFinished(5000));
    EXPECT_EQ(Second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Second.exitCode(), 0);
    EXPECT_TRUE(CalculatorRunning());

    CloseCalculator();
    EXPECT_TRUE(Eventually([] { return !CalculatorRunning(); }, 5000));
}

TEST_F(CalculatorLink, EndpointLivesInThePrivateSessionFolder) {
    ASSERT_EQ(ModeOf(Runtime.path()), 0700);
    QString Reason;
    EXPECT_EQ(CalculatorServerPath(&Reason), Runtime.path() + "/" + Name()) << Reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Fallback()));

    // An instance name never leads out of the folder.
    const EnvSetting Odd("ZARVIK_CALC_INSTANCE", "../../x y");
    EXPECT_EQ(CalculatorServerPath(nullptr), Runtime.path() + "/ZarvikCalculator-______x_y");
}

TEST_F(CalculatorLink, WithoutAPrivateSessionFolderAFolderOfMode0700IsMade) {
    for (const char* How : {"unset", "relative", "open"}) {
        SCOPED_TRACE(How);
        std::optional<EnvSetting> Session;
        if (How == std::string("unset")) Session.emplace("XDG_RUNTIME_DIR", "");
        if (How == std::string("relative")) Session.emplace("XDG_RUNTIME_DIR", "run/user");
        if (How == std::string("open"))
            ASSERT_EQ(chmod(QFile::encodeName(Runtime.path()).constData(), 0770), 0);
        QString Reason;
        EXPECT_EQ(CalculatorServerPath(&Reason), Fallback() + "/" + Name()) << Reason.toStdString();
        EXPECT_EQ(ModeOf(Fallback()), 0700);
        EXPECT_EQ(QFileInfo(Fallback()).ownerId(), getuid());
        ASSERT_TRUE(QDir(Fallback()).removeRecursively());
    }
}

TEST_F(CalculatorLink, AFallbackFolderOthersCouldUseIsRefused) {
    const EnvSetting NoSession("XDG_RUNTIME_DIR", "");
    const QByteArray Folder = QFile::encodeName(Fallback());
    QString Reason;

    ASSERT_EQ(mkdir(Folder.constData(), 0700), 0);
    ASSERT_EQ(chmod(Folder.constData(), 0770), 0); // group-writable
    EXPECT_EQ(CalculatorServerPath(&Reason), QString());
    EXPECT_TRUE(Reason.contains("open to other users (mode 770)")) << Reason.toStdString();
    EXPECT_FALSE(CalculatorRunning());
    EXPECT_EQ(ModeOf(Fallback()), 0770) << "a refused folder is left as found";

    ASSERT_EQ(chmod(Folder.constData(), 0700), 0);
    EXPECT_TRUE(PrivateFolderProblem(Fallback(), getuid() + 1).contains("belongs to another user"));
    if (getuid() == 0) { // only root can hand the folder to another user
        ASSERT_EQ(chown(Folder.constData(), 65534, 65534), 0);
        EXPECT_EQ(CalculatorServerPath(&Reason), QString());
        EXPECT_TRUE(Reason.contains("belongs to another user")) << Reason.toStdString();
    }

    // A link planted in its place, even to a private folder of this user.
    ASSERT_TRUE(QDir(Fallback()).removeRecursively());
    ASSERT_EQ(symlink(QFile::encodeName(Runtime.path()).constData(), Folder.constData()), 0);
    EXPECT_EQ(CalculatorServerPath(&Reason), QString());
    EXPECT_TRUE(Reason.contains("is not a folder")) << Reason.toStdString();
}

TEST_F(CalculatorLink, OnlyAProcessOfThisUserPassesThePeerCheck) {
    int Pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, Pair), 0);
    EXPECT_TRUE(PeerIsThisUser(Pair[0]));
    close(Pair[0]);
    close(Pair[1]);
    EXPECT_FALSE(PeerIsThisUser(-1));

    if (getuid() != 0) GTEST_SKIP() << "a peer of another user needs root to arrange";
    // A listening socket anyone may reach, and a child that connects as another user.
    ASSERT_EQ(chmod(QFile::encodeName(Temp.path()).constData(), 0711), 0);
    QTemporaryDir Open(Temp.path() + "/open-XXXXXX");
    ASSERT_EQ(chmod(QFile::encodeName(Open.path()).constData(), 0777), 0);
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    const QByteArray Path = QFile::encodeName(Open.path() + "/s");
    memcpy(Address.sun_path, Path.constData(), Path.size());
    const int Listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(Listener, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
    ASSERT_EQ(chmod(Path.constData(), 0777), 0);
    ASSERT_EQ(listen(Listener, 1), 0);
    const pid_t Child = fork();
    if (Child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        const int s = socket(AF_UNIX, SOCK_STREAM, 0);
        _exit(connect(s, reinterpret_cast<sockaddr*>(&Address), sizeof Address) == 0 ? 0 : 4);
    }
    int Status = 0;
    waitpid(Child, &Status, 0);
    ASSERT_EQ(WEXITSTATUS(Status), 0); // connected: the connection waits in the backlog
    const int Accepted = accept(Listener, nullptr, nullptr);
    EXPECT_FALSE(PeerIsThisUser(Accepted));
    close(Accepted);
    close(Listener);
}

TEST_F(CalculatorLink, TheCalculatorListensInTheSessionFolderClosedToOthers) {
    QString Reason;
    ASSERT_TRUE(StartCalculator(&Reason)) << Reason.toStdString();
    ASSERT_TRUE(Eventually([] { return CalculatorRunning(); }));
    const QString Socket = Runtime.path() + "/" + Name();
    EXPECT_TRUE(QFileInfo(Socket).exists());
    EXPECT_EQ(ModeOf(Socket) & 077, 0) << std::oct << ModeOf(Socket);
    CloseCalculator();
    EXPECT_TRUE(Eventually([] { return !CalculatorRunning(); }, 5000));
}

TEST_F(CalculatorLink, ASocketLeftBehindIsReplaced) {
    // What a calculator that was killed leaves: the socket file, with nobody listening.
    const QByteArray Path = QFile::encodeName(Runtime.path() + "/" + Name());
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    memcpy(Address.sun_path, Path.constData(), Path.size());
    const int Stale = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(Stale, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
    close(Stale);
    ASSERT_FALSE(CalculatorRunning());

    QString Reason;
    ASSERT_TRUE(StartCalculator(&Reason)) << Reason.toStdString();
    EXPECT_TRUE(Eventually([] { return CalculatorRunning(); }));
}

TEST(CalculatorFolders, OwnFolderThenTheBinFolderOfItsInstallation) {
    EXPECT_EQ(CalculatorFolders("/opt/zarvik/libexec"),
              QStringList({"/opt/zarvik/libexec", "/opt/zarvik/bin"}));
    // Installed in bin, or given with a trailing separator: one folder, looked at once.
    EXPECT_EQ(CalculatorFolders("/usr/bin"), QStringList({"/usr/bin"}));
    EXPECT_EQ(CalculatorFolders("/usr/bin/"), QStringList({"/usr/bin"}));
}

TEST_F(CalculatorLink, TheFirstFolderHoldingTheCalculatorStartsIt) {
    QTemporaryDir Root;
    const QString Own = Root.filePath("prefix/libexec"), Bin = Root.filePath("prefix/bin");
    const QString Marker = Root.filePath("started");
    QDir().mkpath(Own);
    QString Reason;

    FakeCalculator(Bin, Marker, "installed");
    // A calculator file beside Zarvik that cannot be run is passed over.
    QFile NotExecutable(CalculatorProgramPath(Own));
    ASSERT_TRUE(NotExecutable.open(QIODevice::WriteOnly));
    NotExecutable.close();
    NotExecutable.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(StartCalculatorFromAny(CalculatorFolders(Own), &Reason)) << Reason.toStdString();
    EXPECT_EQ(StartedTag(Marker), "installed");

    // The one beside Zarvik comes first.
    NotExecutable.remove();
    FakeCalculator(Own, Marker, "beside");
    ASSERT_TRUE(StartCalculatorFromAny(CalculatorFolders(Own), &Reason)) << Reason.toStdString();
    EXPECT_EQ(StartedTag(Marker), "beside");
}

TEST_F(CalculatorLink, MissingEverywhereNamesEveryPlaceLookedAt) {
    QTemporaryDir Root;
    const QString Own = Root.filePath("prefix/libexec");
    QString Reason;
    EXPECT_FALSE(StartCalculatorFromAny(CalculatorFolders(Own), &Reason));
    EXPECT_TRUE(Reason.startsWith("The calculator was not found: ")) << Reason.toStdString();
    EXPECT_TRUE(Reason.contains(CalculatorProgramPath(Own))) << Reason.toStdString();
    EXPECT_TRUE(Reason.contains(CalculatorProgramPath(Root.filePath("prefix/bin")))) << Reason.toStdString();
}

TEST_F(CalculatorLink, RealCalculatorStartsFromTheInstallationsBinFolder) {
    QTemporaryDir Root;
    const QString Own = Root.filePath("prefix/libexec"), Bin = Root.filePath("prefix/bin");
    ASSERT_TRUE(QDir().mkpath(Own) && QDir().mkpath(Bin));
    ASSERT_TRUE(QFile::copy(CalculatorProgramPath(QCoreApplication::applicationDirPath()),
                            CalculatorProgramPath(Bin)));
    QString Reason;
    ASSERT_TRUE(StartCalculatorFromAny(CalculatorFolders(Own), &Reason)) << Reason.toStdString();
    EXPECT_TRUE(Eventually([] { return CalculatorRunning(); }));
    CloseCalculator();
    EXPECT_TRUE(Eventually([] { return !CalculatorRunning(); }, 5000));
}
