// The byte-level half of the executable rewriter: reads a PE32 file held in
// memory, gives one resource new bytes and writes the complete new file to a
// sink. It accepts exactly what it can copy without loss: the resource
// section may be followed by further sections (moved along, with the data
// directories that point into them) and by the COFF symbol and string table,
// but not by an overlay or a signature. No Windows types.
#pragma once

#include <cstdint>
#include <memory>

#include "peimage/byte_sink.h"
#include "peimage/resource_directory.h"

class ExeRewriter {
 public:
  // Reads the headers and the resource tree of `file`, which must stay valid
  // while this object lives. False, with the reason in Error(), for anything
  // that can't be rewritten safely.
  bool Open(ByteView file);
  // Why Open or Write last failed, a fixed text; empty after a good Open.
  const char* Error() const { return error_; }

  // The stored bytes of the first matching resource, or null.
  const uint8_t* FindResourceData(const char* type, const char* name, uint32_t* size) const;

  // Gives the first matching resource (first language) new bytes. False when
  // nothing matches or `size` is 0; the tree is then unchanged.
  bool ReplaceResourceData(const char* type, const char* name, const void* data, uint32_t size);

  // Writes the new file. False, with the reason in Error(), when the layout
  // can't be written safely (nothing is written then) or the sink refused
  // bytes (the sink then holds part of a copy).
  bool Write(ByteSink& sink);

 private:
  struct Layout;
  bool Fail(const char* reason);
  uint32_t Directory(uint32_t index, uint32_t field) const;  // data directory: 0 RVA, 4 size
  bool ReadHeaders();
  bool FindResourceSection();
  bool CheckNeighbours();
  bool CheckDebugData();
  bool CheckTail();
  bool ComputeLayout(Layout* layout);
  bool WriteHeaders(ByteSink& sink, const Layout& layout) const;

  ByteView file_;
  const char* error_ = "";
  std::unique_ptr<ResourceDirectory> root_;
  uint32_t peOffset_ = 0;
  uint32_t optionalHeader_ = 0;
  uint32_t sectionTable_ = 0;
  uint16_t sectionCount_ = 0;
  uint32_t directoryCount_ = 0;
  int resourceSection_ = -1;
  uint32_t resourceRva_ = 0;
  uint32_t resourceFileOffset_ = 0;
  uint32_t resourceRawSize_ = 0;
  uint32_t resourceVirtualSize_ = 0;
  uint32_t fileAlignment_ = 0;
  uint32_t sectionAlignment_ = 0;
  uint64_t originalDataTotal_ = 0;
  uint32_t directorySize_ = 0;
};

// True when `file` parses and its first matching resource holds exactly
// `size` bytes equal to `data`.
bool ExeBytesHoldResource(ByteView file, const char* type, const char* name, const void* data,
                          uint32_t size);
