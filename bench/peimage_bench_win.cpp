// Writing a personalised copy of the running executable, which carries the
// card's resources, next to a plain copy of the same file, in one run.

#include <windows.h>

#include <string>

#include "bench/peimage_timing.h"
#include "peimage/exe_image.h"

namespace {

const char kGreeting[] = "Merry Christmas and a happy new year\r\nfrom all of us";

bool SavePersonalised(const char* own, const char* target) {
  ExeImage image;
  if (!image.Open(own) || !image.FindResourceData("MSGTEXT", MAKEINTRESOURCEA(101))) return false;
  image.ReplaceResourceData("MSGTEXT", MAKEINTRESOURCEA(101), kGreeting, sizeof kGreeting - 1);
  HANDLE file = CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BOOL saved = image.Save(file);
  CloseHandle(file);
  return saved && ExeFileHoldsResource(target, "MSGTEXT", MAKEINTRESOURCEA(101), kGreeting,
                                       sizeof kGreeting - 1);
}

}  // namespace

int main() {
  char own[MAX_PATH], folder[MAX_PATH], plain[MAX_PATH], personalised[MAX_PATH];
  if (!GetModuleFileNameA(nullptr, own, MAX_PATH) || !GetTempPathA(MAX_PATH, folder) ||
      !GetTempFileNameA(folder, "pln", 0, plain) || !GetTempFileNameA(folder, "prs", 0, personalised))
    return 1;
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  GetFileAttributesExA(own, GetFileExInfoStandard, &attributes);
  const int runs = 30;
  double plainTime = MedianMilliseconds(runs, [&] { return CopyFileA(own, plain, FALSE) != 0; });
  double personalisedTime = MedianMilliseconds(runs, [&] { return SavePersonalised(own, personalised); });
  DeleteFileA(plain);
  DeleteFileA(personalised);
  if (plainTime < 0 || personalisedTime < 0) {
    std::fprintf(stderr, "bench_peimage: a copy failed\n");
    return 1;
  }
  PrintCopyTimes("peimage_windows", attributes.nFileSizeLow, plainTime, personalisedTime);
  return 0;
}
