// SPDX-License-Identifier: GPL-3.0-or-later
// The machine profile: a [machine] table of a setup, a machine file the setup names, what is
// assumed, and that a bad value names its file, line and value.

#include "machine/ProfileFile.h"
#include "stock/SetupFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path Path = fs::temp_directory_path() / ("zarvik-machine-" + std::to_string(::getpid()));
    Folder() { fs::create_directories(Path); }
    ~Folder() { fs::remove_all(Path); }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(Path / name) << text;
        return (Path / name).string();
    }
};

const char* Stock = "[stock]\nkind = \"bar\"\ndiameter = 40\nlength = 80\n";

TEST(MachineProfile, ReadsTheSetupsTableAndListsWhatIsAssumed) {
    Folder f;
    const std::string setup = f.Write("P.setup.toml", std::string(Stock) + R"(
[machine]
z_rapid = 20000
z_accel = 1500
spindle_max_rpm = 3000
chuck_max_rpm = 2500
m_codes = { 8 = 0.8, 10 = 2 }
gear_ranges = [[20, 800], [600, 4000]]
spindle_ramp = [[1000, 0.9], [4000, 5.25]]
)");
    // The setup's own reader accepts the table (the stock is still read).
    stock::SetupError se;
    ASSERT_TRUE(stock::ReadSetupFile(setup, se)) << se.Text();
    bool found = false;
    machine::ProfileError e;
    const auto p = machine::MachineOfSetup(setup, found, e);
    ASSERT_TRUE(p) << e.Text();
    EXPECT_TRUE(found);
    EXPECT_EQ(p->Z.RapidMmMin, 20000);
    EXPECT_EQ(p->Z.AccelMmS2, 1500);
    EXPECT_EQ(p->X.RapidMmMin, machine::DefaultProfile().X.RapidMmMin);
    EXPECT_EQ(p->SpindleMaxRpm, 3000);
    EXPECT_EQ(p->MCodes.at(8), 0.8);
    EXPECT_EQ(p->MCodes.at(10), 2);
    const auto& a = p->Assumed;
    EXPECT_EQ(std::count(a.begin(), a.end(), "x_rapid"), 1);
    EXPECT_EQ(std::count(a.begin(), a.end(), "z_rapid"), 0);
    EXPECT_EQ(std::count(a.begin(), a.end(), "m_codes"), 0);
    EXPECT_EQ(a.size() + 7, machine::ProfileKeys().size());
    EXPECT_EQ(p->Gears, (std::vector<machine::GearRange>{{20, 800}, {600, 4000}}));
    EXPECT_EQ(machine::ValueText(*p, "gear_ranges"), "gear_ranges = [[20, 800], [600, 4000]] rpm");
    EXPECT_EQ(machine::ValueText(*p, "turret_stations"), "turret_stations = not known");
    EXPECT_EQ(machine::ValueText(*p, "spindle_ramp"), "spindle_ramp = [[1000, 0.9], [4000, 5.25]] rpm, s");
    EXPECT_EQ(machine::ValueText(machine::DefaultProfile(), "spindle_ramp"),
              "spindle_ramp = none (spindle_accel and spindle_base_rpm)");

    // A setup without a machine gives none, and no error.
    const std::string plain = f.Write("Q.setup.toml", Stock);
    EXPECT_FALSE(machine::MachineOfSetup(plain, found, e));
    EXPECT_FALSE(found);
}

TEST(MachineProfile, ReadsTheMachineFileASetupNamesBesideIt) {
    Folder f;
    f.Write("lathe.toml", "[machine]\ntool_change_time = 0.8\nlook_ahead = 40\n");
    const std::string setup = f.Write("P.setup.toml", std::string("machine = \"lathe.toml\"\n") + Stock);
    stock::SetupError se;
    ASSERT_TRUE(stock::ReadSetupFile(setup, se)) << se.Text();
    bool found = false;
    machine::ProfileError e;
    const auto p = machine::MachineOfSetup(setup, found, e);
    ASSERT_TRUE(p) << e.Text();
    EXPECT_EQ(p->ToolChangeS, 0.8);
    EXPECT_EQ(p->LookAheadBlocks, 40);
    EXPECT_EQ(machine::MachineFileNamedBy(setup), (f.Path / "lathe.toml").string());
}

