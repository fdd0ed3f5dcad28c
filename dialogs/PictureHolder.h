// An OLE picture loaded from memory, rendered scaled into a device context.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <cstddef>

namespace vsk {

class CPictureHolder {
 public:
  CPictureHolder() = default;
  CPictureHolder(const CPictureHolder&) = delete;
  CPictureHolder& operator=(const CPictureHolder&) = delete;
  ~CPictureHolder();

  // A whole picture file (a .bmp with its file header, a .ico, ...).
  BOOL CreateFromBytes(const void* data, size_t size);
  // An RCDATA resource of this module holding a whole picture file; an
  // RT_BITMAP resource will not do, it lacks the file header.
  BOOL CreateFromResource(UINT id);
  void Clear();
  bool IsEmpty() const { return m_pPict == nullptr; }

  // Draws the whole picture scaled into `rect`.
  BOOL Render(HDC dc, const RECT& rect) const;

  IPicture* m_pPict = nullptr;
};

}  // namespace vsk
