// Byte views over files held in memory and the sink that a rewritten file is
// written to. No Windows types: the host build compiles and fuzzes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Read-only bytes owned by someone else (a mapped file, a buffer).
struct ByteView {
  const uint8_t* data = nullptr;
  size_t size = 0;

  // True when [offset, offset + count) lies inside the view.
  bool Holds(uint64_t offset, uint64_t count) const {
    return offset <= size && count <= size - offset;
  }
};

// Where a rewritten file goes. Write returns false when not all bytes were
// taken; the writer then stops.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const void* bytes, size_t count) = 0;
};

// Collects everything written, for checking a copy before it is stored.
class MemorySink : public ByteSink {
 public:
  bool Write(const void* bytes, size_t count) override;
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  ByteView View() const { return {bytes_.data(), bytes_.size()}; }

 private:
  std::vector<uint8_t> bytes_;
};
