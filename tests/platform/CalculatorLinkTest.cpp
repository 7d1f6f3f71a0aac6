#include "platform/CalculatorLink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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
