// The processes a personalised copy uses to replace the running executable.
// Neither shows anything; both end the process with code 0.
#pragma once

#include <windows.h>

// 1: no copy mode on the command line, start the card. 0: a copy mode ran (or
// was named without a path) and the process ends now.
int HandleCopyModes(HINSTANCE instance, const char* commandLine);

// Copies this executable over `target` once the process running `target` has
// let go of it, then starts `target` in delete mode on this executable.
void RunCopyMode(const char* target);

// Deletes `path` once the process running it has ended.
void RunDeleteMode(const char* path);

// Builds `"program" -2 operand` (or -1): the program path quoted so that
// spaces in it can't start another program, the operand verbatim since the
// copy modes take the rest of the line. FALSE when it doesn't fit.
BOOL FormatRelaunchCommand(char* buffer, size_t size, const char* program,
                           char mode, const char* operand);

// Starts that command with a hidden window, without waiting for it.
BOOL StartHidden(const char* program, char mode, const char* operand);
