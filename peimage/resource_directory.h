// The resource directory of a PE file as a tree: directory tables (16-byte
// header and 8-byte entries), the length-prefixed UTF-16 name strings and the
// 16-byte data entries (RVA, Size, CodePage, Reserved). Every stored offset
// counts from the start of the root table. No Windows types.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "peimage/byte_sink.h"

// Resource types and names follow the resource functions' convention: a
// pointer whose upper 16 bits are zero is an integer id, anything else points
// to a NUL-terminated text.
inline bool IsResourceId(const char* key) {
  return (reinterpret_cast<uintptr_t>(key) >> 16) == 0;
}
inline const char* ResourceIdKey(uint16_t id) {
  return reinterpret_cast<const char*>(static_cast<uintptr_t>(id));
}

constexpr uint32_t kResourceTableHeaderSize = 16;
constexpr uint32_t kResourceEntrySize = 8;
constexpr uint32_t kResourceDataEntrySize = 16;
constexpr uint32_t kResourceHighBit = 0x80000000u;

// One data entry. `current` is what will be written; it equals `stored`
// until the item is replaced or moved.
struct ResourceData {
  enum Field { kRva, kSize, kCodePage, kReserved };
  uint32_t stored[4] = {};
  uint32_t current[4] = {};
  uint32_t entryOffset = 0;       // where the data entry itself lies
  bool replaced = false;
  std::vector<uint8_t> replacement;

  // Current size rounded up to the 8-byte step the linker packs data on.
  uint32_t AlignedSize() const { return current[kSize] + ((8 - current[kSize] % 8) % 8); }
};

class ResourceDirectory;

struct ResourceEntry {
  uint32_t nameField = 0;         // high bit: offset of a name string; else the id
  uint32_t offsetField = 0;       // high bit: offset of a subtable; else of a data entry
  std::unique_ptr<ResourceDirectory> subdirectory;
  std::unique_ptr<ResourceData> data;
  bool named = false;
  std::vector<char> nameText;     // a named entry's name in Windows-1252, no NUL

  // Texts match named entries byte for byte; ids match id entries.
  bool Matches(const char* key) const;
};

class ResourceDirectory {
 public:
  // Reads the tree whose root table starts `directory` (the resource section
  // from the root table on). Null, with the reason in `error`, for tables,
  // names or data entries outside the view, tables reached twice, overlapping
  // tables and data entries, or more than three levels.
  static std::unique_ptr<ResourceDirectory> BuildRoot(ByteView directory, const char** error);

  // Builds this table from `tableOffset` of `base` and, recursively,
  // everything below it.
  bool Build(ByteView base, uint32_t tableOffset, int level, struct ResourceBuildState* state);

  // Checks what the rewriter relies on: the data items lie back to back in
  // RVA order on 8-byte steps, after every table, name and data entry, and
  // inside the section (`sectionSize` bytes from `resourceRva`, including the
  // alignment bytes after the last item).
  bool CheckDataPacking(uint32_t resourceRva, uint32_t sectionSize, const char** error) const;

  // Operations on the root.
  ResourceData* FindData(const char* type, const char* name) const;
  uint64_t TotalAlignedSize() const;
  uint32_t LowestDataRva() const;
  // Gives the first matching resource a copy of `bytes`; every item at a
  // higher RVA moves by `delta`, the change of the item's aligned size.
  bool ReplaceData(const char* type, const char* name, const void* bytes, uint32_t size,
                   int64_t* delta);
  const uint8_t* StoredBytes(const char* type, const char* name, ByteView file,
                             uint32_t resourceRva, uint32_t resourceFileOffset) const;
  // Writes the directory area (`directorySize` bytes: tables, names, data
  // entries, whatever lies before the first data item) as it stands, each
  // data entry patched in place with its current values.
  bool WriteDirectoryTables(ByteSink& sink, ByteView directory, uint32_t directorySize) const;
  // Writes the data items in RVA order, each followed by the bytes that bring
  // it to its aligned size: the stored ones for kept items, "PADDING..." for
  // replaced ones.
  bool WriteDataItems(ByteSink& sink, ByteView file, uint32_t resourceRva,
                      uint32_t resourceFileOffset) const;

 private:
  ResourceData* FindIn(const char* type, const char* name) const;
  void CollectData(std::vector<ResourceData*>* items) const;

  int level_ = 0;
  std::vector<std::unique_ptr<ResourceEntry>> entries_;
  uint64_t structuresEnd_ = 0;  // root: end of the last table, name or data entry
};

// The filler written after replaced data and at the end of the section.
extern const char kResourcePadding[17];
// Writes `count` bytes of "PADDINGPADDINGXX" repeated, from its start.
bool WriteResourcePadding(ByteSink& sink, uint32_t count);
