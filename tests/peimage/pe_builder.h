// Builds small PE32 files in memory for the rewriter's tests: a code section,
// a resource section holding the given resources, and optionally a
// relocation section after it, a COFF string table and trailing bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BuiltResource {
  std::string type;     // "#6" for the id 6, otherwise a name
  std::string name;
  uint16_t language = 1033;
  std::vector<uint8_t> bytes;
};

struct PeBuildOptions {
  uint32_t fileAlignment = 0x200;
  uint32_t sectionAlignment = 0x1000;
  uint32_t codeVirtualSize = 0x1000;
  // Tables as GNU windres writes them: each name-level table followed by its
  // language tables, name strings before the data entries. Otherwise the
  // level order: root, name tables, language tables, data entries, names.
  bool depthFirst = false;
  bool relocations = false;      // a .reloc section after .rsrc
  bool stringTable = false;      // "/4"-style COFF string table at the end
  std::vector<uint8_t> overlay;  // bytes after everything else
};

struct BuiltPe {
  std::vector<uint8_t> bytes;
  uint32_t resourceRva = 0;
  uint32_t resourceFileOffset = 0;
  uint32_t resourceInUse = 0;    // directory area and aligned data
};

BuiltPe BuildPe(const std::vector<BuiltResource>& resources, const PeBuildOptions& options = {});

// Header fields of a PE32 file, read back for checks.
struct PeSection {
  std::string name;
  uint32_t virtualSize, virtualAddress, rawSize, rawPointer;
};
struct PeFields {
  uint32_t sizeOfInitializedData, sizeOfImage, symbolTable;
  uint32_t directoryRva[16], directorySize[16];
  std::vector<PeSection> sections;
  const PeSection* Find(const char* name) const;
};
PeFields ReadPeFields(const std::vector<uint8_t>& file);

std::vector<uint8_t> Bytes(const std::string& text);
