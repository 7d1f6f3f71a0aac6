// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checker's command line run in this process, with what it wrote to standard output and
// standard error, for tests of its options, reports and exit status.

#include "check/CheckerCli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct CheckerRun {
    int Status = 0;
    std::string Out, Err;
};

inline CheckerRun RunChecker(std::vector<std::string> args, const check::PictureFormats& formats = {}) {
    args.insert(args.begin(), "zarvik-check");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    CheckerRun run;
    run.Status = check::RunCheckerCli(static_cast<int>(argv.size()), argv.data(), formats);
    run.Out = ::testing::internal::GetCapturedStdout();
    run.Err = ::testing::internal::GetCapturedStderr();
    return run;
}
