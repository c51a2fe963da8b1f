#include "peimage/exe_rewriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// PE32 offsets, from the PE signature, the optional header and a section header.
constexpr uint32_t kFileHeaderSectionCount = 6;
constexpr uint32_t kFileHeaderSymbolTable = 12;
constexpr uint32_t kFileHeaderSymbolCount = 16;
constexpr uint32_t kFileHeaderOptionalSize = 20;
constexpr uint32_t kOptionalHeaderOffset = 24;
constexpr uint32_t kOptionalHeaderSize = 224;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kOptInitializedData = 8;
constexpr uint32_t kOptEntryPoint = 16;
constexpr uint32_t kOptSectionAlignment = 32;
constexpr uint32_t kOptFileAlignment = 36;
constexpr uint32_t kMaxFileAlignment = 0x10000;
constexpr uint32_t kOptSizeOfImage = 56;
constexpr uint32_t kOptDirectoryCount = 92;
constexpr uint32_t kOptDirectories = 96;
constexpr uint32_t kMaxDirectories = 16;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kSecurityDirectoryIndex = 4;
constexpr uint32_t kRelocationDirectoryIndex = 5;
constexpr uint32_t kDebugDirectoryIndex = 6;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSectionVirtualSize = 8;
constexpr uint32_t kSectionVirtualAddress = 12;
constexpr uint32_t kSectionRawSize = 16;
constexpr uint32_t kSectionRawPointer = 20;
constexpr uint32_t kSymbolSize = 18;
constexpr uint32_t kDebugEntrySize = 28;
constexpr uint32_t kDebugEntryRawPointer = 24;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t ReadU32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void AddU32(uint8_t* p, int64_t delta) {
  uint32_t value = ReadU32(p) + static_cast<uint32_t>(delta);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// `alignment` is a power of two: a mask, not a 64-bit division, which the
// 32-bit build would take from the compiler's runtime.
uint64_t AlignUp(uint64_t value, uint32_t alignment) {
  return (value + alignment - 1) & ~(uint64_t{alignment} - 1);
}

struct Section {
  uint32_t virtualSize;
  uint32_t virtualAddress;
  uint32_t rawSize;
  uint32_t rawPointer;
};

Section ReadSection(ByteView file, uint32_t header) {
  const uint8_t* p = file.data + header;
  return {ReadU32(p + kSectionVirtualSize), ReadU32(p + kSectionVirtualAddress),
          ReadU32(p + kSectionRawSize), ReadU32(p + kSectionRawPointer)};
}

}  // namespace

struct ExeRewriter::Layout {
  uint64_t content = 0;         // directory area and aligned data
  uint32_t pad = 0;             // filler up to the next FileAlignment step
  int64_t dataGrowth = 0;
  int64_t sectionGrowth = 0;    // change of the resource section's raw size
  int64_t virtualShift = 0;     // change of its aligned virtual size
};

bool ExeRewriter::Fail(const char* reason) {
  error_ = reason;
  return false;
}

bool ExeRewriter::Open(ByteView file) {
  file_ = file;
  error_ = "";
  root_.reset();
  if (!ReadHeaders() || !FindResourceSection() || !CheckNeighbours() || !CheckDebugData() ||
      !CheckTail())
    return false;

  ByteView directory{file_.data + resourceFileOffset_, resourceRawSize_};
  root_ = ResourceDirectory::BuildRoot(directory, &error_);
  if (!root_) return false;
  if (!root_->CheckDataPacking(resourceRva_, resourceRawSize_, &error_)) {
    root_.reset();
    return false;
  }
  originalDataTotal_ = root_->TotalAlignedSize();
  directorySize_ = root_->LowestDataRva() - resourceRva_;
  uint64_t content = directorySize_ + originalDataTotal_;
  if (Directory(kResourceDirectoryIndex, 4) > content || resourceVirtualSize_ > content) {
    root_.reset();
    return Fail("the resource section holds more than its directory and data");
  }
  return true;
}

uint32_t ExeRewriter::Directory(uint32_t index, uint32_t field) const {
  const uint8_t* opt = file_.data + optionalHeader_;
  return index < directoryCount_ ? ReadU32(opt + kOptDirectories + 8 * index + field) : 0;
}