TEST(MachineProfile, RefusesBadValuesWithFileLineAndValue) {
    Folder f;
    const struct {
        std::string Text, Expected;
    } cases[] = {
        {"[machine]\nz_accel = -5\n", "P.setup.toml:2: machine.z_accel must lie from 10 to 100000: -5"},
        {"[machine]\n\nspindle_max_rpm = nan\n",
         "P.setup.toml:3: machine.spindle_max_rpm must be a number, not nan"},
        {"[machine]\nx_rapid = \"fast\"\n", "P.setup.toml:2: machine.x_rapid must be a number, not \"fast\""},
        {"[machine]\nrapid = 3\n", "P.setup.toml:2: unknown key machine.rapid"},
        {"[machine]\nlook_ahead = 2.5\n", "P.setup.toml:2: machine.look_ahead must be a whole number: 2.5"},
        {"[machine]\nx_jerk = 5\n", "P.setup.toml:2: machine.x_jerk must be 0 (none) or at least 100: 5"},
        {"[machine]\nm_codes = { M8 = 1 }\n", "P.setup.toml:2: machine.m_codes: \"M8\" is no M number"},
        {"[machine]\ngear_ranges = [[20, 800], [600, 500]]\n",
         "P.setup.toml:2: machine.gear_ranges: a range's lowest speed must be below its highest: [600, 500]"},
        {"[machine]\ngear_ranges = [[20, 800],\n  [10, 500]]\n",
         "P.setup.toml:3: machine.gear_ranges must go by increasing speed: [10, 500] after [20, 800]"},
        {"[machine]\n\ngear_ranges = [[20, -8]]\n",
         "P.setup.toml:3: machine.gear_ranges must lie from 1 to 100000: -8"},
        {"[machine]\ngear_ranges = 3\n", "P.setup.toml:2: machine.gear_ranges must be a list of up to four"},
        {"[machine]\nspindle_ramp = [[1000, 2], [800, 3]]\n",
         "P.setup.toml:2: machine.spindle_ramp must go by increasing speed and seconds: [800, 3] after "
         "[1000, 2]"},
        {"[machine]\nspindle_ramp = [[1000, 2], [2000, 0]]\n",
         "P.setup.toml:2: machine.spindle_ramp must lie from 0.001 to 600: 0"},
        {"[machine]\nspindle_ramp = [1000, 2]\n",
         "P.setup.toml:2: machine.spindle_ramp must be a list of up to 32"},
        {"[machine]\nturret_stations = 2.5\n",
         "P.setup.toml:2: machine.turret_stations must be a whole number: 2.5"},
        {"[machine]\nspindle_base_rpm = -1\n",
         "P.setup.toml:2: machine.spindle_base_rpm must lie from 0 to 100000: -1"},
        {"machine = \"../lathe.toml\"\n", "P.setup.toml:1: machine names a file beside the setup"},
        {"machine = \"sub/lathe.toml\"\n", "P.setup.toml:1: machine names a file beside the setup"},
        {"machine = \"gone.toml\"\n", "gone.toml: cannot be read"},
        {"machine = 3\n", "P.setup.toml:1: machine must be a [machine] table or the name"},
    };
    for (const auto& c : cases) {
        const std::string setup = f.Write("P.setup.toml", c.Text + Stock);
        bool found = false;
        machine::ProfileError e;
        EXPECT_FALSE(machine::MachineOfSetup(setup, found, e)) << c.Text;
        EXPECT_TRUE(found);
        const std::string text = e.Text();
        EXPECT_NE(text.find(c.Expected), std::string::npos) << text;
    }
    // A machine file holds its [machine] table and nothing else.
    const std::string file = f.Write("m.toml", "[stock]\nkind = \"bar\"\n");
    machine::ProfileError e;
    EXPECT_FALSE(machine::ReadMachineFile(file, e));
    EXPECT_NE(e.Text().find("m.toml:1: unknown key stock"), std::string::npos) << e.Text();
}

} // namespace
