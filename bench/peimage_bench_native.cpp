// The personaliser's work on a card-sized executable (read, rewrite, check,
// write) next to a plain copy of the same file, in one run.

#include <cstdio>
#include <string>
#include <vector>

#include "bench/peimage_timing.h"
#include "tests/peimage/pe_builder.h"
#include "tools/personalise/personalise.h"

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::fseek(file, 0, SEEK_END);
  bytes->resize(static_cast<size_t>(std::ftell(file)));
  std::fseek(file, 0, SEEK_SET);
  bool read = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
  std::fclose(file);
  return read;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// Nine frame sheets, a palette, a tune and the greeting: about the card's size.
std::vector<uint8_t> CardSizedExecutable() {
  std::vector<BuiltResource> resources;
  for (int id : {201, 202, 203, 204, 205, 206, 207, 1200, 1201})
    resources.push_back({"FIG", "#" + std::to_string(id), 1033, std::vector<uint8_t>(45000 + id, 0x42)});
  resources.push_back({"DIB", "IDB_PAL", 1033, std::vector<uint8_t>(1064, 0x10)});
  resources.push_back({"MIDI", "IDM_MUSIC", 1033, std::vector<uint8_t>(9000, 0x90)});
  resources.push_back({"MSGTEXT", "#101", 1033, Bytes("Joyeux No\xebl\r\n---------------------\r\n")});
  PeBuildOptions options;
  options.depthFirst = options.relocations = options.stringTable = true;
  return BuildPe(resources, options).bytes;
}

}  // namespace

int main() {
  std::string folder = "/tmp";
  std::string input = folder + "/bench_peimage_input.exe";
  std::string plain = folder + "/bench_peimage_plain.exe";
  std::string personalised = folder + "/bench_peimage_personalised.exe";
  std::vector<uint8_t> card = CardSizedExecutable();
  if (!WriteFile(input, card)) return 1;
  const std::string greeting = "Merry Christmas and a happy new year\r\nfrom all of us";
  const int runs = 50;
  double plainTime = MedianMilliseconds(runs, [&] {
    std::vector<uint8_t> bytes;
    return ReadFile(input, &bytes) && WriteFile(plain, bytes);
  });
  double personalisedTime = MedianMilliseconds(runs, [&] {
    std::vector<uint8_t> bytes, reread;
    MemorySink copy;
    std::string error;
    return ReadFile(input, &bytes) &&
           PersonaliseCopy({bytes.data(), bytes.size()}, greeting, &copy, &error) &&
           WriteFile(personalised, copy.Bytes()) && ReadFile(personalised, &reread) &&
           reread == copy.Bytes();
  });
  std::remove(input.c_str());
  std::remove(plain.c_str());
  std::remove(personalised.c_str());
  if (plainTime < 0 || personalisedTime < 0) {
    std::fprintf(stderr, "bench_peimage: a copy failed\n");
    return 1;
  }
  PrintCopyTimes("peimage_native", card.size(), plainTime, personalisedTime);
  return 0;
}
