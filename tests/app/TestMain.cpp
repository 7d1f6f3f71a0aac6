// A QApplication on the offscreen platform for the window tests, and a configuration folder of
// their own so that no test reads or writes the user's settings.

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("ZARVIK_KVZ_MARKER", (config.path() + "/no-marker").toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zarvik");
    QApplication::setOrganizationName("Zarvik");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
