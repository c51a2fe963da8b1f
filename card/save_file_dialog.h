// The save-file dialog in which the user names the personalised copy.
#pragma once

#include <windows.h>

// The save-file dialog for applications (*.exe), owned by `owner`, asking
// before it overwrites a file; no extension is added to a typed name.
// `path` (MAX_PATH bytes) holds the proposed name and receives the chosen
// one. TRUE when the user confirmed a name.
BOOL AskSaveFileName(HWND owner, char* path);
