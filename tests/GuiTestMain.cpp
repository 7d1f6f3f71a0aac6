// SPDX-License-Identifier: GPL-3.0-or-later
// The one main of the test programs that need Qt's GUI: the offscreen platform unless a display
// is asked for, and configuration and cache folders of their own, so that no test reads or
// writes the user's settings or is taken for the control PC.

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit());
    qputenv("ZARVIK_KVZ_MARKER", (home.path() + "/no-marker").toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
