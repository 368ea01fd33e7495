#include <cstdlib>

#include "console.h"

// The console host hands a long line over in pieces rather than cutting it
// (older hosts stop taking keys instead), so no line is known to be cut.
std::int32_t typedLineLimit() { return 0; }

// Standard input is read in text mode, which has turned each CR LF into a newline.
bool inputKeepsCarriageReturns() { return false; }

// The console writes the end of a typed line itself: a line ends there with Enter.
void endTypedLine() {}

// The command interpreter's own pause; a failure to run it changes nothing.
void holdConsole() { static_cast<void>(std::system("pause")); }
