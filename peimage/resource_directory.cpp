#include "peimage/resource_directory.h"

#include <algorithm>
#include <cstring>
#include <utility>

const char kResourcePadding[17] = "PADDINGPADDINGXX";

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t ReadU32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void PutU32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Resource names are ASCII in practice; Latin-1 code points keep their
// Windows-1252 byte and anything else becomes '?', one byte per unit.
char ToWindows1252(uint16_t unit) { return unit < 0x100 ? static_cast<char>(unit) : '?'; }

// Type, name and language tables: deeper tables are not a resource directory.
constexpr int kDeepestLevel = 2;

constexpr char kOverlap[] = "resource tables, names or data entries overlap";

}  // namespace

// What a build has seen so far: the span of every table, name and data
// entry. None may overlap another (nor be reached twice). Spans that don't
// overlap fit into the section, so claiming more bytes than it holds is an
// overlap found at once, which bounds the work a hostile directory can cause
// by the size of the section; the spans are compared once, when the build
// ends or fails, so that an overlap is the reason given whenever there is one.
struct ResourceBuildState {
  struct Span {
    uint64_t offset;
    uint64_t end;
  };
  std::vector<Span> spans;
  uint64_t claimed = 0;
  uint64_t sectionSize = 0;
  uint64_t structuresEnd = 0;
  const char* error = nullptr;

  bool Fail(const char* reason) {
    error = Overlaps() ? kOverlap : reason;
    return false;
  }
  // Callers check first that the span lies in the section and is not empty.
  bool Claim(uint64_t offset, uint64_t size) {
    spans.push_back({offset, offset + size});
    claimed += size;
    structuresEnd = std::max(structuresEnd, offset + size);
    return claimed <= sectionSize;
  }
  bool Overlaps() {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < spans.size(); ++i) {
      if (spans[i].offset < spans[i - 1].end) return true;
    }
    return false;
  }
};

bool ResourceEntry::Matches(const char* key) const {
  if (IsResourceId(key)) return !named && (nameField & 0xFFFF) == reinterpret_cast<uintptr_t>(key);
  return named && std::equal(nameText.begin(), nameText.end(), key, key + std::strlen(key));
}

std::unique_ptr<ResourceDirectory> ResourceDirectory::BuildRoot(ByteView directory,
                                                                const char** error) {
  auto root = std::make_unique<ResourceDirectory>();
  ResourceBuildState state;
  state.sectionSize = directory.size;
  if (!root->Build(directory, 0, 0, &state) || state.Overlaps()) {
    *error = state.error ? state.error : kOverlap;
    return nullptr;
  }
  root->structuresEnd_ = state.structuresEnd;
  return root;
}

bool ResourceDirectory::Build(ByteView base, uint32_t tableOffset, int level,
                              ResourceBuildState* state) {
  if (level > kDeepestLevel) return state->Fail("the resource directory has more than three levels");
  if (!base.Holds(tableOffset, kResourceTableHeaderSize))
    return state->Fail("a resource table lies outside the resource section");
  const uint8_t* table = base.data + tableOffset;
  level_ = level;
  uint32_t count = static_cast<uint32_t>(ReadU16(table + 12)) + ReadU16(table + 14);
  uint64_t tableSize = kResourceTableHeaderSize + static_cast<uint64_t>(count) * kResourceEntrySize;
  if (!base.Holds(tableOffset, tableSize))
    return state->Fail("a resource table lies outside the resource section");
  if (!state->Claim(tableOffset, tableSize)) return state->Fail(kOverlap);

  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* stored = table + kResourceTableHeaderSize + kResourceEntrySize * i;
    auto entry = std::make_unique<ResourceEntry>();
    entry->nameField = ReadU32(stored);
    entry->offsetField = ReadU32(stored + 4);
    if (entry->nameField & kResourceHighBit) {
      uint32_t nameOffset = entry->nameField & ~kResourceHighBit;
      if (!base.Holds(nameOffset, 2)) return state->Fail("a resource name lies outside the resource section");
      uint32_t units = ReadU16(base.data + nameOffset);
      if (!base.Holds(nameOffset + 2ull, 2ull * units))
        return state->Fail("a resource name lies outside the resource section");
      if (!state->Claim(nameOffset, 2 + 2ull * units)) return state->Fail(kOverlap);
      entry->named = true;
      entry->nameText.resize(units);
      for (uint32_t u = 0; u < units; ++u)
        entry->nameText[u] = ToWindows1252(ReadU16(base.data + nameOffset + 2 + 2 * u));
    }
    ResourceEntry* placed = entry.get();
    entries_.push_back(std::move(entry));
    uint32_t target = placed->offsetField & ~kResourceHighBit;
    if (placed->offsetField & kResourceHighBit) {
      placed->subdirectory = std::make_unique<ResourceDirectory>();
      if (!placed->subdirectory->Build(base, target, level + 1, state)) return false;
      continue;
    }
    if (!base.Holds(target, kResourceDataEntrySize))
      return state->Fail("a resource data entry lies outside the resource section");
    if (!state->Claim(target, kResourceDataEntrySize)) return state->Fail(kOverlap);
    auto data = std::make_unique<ResourceData>();
    for (int f = 0; f < 4; ++f) data->stored[f] = data->current[f] = ReadU32(base.data + target + 4 * f);
    data->entryOffset = target;
    placed->data = std::move(data);
  }
  return true;
}

