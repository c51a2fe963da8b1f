// Decodes every frame of every FIG image of the card, many times over, and
// prints the time next to the time zlib alone takes to inflate the same
// streams. On Windows the images are the program's own resources and the
// decode into device bitmaps is timed as well.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <zlib.h>

#include "gfx/fig_core.h"

#ifdef _WIN32
#include <windows.h>

#include "gfx/fig_image.h"
#else
#include <fstream>
#include <iterator>
#include <string>
#endif

namespace {

const int kImageIds[] = {201, 202, 203, 204, 205, 206, 207, 1200, 1201};
const int kPasses = 41;

struct Stream {
  const uint8_t* data;
  size_t size;
  size_t inflatedSize;
};

struct Image {
  const uint8_t* data;
  size_t size;
  std::vector<Stream> streams;  // the palette block, then each frame's pixels
};

#ifdef _WIN32
bool LoadImageBytes(int id, Image* image) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), "FIG");
  const void* data = found ? LockResource(LoadResource(nullptr, found)) : nullptr;
  image->data = static_cast<const uint8_t*>(data);
  image->size = data ? SizeofResource(nullptr, found) : 0;
  return data != nullptr;
}
#else
std::vector<std::vector<uint8_t>> fileBytes;

bool LoadImageBytes(int id, Image* image) {
  std::ifstream file(std::string(CARDLING_RES_DIR) + "/fig" + std::to_string(id) + ".fig", std::ios::binary);
  fileBytes.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  image->data = fileBytes.back().data();
  image->size = fileBytes.back().size();
  return !fileBytes.back().empty();
}
#endif

// Finds the zlib streams of an image, so that zlib can be timed on its own.
bool FindStreams(Image* image) {
  FigCursor cursor{image->data, image->size, 0};
  FigHeader header;
  uint8_t palette[kFigPaletteBytes];
  if (!FigDecodeHeader(&cursor, &header, palette)) {
    return false;
  }
  image->streams.push_back({image->data + kFigFileHeaderSize, size_t(header.paletteSize), kFigPaletteBytes});
  for (int i = 0; i < header.frameCount; i++) {
    size_t recordAt = cursor.position;
    FigFrame frame;
    if (FigDecodeFrame(&cursor, &frame) != FigFrameStatus::kDecoded) {
      return false;
    }
    image->streams.push_back({image->data + recordAt + kFigFrameHeaderSize, size_t(frame.record.dataSize),
                              frame.pixelBytes});
  }
  return true;
}

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration elapsed) {
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

unsigned checksum;

void InflateAll(const std::vector<Image>& images, std::vector<std::vector<uint8_t>>* buffers) {
  size_t n = 0;
  for (const Image& image : images) {
    for (const Stream& stream : image.streams) {
      std::vector<uint8_t>& out = (*buffers)[n++];
      z_stream z = {};
      z.next_in = const_cast<Bytef*>(stream.data);
      z.avail_in = uInt(stream.size);
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      inflateInit(&z);
      inflate(&z, Z_FINISH);
      inflateEnd(&z);
      checksum += out[out.size() / 2];
    }
  }
}

// `frame` lives across passes, as a reader's frame lives across its frames.
void DecodeAll(const std::vector<Image>& images, FigFrame* frame) {
  for (const Image& image : images) {
    FigCursor cursor{image.data, image.size, 0};
    FigHeader header;
    uint8_t palette[kFigPaletteBytes];
    FigDecodeHeader(&cursor, &header, palette);
    for (int i = 0; i < header.frameCount; i++) {
      FigDecodeFrame(&cursor, frame);
      checksum += frame->pixels[frame->pixelBytes / 2];
    }
  }
}

#ifdef _WIN32
void DecodeAllToBitmaps() {
  for (int id : kImageIds) {
    FigImage* image = FigOpenResource(nullptr, MAKEINTRESOURCEA(id));
    for (int i = 0; image && i < image->frameCount; i++) {
      HBITMAP bitmap;
      FigFrameHeader* header;
      FigReadFrame(image, &bitmap, &header);
      DeleteObject(bitmap);
      FigFreeFrameHeader(header);
    }
    FigClose(image);
  }
}
#endif

}  // namespace

int main() {
  std::vector<Image> images;
  size_t frames = 0, compressed = 0, inflated = 0;
  for (int id : kImageIds) {
    Image image = {};
    if (!LoadImageBytes(id, &image) || !FindStreams(&image)) {
      fprintf(stderr, "bench_fig: FIG image %d is missing or damaged\n", id);
      return 1;
    }
    frames += image.streams.size() - 1;
    for (const Stream& stream : image.streams) {
      compressed += stream.size;
      inflated += stream.inflatedSize;
    }
    images.push_back(std::move(image));
  }
  std::vector<std::vector<uint8_t>> buffers;
  for (const Image& image : images) {
    for (const Stream& stream : image.streams) {
      buffers.emplace_back(stream.inflatedSize);
    }
  }

  // Alternate the two so that both see the same machine state; report medians.
  std::vector<double> zlibTimes, decodeTimes;
  FigFrame frame;
  for (int pass = 0; pass < kPasses; pass++) {
    Clock::time_point start = Clock::now();
    InflateAll(images, &buffers);
    Clock::time_point middle = Clock::now();
    DecodeAll(images, &frame);
    Clock::time_point end = Clock::now();
    zlibTimes.push_back(Milliseconds(middle - start));
    decodeTimes.push_back(Milliseconds(end - middle));
  }
  double zlibMs = Median(zlibTimes);
  double decodeMs = Median(decodeTimes);
  printf("fig_images: %zu images\n", images.size());
  printf("fig_frames: %zu frames\n", frames);
  printf("fig_compressed_bytes: %zu bytes\n", compressed);
  printf("fig_inflated_bytes: %zu bytes\n", inflated);
  printf("fig_zlib_inflate_all: %.3f ms\n", zlibMs);
  printf("fig_decode_all: %.3f ms\n", decodeMs);
  printf("fig_decode_vs_zlib: %.2f x\n", decodeMs / zlibMs);
#ifdef _WIN32
  std::vector<double> bitmapTimes;
  for (int pass = 0; pass < kPasses; pass++) {
    Clock::time_point start = Clock::now();
    DecodeAllToBitmaps();
    bitmapTimes.push_back(Milliseconds(Clock::now() - start));
  }
  printf("fig_decode_all_to_bitmaps: %.3f ms\n", Median(bitmapTimes));
#endif
  return checksum == 0xFFFFFFFFu ? 2 : 0;
}
