// A sprite's own table of decoded frame sheets, most recently used first.
// Decoding a sheet costs more than a tick, so each is decoded once and kept
// until newer sheets push it out or the sprite dies.
#pragma once

#include <windows.h>

// Sheet kind that names a FIG resource; any other kind names a DIB resource.
constexpr int kImageKindFig = 4;

struct ImageCacheEntry {
  int id = 0;                 // resource id; 0 in an empty slot
  HBITMAP bitmap = nullptr;   // owned by the cache
};

class ImageCache {
public:
  ImageCache(HINSTANCE instance, int capacity);
  ~ImageCache();

  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // Deletes every bitmap and starts over with `capacity` empty entries.
  void Resize(int capacity);
  // Deletes every bitmap and empties the entries; the table stays.
  void ReleaseAll();
  // Bitmap of the first entry with `id` (null also for an entry without a
  // bitmap) and its position; null and position 0 when there is none.
  HBITMAP Find(int id, int* index) const;
  // The sheet of resource `id`, decoded on a miss; borrowed, null when the
  // resource can't be loaded. A failed load still takes entry 0, so the next
  // request for it tries again.
  HBITMAP Get(int id, int kind);

  ImageCacheEntry* entries = nullptr;
  int capacity = 0;
  HINSTANCE instance = nullptr;
};
