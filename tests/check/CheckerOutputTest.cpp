// SPDX-License-Identifier: GPL-3.0-or-later
// Where the checker's outputs land: links on the way that another user planted in a shared
// folder, and outputs that cannot be written beside their file. The cases of other users need
// root (the test then runs parts of the checker as "nobody") and are skipped without it.

#include "CheckerChild.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534, Daemon = 1;

void Own(const std::string& path, uid_t user) {
    ASSERT_EQ(::lchown(path.c_str(), user, user), 0) << path;
}

void LinkOf(const std::string& target, const std::string& link, uid_t owner) {
    fs::create_symlink(target, link);
    Own(link, owner);
}

// A folder everyone may write to and only owners delete from, as the temporary folder is.
std::string SharedFolder(const Folder& dir) {
    const std::string shared = dir / "shared";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    return shared;
}

void AsNobody() {
    if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0) ::_exit(99);
}

// A file size limit stands for a full disk.
void FileSizeLimited() {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &small);
}

std::string LongProgram() {
    std::string program;
    for (int i = 0; i < 400; ++i)
        program += "G01 X" + std::to_string(10 + i % 50) + ". Z-" + std::to_string(i) + ". F0.2\r\n";
    return program;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

} // namespace

// A link another user planted in the temporary folder could turn an output onto any file of the
// operator (root's /etc/passwd): it is refused with status 2 before anything is written, as a
// link met on the way to the output is. Links of the folder's owner or of oneself, and links in
// folders that are not shared, are followed as before.
TEST(CheckerOutput, LinksOfOtherUsersInSharedFoldersAreNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "links of other users need root";
    Folder dir;
    ::chmod(dir.Path.c_str(), 0755);
    const std::string p = dir.Write("p.min", Good), victim = dir.Write("victim", "precious\n");
    const std::string shared = SharedFolder(dir);
    LinkOf(victim, shared + "/planted.svg", Nobody);
    LinkOf(dir.Path, shared + "/planted-folder", Nobody);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--svg", shared + "/planted.svg", p},
          {"--trace", shared + "/planted-folder/victim", p},
          {"--trace", dir / "t.jsonl", "--svg", dir / "shared/../shared/planted.svg", p}}) {
        SCOPED_TRACE(args[1]);
        const Result r = Checker(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find("is a link of another user in a shared folder; it is not followed"),
                  std::string::npos)
            << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(Slurp(victim), "precious\n");
    }
    EXPECT_FALSE(fs::exists(dir / "t.jsonl"));

    // The folder's owner's link is followed; so is another user's link in a folder not shared.
    LinkOf(victim, shared + "/owners.svg", 0);
    EXPECT_EQ(Checker({"--svg", shared + "/owners.svg", p}).Status, 0);
    EXPECT_TRUE(StartsWith(Slurp(victim), "<?xml")) << Slurp(victim);
    fs::create_directory(dir / "private");
    LinkOf(victim, dir / "private/link.jsonl", Nobody);
    EXPECT_EQ(Checker({"--trace", dir / "private/link.jsonl", p}).Status, 0);
    EXPECT_TRUE(StartsWith(Slurp(victim), "{\"line\": 1,")) << Slurp(victim);

    // Run as nobody: the link of a third user is refused, nobody's own and root's are followed.
    const std::string home = dir / "home";
    fs::create_directory(home);
    Own(home, Nobody);
    const std::string out = home + "/out.svg";
    LinkOf(out, shared + "/daemons.svg", Daemon);
    LinkOf(out, shared + "/own.svg", Nobody);
    LinkOf(out, shared + "/roots.svg", 0);
    Result r = Checker({"--svg", shared + "/daemons.svg", p}, AsNobody);
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("not followed"), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(out));
    for (const char* link : {"/own.svg", "/roots.svg"}) {
        fs::remove(out);
        r = Checker({"--svg", shared + link, p}, AsNobody);
        EXPECT_EQ(r.Status, 0) << link << r.Err;
        EXPECT_TRUE(StartsWith(Slurp(out), "<?xml")) << link;
    }
}

