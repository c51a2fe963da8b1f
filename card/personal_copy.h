// Writing a personalised copy of the program: the executable image with its
// greeting replaced, stored to a file and checked before it counts as saved.
#pragma once

#include <windows.h>

class ExeImage;

// The greeting resource of the program.
constexpr const char* kMessageResourceType = "MSGTEXT";
constexpr int kMessageResourceId = 101;

// Gives the image's greeting the new text (stored without its terminator).
void SetCopyMessage(ExeImage& image, const char* text);

// Writes the image to `path` (created, or truncated when it exists) and
// reopens the result to check that its greeting is `text`. FALSE when the
// file can't be opened, a write fails or the check fails; a file that was
// opened is then deleted, so no partial copy is left behind.
BOOL StoreCopy(ExeImage& image, const char* path, const char* text);

// The running executable can't be overwritten: the copy goes to a new
// temporary file, which is started in copy mode to replace `ownPath` once
// this process has ended. FALSE when nothing was started; no temporary file
// is left then.
BOOL StoreCopyOverRunningExecutable(ExeImage& image, const char* ownPath, const char* text);

// Paths equal when only the case of the ASCII letters differs; other bytes
// must match exactly.
bool IsSamePathIgnoringAsciiCase(const char* first, const char* second);
