#include "tests/peimage/pe_builder.h"

#include <cstring>
#include <map>

namespace {

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

uint32_t Get32(const std::vector<uint8_t>& in, size_t at) {
  return in[at] | in[at + 1] << 8 | in[at + 2] << 16 | static_cast<uint32_t>(in[at + 3]) << 24;
}

bool IsId(const std::string& key) { return !key.empty() && key[0] == '#'; }

// One directory table being laid out: its keys (named first, then ids, as
// the linker sorts them) and what each entry points to.
struct Table {
  std::vector<std::string> keys;
  std::vector<int> children;     // table index, or -1 for a data entry
  std::vector<int> data;         // resource index for data entries
  uint32_t offset = 0;
  int level = 0;
};

}  // namespace

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

BuiltPe BuildPe(const std::vector<BuiltResource>& resources, const PeBuildOptions& options) {
  // The tree: types, then names, then languages, keys in order of first use
  // with named keys before ids.
  std::vector<Table> tables(1);
  auto childFor = [&](int table, const std::string& key, int level) {
    Table& t = tables[table];
    for (size_t i = 0; i < t.keys.size(); ++i)
      if (t.keys[i] == key) return t.children[i];
    size_t at = 0;
    while (at < t.keys.size() && (IsId(key) || !IsId(t.keys[at]))) ++at;
    tables.emplace_back();
    tables.back().level = level;
    int child = static_cast<int>(tables.size() - 1);
    tables[table].keys.insert(tables[table].keys.begin() + at, key);
    tables[table].children.insert(tables[table].children.begin() + at, child);
    tables[table].data.insert(tables[table].data.begin() + at, -1);
    return child;
  };
  for (size_t r = 0; r < resources.size(); ++r) {
    int names = childFor(0, resources[r].type, 1);
    int languages = childFor(names, resources[r].name, 2);
    tables[languages].keys.push_back("#" + std::to_string(resources[r].language));
    tables[languages].children.push_back(-1);
    tables[languages].data.push_back(static_cast<int>(r));
  }

  // Table order: level order, or depth first as windres writes.
  std::vector<int> order;
  if (options.depthFirst) {
    order.push_back(0);
    for (int type : tables[0].children) {
      order.push_back(type);
      for (int language : tables[type].children) order.push_back(language);
    }
  } else {
    for (int level = 0; level <= 2; ++level)
      for (size_t t = 0; t < tables.size(); ++t)
        if (tables[t].level == level) order.push_back(static_cast<int>(t));
  }
  uint32_t at = 0;
  for (int t : order) {
    tables[t].offset = at;
    at += 16 + 8 * static_cast<uint32_t>(tables[t].keys.size());
  }
  std::vector<uint32_t> dataEntryOffset(resources.size());
  std::map<std::string, uint32_t> nameOffsets;
  auto layNames = [&] {
    for (int t : order)
      for (const std::string& key : tables[t].keys)
        if (!IsId(key) && !nameOffsets.count(key) && tables[t].level < 2) {
          nameOffsets[key] = at;
          at += 2 + 2 * static_cast<uint32_t>(key.size());
        }
  };
  auto layEntries = [&] {
    for (int t : order)
      for (int r : tables[t].data)
        if (r >= 0) {
          dataEntryOffset[r] = at;
          at += 16;
        }
  };
  if (options.depthFirst) {
    layNames();
    layEntries();
  } else {
    layEntries();
    layNames();
  }
  std::vector<uint32_t> dataOffset(resources.size());
  for (int t : order)
    for (int r : tables[t].data)
      if (r >= 0) {
        dataOffset[r] = at = AlignUp(at, 8);
        at += static_cast<uint32_t>(resources[r].bytes.size());
      }
  uint32_t inUse = AlignUp(at, 8);

  // The file: headers, .text, .rsrc, optional .reloc.
  const uint32_t fa = options.fileAlignment, sa = options.sectionAlignment;
  uint16_t sectionCount = options.relocations ? 3 : 2;
  uint32_t headersSize = AlignUp(0x80 + 24 + 224 + 40 * sectionCount, fa);
  uint32_t codeRva = sa, codeRaw = fa;
  uint32_t resourceRva = AlignUp(codeRva + options.codeVirtualSize, sa);
  uint32_t resourceFile = headersSize + codeRaw;
  uint32_t resourceRaw = AlignUp(inUse, fa);
  uint32_t relocRva = AlignUp(resourceRva + inUse, sa);
  uint32_t relocFile = resourceFile + resourceRaw;
  const uint32_t relocVirtual = 12, relocRaw = AlignUp(relocVirtual, fa);
  uint32_t end = options.relocations ? relocFile + relocRaw : relocFile;
  uint32_t imageEnd = options.relocations ? AlignUp(relocRva + relocVirtual, sa)
                                          : AlignUp(resourceRva + inUse, sa);
  const char strings[] = "\x0e\0\0\0.eh_frame";
  uint32_t stringsSize = options.stringTable ? 14 : 0;

  std::vector<uint8_t> out(end + stringsSize);
  out[0] = 'M';
  out[1] = 'Z';
  Put32(out, 60, 0x80);
  std::memcpy(&out[0x80], "PE\0\0", 4);
  size_t fh = 0x84, opt = 0x98, sections = opt + 224;
  Put16(out, fh, 0x14C);
  Put16(out, fh + 2, sectionCount);
  if (options.stringTable) Put32(out, fh + 8, end);
  Put16(out, fh + 16, 224);
  Put16(out, fh + 18, 0x102);
  Put16(out, opt, 0x10B);
  Put32(out, opt + 4, codeRaw);
  Put32(out, opt + 8, resourceRaw + (options.relocations ? relocRaw : 0));
  Put32(out, opt + 16, codeRva);
  Put32(out, opt + 28, 0x400000);
  Put32(out, opt + 32, sa);
  Put32(out, opt + 36, fa);
  Put16(out, opt + 40, 4);
  Put16(out, opt + 48, 4);
  Put32(out, opt + 56, imageEnd);
  Put32(out, opt + 60, headersSize);
  Put16(out, opt + 68, 2);
  Put32(out, opt + 92, 16);
  Put32(out, opt + 96 + 16, resourceRva);
  Put32(out, opt + 96 + 20, inUse);
  if (options.relocations) {
    Put32(out, opt + 96 + 40, relocRva);
    Put32(out, opt + 96 + 44, relocVirtual);
  }
  auto section = [&](int index, const char* name, uint32_t vsize, uint32_t rva, uint32_t raw,
                     uint32_t pointer) {
    size_t h = sections + 40 * index;
    std::memcpy(&out[h], name, std::strlen(name));
    Put32(out, h + 8, vsize);
    Put32(out, h + 12, rva);
    Put32(out, h + 16, raw);
    Put32(out, h + 20, pointer);
    Put32(out, h + 36, 0x40000040);
  };
  section(0, ".text", options.codeVirtualSize, codeRva, codeRaw, headersSize);
  out[headersSize] = 0xC3;
  section(1, ".rsrc", inUse, resourceRva, resourceRaw, resourceFile);
  if (options.relocations) {
    section(2, ".reloc", relocVirtual, relocRva, relocRaw, relocFile);
    Put32(out, relocFile, codeRva);
    Put32(out, relocFile + 4, relocVirtual);
    Put16(out, relocFile + 8, 0x3000);
  }
  if (options.stringTable) std::memcpy(&out[end], strings, stringsSize);

  size_t base = resourceFile;
  for (const Table& t : tables) {
    size_t table = base + t.offset;
    uint16_t named = 0, ids = 0;
    for (size_t i = 0; i < t.keys.size(); ++i) {
      const std::string& key = t.keys[i];
      IsId(key) ? ++ids : ++named;
      uint32_t nameField = IsId(key) ? std::stoul(key.substr(1)) : (nameOffsets[key] | 0x80000000u);
      uint32_t target = t.children[i] >= 0 ? (tables[t.children[i]].offset | 0x80000000u)
                                           : dataEntryOffset[t.data[i]];
      Put32(out, table + 16 + 8 * i, nameField);
      Put32(out, table + 20 + 8 * i, target);
    }
    Put16(out, table + 12, named);
    Put16(out, table + 14, ids);
  }
  for (const auto& [key, offset] : nameOffsets) {
    Put16(out, base + offset, static_cast<uint32_t>(key.size()));
    for (size_t i = 0; i < key.size(); ++i) Put16(out, base + offset + 2 + 2 * i, key[i]);
  }
  for (size_t r = 0; r < resources.size(); ++r) {
    Put32(out, base + dataEntryOffset[r], resourceRva + dataOffset[r]);
    Put32(out, base + dataEntryOffset[r] + 4, static_cast<uint32_t>(resources[r].bytes.size()));
    std::memcpy(&out[base + dataOffset[r]], resources[r].bytes.data(), resources[r].bytes.size());
  }
  out.insert(out.end(), options.overlay.begin(), options.overlay.end());
  return {out, resourceRva, resourceFile, inUse};
}

