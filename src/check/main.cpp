// zarvik-check: checks NC programs headless, the way a silent re-run in the window runs them.

#include "check/CheckerCli.h"
#ifdef ZARVIK_PNG
#include "check/PicturePng.h"
#endif

int main(int argc, char** argv) {
#ifdef ZARVIK_PNG
    check::EnablePngPictures();
#endif
    return check::RunCheckerCli(argc, argv);
}
