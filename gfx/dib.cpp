#include "gfx/dib.h"

#include <cstdint>
#include <cstring>
#include <vector>

constexpr DWORD kBmpFileHeaderSize = 14;
constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kMaxColours = 256;
constexpr uint64_t kMaxImageSize = 0x7FFFFFFF;

static DWORD ReadLong(const BYTE* bytes) {
  return DWORD(bytes[0]) | (DWORD(bytes[1]) << 8) | (DWORD(bytes[2]) << 16) | (DWORD(bytes[3]) << 24);
}

static WORD ReadShort(const BYTE* bytes) {
  return WORD(bytes[0] | (bytes[1] << 8));
}

// Colour table entries of a header: biClrUsed, or the full table at 8 bits or less.
static DWORD ColourCount(const BITMAPINFOHEADER* header) {
  if (header->biClrUsed != 0) {
    return header->biClrUsed;
  }
  return header->biBitCount <= 8 ? DWORD(1) << header->biBitCount : 0;
}

// Bytes of the rows (each padded to 4 bytes); 0 when the sizes make no sense.
static DWORD ComputedImageSize(const BITMAPINFOHEADER* header) {
  uint64_t height = header->biHeight < 0 ? -int64_t(header->biHeight) : header->biHeight;
  uint64_t rowBytes = (uint64_t(header->biBitCount) * uint64_t(header->biWidth) + 31) / 32 * 4;
  uint64_t size = rowBytes * height;
  return size <= kMaxImageSize ? DWORD(size) : 0;
}

static bool IsReadableHeader(const BITMAPINFOHEADER* header) {
  switch (header->biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  // Bit-field masks and embedded JPEG/PNG have no place in the packed layout.
  bool plainRows = header->biCompression == BI_RGB || header->biCompression == BI_RLE8 ||
                   header->biCompression == BI_RLE4;
  return plainRows && header->biWidth > 0 && header->biHeight != 0 && header->biPlanes == 1 &&
         ColourCount(header) <= kMaxColours;
}

// Reads the 12-byte core header as a 40-byte one; its 3-byte colour entries follow it.
static void WidenCoreHeader(const BYTE* core, BITMAPINFOHEADER* header) {
  *header = {};
  header->biSize = kInfoHeaderSize;
  header->biWidth = ReadShort(core + 4);
  header->biHeight = ReadShort(core + 6);
  header->biPlanes = ReadShort(core + 8);
  header->biBitCount = ReadShort(core + 10);
  header->biCompression = BI_RGB;
  header->biClrUsed = header->biBitCount <= 8 ? DWORD(1) << header->biBitCount : 0;
  header->biClrImportant = header->biClrUsed;
}

HGLOBAL ParseBmpHeader(const BYTE* fileImage, DWORD size) {
  if (!fileImage || size < kBmpFileHeaderSize + 4 || fileImage[0] != 'B' || fileImage[1] != 'M' ||
      ReadLong(fileImage + 10) == 0) {
    return nullptr;
  }
  const BYTE* info = fileImage + kBmpFileHeaderSize;
  DWORD infoSize = ReadLong(info);
  bool core = infoSize == kCoreHeaderSize;
  if ((!core && infoSize < kInfoHeaderSize) || infoSize > size - kBmpFileHeaderSize) {
    return nullptr;
  }
  BITMAPINFOHEADER header;
  if (core) {
    WidenCoreHeader(info, &header);
  } else {
    memcpy(&header, info, kInfoHeaderSize);
    // Longer headers (V4, V5) keep only the fields every reader knows.
    header.biSize = kInfoHeaderSize;
  }
  if (!IsReadableHeader(&header)) {
    return nullptr;
  }
  DWORD colours = ColourCount(&header);
  DWORD rowsSize = ComputedImageSize(&header);
  if (rowsSize == 0) {
    return nullptr;
  }
  // Uncompressed rows need all their bytes, whatever the file claims: GDI reads them all.
  if (header.biSizeImage == 0 || (header.biCompression == BI_RGB && header.biSizeImage < rowsSize)) {
    header.biSizeImage = rowsSize;
  }
  header.biClrUsed = colours;
  DWORD entrySize = core ? 3 : 4;
  DWORD tableOffset = kBmpFileHeaderSize + infoSize;
  if (colours * entrySize > size - tableOffset) {
    return nullptr;
  }

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kInfoHeaderSize + colours * 4);
  BYTE* out = static_cast<BYTE*>(GlobalLock(block));
  if (!out) {
    GlobalFree(block);
    return nullptr;
  }
  memcpy(out, &header, kInfoHeaderSize);
  BYTE* table = out + kInfoHeaderSize;
  memcpy(table, fileImage + tableOffset, colours * entrySize);
  if (core) {
    // Last entry first, so each 4-byte entry lands past the 3-byte ones still to move.
    for (DWORD i = colours; i-- > 0;) {
      BYTE blue = table[i * 3], green = table[i * 3 + 1], red = table[i * 3 + 2];
      table[i * 4] = blue;
      table[i * 4 + 1] = green;
      table[i * 4 + 2] = red;
      table[i * 4 + 3] = 0;
    }
  }
  GlobalUnlock(block);
  return block;
}

