#include "peimage/byte_sink.h"

bool MemorySink::Write(const void* bytes, size_t count) {
  const uint8_t* start = static_cast<const uint8_t*>(bytes);
  bytes_.insert(bytes_.end(), start, start + count);
  return true;
}
