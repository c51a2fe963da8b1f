// libFuzzer over the executable rewriter core. The input is a file followed
// by two bytes that choose the new greeting's length. Whatever the rewriter
// accepts and writes must read back with the new greeting, and writing that
// copy again unchanged must give the same bytes.

#include <cstdint>
#include <vector>

#include "peimage/exe_rewriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint32_t length = data[size - 1] | (data[size - 2] & 1) << 8;
  ByteView file{data, size - 2};
  const char* type = "MSGTEXT";
  const char* name = ResourceIdKey(101);

  ExeRewriter image;
  if (!image.Open(file)) return 0;
  uint32_t storedSize = 0;
  image.FindResourceData(type, name, &storedSize);
  image.FindResourceData(ResourceIdKey(2), "IDB_PAL", nullptr);
  std::vector<uint8_t> greeting(length, 'g');
  bool replaced = image.ReplaceResourceData(type, name, greeting.data(), length);
  MemorySink copy;
  if (!image.Write(copy)) return 0;

  ExeRewriter reread;
  if (!reread.Open(copy.View())) __builtin_trap();
  if (replaced && !ExeBytesHoldResource(copy.View(), type, name, greeting.data(), length))
    __builtin_trap();
  MemorySink again;
  if (!reread.Write(again) || again.Bytes() != copy.Bytes()) __builtin_trap();
  return 0;
}
