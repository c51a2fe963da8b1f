// Scoped GDI objects for the drawing helpers: each one releases what it made.
#pragma once

#include <windows.h>

// A memory DC compatible with `like`, holding `bitmap` until it is deleted.
class MemoryDc {
 public:
  MemoryDc(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like)), initial_(SelectObject(dc_, bitmap)) {}
  ~MemoryDc() {
    SelectObject(dc_, initial_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ initial_;
};

// A work bitmap made and deleted within one drawing call.
class WorkBitmap {
 public:
  explicit WorkBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
  ~WorkBitmap() { DeleteObject(bitmap_); }
  WorkBitmap(const WorkBitmap&) = delete;
  WorkBitmap& operator=(const WorkBitmap&) = delete;
  HBITMAP get() const { return bitmap_; }

 private:
  HBITMAP bitmap_;
};
