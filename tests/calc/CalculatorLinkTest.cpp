#include "CalculatorLink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

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

class CalculatorLink : public testing::Test {
  protected:
    void SetUp() override {
        // A calculator of its own, so the test never touches the operator's.
        qputenv("ZARVIK_CALC_INSTANCE", QByteArray::number(QCoreApplication::applicationPid()));
    }
    void TearDown() override { CloseCalculator(); }
};

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
