// SPDX-License-Identifier: GPL-3.0-or-later
// The gate every program file passes before it is read into memory, in the window and the checker.

#include "input/InputGuard.h"

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
