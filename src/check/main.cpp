// zarvik-check: checks NC programs headless, the way a silent re-run in the window runs them.

#include "check/CheckerCli.h"

int main(int argc, char** argv) { return check::RunCheckerCli(argc, argv); }
