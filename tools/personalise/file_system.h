// The few file operations of the personaliser that differ between Linux and
// Windows.
#pragma once

// True when both paths name one existing file.
bool IsSameFile(const char* first, const char* second);

// Gives `to` the access mode of `from` (on Linux: an executable copy stays
// executable).
void CopyFileMode(const char* from, const char* to);

// Moves `from` over `to`, replacing `to` when it exists.
bool ReplaceFileWith(const char* from, const char* to);

// Standard output passes bytes through unchanged.
void SetBinaryStandardOutput();
