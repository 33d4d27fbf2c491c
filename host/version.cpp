#include "host/version.h"

const char* qsodeckVersion() { return QSODECK_VERSION; }
