#include "ui/icon_button.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "res/resource.h"

using namespace vemra;

namespace {

// An owner-drawn button in a hidden window, drawn into a memory bitmap whose pixels the
// tests read.
class IconButtonTest : public ::testing::Test {
protected:
    void Make(int width, int height, const char* caption = "&Go", bool icon = true) {
        m_button = std::make_unique<CIconButton>();
        m_last.clear();
        m_parent.Reset(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_parent);
        m_window = CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, width, height,
                                   m_parent.Get(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_window);
        ASSERT_TRUE(m_button->SubclassWindow(m_window));
        if (icon) {
            ASSERT_TRUE(m_button->LoadButtonIcon(IDI_IMPORT, 32, 32));
        }
        m_width = width;
        m_height = height;
    }

    // The button drawn for one request; its pixels row by row.
    std::vector<uint32_t> Draw(UINT action, UINT state) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        CDcHandle dc(CreateCompatibleDC(nullptr));
        CBitmapHandle bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        CSelectObject select(dc.Get(), bitmap.Get());
        // Focus-only requests draw on what the last paint left: start from it.
        if (!m_last.empty()) std::copy(m_last.begin(), m_last.end(), static_cast<uint32_t*>(bits));
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.itemAction = action;
        item.itemState = state;
        item.hwndItem = m_window;
        item.hDC = dc.Get();
        item.rcItem = {0, 0, m_width, m_height};
        m_button->DrawItem(&item);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        m_last.assign(p, p + m_width * m_height);
        return m_last;
    }
    uint32_t At(const std::vector<uint32_t>& image, int x, int y) const { return image[y * m_width + x] & 0xFFFFFF; }

    std::unique_ptr<CIconButton> m_button;   // before the window: unsubclassed after it is gone
    CWindowHandle m_parent;
    HWND m_window = nullptr;
    int m_width = 0, m_height = 0;
    std::vector<uint32_t> m_last;
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Box Differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int width) {
    Box box;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] & 0xFFFFFF) == (b[i] & 0xFFFFFF)) continue;
        const int x = static_cast<int>(i) % width, y = static_cast<int>(i) / width;
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
    }
    return box;
}

}  // namespace

TEST_F(IconButtonTest, PressedButtonDrawsIconAndCaptionOnePixelRightAndDown) {
    Make(140, 42);
    const auto normal = Draw(ODA_DRAWENTIRE, 0);
    m_last.clear();
    const auto pressed = Draw(ODA_DRAWENTIRE, ODS_SELECTED);
    // Inside the frame everything drawn moved by (1, 1).
    int compared = 0;
    for (int y = 4; y < m_height - 5; ++y) {
        for (int x = 4; x < m_width - 5; ++x) {
            ASSERT_EQ(At(normal, x, y), At(pressed, x + 1, y + 1)) << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 1000);
    // The icon sits at the left margin, vertically centred: its first column differs from the face.
    const uint32_t face = At(normal, 2, 2);
    bool iconAtMargin = false;
    for (int y = 5; y < 37; ++y) iconAtMargin |= At(normal, 4, y) != face || At(normal, 5, y) != face;
    EXPECT_TRUE(iconAtMargin);
    for (int y = 5; y < 37; ++y) ASSERT_EQ(At(normal, 3, y), face) << y;
}

TEST_F(IconButtonTest, FocusRectangleInsetFollowsTheShortSide) {
    struct Case {
        int width, height, inset;
    };
    for (const Case c : {Case{100, 20, 3}, Case{100, 12, 3}, Case{100, 8, 2}, Case{16, 40, 3}, Case{60, 44, 3}}) {
        EXPECT_EQ(CIconButton::FocusInset(c.width, c.height), c.inset) << c.width << "x" << c.height;
        Make(c.width, c.height, "", false);
        const auto plain = Draw(ODA_DRAWENTIRE, 0);
        Make(c.width, c.height, "", false);
        const auto focused = Draw(ODA_DRAWENTIRE, ODS_FOCUS);
        const Box box = Differences(plain, focused, c.width);
        EXPECT_EQ(box.left, c.inset) << c.width << "x" << c.height;
        EXPECT_EQ(box.top, c.inset) << c.width << "x" << c.height;
        EXPECT_EQ(box.right, c.width - 1 - c.inset) << c.width << "x" << c.height;
        EXPECT_EQ(box.bottom, c.height - 1 - c.inset) << c.width << "x" << c.height;
    }
}

// Focus is drawn once when gained and once when lost, never on a disabled (embossed) button.
TEST_F(IconButtonTest, FocusRectangleComesAndGoesButNeverOnADisabledButton) {
    Make(140, 42);
    const auto plain = Draw(ODA_DRAWENTIRE, 0);
    const auto gained = Draw(ODA_FOCUS, ODS_FOCUS);
    EXPECT_NE(plain, gained);
    EXPECT_EQ(Draw(ODA_FOCUS, ODS_FOCUS), gained);   // no change, nothing drawn
    EXPECT_EQ(Draw(ODA_FOCUS, 0), plain);
    m_last.clear();
    const auto disabled = Draw(ODA_DRAWENTIRE, ODS_DISABLED);
    EXPECT_NE(plain, disabled);
    m_last.clear();
    EXPECT_EQ(Draw(ODA_DRAWENTIRE, ODS_DISABLED | ODS_FOCUS), disabled);
    EXPECT_EQ(Draw(ODA_FOCUS, ODS_DISABLED), disabled);
}

TEST_F(IconButtonTest, CaptionIsCentredInTheSpaceItHas) {
    struct Case {
        const char* caption;
        bool icon;
    };
    for (const Case c : {Case{"Remove all", false}, Case{"Export...", true}, Case{"A much longer caption than fits", true}}) {
        // A blank caption keeps the icon where a caption puts it; the difference is the text.
        Make(140, 42, " ", c.icon);
        const auto withoutText = Draw(ODA_DRAWENTIRE, 0);
        Make(140, 42, c.caption, c.icon);
        const Box text = Differences(withoutText, Draw(ODA_DRAWENTIRE, 0), m_width);
        ASSERT_GE(text.right, 0) << c.caption;
        if (!c.icon) {
            // Centred in the whole button.
            EXPECT_LE(std::abs(text.left - (m_width - 1 - text.right)), 3) << c.caption;
            continue;
        }
        // Right of the margin, the icon and the gap; centred in what is left when it fits.
        const int start = 4 + 32 + 8;
        EXPECT_GE(text.left, start) << c.caption;
        const int spaceLeft = text.left - start, spaceRight = m_width - 1 - text.right;
        if (spaceRight > 2) {
            EXPECT_LE(std::abs(spaceLeft - spaceRight), 3) << c.caption;
        } else {
            EXPECT_LE(spaceLeft, 2) << c.caption;
        }
    }
}
