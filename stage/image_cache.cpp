#include "stage/image_cache.h"

#include <cstring>

#include "gfx/dib.h"
#include "gfx/fig_image.h"

ImageCache::ImageCache(HINSTANCE instance, int capacity) : instance(instance) {
  Resize(capacity);
}

ImageCache::~ImageCache() {
  ReleaseAll();
  delete[] entries;
}

void ImageCache::Resize(int newCapacity) {
  ReleaseAll();
  delete[] entries;
  entries = nullptr;
  capacity = 0;
  if (newCapacity <= 0) {
    return;
  }
  entries = new ImageCacheEntry[newCapacity];
  capacity = newCapacity;
}

void ImageCache::ReleaseAll() {
  for (int i = 0; i < capacity; i++) {
    if (entries[i].bitmap) {
      DeleteObject(entries[i].bitmap);
    }
    entries[i] = ImageCacheEntry{};
  }
}

HBITMAP ImageCache::Find(int id, int* index) const {
  for (int i = 0; i < capacity; i++) {
    if (entries[i].id == id) {
      *index = i;
      return entries[i].bitmap;
    }
  }
  *index = 0;
  return nullptr;
}

// Moves entries 0 .. count-1 one place down and puts `entry` first.
static void PushFront(ImageCacheEntry* entries, int count, ImageCacheEntry entry) {
  memmove(entries + 1, entries, count * sizeof(ImageCacheEntry));
  entries[0] = entry;
}

HBITMAP ImageCache::Get(int id, int kind) {
  if (capacity <= 0) {
    return nullptr;
  }
  int index;
  HBITMAP hit = Find(id, &index);
  if (hit) {
    PushFront(entries, index, entries[index]);
    return hit;
  }
  LPCSTR name = MAKEINTRESOURCEA(LOWORD(id));
  HBITMAP loaded = kind == kImageKindFig ? FigLoadFirstFrame(instance, name)
                                         : LoadDibBitmap(instance, name);
  ImageCacheEntry& last = entries[capacity - 1];
  if (last.bitmap) {
    DeleteObject(last.bitmap);
  }
  PushFront(entries, capacity - 1, ImageCacheEntry{id, loaded});
  return loaded;
}
