#include "app/AppState.h"

#include "framework/App.h"

namespace vsk {

void CMessageBoxSink::ShowMessage(const std::wstring& text) { AfxMessageBox(text, MB_OK); }

}  // namespace vsk
