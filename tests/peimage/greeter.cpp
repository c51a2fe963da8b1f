// A small program that prints its own MSGTEXT 101 greeting to standard
// output: what a rewritten copy says when it runs.
#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

int main() {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(101), "MSGTEXT");
  if (!found) return 3;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return 4;
  _setmode(_fileno(stdout), _O_BINARY);
  DWORD size = SizeofResource(nullptr, found);
  return std::fwrite(bytes, 1, size, stdout) == size ? 0 : 5;
}
