// What the console and standard input do differently on each platform.
#ifndef CONSTCHECK_CONSOLE_H
#define CONSTCHECK_CONSOLE_H

#include <cstdint>

// The most bytes of one line that a terminal in line mode passes on; a line
// that reaches it may have been cut. 0 where no line is cut: standard input
// is no such terminal (a pipe, a file), or the console hands a long line over
// in pieces (Windows).
std::int32_t typedLineLimit();

// Whether a CR LF line end reaches the program with its carriage return:
// Windows' text mode takes it out before the program reads the line.
bool inputKeepsCarriageReturns();

// Puts the cursor on a line of its own after a line that was typed at a
// terminal and ended with the end of input (Ctrl+D) instead of Enter, where
// the echo of the line left it.
void endTypedLine();

// Keeps the console open until the user presses a key, so that a window
// opened just for this program does not vanish with what it said.
void holdConsole();

#endif
