#include <gtest/gtest.h>

#include "framework/Dialog.h"
#include "controls/ImageButton.h"
#include "tests/win/TestResources.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

using test::DialogTemplate;
using test::kButton;
using test::PixelCanvas;

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
constexpr COLORREF kFaceOut = RGB(0, 255, 0), kFaceIn = RGB(42, 255, 202);
constexpr int kW = 88, kH = 90;

class ButtonHost : public CDialog {
 public:
  explicit ButtonHost(const DLGTEMPLATE* t) : CDialog(t) {}
  CImageButton button;
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_TEST_BUTTON, button); }
};

class ImageButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmpl_.Add(kButton, BS_PUSHBUTTON, 10, 10, 60, 60, IDC_TEST_BUTTON, caption_);
    ASSERT_TRUE(host_.CreateIndirect(tmpl_.get()));
    host_.ShowWindow(SW_SHOW);
    test::PumpMessages();
  }
  void TearDown() override {
    if (::GetCapture()) ::ReleaseCapture();
    host_.DestroyWindow();
  }

  // Sends the parent the draw request a paint would send.
  void Draw(PixelCanvas& canvas, UINT state) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = IDC_TEST_BUTTON;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = host_.button;
    dis.hDC = canvas.dc();
    dis.rcItem = {0, 0, kW, kH};
    host_.SendMessage(WM_DRAWITEM, IDC_TEST_BUTTON, reinterpret_cast<LPARAM>(&dis));
  }
  // The bounding box of the pixels of colour c.
  static RECT Find(const PixelCanvas& c, COLORREF color) {
    RECT r{10000, 10000, -1, -1};
    for (int y = 0; y < c.height(); ++y)
      for (int x = 0; x < c.width(); ++x)
        if (c.At(x, y) == color) {
          r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }
  void Look() {
    CImageButton& b = host_.button;
    b.SetIcons(IDI_TEST_RED, IDI_TEST_BLUE, 32, 32);
    b.SetBackColorOut(kFaceOut);
    b.SetBackColorIn(kFaceIn);
    b.SetTextColorOut(RGB(0, 128, 0));
    b.SetTextColorIn(RGB(128, 0, 128));
  }

  const wchar_t* caption_ = L"";
  DialogTemplate tmpl_{WS_POPUP, 120, 100};
  ButtonHost host_{tmpl_.get()};
};

TEST_F(ImageButtonTest, AttachingMakesTheControlOwnerDrawnWithSystemDefaults) {
  CImageButton& b = host_.button;
  EXPECT_EQ(b.GetStyle() & 0x0F, static_cast<DWORD>(BS_OWNERDRAW));
  EXPECT_EQ(b.GetBackColorOut(), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(b.GetTextColorIn(), ::GetSysColor(COLOR_BTNTEXT));
  EXPECT_EQ(b.GetAlignment(), 0);
  EXPECT_TRUE(b.GetShowText());
  EXPECT_TRUE(b.GetDrawBorder());
  EXPECT_FALSE(b.IsMouseOver());
}

TEST_F(ImageButtonTest, SettersStoreAndRepaintAsTold) {
  CImageButton& b = host_.button;
  b.SetIcons(IDI_TEST_RED, 0, 300, 260);
  EXPECT_EQ(b.GetIconWidth(), 44);
  EXPECT_EQ(b.GetIconHeight(), 4);
  EXPECT_EQ(b.GetIconIn(), b.GetIconOut()) << "no second id: one handle in both";
  b.SetIcons(IDI_TEST_RED, IDI_TEST_RED, 32, 32);
  EXPECT_NE(b.GetIconIn(), b.GetIconOut()) << "equal ids: two handles";

  b.SetAlignment(1);
  b.SetAlignment(2);
  EXPECT_EQ(b.GetAlignment(), 1);

  const auto pending = [&] {
    RECT r{};
    return ::GetUpdateRect(b, &r, FALSE) != FALSE;
  };
  ::ValidateRect(b, nullptr);
  b.SetAlignment(2);
  EXPECT_TRUE(pending()) << "an ignored alignment still repaints";
  ::ValidateRect(b, nullptr);
  b.SetBackColorIn(kRed, 2);
  EXPECT_EQ(b.GetBackColorIn(), kRed);
  EXPECT_FALSE(pending()) << "flag 2 stores without repaint";
  b.SetTextColorOut(kBlue, 1);
  EXPECT_TRUE(pending());
  ::ValidateRect(b, nullptr);
  b.SetDrawBorder(FALSE);
  EXPECT_FALSE(pending());
  b.ResetBackColorIn(0);
  EXPECT_EQ(b.GetBackColorIn(), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(ImageButtonTest, NormalHoveredPressedAndDisabledFacesIconsAndBorders) {
  Look();
  CImageButton& b = host_.button;
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, 0);
    EXPECT_EQ(c.At(0, 0), kFaceOut);
    EXPECT_EQ(c.At(kW - 1, kH - 1), kFaceOut);
    // No caption: the normal icon is centred both ways.
    const RECT icon = Find(c, kBlue);
    EXPECT_EQ(icon.left, 28);
    EXPECT_EQ(icon.top, 29);
    EXPECT_EQ(icon.right - icon.left, 32);
    EXPECT_EQ(c.Count(kRed, {0, 0, kW, kH}), 0);
  }
  // Hover: the hot icon, the hot face and the raised border.
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(b.IsMouseOver());
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, 0);
    EXPECT_EQ(Find(c, kRed).left, 28);
    EXPECT_EQ(c.At(5, 5), kFaceIn);
    EXPECT_EQ(c.At(0, 5), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(c.At(kW - 1, 5), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(c.At(5, kH - 1), ::GetSysColor(COLOR_BTNSHADOW));
  }
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(500, 500));
  ASSERT_FALSE(b.IsMouseOver());
  // Pressed without hover: hot face and icon, sunk border, one pixel on.
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, ODS_SELECTED);
    const RECT icon = Find(c, kRed);
    EXPECT_EQ(icon.left, 29);
    EXPECT_EQ(icon.top, 30);
    EXPECT_EQ(c.At(5, 5), kFaceIn);
    EXPECT_EQ(c.At(0, 5), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(c.At(5, kH - 1), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  }
  // Without the border flag no border is drawn in any state.
  b.SetDrawBorder(FALSE);
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, ODS_SELECTED);
    EXPECT_EQ(c.At(0, 5), kFaceIn);
  }
  // Disabled: the face stays; the icon is drawn in the disabled look.
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, ODS_DISABLED);
    EXPECT_EQ(c.At(0, 0), kFaceOut);
    EXPECT_EQ(c.Count(kBlue, {0, 0, kW, kH}), 0);
    EXPECT_GT(kW * kH - c.Count(kFaceOut, {0, 0, kW, kH}), 0) << "something of the icon shows";
  }
}

