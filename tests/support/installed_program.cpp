// Linked into every test executable: the program's tables and the
// configuration fan-out are installed before any test runs, as setup()
// does in the program.
#include "app/app.h"

namespace {

const bool PROGRAM_INSTALLED = (installProgram(), true);

}  // namespace
