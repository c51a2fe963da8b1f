// The flow behind the card's edit area and Ctrl+M: the user types a new
// greeting and saves a copy of the program that shows it.
#pragma once

#include <windows.h>

// Runs the whole flow inside the card's modal loop. Cancelling any step
// leaves the card open; once a save was attempted the card closes and the
// application ends, after an "Error" box when the copy was not saved.
void SavePersonalisedCopy(HWND cardWindow);
