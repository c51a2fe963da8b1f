#include <sys/stat.h>

#include <cstdio>

#include "tools/personalise/file_system.h"

bool IsSameFile(const char* first, const char* second) {
  struct stat a, b;
  return stat(first, &a) == 0 && stat(second, &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

void CopyFileMode(const char* from, const char* to) {
  struct stat source;
  if (stat(from, &source) == 0) chmod(to, source.st_mode & 07777);
}

bool ReplaceFileWith(const char* from, const char* to) { return std::rename(from, to) == 0; }

void SetBinaryStandardOutput() {}
