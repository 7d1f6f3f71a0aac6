// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchRuns.h"

#include "base/Host.h"
#include "base/Machine.h"
#include "interp/RunControl.h"
#include "motion/Motion.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

FloorResult FloorScan(const std::string& path) {
    FloorResult r;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return r;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::string bytes(static_cast<size_t>(size), '\0');
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    const char* p = bytes.data();
    const char* const end = p + got;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!eol) eol = end;
        for (const char* q = p; q < eol; ++q) {
            if (*q != 'X' && *q != 'Z' && *q != 'F') continue;
            double v = 0;
            const auto res = std::from_chars(q + 1, eol, v);
            if (res.ec == std::errc()) {
                r.Sum += v;
                q = res.ptr - 1;
            }
        }
        ++r.Lines;
        p = eol + 1;
    }
    return r;
}

namespace {

// The window's host during a silent re-run, minus the window: nobody looks, nothing waits.
class QuietHost final : public interp::Host {
  public:
    explicit QuietHost(const std::u16string& text) : Text(text) {}
    const std::u16string& ProgramText() override { return Text; }
    int64_t CaretOffset() override { return 0; }
    void HighlightBlock(int64_t, int64_t) override {}
    void FocusProgram() override {}
    void SetMessage(const std::string&, const std::string&) override {}
    void SetMainMessage(const std::string&) override {}
    void SetDialectPanel(const std::string&) override {}
    void SetUnitPanel(const std::string&) override {}
    bool WantsDisplay() const override { return false; }
    void ShowDisplay(const motion::DisplayTexts&) override {}
    void ShowBlockCount(int32_t) override {}
    void ShowCyclePosition(const std::string*, const std::string*) override {}
    void ShowPressed(interp::Command, bool) override {}
    void WaitSeconds(double) override {}
    void DoEvents() override {}

  private:
    const std::u16string& Text;
};

} // namespace

int32_t Replay(const std::u16string& text, motion::Canvas& canvas, double viewportWidthPx,
               double viewportHeightPx) {
    QuietHost host(text);
    motion::View view;
    view.ViewportWidth = viewportWidthPx * 15;
    view.ViewportHeight = viewportHeightPx * 15;
    interp::Machine m(view, canvas, host);
    motion::NextToolColors(m);
    motion::SetStandardView(m);
    interp::RunControl run(m);
    m.S.Replay = true;
    run.Reset();
    run.Start();
    m.S.Replay = false;
    return m.S.BlockCount;
}

namespace {

ProcessResult RunProcess(const std::vector<std::string>& argv) {
    ProcessResult r;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return r;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return r;
    r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.PeakRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool ReadAll(int fd, void* data, size_t n) {
    auto* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t got = read(fd, p, n);
        if (got <= 0) return false;
        p += got, n -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t put = write(fd, p, n);
        if (put <= 0) return false;
        p += put, n -= static_cast<size_t>(put);
    }
    return true;
}

// The helper's loop: a request is the argument count, then each argument as length and bytes.
[[noreturn]] void Helper(int in, int out) {
    for (;;) {
        uint32_t count = 0;
        if (!ReadAll(in, &count, sizeof count)) _exit(0);
        std::vector<std::string> argv(count);
        for (std::string& a : argv) {
            uint32_t n = 0;
            if (!ReadAll(in, &n, sizeof n)) _exit(0);
            a.resize(n);
            if (!ReadAll(in, a.data(), n)) _exit(0);
        }
        const ProcessResult r = RunProcess(argv);
        if (!WriteAll(out, &r, sizeof r)) _exit(0);
    }
}

} // namespace

Launcher::Launcher() {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) {
        close(down[1]);
        close(up[0]);
        Helper(down[0], up[1]);
    }
    close(down[0]);
    close(up[1]);
    if (pid < 0) {
        close(down[1]);
        close(up[0]);
        return;
    }
    HelperPid = pid;
    ToHelper = down[1];
    FromHelper = up[0];
}

Launcher::~Launcher() {
    if (HelperPid < 0) return;
    close(ToHelper);
    close(FromHelper);
    waitpid(HelperPid, nullptr, 0);
}

ProcessResult Launcher::Run(const std::vector<std::string>& argv) {
    ProcessResult r;
    if (HelperPid < 0) return r;
    const auto count = static_cast<uint32_t>(argv.size());
    bool ok = WriteAll(ToHelper, &count, sizeof count);
    for (const std::string& a : argv) {
        const auto n = static_cast<uint32_t>(a.size());
        ok = ok && WriteAll(ToHelper, &n, sizeof n) && WriteAll(ToHelper, a.data(), n);
    }
    if (!ok || !ReadAll(FromHelper, &r, sizeof r)) return ProcessResult{};
    return r;
}

} // namespace bench
