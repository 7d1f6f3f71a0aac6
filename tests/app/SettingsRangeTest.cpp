// SPDX-License-Identifier: GPL-3.0-or-later
// Stored values out of range: each falls back to its default and the store is corrected at once;
// the window opens on a screen, no larger than it; a store that cannot be written is reported.

#include "WindowFixture.h"

#include "settings/IniStore.h"
#include "settings/Settings.h"
#include "settings/WindowPlacement.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>

namespace {

using settings::Values;

QString IniPath() {
    return settings::IniStore().FileName();
}

// Replaces the store's file with exactly these lines.
void WriteIni(const QByteArray& text) {
    QDir().mkpath(QFileInfo(IniPath()).path());
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.flush();
    // The settings reader keeps files cached by size and time: give each version a time of its own.
    static int version = 0;
    f.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)).addSecs(++version),
                  QFileDevice::FileModificationTime);
}

// What a fresh store reads for one key, "<absent>" when there is none.
QString Stored(const QString& section, const QString& key) {
    settings::IniStore store;
    return store.Get(section, key, "<absent>");
}

Values ReadStore(const QList<QRect>& screens = {}, QRect* place = nullptr) {
    Values v;
    settings::IniStore store;
    settings::ReadWindow(store, v);
    const QRect p = settings::PlaceWindow(store, v, 15, screens);
    if (place) *place = p;
    settings::ReadParameters(store, v, "/opt/zarvik");
    settings::ReadRecentFiles(store, v);
    return v; // the store writes its corrections as it goes out of scope
}

Values WithPlacement(float left, float top, float width, float height) {
    Values v;
    v.MainLeft = left, v.MainTop = top, v.MainWidth = width, v.MainHeight = height;
    return v;
}

} // namespace

TEST(SettingsRange, OutOfRangeValuesFallBackToDefaultsAndAreWrittenBackCorrected) {
    WriteIni("[Settings]\n"
             "MainLeft=-99999999\n"
             "MainTop=99999999999\n"
             "MainWidth=9999999\n"
             "MainHeight=1e39\n"
             "PrinterOrientation=3\n"
             "ProgramFontSize=5\n"
             "ProgramFontName=IPAGothic\n"
             "[Parameter]\n"
             "PVLX=1e999\n"
             "PVLZ=250\n"
             "NVLX=-1e999\n"
             "NVLZ=-1e300\n"
             "Unit=5\n"
             "Vertical=sideways\n"
             "G2mirror=maybe\n");
    QRect place;
    const Values v = ReadStore({QRect(0, 0, 1920, 1080)}, &place);
    EXPECT_EQ(v.PrinterOrientation, 2);
    EXPECT_EQ(v.ProgramFontSize, 10);
    EXPECT_EQ(v.ProgramFontName, "IPAGothic");
    EXPECT_EQ(v.Limits.PVLX, 500);
    EXPECT_EQ(v.Limits.PVLZ, 250);
    EXPECT_EQ(v.Limits.NVLX, -200);
    EXPECT_EQ(v.Limits.NVLZ, -200.0f);
    EXPECT_EQ(v.Unit, 1);
    EXPECT_FALSE(v.Vertical.On);
    EXPECT_FALSE(v.G2mirror);
    // Left edge pulled onto the screen, the unreadable top and height at their defaults, the
    // width down to the screen's.
    EXPECT_EQ(place, QRect(0, 1000 / 15, 1920 - 4, 10000 / 15 - 30));

    EXPECT_EQ(Stored("Settings", "MainLeft"), "0");
    EXPECT_EQ(Stored("Settings", "MainTop"), "990");
    EXPECT_EQ(Stored("Settings", "MainWidth"), "28800");
    EXPECT_EQ(Stored("Settings", "MainHeight"), "9990");
    EXPECT_EQ(Stored("Settings", "PrinterOrientation"), "2");
    EXPECT_EQ(Stored("Settings", "ProgramFontSize"), "10");
    EXPECT_EQ(Stored("Settings", "ProgramFontName"), "IPAGothic");
    EXPECT_EQ(Stored("Parameter", "PVLX"), "500");
    EXPECT_EQ(Stored("Parameter", "PVLZ"), "250");
    EXPECT_EQ(Stored("Parameter", "NVLX"), "-200");
    EXPECT_EQ(Stored("Parameter", "NVLZ"), "-200");
    EXPECT_EQ(Stored("Parameter", "Unit"), "1");
    EXPECT_EQ(Stored("Parameter", "Vertical"), "False");
    EXPECT_EQ(Stored("Parameter", "G2mirror"), "False");
    // What was sound and absent stays as it was.
    EXPECT_EQ(Stored("Parameter", "Xmirror"), "<absent>");
    EXPECT_EQ(Stored("Settings", "OpenPathName"), "<absent>");
}

TEST(SettingsRange, LimitsOfEachRangeAreKeptJustBeyondAreNot) {
    const struct {
        const char* Key;
        const char* Text;
        int Read; // as the program holds it
        bool Corrected;
    } cases[] = {
        {"ProgramFontSize", "6", 6, false},
        {"ProgramFontSize", "72", 72, false},
        {"ProgramFontSize", "73", 10, true},
        {"ProgramFontSize", "-10", 10, true},
        {"PrinterOrientation", "1", 1, false},
        {"PrinterOrientation", "0", 2, true},
        {"PrinterOrientation", "-1", 2, true},
        {"PrinterOrientation", "70000", 2, true},
        {"Unit", "4.4", 4, false},
        {"Unit", "0.5", 1, true}, // halves to even: 0
        {"Unit", "4.6", 1, true},
        {"Unit", "-3", 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Key) + "=" + c.Text);
        const QByteArray section = QByteArray(c.Key) == "Unit" ? "[Parameter]\n" : "[Settings]\n";
        WriteIni(section + c.Key + "=" + c.Text + "\n");
        const Values v = ReadStore();
        const int read = QByteArray(c.Key) == "Unit"                 ? v.Unit
                         : QByteArray(c.Key) == "PrinterOrientation" ? v.PrinterOrientation
                                                                     : v.ProgramFontSize;
        EXPECT_EQ(read, c.Read);
        const QString stored = Stored(section.mid(1, section.size() - 3), c.Key);
        EXPECT_EQ(stored, c.Corrected ? QString::number(c.Read) : QString(c.Text));
    }
}

