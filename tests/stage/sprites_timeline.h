// Reading a sprite's picture tick by tick in the timeline tests.
#pragma once

#include <set>

#include "stage/sprite.h"

// Id of the sheet the sprite shows: the cache's front entry is always the
// sheet requested last, and SetImage makes that sheet current. 0 without one.
inline int SheetOf(const Sprite& sprite) {
  const ImageCacheEntry& front = sprite.images.entries[0];
  return sprite.image && front.bitmap == sprite.image ? front.id : 0;
}

inline int FrameOf(const Sprite& sprite) {
  return sprite.frameBase + sprite.frameOffset;
}

// Counts the sheets decoded since the last call: bitmaps in the cache that
// were not there before.
class DecodeCounter {
public:
  int Count(const Sprite& sprite) {
    int decoded = 0;
    for (int i = 0; i < sprite.images.capacity; i++) {
      HBITMAP bitmap = sprite.images.entries[i].bitmap;
      if (bitmap && seen.insert(bitmap).second) {
        decoded++;
      }
    }
    return decoded;
  }

private:
  std::set<HBITMAP> seen;
};
