// DIB resources: BMP file images stored as resources, turned into packed DIBs
// (one movable global block: BITMAPINFOHEADER, colour table, pixel rows),
// palettes and device bitmaps.
#pragma once

#include <windows.h>

// Packed DIB of resource `name` of `type` (the card uses "DIB"). In the block
// biSizeImage is never 0 and biClrUsed is never 0 at 8 bits or less. The caller
// frees it with GlobalFree. Null when the resource is missing or malformed.
HGLOBAL LoadDibResource(HINSTANCE instance, LPCSTR name, LPCSTR type);

// Header and colour table of the BMP file image `fileImage` of `size` bytes,
// as the start of a packed DIB. Null when it is not a BMP image it can read.
HGLOBAL ParseBmpHeader(const BYTE* fileImage, DWORD size);

// Logical palette from the colour table that follows `header`; null for a null
// header and for images without a colour table.
HPALETTE CreateDibPalette(const BITMAPINFOHEADER* header);

// Device bitmap on the screen DC, initialised from the packed DIB; on an 8-bit
// display `palette` is realized first.
HBITMAP CreateBitmapFromDib(HGLOBAL dib, HPALETTE palette);

// Device bitmap of DIB resource `name`, its colours matched through its own palette.
HBITMAP LoadDibBitmap(HINSTANCE instance, LPCSTR name);