// Likewise a pipe another user made in the temporary folder: whoever listens would get the
// operator's report. It is refused before the run; one's own pipe there is written.
TEST(CheckerOutput, PipesOfOtherUsersInSharedFoldersAreNotWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "pipes of other users need root";
    Folder dir;
    ::chmod(dir.Path.c_str(), 0755);
    const std::string p = dir.Write("p.min", Good), shared = SharedFolder(dir);
    const std::string planted = shared + "/planted.jsonl", own = shared + "/own.jsonl";
    for (const std::string& pipe : {planted, own})
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    Own(planted, Nobody);
    // Listening first, so that a wrong open never waits for a listener.
    const int plantedEnd = ::open(planted.c_str(), O_RDONLY | O_NONBLOCK);
    const int ownEnd = ::open(own.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(plantedEnd, 0);
    ASSERT_GE(ownEnd, 0);
    const Result r = Checker({"--trace", planted, p});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find(planted + " is a pipe of another user in a shared folder; it is not written"),
              std::string::npos)
        << r.Err;
    char heard[64];
    EXPECT_LE(::read(plantedEnd, heard, sizeof heard), 0);
    EXPECT_EQ(Checker({"--trace", own, p}).Status, 0);
    EXPECT_GT(::read(ownEnd, heard, sizeof heard), 0);
    ::close(plantedEnd);
    ::close(ownEnd);
}

// A file whose name leaves no room for the temporary name beside it: a failed run (no program
// read, or a full disk) leaves the older output as it was; a good one replaces it and leaves
// nothing else behind.
TEST(CheckerOutput, LongNamesAreReplacedOnlyWhenComplete) {
    Folder dir;
    const std::string p = dir.Write("p.min", Good), big = dir.Write("big.min", LongProgram());
    const std::string picture = std::string(250, 'p') + ".svg", trace = std::string(249, 't') + ".jsonl";
    const std::string oldPicture = dir.Write(picture, "older picture\n");
    const std::string oldTrace = dir.Write(trace, "older trace\n");
    EXPECT_EQ(Checker({"--svg", oldPicture, dir / "none.min"}).Status, 2);
    EXPECT_EQ(Checker({"--trace", oldTrace, big}, FileSizeLimited).Status, 2);
    EXPECT_EQ(Slurp(oldPicture), "older picture\n");
    EXPECT_EQ(Slurp(oldTrace), "older trace\n");
    EXPECT_EQ(Checker({"--svg", oldPicture, "--trace", oldTrace, p}).Status, 0);
    EXPECT_TRUE(StartsWith(Slurp(oldPicture), "<?xml"));
    EXPECT_TRUE(StartsWith(Slurp(oldTrace), "{\"line\": 1,"));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"big.min", "p.min", picture, trace}));
}

// An operator may write the output but not its folder: the output is kept aside during the run
// and copied over the older file only when complete, keeping that file's owner.
TEST(CheckerOutput, OutputsInFoldersThatCannotBeWrittenAreCopiedInOnlyWhenComplete) {
    if (::geteuid() != 0) GTEST_SKIP() << "a folder root may not write to needs another user";
    Folder dir;
    ::chmod(dir.Path.c_str(), 0755);
    const std::string p = dir.Write("p.min", Good), big = dir.Write("big.min", LongProgram());
    const std::string trace = dir.Write("t.jsonl", "older trace\n");
    const std::string picture = dir.Write("p.svg", "older picture\n");
    Own(trace, Nobody);
    Own(picture, Nobody);
    Result r = Checker({"--trace", trace, big}, [] {
        AsNobody();
        FileSizeLimited();
    });
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("cannot write the trace file"), std::string::npos) << r.Err;
    EXPECT_EQ(Checker({"--svg", picture, dir / "none.min"}, AsNobody).Status, 2);
    EXPECT_EQ(Slurp(trace), "older trace\n");
    EXPECT_EQ(Slurp(picture), "older picture\n");

    r = Checker({"--trace", trace, "--svg", picture, p}, AsNobody);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(StartsWith(Slurp(trace), "{\"line\": 1,"));
    EXPECT_EQ(Slurp(trace).back(), '\n');
    EXPECT_TRUE(StartsWith(Slurp(picture), "<?xml"));
    EXPECT_NE(Slurp(picture).find("</svg>\n"), std::string::npos);
    struct stat st {};
    ::stat(picture.c_str(), &st);
    EXPECT_EQ(st.st_uid, Nobody);
    // A new file there cannot be made: refused before the report.
    r = Checker({"--svg", dir / "new.svg", p}, AsNobody);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"big.min", "p.min", "p.svg", "t.jsonl"}));
}
