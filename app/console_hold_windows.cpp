#include <cstdlib>

#include "console_hold.h"

// The command interpreter's own pause; a failure to run it changes nothing.
void holdConsole() { static_cast<void>(std::system("pause")); }
