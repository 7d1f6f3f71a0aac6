// SPDX-License-Identifier: GPL-3.0-or-later
// zarvik-check: checks NC programs headless, the way a silent re-run in the window runs them.

#include "ZarvikVersion.h"
#include "check/CheckerCli.h"
#ifdef ZARVIK_PNG
#include "check/PicturePlugin.h"
#endif

int main(int argc, char** argv) {
    if (AsksForVersion(argc, argv)) return PrintVersion("zarvik-check");
    check::PictureFormats formats;
#ifdef ZARVIK_PNG
    formats.Load = &check::LoadPictureLibrary; // PNG and PDF: loaded only when asked for
#endif
    return check::RunCheckerCli(argc, argv, formats);
}
