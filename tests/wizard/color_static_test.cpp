// The colour static on a real window: its font after each change, its colours, what it paints
// and the fonts it leaves behind.
#include "controls/color_static.h"

#include "gdi_objects.h"
#include "parent_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace ph {
namespace {

constexpr UINT kStatusId = 1044;
constexpr wchar_t kInstalling[] = L"Installing ... please wait ...";

LOGFONTW FontDescription(HFONT font)
{
    LOGFONTW description{};
    EXPECT_EQ(static_cast<int>(sizeof(description)), ::GetObjectW(font, sizeof(description), &description));
    return description;
}

bool FontAlive(HFONT font)
{
    LOGFONTW description{};
    return ::GetObjectW(font, sizeof(description), &description) != 0;
}

// A 32-bit top-down bitmap in a memory DC that the control can paint into.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_dc(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.reset(::CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<const std::uint32_t*>(bits);
        m_previous = ::SelectObject(m_dc.get(), m_bitmap.get());
    }
    ~Canvas() { ::SelectObject(m_dc.get(), m_previous); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc.get(); }
    bool ok() const { return m_bits != nullptr; }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        std::uint32_t bgrx = m_bits[y * m_width + x];
        return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
    }
    // The smallest rectangle holding every pixel of this colour; empty when there is none.
    RECT BoundsOf(COLORREF colour) const
    {
        RECT bounds{m_width, m_height, 0, 0};
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                if (At(x, y) == colour) {
                    bounds.left = x < bounds.left ? x : bounds.left;
                    bounds.top = y < bounds.top ? y : bounds.top;
                    bounds.right = x + 1 > bounds.right ? x + 1 : bounds.right;
                    bounds.bottom = y + 1 > bounds.bottom ? y + 1 : bounds.bottom;
                }
            }
        }
        return bounds;
    }

private:
    int m_width;
    int m_height;
    UniqueCreatedDc m_dc;
    UniqueBitmap m_bitmap;
    const std::uint32_t* m_bits = nullptr;
    HGDIOBJ m_previous = nullptr;
};

class ColorStaticTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, m_parent.Window());
        m_dialogFont.reset(
            ::CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
        ASSERT_TRUE(m_dialogFont);
    }

    HWND AddStatic(const wchar_t* text, DWORD style, int width, int height, bool withFont = true)
    {
        return m_parent.AddStatic(text, style, 10, 10, width, height, kStatusId,
                                  withFont ? m_dialogFont.get() : nullptr);
    }

    // Lets the control draw its client area into canvas, background included.
    static void PaintInto(HWND control, const Canvas& canvas)
    {
        ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    }

    // The font outlives the parent and its statics.
    UniqueFont m_dialogFont;
    test::ReflectingParent m_parent;
};

TEST_F(ColorStaticTest, FreshControlLooksLikeAPlainStatic)
{
    HWND hwnd = AddStatic(kInstalling, SS_CENTER | SS_CENTERIMAGE, 300, 30);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassDlgItem(kStatusId, m_parent.Window()));

    // Its own copy of the dialog's font.
    ASSERT_NE(nullptr, status.GetPaintFont());
    EXPECT_NE(m_dialogFont.get(), status.GetPaintFont());
    LOGFONTW own = FontDescription(status.GetPaintFont());
    EXPECT_STREQ(L"Tahoma", own.lfFaceName);
    EXPECT_EQ(-11, own.lfHeight);
    EXPECT_EQ(FW_NORMAL, own.lfWeight);

    // The colours a reflected colour request leaves: button text on button face, opaque.
    const test::ReflectingParent::Colours colours = m_parent.ColoursOf(hwnd);
    EXPECT_EQ(::GetSysColor(COLOR_BTNTEXT), colours.text);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), colours.background);
    EXPECT_EQ(OPAQUE, colours.backgroundMode);
    LOGBRUSH described{};
    ASSERT_EQ(static_cast<int>(sizeof(described)), ::GetObjectW(colours.brush, sizeof(described), &described));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), described.lbStyle);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), described.lbColor);
}

TEST_F(ColorStaticTest, EveryColourRequestAndPaintUsesTheOneBrush)
{
    constexpr int kWidth = 300, kHeight = 30;
    HWND hwnd = AddStatic(kInstalling, SS_CENTER | SS_CENTERIMAGE, kWidth, kHeight);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassDlgItem(kStatusId, m_parent.Window()));
    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.ok());
    WindowDc dc(hwnd);
    auto ask = [&] {
        return reinterpret_cast<HBRUSH>(::SendMessageW(m_parent.Window(), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc.get()),
                                                       reinterpret_cast<LPARAM>(hwnd)));
    };
    const HBRUSH first = ask();
    ASSERT_NE(nullptr, first);

    const DWORD before = test::GdiObjectCount();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(first, ask()) << "request " << i;
        PaintInto(hwnd, canvas);
        ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    EXPECT_EQ(before, test::GdiObjectCount()) << "painting made GDI objects";
}

