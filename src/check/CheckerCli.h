#pragma once
// The command line of zarvik-check:
//   zarvik-check [--fanuc] [--unit N] [--limits PVLX,PVLZ,NVLX,NVLZ] [--block-delete]
//                [--g2-mirror] [--json] [--trace FILE] FILE...
// Exit status 0 when no file had an alarm, 1 when any had, 2 for a usage error or an unreadable
// file (the other files are still checked).

namespace check {

int RunCheckerCli(int argc, char** argv);

} // namespace check