const PeSection* PeFields::Find(const char* name) const {
  for (const PeSection& s : sections)
    if (s.name == name) return &s;
  return nullptr;
}

PeFields ReadPeFields(const std::vector<uint8_t>& file) {
  PeFields f{};
  size_t pe = Get32(file, 60), opt = pe + 24;
  f.symbolTable = Get32(file, pe + 12);
  f.sizeOfInitializedData = Get32(file, opt + 8);
  f.sizeOfImage = Get32(file, opt + 56);
  for (int i = 0; i < 16; ++i) {
    f.directoryRva[i] = Get32(file, opt + 96 + 8 * i);
    f.directorySize[i] = Get32(file, opt + 100 + 8 * i);
  }
  uint16_t count = static_cast<uint16_t>(file[pe + 6] | file[pe + 7] << 8);
  for (uint16_t i = 0; i < count; ++i) {
    size_t h = opt + 224 + 40 * i;
    PeSection s;
    s.name.assign(reinterpret_cast<const char*>(&file[h]), strnlen(reinterpret_cast<const char*>(&file[h]), 8));
    s.virtualSize = Get32(file, h + 8);
    s.virtualAddress = Get32(file, h + 12);
    s.rawSize = Get32(file, h + 16);
    s.rawPointer = Get32(file, h + 20);
    f.sections.push_back(s);
  }
  return f;
}