TEST_F(ColorStaticTest, BoldSurvivesTheChangeToArialOfAGivenHeight)
{
    AddStatic(kInstalling, SS_CENTER | SS_CENTERIMAGE, 300, 30);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassDlgItem(kStatusId, m_parent.Window()));

    status.SetBold(TRUE);
    LOGFONTW bold = FontDescription(status.GetPaintFont());
    EXPECT_STREQ(L"Tahoma", bold.lfFaceName); // still the dialog's face
    EXPECT_EQ(-11, bold.lfHeight);
    EXPECT_EQ(FW_BOLD, bold.lfWeight);

    status.SetFontHeight(24);
    LOGFONTW arial = FontDescription(status.GetPaintFont());
    EXPECT_STREQ(L"Arial", arial.lfFaceName);
    EXPECT_EQ(24, arial.lfHeight);
    EXPECT_EQ(FW_BOLD, arial.lfWeight);
    EXPECT_EQ(ANTIALIASED_QUALITY, arial.lfQuality);

    // Not bold: the next rebuild goes back to the normal weight.
    status.SetBold(FALSE);
    EXPECT_EQ(FW_NORMAL, FontDescription(status.GetPaintFont()).lfWeight);
    status.SetFontHeight(18);
    EXPECT_EQ(FW_NORMAL, FontDescription(status.GetPaintFont()).lfWeight);
}

TEST_F(ColorStaticTest, StaticWithoutFontStartsFromTheStockFont)
{
    AddStatic(kInstalling, SS_LEFT, 300, 30, false);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassDlgItem(kStatusId, m_parent.Window()));
    LOGFONTW stock = FontDescription(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_STREQ(stock.lfFaceName, FontDescription(status.GetPaintFont()).lfFaceName);
    status.SetBold(TRUE);
    LOGFONTW bold = FontDescription(status.GetPaintFont());
    EXPECT_STREQ(stock.lfFaceName, bold.lfFaceName);
    EXPECT_EQ(stock.lfHeight, bold.lfHeight);
    EXPECT_EQ(FW_BOLD, bold.lfWeight);
}

TEST_F(ColorStaticTest, PaintsItsTextInItsColoursCentredOnOneLine)
{
    constexpr int kWidth = 400, kHeight = 60;
    HWND hwnd = AddStatic(L"Installing", SS_CENTER | SS_CENTERIMAGE, kWidth, kHeight);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassDlgItem(kStatusId, m_parent.Window()));
    status.SetTextColor(RGB(255, 0, 0));
    status.SetBold(TRUE);
    status.SetFontHeight(24);

    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.ok());
    PaintInto(hwnd, canvas);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(face, canvas.At(0, 0));
    EXPECT_EQ(face, canvas.At(kWidth - 1, kHeight - 1));

    const RECT text = canvas.BoundsOf(RGB(255, 0, 0));
    ASSERT_LT(text.left, text.right) << "no pixel in the text colour";
    const RECT old = canvas.BoundsOf(::GetSysColor(COLOR_BTNTEXT));
    EXPECT_GE(old.left, old.right) << "a pixel in the button-text colour";
    // Centred both ways, within a few pixels of glyph side bearings.
    EXPECT_NEAR(kWidth / 2, (text.left + text.right) / 2, 6);
    EXPECT_NEAR(kHeight / 2, (text.top + text.bottom) / 2, 6);
    EXPECT_LE(text.bottom - text.top, 26);
}

TEST_F(ColorStaticTest, LongTextWrapsWithoutCentredImage)
{
    constexpr int kWidth = 120, kHeight = 120;
    HWND hwnd = AddStatic(kInstalling, SS_LEFT, kWidth, kHeight);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassDlgItem(kStatusId, m_parent.Window()));
    status.SetTextColor(RGB(255, 0, 0));
    status.SetFontHeight(20);

    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.ok());
    PaintInto(hwnd, canvas);
    const RECT text = canvas.BoundsOf(RGB(255, 0, 0));
    ASSERT_LT(text.left, text.right) << "no pixel in the text colour";
    EXPECT_LT(text.left, 4);                   // left-aligned
    EXPECT_GT(text.bottom - text.top, 20 + 5); // more than one line of a 20-pixel font
}

TEST_F(ColorStaticTest, RebuildsDeleteTheFontTheyReplace)
{
    AddStatic(kInstalling, SS_CENTER | SS_CENTERIMAGE, 300, 30);
    auto status = std::make_unique<CXColorStatic>();
    ASSERT_TRUE(status->SubclassDlgItem(kStatusId, m_parent.Window()));
    status->SetBold(TRUE);
    status->SetFontHeight(24);

    const DWORD before = test::GdiObjectCount();
    for (int i = 0; i < 200; ++i) {
        HFONT replaced = status->GetPaintFont();
        if (i % 2 == 0) {
            status->SetBold(TRUE);
        } else {
            status->SetFontHeight(18 + i % 7);
        }
        ASSERT_NE(replaced, status->GetPaintFont());
        ASSERT_FALSE(FontAlive(replaced)) << "rebuild " << i << " kept the old font";
    }
    EXPECT_EQ(before, test::GdiObjectCount());

    // Destroying the control releases the one font it still holds.
    HFONT last = status->GetPaintFont();
    ASSERT_TRUE(FontAlive(last));
    status.reset();
    EXPECT_FALSE(FontAlive(last));
}

} // namespace
} // namespace ph
