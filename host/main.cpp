#include "host/desktop_main.h"

// The whole run, with its command line, lives in desktopMain.
int main(int argc, char** argv) { return desktopMain(argc, argv); }