bool ExeRewriter::ReadHeaders() {
  const ByteView& f = file_;
  if (!f.Holds(0, 64) || f.data[0] != 'M' || f.data[1] != 'Z')
    return Fail("not an executable: no MZ header");
  peOffset_ = ReadU32(f.data + 60);
  if (!f.Holds(peOffset_, kOptionalHeaderOffset) ||
      std::memcmp(f.data + peOffset_, "PE\0\0", 4) != 0)
    return Fail("not a PE executable: no PE signature");
  optionalHeader_ = peOffset_ + kOptionalHeaderOffset;
  if (!f.Holds(optionalHeader_, 2)) return Fail("the file is truncated in its headers");
  uint16_t magic = ReadU16(f.data + optionalHeader_);
  if (magic == kPe32PlusMagic) return Fail("64-bit (PE32+) executables are not supported");
  if (magic != kPe32Magic) return Fail("not a PE32 executable");
  if (ReadU16(f.data + peOffset_ + kFileHeaderOptionalSize) != kOptionalHeaderSize ||
      !f.Holds(optionalHeader_, kOptionalHeaderSize))
    return Fail("the optional header is not the 224 bytes of PE32");
  const uint8_t* opt = f.data + optionalHeader_;
  sectionAlignment_ = ReadU32(opt + kOptSectionAlignment);
  fileAlignment_ = ReadU32(opt + kOptFileAlignment);
  if (!IsPowerOfTwo(sectionAlignment_) || !IsPowerOfTwo(fileAlignment_))
    return Fail("the section or file alignment is not a power of two");
  // The loader takes no file alignment above 64 KB; a larger one would only
  // make the padding of the copy huge.
  if (fileAlignment_ > kMaxFileAlignment)
    return Fail("the file alignment is over 64 KB");
  directoryCount_ = std::min(ReadU32(opt + kOptDirectoryCount), kMaxDirectories);

  sectionCount_ = ReadU16(f.data + peOffset_ + kFileHeaderSectionCount);
  sectionTable_ = optionalHeader_ + kOptionalHeaderSize;
  if (sectionCount_ == 0 || !f.Holds(sectionTable_, uint64_t{kSectionHeaderSize} * sectionCount_))
    return Fail("the section table is missing or truncated");
  for (int i = 0; i < sectionCount_; ++i) {
    Section s = ReadSection(f, sectionTable_ + kSectionHeaderSize * i);
    if (s.rawSize != 0 && !f.Holds(s.rawPointer, s.rawSize))
      return Fail("a section's data lies outside the file");
  }
  if (Directory(kSecurityDirectoryIndex, 0) != 0 || Directory(kSecurityDirectoryIndex, 4) != 0)
    return Fail("the file is signed: a copy would carry a broken signature");
  return true;
}

bool ExeRewriter::FindResourceSection() {
  resourceRva_ = Directory(kResourceDirectoryIndex, 0);
  if (resourceRva_ == 0) return Fail("the file has no resource directory");
  resourceSection_ = -1;
  for (int i = 0; i < sectionCount_ && resourceSection_ < 0; ++i) {
    Section s = ReadSection(file_, sectionTable_ + kSectionHeaderSize * i);
    if (s.virtualAddress <= resourceRva_ && resourceRva_ - s.virtualAddress < s.rawSize)
      resourceSection_ = i;
  }
  if (resourceSection_ < 0) return Fail("the resource directory lies in no section");
  Section resource = ReadSection(file_, sectionTable_ + kSectionHeaderSize * resourceSection_);
  if (resource.virtualAddress != resourceRva_)
    return Fail("the resource directory does not start its section");
  if (resource.virtualSize == 0) return Fail("the resource section has no virtual size");
  resourceFileOffset_ = resource.rawPointer;
  resourceRawSize_ = resource.rawSize;
  resourceVirtualSize_ = resource.virtualSize;
  if (resourceFileOffset_ < sectionTable_ + uint64_t{kSectionHeaderSize} * sectionCount_)
    return Fail("the resource section overlaps the headers");
  return true;
}

// The resource section changes size: nothing else may share its bytes in the
// file or its pages in memory.
bool ExeRewriter::CheckNeighbours() {
  uint64_t rawEnd = uint64_t{resourceFileOffset_} + resourceRawSize_;
  uint64_t virtualEnd = AlignUp(uint64_t{resourceRva_} + resourceVirtualSize_, sectionAlignment_);
  for (int i = 0; i < sectionCount_; ++i) {
    if (i == resourceSection_) continue;
    Section s = ReadSection(file_, sectionTable_ + kSectionHeaderSize * i);
    if (s.rawSize != 0 && s.rawPointer < rawEnd &&
        s.rawPointer + uint64_t{s.rawSize} > resourceFileOffset_)
      return Fail("another section's data overlaps the resource section");
    bool startsInside = s.virtualAddress >= resourceRva_ && s.virtualAddress < virtualEnd;
    bool reachesInto = s.virtualAddress < resourceRva_ &&
                       uint64_t{s.virtualAddress} + std::max(s.virtualSize, s.rawSize) > resourceRva_;
    if (startsInside || reachesInto)
      return Fail("another section overlaps the resource section in memory");
  }
  for (uint32_t i = 0; i < directoryCount_; ++i) {
    uint32_t rva = Directory(i, 0);
    if (i != kResourceDirectoryIndex && rva >= resourceRva_ && rva < virtualEnd)
      return Fail("another data directory points into the resource section");
  }
  return true;
}

