// The sheet cache over the card's real FIG resources: order, hits that do
// not decode, eviction and failed loads.
#include <gtest/gtest.h>

#include <vector>

#include "stage/image_cache.h"

namespace {

HINSTANCE Self() {
  return GetModuleHandleA(nullptr);
}

std::vector<int> Ids(const ImageCache& cache) {
  std::vector<int> ids;
  for (int i = 0; i < cache.capacity; i++) {
    ids.push_back(cache.entries[i].id);
  }
  return ids;
}

bool IsBitmap(HBITMAP bitmap) {
  return GetObjectType(bitmap) == OBJ_BITMAP;
}

TEST(ImageCache, HitsMoveToTheFrontWithoutDecoding) {
  ImageCache cache(Self(), 4);
  HBITMAP b205 = cache.Get(205, kImageKindFig);
  HBITMAP b202 = cache.Get(202, kImageKindFig);
  HBITMAP b203 = cache.Get(203, kImageKindFig);
  HBITMAP b204 = cache.Get(204, kImageKindFig);
  for (HBITMAP b : {b205, b202, b203, b204}) {
    ASSERT_TRUE(IsBitmap(b));
  }
  EXPECT_EQ(Ids(cache), (std::vector<int>{204, 203, 202, 205}));

  // A hit hands back the very bitmap decoded before.
  EXPECT_EQ(cache.Get(202, kImageKindFig), b202);
  EXPECT_EQ(Ids(cache), (std::vector<int>{202, 204, 203, 205}));
  EXPECT_EQ(cache.entries[0].bitmap, b202);
  EXPECT_EQ(cache.entries[3].bitmap, b205);

  int index = -1;
  EXPECT_EQ(cache.Find(203, &index), b203);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(cache.Find(201, &index), nullptr);
  EXPECT_EQ(index, 0);
}

TEST(ImageCache, AFifthSheetPushesOutTheLeastRecentlyUsed) {
  ImageCache cache(Self(), 4);
  HBITMAP b205 = cache.Get(205, kImageKindFig);
  HBITMAP b202 = cache.Get(202, kImageKindFig);
  cache.Get(203, kImageKindFig);
  cache.Get(204, kImageKindFig);
  cache.Get(205, kImageKindFig);  // 202 is now the oldest
  HBITMAP b206 = cache.Get(206, kImageKindFig);
  ASSERT_TRUE(IsBitmap(b206));
  EXPECT_FALSE(IsBitmap(b202));
  EXPECT_TRUE(IsBitmap(b205));
  EXPECT_EQ(Ids(cache), (std::vector<int>{206, 205, 204, 203}));
  EXPECT_NE(cache.Get(202, kImageKindFig), nullptr) << "decoded again after eviction";
}

TEST(ImageCache, AFailedLoadTakesTheFrontAndIsTriedAgain) {
  ImageCache cache(Self(), 4);
  cache.Get(205, kImageKindFig);
  EXPECT_EQ(cache.Get(9999, kImageKindFig), nullptr);
  EXPECT_EQ(Ids(cache), (std::vector<int>{9999, 205, 0, 0}));
  EXPECT_EQ(cache.entries[0].bitmap, nullptr);
  int index = -1;
  EXPECT_EQ(cache.Find(9999, &index), nullptr);
  EXPECT_EQ(index, 0);

  EXPECT_EQ(cache.Get(9999, kImageKindFig), nullptr);
  EXPECT_EQ(Ids(cache), (std::vector<int>{9999, 9999, 205, 0}));
  // The kind chooses the loader on a miss: there is no DIB resource 206.
  EXPECT_EQ(cache.Get(206, 0), nullptr);
  EXPECT_NE(cache.Get(206, kImageKindFig), nullptr);
}

TEST(ImageCache, DestroyingDeletesItsBitmapsAndNoOthers) {
  HDC screen = GetDC(nullptr);
  HBITMAP unrelated = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  std::vector<HBITMAP> held;
  {
    ImageCache cache(Self(), 4);
    for (int id : {201, 202, 203, 204, 205}) {
      held.push_back(cache.Get(id, kImageKindFig));
    }
    EXPECT_FALSE(IsBitmap(held[0])) << "pushed out by the fifth";
  }
  for (HBITMAP b : held) {
    EXPECT_FALSE(IsBitmap(b));
  }
  EXPECT_TRUE(IsBitmap(unrelated));
  DeleteObject(unrelated);
}

TEST(ImageCache, ResizeStartsOverAndZeroCapacityHoldsNothing) {
  ImageCache cache(Self(), 4);
  HBITMAP b205 = cache.Get(205, kImageKindFig);
  cache.Resize(2);
  EXPECT_FALSE(IsBitmap(b205));
  EXPECT_EQ(Ids(cache), (std::vector<int>{0, 0}));
  cache.Resize(0);
  EXPECT_EQ(cache.entries, nullptr);
  EXPECT_EQ(cache.Get(205, kImageKindFig), nullptr);
}

TEST(ImageCache, ReleaseAllKeepsTheTable) {
  ImageCache cache(Self(), 4);
  HBITMAP b205 = cache.Get(205, kImageKindFig);
  ImageCacheEntry* table = cache.entries;
  cache.ReleaseAll();
  EXPECT_FALSE(IsBitmap(b205));
  EXPECT_EQ(cache.entries, table);
  EXPECT_EQ(Ids(cache), (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace
