// SPDX-License-Identifier: GPL-3.0-or-later
// The control-PC marker: one path for Zarvik and the calculator, moved by the environment.

#include "platform/ControlPc.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QString& value) : Name(name) { qputenv(Name, value.toLocal8Bit()); }
    ~ScopedEnv() { qunsetenv(Name); }

  private:
    const char* Name;
};

TEST(ControlPc, MarkerFileTellsTheControlPc) {
    QTemporaryDir Folder;
    const QString Marker = Folder.filePath(QStringLiteral("KVZMNGCD.CNC"));
    ScopedEnv Env("ZARVIK_KVZ_MARKER", Marker);
    EXPECT_EQ(platform::KvzMarkerPath(), Marker);
    EXPECT_FALSE(platform::OnKvzControlPc());
    QFile File(Marker);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.close();
    EXPECT_TRUE(platform::OnKvzControlPc());
}

TEST(ControlPc, WithoutTheEnvironmentTheControlsOwnPathsHold) {
    qunsetenv("ZARVIK_KVZ_MARKER");
    qunsetenv("ZARVIK_KVZ_START_FOLDER");
    EXPECT_TRUE(platform::KvzMarkerPath().endsWith(QStringLiteral("/KVZ-R/KVZMNGCD.CNC")));
    EXPECT_EQ(platform::KvzStartFolder(), QStringLiteral("/MD1"));
    ScopedEnv Env("ZARVIK_KVZ_START_FOLDER", QStringLiteral("/tmp/md1"));
    EXPECT_EQ(platform::KvzStartFolder(), QStringLiteral("/tmp/md1"));
}

} // namespace
