#include "gfx/fig_core.h"

#include <cstring>
#include <new>

#include <zlib.h>

// Largest pixel buffer a frame may ask for (8192 x 8192). The card's pictures are
// far smaller; bigger sizes come only from damaged data and would cost up to a
// gigabyte of zeros. Checked in 64 bits so a 32-bit size_t never wraps.
constexpr uint64_t kMaxFramePixelBytes = uint64_t(64) << 20;

bool FigReadBytes(FigCursor* cursor, void* out, size_t count) {
  if (count > cursor->size - cursor->position) {
    return false;
  }
  memcpy(out, cursor->start + cursor->position, count);
  cursor->position += count;
  return true;
}

bool FigReadShort(FigCursor* cursor, uint16_t* value) {
  uint8_t bytes[2];
  if (!FigReadBytes(cursor, bytes, sizeof(bytes))) {
    return false;
  }
  *value = uint16_t(bytes[0] | (bytes[1] << 8));
  return true;
}

bool FigReadLong(FigCursor* cursor, uint32_t* value) {
  uint8_t bytes[4];
  if (!FigReadBytes(cursor, bytes, sizeof(bytes))) {
    return false;
  }
  *value = uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
           (uint32_t(bytes[3]) << 24);
  return true;
}

static bool FigReadSigned(FigCursor* cursor, int16_t* value) {
  uint16_t raw;
  if (!FigReadShort(cursor, &raw)) {
    return false;
  }
  *value = int16_t(raw);
  return true;
}

// Hands out the next `count` bytes in place, without copying them.
static const uint8_t* FigTakeBytes(FigCursor* cursor, size_t count) {
  if (count > cursor->size - cursor->position) {
    return nullptr;
  }
  const uint8_t* bytes = cursor->start + cursor->position;
  cursor->position += count;
  return bytes;
}

// Inflates as InflateBuffer does, and reports how far the output got even when
// the stream fails, so the caller knows which bytes were written.
static int InflateCounted(unsigned char* dest, unsigned long destLen, const unsigned char* source,
                          unsigned long sourceLen, unsigned long* produced) {
  z_stream stream = {};
  stream.next_in = const_cast<Bytef*>(source);
  stream.avail_in = uInt(sourceLen);
  stream.next_out = dest;
  stream.avail_out = uInt(destLen);
  *produced = 0;
  int result = inflateInit(&stream);
  if (result != Z_OK) {
    return result;
  }
  result = inflate(&stream, Z_FINISH);
  *produced = stream.total_out;
  if (result == Z_STREAM_END) {
    return inflateEnd(&stream);
  }
  inflateEnd(&stream);
  return result;
}

int InflateBuffer(unsigned char* dest, unsigned long* destLen, const unsigned char* source,
                  unsigned long sourceLen) {
  unsigned long produced;
  int result = InflateCounted(dest, *destLen, source, sourceLen, &produced);
  if (result == Z_OK) {
    *destLen = produced;
  }
  return result;
}

bool FigDecodeHeader(FigCursor* cursor, FigHeader* header, uint8_t palette[kFigPaletteBytes]) {
  cursor->position = 0;
  uint32_t magic;
  if (!FigReadLong(cursor, &magic) || magic != kFigMagic) {
    return false;
  }
  uint32_t paletteSize;
  if (!FigReadSigned(cursor, &header->loopCount) || !FigReadShort(cursor, &header->frameCount) ||
      !FigReadShort(cursor, &header->width) || !FigReadShort(cursor, &header->height) ||
      !FigReadSigned(cursor, &header->extraWord) || !FigReadLong(cursor, &paletteSize)) {
    return false;
  }
  header->paletteSize = int32_t(paletteSize);
  const uint8_t* block = header->paletteSize > 0 ? FigTakeBytes(cursor, paletteSize) : nullptr;
  if (!block) {
    return false;
  }
  // A short palette stream leaves the remaining entries black, not stale.
  memset(palette, 0, kFigPaletteBytes);
  unsigned long paletteBytes = kFigPaletteBytes;
  return InflateBuffer(palette, &paletteBytes, block, paletteSize) == Z_OK;
}

size_t FigFrameStride(int width) {
  return (size_t(width) + 3) & ~size_t(3);
}

static bool FigReadFrameRecord(FigCursor* cursor, FigFrameRecord* record) {
  uint32_t dataSize;
  if (!FigReadSigned(cursor, &record->width) || !FigReadSigned(cursor, &record->height) ||
      !FigReadSigned(cursor, &record->planes) || !FigReadSigned(cursor, &record->bitCount) ||
      !FigReadSigned(cursor, &record->compression) || !FigReadLong(cursor, &dataSize) ||
      !FigReadSigned(cursor, &record->left) || !FigReadSigned(cursor, &record->top) ||
      !FigReadSigned(cursor, &record->transparentIndex) ||
      !FigReadSigned(cursor, &record->delay) || !FigReadSigned(cursor, &record->disposal)) {
    return false;
  }
  record->dataSize = int32_t(dataSize);
  return true;
}

FigFrameStatus FigDecodeFrame(FigCursor* cursor, FigFrame* frame) {
  FigCursor at = *cursor;
  FigFrameRecord record;
  if (!FigReadFrameRecord(&at, &record) || record.width <= 0 || record.height <= 0 ||
      record.dataSize < 0) {
    return FigFrameStatus::kDamaged;
  }
  const uint8_t* compressed = FigTakeBytes(&at, size_t(record.dataSize));
  if (!compressed) {
    return FigFrameStatus::kDamaged;
  }
  uint64_t pixelBytes = uint64_t(FigFrameStride(record.width)) * uint64_t(record.height);
  if (pixelBytes > kMaxFramePixelBytes) {
    return FigFrameStatus::kDamaged;
  }
  // The frame's buffer is reused when it is large enough: decoding a sequence
  // of frames then costs no allocation per frame.
  if (!frame->pixels || frame->capacity < pixelBytes) {
    frame->pixels.reset(new (std::nothrow) uint8_t[size_t(pixelBytes)]);
    frame->capacity = frame->pixels ? size_t(pixelBytes) : 0;
    if (!frame->pixels) {
      return FigFrameStatus::kNoMemory;
    }
  }
  unsigned long produced;
  int result = InflateCounted(frame->pixels.get(), (unsigned long)pixelBytes, compressed,
                              (unsigned long)record.dataSize, &produced);
  // A damaged stream still gives a frame: whatever did not inflate is zero.
  memset(frame->pixels.get() + produced, 0, size_t(pixelBytes) - produced);
  frame->record = record;
  frame->pixelBytes = size_t(pixelBytes);
  frame->inflatedBytes = result == Z_OK ? produced : (unsigned long)pixelBytes;
  *cursor = at;
  return FigFrameStatus::kDecoded;
}
