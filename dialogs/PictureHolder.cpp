#include "dialogs/PictureHolder.h"

#include <olectl.h>

#include <cstring>

namespace vsk {

CPictureHolder::~CPictureHolder() { Clear(); }

void CPictureHolder::Clear() {
  if (m_pPict) m_pPict->Release();
  m_pPict = nullptr;
}

BOOL CPictureHolder::CreateFromBytes(const void* data, size_t size) {
  Clear();
  if (!data || size == 0 || size > 0x7FFFFFFF) return FALSE;
  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return FALSE;
  void* dst = ::GlobalLock(copy);
  if (!dst) {
    ::GlobalFree(copy);
    return FALSE;
  }
  std::memcpy(dst, data, size);
  ::GlobalUnlock(copy);
  IStream* stream = nullptr;
  // TRUE: the stream frees the memory on its last release.
  if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, &stream))) {
    ::GlobalFree(copy);
    return FALSE;
  }
  IPicture* picture = nullptr;
  const HRESULT hr = ::OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                      reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(hr) || !picture) return FALSE;
  m_pPict = picture;
  return TRUE;
}

BOOL CPictureHolder::CreateFromResource(UINT id) {
  Clear();
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!res) return FALSE;
  HGLOBAL mem = ::LoadResource(inst, res);
  const void* data = mem ? ::LockResource(mem) : nullptr;
  return CreateFromBytes(data, ::SizeofResource(inst, res));
}

BOOL CPictureHolder::Render(HDC dc, const RECT& rect) const {
  if (!m_pPict || !dc) return FALSE;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  m_pPict->get_Width(&width);
  m_pPict->get_Height(&height);
  // Source rectangles are in HIMETRIC with y going up: start at the bottom
  // and give a negative height, or the picture comes out upside down.
  return SUCCEEDED(m_pPict->Render(dc, rect.left, rect.top, rect.right - rect.left,
                                   rect.bottom - rect.top, 0, height, width, -height, &rect));
}

}  // namespace vsk
