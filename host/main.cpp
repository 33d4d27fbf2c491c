#include "host/desktop_main.h"

// Arguments are ignored; the whole run lives in desktopMain.
int main(int argc, char** argv) { return desktopMain(argc, argv); }
