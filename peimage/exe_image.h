// The executable file from which a personalised copy is written: maps the
// file read-only, lets the caller give one resource new bytes and writes the
// complete new executable to an open file. The input is never modified.
#pragma once

#include <windows.h>

#include <memory>

#include "peimage/exe_rewriter.h"

class ExeImage {
 public:
  ExeImage() = default;
  ~ExeImage();
  ExeImage(const ExeImage&) = delete;
  ExeImage& operator=(const ExeImage&) = delete;

  // Maps the file (others may read it meanwhile, nobody may write it) and
  // reads its resource tree. FALSE when the file can't be opened or mapped,
  // or is not an executable this rewriter can copy safely.
  BOOL Open(const char* path);

  // The stored bytes of the first matching resource (first language), or
  // null. Types and names are texts or MAKEINTRESOURCEA ids. `size`, when
  // given, receives the resource's stored size.
  const void* FindResourceData(LPCSTR type, LPCSTR name, DWORD* size = nullptr) const;

  // Gives the first matching resource new bytes; no match, or no bytes,
  // changes nothing.
  void ReplaceResourceData(LPCSTR type, LPCSTR name, const void* data, int size);

  // Writes the new executable to `file` (open, empty, writable; the caller
  // opens and closes it; an HFILE from OpenFile works as
  // (HANDLE)(INT_PTR)hfile), then releases the input. FALSE when nothing was
  // open, the layout can't be written safely, or a write failed: the file
  // may then hold part of a copy and must be deleted by the caller.
  BOOL Save(HANDLE file);

 private:
  void Release();

  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  const BYTE* view_ = nullptr;
  std::unique_ptr<ExeRewriter> rewriter_;
};

// Reopens a written executable and checks that its first matching resource
// holds exactly `size` bytes equal to `data`: the last check before a save is
// reported as done.
BOOL ExeFileHoldsResource(const char* path, LPCSTR type, LPCSTR name, const void* data,
                          DWORD size);
