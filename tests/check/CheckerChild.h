// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checker's command line run in a child process, with a scratch folder for its files, for tests
// of its outputs, inputs and exit status at the edges (limits, closed streams, other users).

#include "check/CheckerCli.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string Good = "G00 X10. Z10.\r\nG01 Z-5. F0.2 S500\r\nM30\r\n%\r\n";

struct Folder {
    fs::path Path;
    Folder() {
        Path = fs::temp_directory_path() / ("zarvik-check-safety-" + std::to_string(::getpid()));
        fs::remove_all(Path);
        fs::create_directories(Path);
    }
    ~Folder() { fs::remove_all(Path); }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(Path / name, std::ios::binary) << bytes;
        return (Path / name).string();
    }
    std::string operator/(const std::string& name) const { return (Path / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Result {
    int Status = -1; // exit status, or -signal when the child was killed
    std::string Out, Err;
};

// Runs the command line in a child process (so that a hang, an abort or a change to the
// process's limits and standard streams stays there), with standard output and error going to
// files unless `prepare` changes them. The child is killed after 30 s.
Result Checker(std::vector<std::string> args, const std::function<void()>& prepare = {},
               const check::PictureFormats& formats = {}) {
    const fs::path out = fs::temp_directory_path() / ("zarvik-check-out-" + std::to_string(::getpid()));
    const fs::path err = fs::temp_directory_path() / ("zarvik-check-err-" + std::to_string(::getpid()));
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(30);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::close(o);
        ::close(e);
        if (prepare) prepare();
        args.insert(args.begin(), "zarvik-check");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        ::_exit(check::RunCheckerCli(static_cast<int>(argv.size()), argv.data(), formats));
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    Result r;
    r.Status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    r.Out = Slurp(out.string());
    r.Err = Slurp(err.string());
    fs::remove(out);
    fs::remove(err);
    return r;
}

} // namespace
