// SPDX-License-Identifier: GPL-3.0-or-later
// One calculator per user: when another user holds the calculator's folder, the calculator runs
// alone and the operator is told so beside it, not only on standard error.

#include "SingleInstance.h"
#include "frmCalc.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(CalcSingleInstance, AFolderHeldByAnotherUserIsShownBesideTheCalculator) {
    QTemporaryDir Temp;
    const QByteArray OldTemp = qgetenv("TMPDIR"), OldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", Temp.path().toLocal8Bit());
    qunsetenv("XDG_RUNTIME_DIR");
    // The folder the calculator's server would take, made first by another user (as root: given to
    // nobody; otherwise opened to everybody, which the calculator refuses alike).
    const QString Held = Temp.path() + QStringLiteral("/zarvik-") + QString::number(::getuid());
    ASSERT_EQ(::mkdir(Held.toLocal8Bit().constData(), 0700), 0);
    if (::geteuid() == 0)
        ASSERT_EQ(::chown(Held.toLocal8Bit().constData(), 65534, 65534), 0);
    else
        ASSERT_EQ(::chmod(Held.toLocal8Bit().constData(), 0777), 0);

    calc::SingleInstance Instance;
    QString Reason;
    EXPECT_FALSE(Instance.Listen(&Reason));
    EXPECT_TRUE(Reason.contains(Held)) << Reason.toStdString();

    calc::frmCalc Window(false);
    Window.show();
    QPointer<QMessageBox> Box = calc::TellRunningAlone(&Window, Reason);
    ASSERT_TRUE(Box);
    EXPECT_TRUE(Box->isVisible());
    EXPECT_EQ(Box->windowModality(), Qt::NonModal); // the calculator stays usable
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(Box->text().contains(QStringLiteral("Zarvik cannot close it")));
    EXPECT_EQ(Box->informativeText(), Reason);
    Box->button(QMessageBox::Ok)->click();
    QTest::qWaitFor([&Box] { return Box.isNull(); });
    EXPECT_TRUE(Box.isNull());

    qputenv("TMPDIR", OldTemp);
    if (!OldRuntime.isEmpty()) qputenv("XDG_RUNTIME_DIR", OldRuntime);
    if (OldTemp.isEmpty()) qunsetenv("TMPDIR");
}
