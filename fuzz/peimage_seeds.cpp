// Writes the peimage fuzzer's seed files: small executables in the layouts
// the rewriter accepts, each followed by the two length bytes.

#include <cstdio>
#include <string>

#include "tests/peimage/pe_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  std::vector<BuiltResource> resources = {
      {"MSGTEXT", "#101", 1033, Bytes("Joyeux No\xebl\r\n---------------------\r\n")},
      {"MSGTEXT", "#101", 1036, Bytes("Bonne annee")},
      {"FIG", "#201", 1033, std::vector<uint8_t>(300, 0x11)},
      {"#2", "IDB_PAL", 1033, std::vector<uint8_t>(41, 0x22)},
      {"CONFIG", "#1200", 1033, Bytes("G")}};
  PeBuildOptions windres;
  windres.depthFirst = windres.relocations = windres.stringTable = true;
  PeBuildOptions levelOrder;
  PeBuildOptions pages;
  pages.fileAlignment = 0x1000;
  pages.relocations = true;
  const PeBuildOptions* layouts[] = {&windres, &levelOrder, &pages};
  int index = 0;
  for (const PeBuildOptions* options : layouts) {
    std::vector<uint8_t> bytes = BuildPe(resources, *options).bytes;
    bytes.push_back(0);
    bytes.push_back(static_cast<uint8_t>(200 + index));
    std::string path = std::string(argv[1]) + "/seed" + std::to_string(index++) + ".exe";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 1;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return 0;
}
