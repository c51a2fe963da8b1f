// The FIG byte format: an 18-byte file header, a zlib palette block that
// inflates to 256 entries (blue, green, red, 0), then frame records of a
// 24-byte header and zlib pixels (8-bit DIB rows, bottom-up, 4-byte stride).
// All numbers little-endian. No Windows types: the host build fuzzes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr uint32_t kFigMagic = 0x31474946;  // "FIG1" read as a little-endian long
constexpr size_t kFigFileHeaderSize = 18;
constexpr size_t kFigFrameHeaderSize = 24;
constexpr size_t kFigPaletteBytes = 1024;
constexpr int kFigPaletteEntries = 256;

// A read position over FIG bytes that never moves past `size`.
struct FigCursor {
  const uint8_t* start = nullptr;
  size_t size = 0;
  size_t position = 0;
};

// Bounded reads at the cursor; on success the cursor advances, otherwise
// nothing is read and the cursor stays.
bool FigReadBytes(FigCursor* cursor, void* out, size_t count);
bool FigReadShort(FigCursor* cursor, uint16_t* value);
bool FigReadLong(FigCursor* cursor, uint32_t* value);

// The fields of the file header.
struct FigHeader {
  int16_t loopCount = 0;     // <= 0: for ever; n > 0: n more passes after the first
  uint16_t frameCount = 0;
  uint16_t width = 0;        // canvas size
  uint16_t height = 0;
  int16_t extraWord = 0;     // kept, not interpreted
  int32_t paletteSize = 0;   // compressed palette bytes
};

// Reads the file header from the start of the data and inflates the palette
// block into `palette`. False for a wrong magic, truncated data or a palette
// block that does not inflate; the cursor then points at the first frame record.
bool FigDecodeHeader(FigCursor* cursor, FigHeader* header, uint8_t palette[kFigPaletteBytes]);

// The fields of a frame record's 24-byte header.
struct FigFrameRecord {
  int16_t width = 0;
  int16_t height = 0;
  int16_t planes = 0;
  int16_t bitCount = 0;
  int16_t compression = 0;
  int32_t dataSize = 0;       // compressed pixel bytes after the header
  int16_t left = 0;
  int16_t top = 0;
  int16_t transparentIndex = -1;
  int16_t delay = 0;          // hundredths of a second
  int16_t disposal = 0;
};

// One frame as decoded: stride x height palette indices, rows bottom-up. Its
// buffer is kept for the next frame decoded into the same FigFrame.
struct FigFrame {
  FigFrameRecord record;
  std::unique_ptr<uint8_t[]> pixels;
  size_t capacity = 0;          // bytes allocated at pixels
  size_t pixelBytes = 0;        // stride x height
  unsigned long inflatedBytes = 0;  // bytes inflated, or pixelBytes when the stream was damaged
};

enum class FigFrameStatus {
  kDecoded,   // frame filled (damaged pixel data shows as zeros past what inflated)
  kDamaged,   // record truncated, sizes not positive, or data past the end
  kNoMemory,  // pixel buffer could not be allocated
};

// Row stride of an 8-bit frame: width rounded up to a multiple of 4.
size_t FigFrameStride(int width);

// Reads the next frame record and inflates its pixels into `frame`. The cursor
// advances past the record only when it is decoded.
FigFrameStatus FigDecodeFrame(FigCursor* cursor, FigFrame* frame);

// One-shot zlib inflate of `sourceLen` bytes into `*destLen` bytes of `dest`.
// 0 with `*destLen` set to the bytes produced, or the zlib error code with
// `*destLen` unchanged (Z_BUF_ERROR when output space or input ran out).
int InflateBuffer(unsigned char* dest, unsigned long* destLen, const unsigned char* source,
                  unsigned long sourceLen);