ResourceData* ResourceDirectory::FindData(const char* type, const char* name) const {
  return FindIn(type, name);
}

ResourceData* ResourceDirectory::FindIn(const char* type, const char* name) const {
  for (const auto& entry : entries_) {
    if (level_ >= kDeepestLevel) {
      if (entry->data) return entry->data.get();
      continue;
    }
    if (!entry->Matches(level_ == 0 ? type : name) || !entry->subdirectory) continue;
    if (ResourceData* found = entry->subdirectory->FindIn(type, name)) return found;
  }
  return nullptr;
}

void ResourceDirectory::CollectData(std::vector<ResourceData*>* items) const {
  for (const auto& entry : entries_) {
    if (entry->data) items->push_back(entry->data.get());
    if (entry->subdirectory) entry->subdirectory->CollectData(items);
  }
}

uint64_t ResourceDirectory::TotalAlignedSize() const {
  std::vector<ResourceData*> items;
  CollectData(&items);
  uint64_t total = 0;
  for (const ResourceData* item : items) total += item->AlignedSize();
  return total;
}

uint32_t ResourceDirectory::LowestDataRva() const {
  std::vector<ResourceData*> items;
  CollectData(&items);
  uint32_t lowest = UINT32_MAX;
  for (const ResourceData* item : items) lowest = std::min(lowest, item->current[ResourceData::kRva]);
  return lowest;
}

bool ResourceDirectory::CheckDataPacking(uint32_t resourceRva, uint32_t sectionSize,
                                         const char** error) const {
  std::vector<ResourceData*> items;
  CollectData(&items);
  if (items.empty()) {
    *error = "the resource directory holds no data";
    return false;
  }
  std::sort(items.begin(), items.end(), [](const ResourceData* a, const ResourceData* b) {
    return a->stored[ResourceData::kRva] < b->stored[ResourceData::kRva];
  });
  uint64_t expected = items.front()->stored[ResourceData::kRva];
  if (expected < resourceRva + structuresEnd_) {
    *error = "resource data overlaps the resource directory";
    return false;
  }
  for (const ResourceData* item : items) {
    if (item->stored[ResourceData::kRva] != expected || item->AlignedSize() == 0) {
      *error = "resource data is not packed on 8-byte steps";
      return false;
    }
    expected += item->AlignedSize();
  }
  if (expected - resourceRva > sectionSize) {
    *error = "resource data lies outside the resource section";
    return false;
  }
  return true;
}

bool ResourceDirectory::ReplaceData(const char* type, const char* name, const void* bytes,
                                    uint32_t size, int64_t* delta) {
  ResourceData* item = FindData(type, name);
  if (!item) return false;
  uint32_t rva = item->current[ResourceData::kRva];
  int64_t oldSize = item->AlignedSize();
  const uint8_t* start = static_cast<const uint8_t*>(bytes);
  item->replacement.assign(start, start + size);
  item->replaced = true;
  item->current[ResourceData::kSize] = size;
  *delta = static_cast<int64_t>(item->AlignedSize()) - oldSize;

  std::vector<ResourceData*> items;
  CollectData(&items);
  for (ResourceData* other : items) {
    if (other->current[ResourceData::kRva] > rva)
      other->current[ResourceData::kRva] += static_cast<uint32_t>(*delta);
  }
  return true;
}

const uint8_t* ResourceDirectory::StoredBytes(const char* type, const char* name, ByteView file,
                                              uint32_t resourceRva,
                                              uint32_t resourceFileOffset) const {
  const ResourceData* item = FindData(type, name);
  if (!item) return nullptr;
  return file.data + resourceFileOffset + (item->stored[ResourceData::kRva] - resourceRva);
}

bool ResourceDirectory::WriteDirectoryTables(ByteSink& sink, ByteView directory,
                                             uint32_t directorySize) const {
  std::vector<uint8_t> area(directory.data, directory.data + directorySize);
  std::vector<ResourceData*> items;
  CollectData(&items);
  for (const ResourceData* item : items) {
    for (int f = 0; f < 4; ++f) PutU32(area.data() + item->entryOffset + 4 * f, item->current[f]);
  }
  return sink.Write(area.data(), area.size());
}

bool ResourceDirectory::WriteDataItems(ByteSink& sink, ByteView file, uint32_t resourceRva,
                                       uint32_t resourceFileOffset) const {
  std::vector<ResourceData*> items;
  CollectData(&items);
  std::sort(items.begin(), items.end(), [](const ResourceData* a, const ResourceData* b) {
    return a->current[ResourceData::kRva] < b->current[ResourceData::kRva];
  });
  for (const ResourceData* item : items) {
    uint32_t size = item->current[ResourceData::kSize];
    uint32_t pad = item->AlignedSize() - size;
    if (item->replaced) {
      if (!sink.Write(item->replacement.data(), size) || !WriteResourcePadding(sink, pad))
        return false;
      continue;
    }
    const uint8_t* stored =
        file.data + resourceFileOffset + (item->stored[ResourceData::kRva] - resourceRva);
    if (!sink.Write(stored, size + pad)) return false;
  }
  return true;
}

bool WriteResourcePadding(ByteSink& sink, uint32_t count) {
  std::vector<uint8_t> padding(count);
  for (uint32_t i = 0; i < count; ++i) padding[i] = static_cast<uint8_t>(kResourcePadding[i % 16]);
  return sink.Write(padding.data(), padding.size());
}
