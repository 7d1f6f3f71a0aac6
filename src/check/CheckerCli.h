#pragma once
// The command line of zarvik-check:
//   zarvik-check [--fanuc] [--unit N] [--limits PVLX,PVLZ,NVLX,NVLZ] [--block-delete]
//                [--g2-mirror] [--json] [--trace FILE] [--strict] [--no-advice] FILE...
// Exit status 0 when no file had an alarm, 1 when any had an alarm or an error-level finding
// (with --strict, any finding), 2 for a usage error or an unreadable file (the other files are
// still checked).

namespace check {

int RunCheckerCli(int argc, char** argv);

} // namespace check
