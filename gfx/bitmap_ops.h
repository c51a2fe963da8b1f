// Bitmap sizes, plain copies between bitmaps and DCs, and colour-keyed blits.
// Every call makes and deletes its own memory DCs; handles passed in stay the
// caller's. Nothing reports failure: a failed blit leaves the target as it was.
#pragma once

#include <windows.h>

// Size of a bitmap; 0 for a handle that is not a bitmap.
int GetBitmapWidth(HBITMAP bitmap);
int GetBitmapHeight(HBITMAP bitmap);

// The whole bitmap into `dest` at (x, y).
void DrawBitmap(HDC dest, HBITMAP bitmap, int x, int y);
// The area (srcX, srcY, width, height) of the bitmap into `dest` at (x, y).
void DrawBitmapPart(HDC dest, HBITMAP bitmap, int x, int y, int width, int height, int srcX, int srcY);
// Fills the whole bitmap from `source` starting at (srcX, srcY).
void GrabIntoBitmap(HDC source, HBITMAP bitmap, int srcX, int srcY);
// The area (srcX, srcY, width, height) of `source` into the bitmap at (x, y),
// after clipping away negative target, then negative source coordinates.
void GrabIntoBitmapClipped(HDC source, HBITMAP bitmap, int x, int y, int width, int height, int srcX, int srcY);
// Copies between two bitmaps; needs no window or DC from the caller.
void CopyBitmapPart(HBITMAP dest, int x, int y, int width, int height, HBITMAP source, int srcX, int srcY);

// Draws the area of `source` at (srcX, srcY) with the size of `destRect` into
// `dest` at the top-left of `destRect`, leaving out the key colour: the
// source's pixel (0, 0), or its bottom-right pixel when `keyCorner` is 1.
// Composed off-screen; `dest` changes in one blit. `source` ends as it began.
void BlitKeyed(HDC dest, const RECT* destRect, HBITMAP source, int srcX, int srcY, int keyCorner);
void BlitKeyedTopLeft(HDC dest, const RECT* destRect, HBITMAP source, int srcX, int srcY);

// Draws the `srcRect` area of `source` into `dest` at (x, y), leaving out
// pixels equal to `key`. `mask` (1 bit per pixel) and `scratch` (colour,
// compatible) are caller-owned work bitmaps at least as large as `srcRect`.
// Leaves the shared palette selected in `dest`.
void BlitKeyedWithScratch(HDC dest, HBITMAP source, HBITMAP mask, HBITMAP scratch, int x, int y,
                          const RECT* srcRect, COLORREF key);
