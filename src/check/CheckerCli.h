// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of zarvik-check:
//   zarvik-check [--fanuc] [--unit N] [--limits PVLX,PVLZ,NVLX,NVLZ] [--block-delete]
//                [--g2-mirror] [--json] [--trace FILE] [--svg FILE] [--png FILE] [--pdf FILE]
//                [--fit[=all]] [--size WxH] [--white|--black] [--rulers] [--legend]
//                [--strict] [--no-advice] FILE...
//   zarvik-check [options] [--jobs N] [--report FILE.html] FILE|FOLDER...   (check/Archive.h)
//   zarvik-check --help | --version
// A straight line: the arguments, then for each program its bytes, its text, one run that draws
// the trace and every picture at once, and its report; the outputs are put in place at the end.
// Exit status 0 when every program ran without an alarm, 1 when any raised one, could not run
// (no CR LF line ends) or had an error-level advice finding (with --strict, any finding), 2 for a
// usage error, an unreadable file or an output that could not be written (the other files are
// still checked).

#include "check/Picture.h"

namespace check {

int RunCheckerCli(int argc, char** argv, const PictureFormats& formats = {});

} // namespace check
