// Helpers of the tests that load the program's resources from this module.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

namespace vsk::test {

inline HINSTANCE Self() { return GetModuleHandleW(nullptr); }

inline void InitControls() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
  ASSERT_TRUE(InitCommonControlsEx(&icc));
}

}  // namespace vsk::test
