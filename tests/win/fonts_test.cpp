// What the window's fonts really draw: captions that fit their labels, and bold that comes out bold.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "win_test_support.h"
#include "window/form1_win.h"

namespace {

using window::Form1;

using wintest::NewForm;
using wintest::Text;

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)); }

// The width in pixels of text drawn in font, on the screen's DC.
int TextWidth(HFONT font, const std::string& text) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  SIZE size{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return size.cx;
}

int LeftInParent(HWND w) {
  RECT r;
  ::GetWindowRect(w, &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r.left;
}

// A single word cannot wrap: the link label's host and "Info:" must fit their labels' width.
// Label1 may wrap, but Text1 overlaps its right end, so its caption must end before Text1.
TEST(Fonts, CaptionsFitWhereTheyStand) {
  auto form = NewForm();
  ASSERT_TRUE(form);
  const struct {
    const char* label;
    const char* endsBefore;  // nullptr: the label's own right edge
  } cases[] = {{"Label5", nullptr}, {"Label6", nullptr}, {"Label1", "Text1"}};
  for (const auto& c : cases) {
    HWND label = form->Control(c.label);
    RECT area;
    ::GetClientRect(label, &area);
    const int room = c.endsBefore ? LeftInParent(form->Control(c.endsBefore)) - LeftInParent(label) : area.right;
    const std::string caption = Text(label);
    ASSERT_FALSE(caption.empty()) << c.label;
    EXPECT_LE(TextWidth(FontOf(label), caption), room) << c.label << ": \"" << caption << "\"";
  }
}

// The darkness of text drawn black on white in a font: the sum over the pixels of how far
// each is from white, so that grey edges of smoothed glyphs count by their shade.
long long Ink(HFONT font, const std::string& text) {
  constexpr int Width = 600;
  constexpr int Height = 40;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = -Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
  HGDIOBJ oldFont = ::SelectObject(dc, font);
  RECT all{0, 0, Width, Height};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkMode(dc, TRANSPARENT);
  ::TextOutA(dc, 2, 2, text.c_str(), static_cast<int>(text.size()));
  ::GdiFlush();
  long long ink = 0;
  const auto* pixels = static_cast<const DWORD*>(bits);
  for (int i = 0; i < Width * Height; ++i) {
    const DWORD p = pixels[i];
    ink += (255 - (p & 0xFF)) + (255 - ((p >> 8) & 0xFF)) + (255 - ((p >> 16) & 0xFF));
  }
  ::SelectObject(dc, oldFont);
  ::SelectObject(dc, oldBitmap);
  ::DeleteDC(dc);
  ::DeleteObject(bitmap);
  return ink;
}

// Each control that asks for bold draws its caption with clearly more ink than the same
// caption in the same face and size at weight 400. A face whose bold is no heavier than its
// regular (or a bold that is not there at all) fails here, whatever weight the font claims.
TEST(Fonts, BoldControlsDrawBold) {
  auto form = NewForm();
  ASSERT_TRUE(form);
  const struct {
    const char* control;
    const char* sample;  // drawn instead of the caption where the caption starts empty
  } bold[] = {{"Frame1", nullptr}, {"Label2", nullptr}, {"Label1", nullptr}, {"Label6", nullptr},
              {"Label4", "USB-muisti laitettiin asemaan!"}, {"Frame2", nullptr}, {"Command3", nullptr},
              {"Label5", nullptr}};
  for (const auto& b : bold) {
    HFONT font = FontOf(form->Control(b.control));
    ASSERT_NE(font, nullptr) << b.control;
    LOGFONTA regular{};
    ASSERT_NE(::GetObjectA(font, sizeof regular, &regular), 0) << b.control;
    regular.lfWeight = FW_NORMAL;
    HFONT twin = ::CreateFontIndirectA(&regular);
    const std::string text = b.sample ? b.sample : Text(form->Control(b.control));
    const long long boldInk = Ink(font, text);
    const long long regularInk = Ink(twin, text);
    ::DeleteObject(twin);
    ASSERT_GT(regularInk, 0) << b.control;
    // DejaVu Sans Condensed gives about 2 times the ink at 11 and 12 px, a bitmap face
    // emboldened by the system about 1.7; Liberation Sans, whose bold hardly shows at
    // these sizes, 1.07 to 1.17.
    EXPECT_GE(static_cast<double>(boldInk) / static_cast<double>(regularInk), 1.3)
        << b.control << " (\"" << text << "\" in " << regular.lfFaceName << ", " << regular.lfHeight << " px): bold "
        << boldInk << ", regular " << regularInk;
  }
}

// The regular controls stay regular: the same measure, turned round, so that a prefix that
// drew everything bold would not pass the test above unnoticed.
TEST(Fonts, RegularControlsDrawRegular) {
  auto form = NewForm();
  ASSERT_TRUE(form);
  for (const char* name : {"Command2", "Command1", "Command5", "Label7"}) {
    HFONT font = FontOf(form->Control(name));
    LOGFONTA bold{};
    ASSERT_NE(::GetObjectA(font, sizeof bold, &bold), 0) << name;
    bold.lfWeight = FW_BOLD;
    HFONT twin = ::CreateFontIndirectA(&bold);
    const std::string text = Text(form->Control(name));
    const long long boldInk = Ink(twin, text);
    const long long ownInk = Ink(font, text);
    ::DeleteObject(twin);
    EXPECT_GE(static_cast<double>(boldInk) / static_cast<double>(ownInk), 1.3) << name;
  }
}

}  // namespace