// Appends the pixel rows of the file image to a header block from ParseBmpHeader.
static HGLOBAL AppendPixels(HGLOBAL headerBlock, const BYTE* fileImage, DWORD size) {
  const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(headerBlock));
  DWORD imageSize = header->biSizeImage;
  DWORD pixelsAt = header->biSize + header->biClrUsed * 4;
  GlobalUnlock(headerBlock);
  DWORD pixelOffset = ReadLong(fileImage + 10);
  if (pixelOffset > size || imageSize > size - pixelOffset) {
    GlobalFree(headerBlock);
    return nullptr;
  }
  HGLOBAL block = GlobalReAlloc(headerBlock, pixelsAt + imageSize, 0);
  if (!block) {
    GlobalFree(headerBlock);
    return nullptr;
  }
  BYTE* out = static_cast<BYTE*>(GlobalLock(block));
  memcpy(out + pixelsAt, fileImage + pixelOffset, imageSize);
  GlobalUnlock(block);
  return block;
}

HGLOBAL LoadDibResource(HINSTANCE instance, LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(instance, name, type);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const BYTE* fileImage = static_cast<const BYTE*>(LockResource(loaded));
  if (!fileImage) {
    return nullptr;
  }
  DWORD size = SizeofResource(instance, found);
  HGLOBAL dib = ParseBmpHeader(fileImage, size);
  if (dib) {
    dib = AppendPixels(dib, fileImage, size);
  }
  FreeResource(loaded);
  return dib;
}

HPALETTE CreateDibPalette(const BITMAPINFOHEADER* header) {
  if (!header) {
    return nullptr;
  }
  DWORD count = ColourCount(header);
  if (count == 0 || count > kMaxColours) {
    return nullptr;
  }
  std::vector<BYTE> memory(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(memory.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = WORD(count);
  const BYTE* table = reinterpret_cast<const BYTE*>(header) + header->biSize;
  for (DWORD i = 0; i < count; i++) {
    logical->palPalEntry[i].peRed = table[i * 4 + 2];
    logical->palPalEntry[i].peGreen = table[i * 4 + 1];
    logical->palPalEntry[i].peBlue = table[i * 4];
    logical->palPalEntry[i].peFlags = 0;
  }
  return CreatePalette(logical);
}

HBITMAP CreateBitmapFromDib(HGLOBAL dib, HPALETTE palette) {
  const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
  if (!header) {
    return nullptr;
  }
  HDC screen = GetDC(nullptr);
  HPALETTE replaced = nullptr;
  bool selected = palette && GetDeviceCaps(screen, BITSPIXEL) == 8;
  if (selected) {
    replaced = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
  }
  const BYTE* pixels = reinterpret_cast<const BYTE*>(header) + header->biSize + header->biClrUsed * 4;
  HBITMAP bitmap = CreateDIBitmap(screen, header, CBM_INIT, pixels,
                                  reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
  if (selected && replaced) {
    SelectPalette(screen, replaced, FALSE);
  }
  ReleaseDC(nullptr, screen);
  GlobalUnlock(dib);
  return bitmap;
}

HBITMAP LoadDibBitmap(HINSTANCE instance, LPCSTR name) {
  HGLOBAL dib = LoadDibResource(instance, name, "DIB");
  HPALETTE palette = CreateDibPalette(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib)));
  GlobalUnlock(dib);
  HBITMAP bitmap = CreateBitmapFromDib(dib, palette);
  DeleteObject(palette);
  GlobalFree(dib);
  return bitmap;
}
