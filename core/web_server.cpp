#include "core/web_server.h"

String webUiUrl;
String webUiSetupCode;
