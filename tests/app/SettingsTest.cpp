// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: defaults, text forms, the reading and writing order, malformed values,
// and a round trip through the INI file in a temporary configuration folder.

#include "settings/Settings.h"
#include "settings/IniStore.h"

#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using settings::Values;

// A store that remembers every key it was asked for and every value written, in order.
class RecordingStore : public settings::Store {
  public:
    std::map<QString, QString> Data; // "Section/Key" -> value
    std::vector<QString> Reads, Writes;
    QString Get(const QString& section, const QString& key, const QString& fallback) override {
        Reads.push_back(key);
        auto it = Data.find(section + "/" + key);
        return it == Data.end() ? fallback : it->second;
    }
    void Put(const QString& section, const QString& key, const QString& value) override {
        Writes.push_back(section + "/" + key);
        Data[section + "/" + key] = value;
    }
    QString At(const QString& k) const {
        auto it = Data.find(k);
        return it == Data.end() ? "<absent>" : it->second;
    }
};

Values ReadAll(settings::Store& store) {
    Values v;
    settings::ReadWindow(store, v);
    settings::ReadParameters(store, v, "/opt/zarvik");
    settings::ReadRecentFiles(store, v);
    return v;
}

} // namespace

TEST(Settings, EmptyStoreGivesDefaultsAndExitCreatesEveryKeyButUnusedRecentFiles) {
    RecordingStore store;
    const Values v = ReadAll(store);
    EXPECT_EQ(v.MainLeft, 1000);
    EXPECT_EQ(v.MainTop, 1000);
    EXPECT_EQ(v.MainWidth, 12000);
    EXPECT_EQ(v.MainHeight, 10000);
    EXPECT_EQ(v.Limits.PVLX, 500);
    EXPECT_EQ(v.Limits.PVLZ, 200);
    EXPECT_EQ(v.Limits.NVLX, -200);
    EXPECT_EQ(v.Limits.NVLZ, -200.0f);
    EXPECT_EQ(v.Unit, 1);
    EXPECT_FALSE(v.PointCheck.On || v.Vertical.On || v.Xmirror.On || v.G2mirror);
    EXPECT_EQ(v.OpenPathName, "/opt/zarvik");
    EXPECT_EQ(v.PrinterOrientation, 2);
    EXPECT_EQ(v.ProgramFontName, "");
    EXPECT_EQ(v.ProgramFontSize, 10);
    for (const QString& r : v.RecentFile)
        EXPECT_FALSE(settings::RecentInUse(r));

    const std::vector<QString> readOrder{"MainLeft",
                                         "MainTop",
                                         "MainWidth",
                                         "MainHeight",
                                         "PVLX",
                                         "PVLZ",
                                         "NVLX",
                                         "NVLZ",
                                         "Unit",
                                         "PointCheck",
                                         "Vertical",
                                         "Xmirror",
                                         "G2mirror",
                                         "OpenPathName",
                                         "PrinterOrientation",
                                         "ProgramFontName",
                                         "ProgramFontSize",
                                         "RecentFile1",
                                         "RecentFile2",
                                         "RecentFile3",
                                         "RecentFile4",
                                         "RecentFile5"};
    EXPECT_EQ(store.Reads, readOrder);

    RecordingStore out;
    settings::WriteAll(out, v, false);
    const std::vector<QString> writeOrder{"Settings/MainLeft",        "Settings/MainTop",
                                          "Settings/MainWidth",       "Settings/MainHeight",
                                          "Parameter/PVLX",           "Parameter/PVLZ",
                                          "Parameter/NVLX",           "Parameter/NVLZ",
                                          "Parameter/Unit",           "Parameter/PointCheck",
                                          "Parameter/Vertical",       "Parameter/Xmirror",
                                          "Parameter/G2mirror",       "Parameter/AutoStart",
                                          "Settings/OpenPathName",    "Settings/PrinterOrientation",
                                          "Settings/ProgramFontName", "Settings/ProgramFontSize",
                                          "Settings/PaneWidening"};
    EXPECT_EQ(out.Writes, writeOrder);
    EXPECT_EQ(out.At("Settings/MainWidth"), "12000");
    EXPECT_EQ(out.At("Parameter/NVLX"), "-200");
    EXPECT_EQ(out.At("Parameter/PointCheck"), "False");
    EXPECT_EQ(out.At("Parameter/AutoStart"), "True");
}

TEST(Settings, NumbersKeepTheirPrecisionAndRounding) {
    RecordingStore store;
    store.Data["Parameter/NVLZ"] = "-200.123456789";
    store.Data["Parameter/PVLX"] = "123.456789012345678";
    store.Data["Parameter/Unit"] = "2.5";
    Values v = ReadAll(store);
    EXPECT_EQ(v.Unit, 2);
    RecordingStore out;
    settings::WriteAll(out, v, false);
    EXPECT_EQ(out.At("Parameter/NVLZ"), "-200.1235"); // single precision
    EXPECT_EQ(out.At("Parameter/PVLX"), "123.456789012346");

    store.Data["Parameter/Unit"] = "3.5";
    EXPECT_EQ(ReadAll(store).Unit, 4); // halves to even
    store.Data["Parameter/PVLZ"] = "  150abc";
    store.Data["Parameter/NVLX"] = "abc";
    v = ReadAll(store);
    EXPECT_EQ(v.Limits.PVLZ, 150); // the leading number
    EXPECT_EQ(v.Limits.NVLX, 0);   // no number at all
}