// Debug data is found by file offset, which would not follow a move.
bool ExeRewriter::CheckDebugData() {
  uint32_t debugRva = Directory(kDebugDirectoryIndex, 0);
  uint32_t debugSize = Directory(kDebugDirectoryIndex, 4);
  if (debugRva == 0) return true;
  for (int i = 0; i < sectionCount_; ++i) {
    Section s = ReadSection(file_, sectionTable_ + kSectionHeaderSize * i);
    if (s.virtualAddress > debugRva || debugRva - s.virtualAddress >= s.rawSize) continue;
    uint64_t debugOffset = uint64_t{s.rawPointer} + (debugRva - s.virtualAddress);
    if (!file_.Holds(debugOffset, debugSize)) break;
    for (uint32_t at = 0; at + kDebugEntrySize <= debugSize; at += kDebugEntrySize) {
      if (ReadU32(file_.data + debugOffset + at + kDebugEntryRawPointer) >= resourceFileOffset_)
        return Fail("debug data lies after the resource section");
    }
    return true;
  }
  return Fail("the debug directory lies outside the file");
}

bool ExeRewriter::CheckTail() {
  uint64_t sectionsEnd = 0;
  for (int i = 0; i < sectionCount_; ++i) {
    Section s = ReadSection(file_, sectionTable_ + kSectionHeaderSize * i);
    if (s.rawSize != 0) sectionsEnd = std::max(sectionsEnd, uint64_t{s.rawPointer} + s.rawSize);
  }
  uint64_t end = sectionsEnd;
  uint32_t symbolTable = ReadU32(file_.data + peOffset_ + kFileHeaderSymbolTable);
  if (symbolTable != 0) {
    if (symbolTable < sectionsEnd) return Fail("the COFF symbol table lies inside the sections");
    uint64_t strings =
        symbolTable + uint64_t{kSymbolSize} * ReadU32(file_.data + peOffset_ + kFileHeaderSymbolCount);
    if (!file_.Holds(strings, 4)) return Fail("the COFF symbol table is truncated");
    end = strings + ReadU32(file_.data + strings);
    if (end < strings + 4 || end > file_.size) return Fail("the COFF string table is truncated");
  }
  if (end != file_.size)
    return Fail("data follows the last section (an overlay or a signature)");
  return true;
}

bool ExeRewriter::ComputeLayout(Layout* layout) {
  uint64_t newTotal = root_->TotalAlignedSize();
  layout->dataGrowth = static_cast<int64_t>(newTotal) - static_cast<int64_t>(originalDataTotal_);
  layout->content = directorySize_ + newTotal;
  layout->pad = static_cast<uint32_t>((fileAlignment_ - (layout->content & (fileAlignment_ - 1))) &
                                      (fileAlignment_ - 1));
  uint64_t newRawSize = layout->content + layout->pad;
  layout->sectionGrowth = static_cast<int64_t>(newRawSize) - resourceRawSize_;
  int64_t newVirtualSize = int64_t{resourceVirtualSize_} + layout->dataGrowth;
  layout->virtualShift = static_cast<int64_t>(AlignUp(newVirtualSize, sectionAlignment_)) -
                         static_cast<int64_t>(AlignUp(resourceVirtualSize_, sectionAlignment_));

  const uint8_t* opt = file_.data + optionalHeader_;
  // A recorded size too small for what the section holds would wrap round.
  if (newVirtualSize <= 0 || int64_t{Directory(kResourceDirectoryIndex, 4)} + layout->dataGrowth < 0)
    return Fail("the resource section's recorded sizes are smaller than what it holds");
  if (static_cast<int64_t>(file_.size) + layout->sectionGrowth > UINT32_MAX ||
      resourceRva_ + AlignUp(newVirtualSize, sectionAlignment_) > UINT32_MAX ||
      ReadU32(opt + kOptSizeOfImage) + layout->virtualShift > UINT32_MAX)
    return Fail("the new resource section would not fit a PE32 file");
  if (layout->virtualShift == 0) return true;

  // Sections behind the resource section change address: only the base
  // relocations, which nothing else refers to, can move that way.
  uint32_t relocations = Directory(kRelocationDirectoryIndex, 0);
  for (int i = 0; i < sectionCount_; ++i) {
    Section s = ReadSection(file_, sectionTable_ + kSectionHeaderSize * i);
    if (i == resourceSection_ || s.virtualAddress < resourceRva_) continue;
    bool holdsRelocations = relocations >= s.virtualAddress &&
                            relocations - s.virtualAddress < std::max(s.virtualSize, s.rawSize);
    if (!holdsRelocations)
      return Fail("a section after the resource section can't move in memory");
  }
  for (uint32_t i = 0; i < directoryCount_; ++i) {
    uint32_t rva = Directory(i, 0);
    if (i != kRelocationDirectoryIndex && i != kResourceDirectoryIndex && rva > resourceRva_)
      return Fail("a data directory after the resource section can't move in memory");
  }
  if (ReadU32(opt + kOptEntryPoint) > resourceRva_)
    return Fail("the entry point lies after the resource section");
  return true;
}