TEST(WindowPlacement, StaysOnTheScreenItOverlapsMostAndWithinIt) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
    const double tpp = 15;
    // Wholly on the second screen: kept as stored.
    EXPECT_EQ(settings::FitWindow(WithPlacement(2000 * 15, 100 * 15, 800 * 15, 600 * 15), tpp, screens),
              QRect(2000, 100, 800, 600));
    // Mostly on the second, hanging over its right and bottom edges: pulled back onto it.
    EXPECT_EQ(settings::FitWindow(WithPlacement(3000 * 15, 900 * 15, 800 * 15, 600 * 15), tpp, screens),
              QRect(3200 - 800, 1024 - 600, 800, 600));
    // On no screen at all: onto the primary one.
    EXPECT_EQ(settings::FitWindow(WithPlacement(-5000 * 15, -5000 * 15, 800 * 15, 600 * 15), tpp, screens),
              QRect(0, 0, 800, 600));
    // Larger than the screen it is on: the screen's size.
    EXPECT_EQ(settings::FitWindow(WithPlacement(1900 * 15, 0, 9000 * 15, 9000 * 15), tpp, screens),
              QRect(1920, 0, 1280, 1024));
    // Too small to use: the default size.
    EXPECT_EQ(settings::FitWindow(WithPlacement(0, 0, 15, 0), tpp, screens).size(), QSize(800, 666));
    // A screen whose origin is not the desktop's (a panel on the left of the primary one).
    EXPECT_EQ(settings::FitWindow(WithPlacement(0, 0, 800 * 15, 600 * 15), tpp, {QRect(48, 24, 1000, 700)}),
              QRect(48, 24, 800, 600));
}

TEST(WindowPlacement, APlacementThatFitsIsNotRewritten) {
    WriteIni("[Settings]\nMainLeft=1500\nMainTop=3000\nMainWidth=12000\nMainHeight=9000\n");
    QRect place;
    ReadStore({QRect(0, 0, 1920, 1080)}, &place);
    EXPECT_EQ(place, QRect(100, 200, (12000 - 60) / 15, (9000 - 450) / 15));
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("MainLeft=1500\n")) << text.toStdString();
    EXPECT_FALSE(text.contains("[Parameter]")) << "nothing sound is written at start-up";
}

TEST_F(WindowTest, HostilePlacementOpensTheWindowOnTheScreen) {
    W->WindowFrame().mnuExit_Click();
    W.reset();
    WriteIni("[Settings]\nMainLeft=-99999999\nMainTop=99999999999\nMainWidth=9999999\nMainHeight=9999999\n");
    W = std::make_unique<app::MainWindow>();
    ASSERT_TRUE(W->Load(""));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(W->pos())) << W->pos().x() << "," << W->pos().y();
    EXPECT_LE(W->width(), screen.width());
    EXPECT_LE(W->height(), screen.height());
    EXPECT_GE(W->width(), settings::kMinWindowWidth / 2);
    EXPECT_EQ(Stored("Settings", "MainLeft"), QString::number(screen.x() * W->WindowFrame().TwipsPerPixel()));
}

TEST_F(WindowTest, SettingsThatCannotBeWrittenAreReportedOnce) {
    // A folder where the file should be: no user can write the store, not even root.
    QFile::remove(IniPath());
    ASSERT_TRUE(QDir().mkpath(IniPath()));
    QString text;
    AnswerMessage(QMessageBox::Ok, &text); // a second message would fail the test as unexpected
    W->WindowFrame().mnuExit_Click();
    QTest::qWait(50);
    QDir(IniPath()).removeRecursively();
    EXPECT_EQ(Modals->StepsDone(), 1u);
    EXPECT_TRUE(
        text.startsWith("The settings could not be saved to \"" + QDir::toNativeSeparators(IniPath())))
        << text.toStdString();
}

TEST(SettingsRange, AStoreFullOfNoiseIsReadAsDefaultsAndSavesWithoutComplaint) {
    WriteIni(
        QByteArray("\xff\xfe[[Settings\n=\nMainLeft\n\0\0\x01garbage=\"unterminated\n[Parameter]\nUnit", 47));
    const Values v = ReadStore();
    EXPECT_EQ(v.Unit, 1);
    EXPECT_EQ(v.MainLeft, 1000);
    settings::IniStore store;
    settings::WriteAll(store, v, false);
    EXPECT_TRUE(store.Sync());
    EXPECT_EQ(Stored("Parameter", "Unit"), "1");
}

TEST(SettingsRange, ANoisyStoreThatCannotBeWrittenIsStillReportedAsUnsaved) {
    WriteIni("[[Settings\n=\n");
    {
        settings::IniStore store;
        Values v;
        settings::ReadWindow(store, v);
    }
    // The file becomes a folder between the start and the exit.
    QFile::remove(IniPath());
    ASSERT_TRUE(QDir().mkpath(IniPath()));
    settings::IniStore store;
    store.Put("Parameter", "Unit", "2");
    EXPECT_FALSE(store.Sync());
    QDir(IniPath()).removeRecursively();
}
