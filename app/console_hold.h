#ifndef CONSTCHECK_CONSOLE_HOLD_H
#define CONSTCHECK_CONSOLE_HOLD_H

// Keeps the console open until the user presses a key, so that a window
// opened just for this program does not vanish with the verdict.
void holdConsole();

#endif