TEST(Settings, MalformedValuesFallBackToTheirDefaultsAndTheRestStillLoads) {
    RecordingStore store;
    store.Data["Settings/MainLeft"] = "left";
    store.Data["Settings/MainTop"] = "2000";
    store.Data["Settings/PrinterOrientation"] = "landscape";
    store.Data["Settings/ProgramFontSize"] = "1e99";
    store.Data["Parameter/G2mirror"] = "maybe";
    store.Data["Parameter/Vertical"] = "True";
    const Values v = ReadAll(store);
    EXPECT_EQ(v.MainLeft, 1000);
    EXPECT_EQ(v.MainTop, 2000);
    EXPECT_EQ(v.PrinterOrientation, 2);
    EXPECT_EQ(v.ProgramFontSize, 10);
    EXPECT_FALSE(v.G2mirror);
    EXPECT_TRUE(v.Vertical.On);
}

TEST(Settings, SwitchesKeepTheTextReadUnlessChanged) {
    RecordingStore store;
    store.Data["Parameter/PointCheck"] = "true";
    store.Data["Parameter/Xmirror"] = "-1";
    Values v = ReadAll(store);
    EXPECT_TRUE(v.PointCheck.On);
    EXPECT_TRUE(v.Xmirror.On);
    // The way through the lathe's parameters changes the switches' state only.
    interp::Parameters p = settings::ParametersOf(v);
    EXPECT_TRUE(p.Fanuc && p.Xmirror && !p.Vertical && !p.G2mirror);
    p.Xmirror = false, p.G2mirror = true, p.Unit = 3, p.Limits.NVLZ = -150.3f;
    settings::ApplyParameters(v, p);
    EXPECT_TRUE(v.G2mirror && !v.Xmirror.On && !v.Vertical.On);
    EXPECT_EQ(v.Unit, 3);
    EXPECT_EQ(settings::ParametersOf(v), p);
    RecordingStore out;
    settings::WriteAll(out, v, false);
    EXPECT_EQ(out.At("Parameter/PointCheck"), "true");
    EXPECT_EQ(out.At("Parameter/Xmirror"), "False");
    EXPECT_EQ(out.At("Parameter/G2mirror"), "True");
    EXPECT_EQ(out.At("Parameter/NVLZ"), "-150.3");
}

TEST(Settings, MinimisedWindowAndUnusedRecentSlotsAreNotWritten) {
    Values v;
    v.MainLeft = 5;
    v.RecentFile[0] = "/nc/O1.MIN";
    v.RecentFile[2] = "/nc/O3.MIN";
    RecordingStore out;
    out.Data["Settings/MainLeft"] = "777";
    out.Data["Settings/RecentFile2"] = "/old/kept.min";
    settings::WriteAll(out, v, true);
    EXPECT_EQ(out.At("Settings/MainLeft"), "777");
    EXPECT_EQ(out.At("Settings/RecentFile1"), "/nc/O1.MIN");
    EXPECT_EQ(out.At("Settings/RecentFile2"), "/old/kept.min");
    EXPECT_EQ(out.At("Settings/RecentFile3"), "/nc/O3.MIN");
    EXPECT_EQ(out.At("Settings/RecentFile4"), "<absent>");
}

TEST(Settings, IniFileRoundTripUnderTheConfigurationFolder) {
    Values v;
    v.MainLeft = 1234;
    v.MainHeight = 9000;
    v.Limits.PVLX = 321.5;
    v.Limits.NVLZ = -150.3f;
    v.Unit = 3;
    v.PointCheck.On = true;
    v.G2mirror = true;
    v.OpenPathName = "/home/op/nc, programs";
    v.ProgramFontName = "IPAGothic";
    v.ProgramFontSize = 12;
    v.RecentFile[0] = "/home/op/O0001.MIN";
    {
        settings::IniStore store;
        settings::WriteAll(store, v, false);
        store.Sync();
        const QString expected =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Zarvik/Zarvik.ini";
        EXPECT_EQ(store.FileName(), expected);
        QFile f(expected);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray ini = f.readAll();
        EXPECT_TRUE(ini.contains("[Settings]"));
        EXPECT_TRUE(ini.contains("[Parameter]"));
        EXPECT_TRUE(ini.contains("PointCheck=True"));
    }
    settings::IniStore store;
    const Values r = ReadAll(store);
    EXPECT_EQ(r.MainLeft, 1234);
    EXPECT_EQ(r.MainHeight, 9000);
    EXPECT_EQ(r.Limits.PVLX, 321.5);
    EXPECT_EQ(r.Limits.NVLZ, -150.3f);
    EXPECT_EQ(r.Unit, 3);
    EXPECT_TRUE(r.PointCheck.On);
    EXPECT_TRUE(r.G2mirror);
    EXPECT_EQ(r.OpenPathName, "/home/op/nc, programs");
    EXPECT_EQ(r.ProgramFontName, "IPAGothic");
    EXPECT_EQ(r.ProgramFontSize, 12);
    EXPECT_EQ(r.RecentFile[0], "/home/op/O0001.MIN");
    EXPECT_FALSE(settings::RecentInUse(r.RecentFile[1]));
}