bool ExeRewriter::WriteHeaders(ByteSink& sink, const Layout& layout) const {
  std::vector<uint8_t> head(file_.data, file_.data + resourceFileOffset_);
  uint8_t* fileHeader = head.data() + peOffset_;
  uint8_t* opt = head.data() + optionalHeader_;
  uint64_t resourceRawEnd = uint64_t{resourceFileOffset_} + resourceRawSize_;

  uint32_t symbolTable = ReadU32(fileHeader + kFileHeaderSymbolTable);
  if (symbolTable != 0 && symbolTable >= resourceRawEnd)
    AddU32(fileHeader + kFileHeaderSymbolTable, layout.sectionGrowth);
  AddU32(opt + kOptInitializedData, layout.sectionGrowth);
  AddU32(opt + kOptSizeOfImage, layout.virtualShift);
  for (uint32_t i = 0; i < directoryCount_; ++i) {
    uint8_t* entry = opt + kOptDirectories + 8 * i;
    if (i == kResourceDirectoryIndex)
      AddU32(entry + 4, layout.dataGrowth);
    else if (ReadU32(entry) > resourceRva_)
      AddU32(entry, layout.virtualShift);
  }
  for (int i = 0; i < sectionCount_; ++i) {
    uint8_t* header = head.data() + sectionTable_ + kSectionHeaderSize * i;
    if (i == resourceSection_) {
      AddU32(header + kSectionRawSize, layout.sectionGrowth);
      AddU32(header + kSectionVirtualSize, layout.dataGrowth);
      continue;
    }
    if (ReadU32(header + kSectionRawSize) != 0 && ReadU32(header + kSectionRawPointer) >= resourceRawEnd)
      AddU32(header + kSectionRawPointer, layout.sectionGrowth);
    if (ReadU32(header + kSectionVirtualAddress) > resourceRva_)
      AddU32(header + kSectionVirtualAddress, layout.virtualShift);
  }
  return sink.Write(head.data(), head.size());
}

bool ExeRewriter::Write(ByteSink& sink) {
  if (!root_) return Fail("no executable is open");
  Layout layout;
  if (!ComputeLayout(&layout)) return false;
  ByteView directory{file_.data + resourceFileOffset_, resourceRawSize_};
  uint64_t tail = uint64_t{resourceFileOffset_} + resourceRawSize_;
  bool written = WriteHeaders(sink, layout) &&
                 root_->WriteDirectoryTables(sink, directory, directorySize_) &&
                 root_->WriteDataItems(sink, file_, resourceRva_, resourceFileOffset_) &&
                 WriteResourcePadding(sink, layout.pad) &&
                 sink.Write(file_.data + tail, file_.size - tail);
  return written || Fail("the copy could not be written");
}

const uint8_t* ExeRewriter::FindResourceData(const char* type, const char* name,
                                             uint32_t* size) const {
  if (!root_) return nullptr;
  const ResourceData* item = root_->FindData(type, name);
  if (!item) return nullptr;
  if (size) *size = item->stored[ResourceData::kSize];
  return root_->StoredBytes(type, name, file_, resourceRva_, resourceFileOffset_);
}

bool ExeRewriter::ReplaceResourceData(const char* type, const char* name, const void* data,
                                      uint32_t size) {
  // An empty item would share its address with the next one.
  if (size == 0) return false;
  int64_t delta = 0;
  return root_ && root_->ReplaceData(type, name, data, size, &delta);
}

bool ExeBytesHoldResource(ByteView file, const char* type, const char* name, const void* data,
                          uint32_t size) {
  ExeRewriter image;
  uint32_t storedSize = 0;
  const uint8_t* stored = image.Open(file) ? image.FindResourceData(type, name, &storedSize) : nullptr;
  return stored && storedSize == size && std::memcmp(stored, data, size) == 0;
}