TEST_F(ImageButtonTest, CaptionsSitBelowOrBesideTheIconInTheirStateColour) {
  Look();
  CImageButton& b = host_.button;
  b.SetWindowText(L"Проверить");
  b.SetAlignment(1);
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, 0);
    const RECT icon = Find(c, kBlue);
    EXPECT_EQ(icon.top, 0) << "above the caption the icon touches the top";
    const RECT text = Find(c, RGB(0, 128, 0));
    ASSERT_GE(text.right, 0) << "caption drawn";
    EXPECT_GE(text.top, 32);
    // Centred in the part below the icon, within a pixel or two of glyph
    // bearings.
    EXPECT_NEAR((text.left + text.right) / 2.0, kW / 2.0, 3);
    EXPECT_NEAR((text.top + text.bottom) / 2.0, (32 + kH) / 2.0, 3);
  }
  b.SetAlignment(0);
  b.SetWindowText(L"Да");
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, 0);
    const RECT icon = Find(c, kBlue);
    EXPECT_EQ(icon.left, 3);
    EXPECT_EQ(icon.top, 29);
    const RECT text = Find(c, RGB(0, 128, 0));
    ASSERT_GE(text.right, 0);
    EXPECT_GE(text.left, 35) << "the caption starts after the icon";
    EXPECT_NEAR((text.left + text.right) / 2.0, (35 + kW) / 2.0, 3);
  }
  b.SetShowText(FALSE);
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, 0);
    EXPECT_EQ(Find(c, kBlue).left, 28) << "a hidden caption centres the icon";
    EXPECT_EQ(c.Count(RGB(0, 128, 0), {0, 0, kW, kH}), 0);
  }
  // Hovered: the caption takes the hot text colour.
  b.SetShowText(TRUE);
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  {
    PixelCanvas c(kW, kH, RGB(1, 1, 1));
    Draw(c, 0);
    EXPECT_GT(c.Count(RGB(128, 0, 128), {0, 0, kW, kH}), 0);
    EXPECT_EQ(c.Count(RGB(0, 128, 0), {0, 0, kW, kH}), 0);
  }
}

TEST_F(ImageButtonTest, HoverFollowsTheMouseThroughTheCapture) {
  CImageButton& b = host_.button;
  // Out, left button down: nothing.
  b.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(b.IsMouseOver());
  EXPECT_NE(::GetCapture(), b.m_hWnd);
  // Out -> Over takes the capture.
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(b.IsMouseOver());
  EXPECT_EQ(::GetCapture(), b.m_hWnd);
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  EXPECT_TRUE(b.IsMouseOver());
  // Leaving with the left button held keeps the capture.
  b.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-3, 5));
  EXPECT_FALSE(b.IsMouseOver());
  EXPECT_EQ(::GetCapture(), b.m_hWnd);
  ::ReleaseCapture();
  // Leaving with it up releases the capture.
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(b.IsMouseOver());
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(200, 5));
  EXPECT_FALSE(b.IsMouseOver());
  EXPECT_NE(::GetCapture(), b.m_hWnd);
  // A lost capture keeps the hover state; the next move takes it again.
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ::SetCapture(host_);
  EXPECT_TRUE(b.IsMouseOver());
  EXPECT_NE(::GetCapture(), b.m_hWnd);
  b.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(::GetCapture(), b.m_hWnd);
  // Focus loss ends the hover state.
  b.SendMessage(WM_KILLFOCUS, 0, 0);
  EXPECT_FALSE(b.IsMouseOver());
}

}  // namespace
}  // namespace vsk
