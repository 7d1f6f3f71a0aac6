// SPDX-License-Identifier: GPL-3.0-or-later
// The gate every program file passes before it is read into memory, in the window and the checker.

#include "input/InputGuard.h"
#include "input/Subprogram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Folder {
    fs::path Path = fs::temp_directory_path() / ("zarvik-guard-" + std::to_string(::getpid()));
    Folder() { fs::create_directories(Path); }
    ~Folder() { fs::remove_all(Path); }
};

} // namespace

TEST(InputGuard, ReadsAPlainFileWhole) {
    Folder dir;
    std::string bytes(200'000, 'X');
    bytes[0] = '\0';
    bytes.back() = '\xFF';
    std::ofstream(dir.Path / "p.min", std::ios::binary) << bytes;
    input::InputFile in((dir.Path / "p.min").string());
    ASSERT_TRUE(in.Ok()) << in.Why();
    EXPECT_EQ(in.Size(), bytes.size());
    std::string got;
    ASSERT_TRUE(in.ReadAll(got));
    EXPECT_EQ(got, bytes);
    std::ofstream(dir.Path / "empty.min", std::ios::binary);
    input::InputFile empty((dir.Path / "empty.min").string());
    std::string none = "old";
    EXPECT_TRUE(empty.ReadAll(none));
    EXPECT_EQ(none, "");
}

TEST(InputGuard, RefusesWhatIsNoProgramFile) {
    Folder dir;
    ASSERT_EQ(::mkfifo((dir.Path / "fifo").c_str(), 0600), 0);
    std::ofstream(dir.Path / "big.min", std::ios::binary);
    fs::resize_file(dir.Path / "big.min", input::MaxProgramBytes + 1);
    std::ofstream(dir.Path / "limit.min", std::ios::binary);
    fs::resize_file(dir.Path / "limit.min", input::MaxProgramBytes);
    const struct {
        std::string Path, Why;
    } cases[] = {
        {(dir.Path / "fifo").string(), "is a pipe (FIFO), not a program file"},
        {"/dev/zero", "is a device, not a program file"},
        {dir.Path.string(), "is a folder, not a program file"},
        {(dir.Path / "big.min").string(), "is larger than 512 MB, too large for a program file"},
        {(dir.Path / "none.min").string(), "was not found"},
        {(dir.Path / "big.min/x").string(), "was not found"},
    };
    for (const auto& c : cases) {
        input::InputFile in(c.Path);
        EXPECT_FALSE(in.Ok()) << c.Path;
        EXPECT_EQ(in.Why(), c.Why) << c.Path;
        std::string bytes;
        EXPECT_FALSE(in.ReadAll(bytes));
    }
    EXPECT_TRUE(input::InputFile((dir.Path / "limit.min").string()).Ok()); // exactly 512 MB is accepted
}

// A subprogram file beside the program: which of the names is taken, and what stays unread.
TEST(SubprogramFile, FoundByNumberBesideTheProgramOnly) {
    Folder dir;
    const std::string program = (dir.Path / "main.min").string();
    const auto put = [&](const char* name, const std::string& text) {
        std::ofstream(dir.Path / name, std::ios::binary) << text;
    };
    // Not names of program 12: another number, another extension, a bare number, a folder.
    put("O123.nc", "no");
    put("O12.txt", "no");
    put("12", "no");
    fs::create_directories(dir.Path / "sub");
    put("sub/O12.nc", "no");
    input::SubprogramFile f;
    std::string why;
    EXPECT_EQ(input::ReadSubprogramFile(program, 12, f, why), 0);
    EXPECT_EQ(why, "no file O12, O12.nc, O12.min, O12.tap, 12.nc, 12.min or 12.tap beside the program");
    // The letter O before the bare number, then the extensions in their order, in any case,
    // leading zeros or not.
    put("12.MIN", "plain");
    EXPECT_EQ(input::ReadSubprogramFile(program, 12, f, why), 1);
    EXPECT_EQ(f.Name, "12.MIN");
    put("o0012.Tap", "tap");
    put("O12.NC", "nc");
    EXPECT_EQ(input::ReadSubprogramFile(program, 12, f, why), 1);
    EXPECT_EQ(f.Name, "O12.NC");
    EXPECT_EQ(f.Bytes, "nc");
    // Found but not a plain file of a subprogram's size: named with why.
    fs::remove(dir.Path / "O12.NC");
    fs::resize_file(dir.Path / "o0012.Tap", input::MostSubprogramBytes + 1);
    EXPECT_EQ(input::ReadSubprogramFile(program, 12, f, why), -1);
    EXPECT_EQ(why, "o0012.Tap: not a plain file of at most 16 MB");
}
