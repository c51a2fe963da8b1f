#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "tools/personalise/file_system.h"

namespace {

bool ReadFileId(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BOOL read = GetFileInformationByHandle(file, info);
  CloseHandle(file);
  return read;
}

}  // namespace

bool IsSameFile(const char* first, const char* second) {
  BY_HANDLE_FILE_INFORMATION a, b;
  return ReadFileId(first, &a) && ReadFileId(second, &b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

void CopyFileMode(const char*, const char*) {}

bool ReplaceFileWith(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

void SetBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }
