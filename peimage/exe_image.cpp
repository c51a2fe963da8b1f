#include "peimage/exe_image.h"

#include <cstring>
#include <vector>

namespace {

// Collects the copy in large blocks so that the many small pieces of the
// resource section don't each cost a system call.
class FileSink : public ByteSink {
 public:
  explicit FileSink(HANDLE file) : file_(file) {}

  bool Write(const void* bytes, size_t count) override {
    const BYTE* start = static_cast<const BYTE*>(bytes);
    buffer_.insert(buffer_.end(), start, start + count);
    return buffer_.size() < kBlockSize || Flush();
  }

  bool Flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
      DWORD written = 0;
      DWORD chunk = static_cast<DWORD>(buffer_.size() - done);
      if (!WriteFile(file_, buffer_.data() + done, chunk, &written, nullptr) || written == 0)
        return false;
      done += written;
    }
    buffer_.clear();
    return true;
  }

 private:
  static constexpr size_t kBlockSize = 1 << 16;
  HANDLE file_;
  std::vector<BYTE> buffer_;
};

}  // namespace

ExeImage::~ExeImage() { Release(); }

void ExeImage::Release() {
  rewriter_.reset();
  if (view_) UnmapViewOfFile(view_);
  view_ = nullptr;
  if (mapping_) CloseHandle(mapping_);
  mapping_ = nullptr;
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

BOOL ExeImage::Open(const char* path) {
  Release();
  file_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return FALSE;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_, &size) || size.QuadPart == 0 || size.HighPart != 0) return FALSE;
  mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping_) return FALSE;
  view_ = static_cast<const BYTE*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
  if (!view_) return FALSE;
  auto rewriter = std::make_unique<ExeRewriter>();
  if (!rewriter->Open({view_, static_cast<size_t>(size.QuadPart)})) return FALSE;
  rewriter_ = std::move(rewriter);
  return TRUE;
}

const void* ExeImage::FindResourceData(LPCSTR type, LPCSTR name, DWORD* size) const {
  if (!rewriter_) return nullptr;
  uint32_t storedSize = 0;
  const uint8_t* stored = rewriter_->FindResourceData(type, name, &storedSize);
  if (stored && size) *size = storedSize;
  return stored;
}

void ExeImage::ReplaceResourceData(LPCSTR type, LPCSTR name, const void* data, int size) {
  if (rewriter_ && size >= 0)
    rewriter_->ReplaceResourceData(type, name, data, static_cast<uint32_t>(size));
}

BOOL ExeImage::Save(HANDLE file) {
  BOOL saved = FALSE;
  if (rewriter_ && file != INVALID_HANDLE_VALUE && file != nullptr) {
    FileSink sink(file);
    saved = rewriter_->Write(sink) && sink.Flush();
  }
  Release();
  return saved;
}

BOOL ExeFileHoldsResource(const char* path, LPCSTR type, LPCSTR name, const void* data,
                          DWORD size) {
  ExeImage image;
  DWORD storedSize = 0;
  const void* stored = image.Open(path) ? image.FindResourceData(type, name, &storedSize) : nullptr;
  return stored && storedSize == size && std::memcmp(stored, data, size) == 0;
}
