#include "ui/icon_button.h"

#include <string>

namespace vemra {

CIconButton::CIconButton() : m_bImageLeft(1), m_nLeftMargin(4), m_nIconGap(8) {}

BOOL CIconButton::LoadButtonIcon(UINT iconId, int width, int height) {
    m_hIcon.Reset(static_cast<HICON>(
        LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON, width, height, 0)));
    if (!m_hIcon) return FALSE;
    m_nIconWidth = width;
    m_nIconHeight = height;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
    return TRUE;
}

int CIconButton::FocusInset(int width, int height) {
    const int smaller = width < height ? width : height;
    // Small buttons keep a quarter of their short side for the rectangle.
    return (smaller & ~3) <= 12 ? smaller / 4 : 3;
}

LRESULT CIconButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReflectedMessageBase + WM_DRAWITEM) {
        DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return Default(message, wParam, lParam);
}

void CIconButton::DrawItem(const DRAWITEMSTRUCT* item) {
    const HDC dc = item->hDC;
    RECT rect = item->rcItem;
    const int offset = (item->itemState & ODS_SELECTED) ? 1 : 0;
    const bool disabled = (item->itemState & ODS_DISABLED) != 0;
    const bool focusOnly = item->itemAction == ODA_FOCUS;

    if (!focusOnly) {
        DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (offset ? DFCS_PUSHED : 0));

        std::string caption;
        const int length = GetWindowTextLengthA(item->hwndItem);
        if (length > 0) {
            caption.resize(static_cast<std::size_t>(length) + 1);
            caption.resize(static_cast<std::size_t>(
                GetWindowTextA(item->hwndItem, caption.data(), length + 1)));
        }
        RECT client;
        GetClientRect(item->hwndItem, &client);
        const int clientWidth = client.right - client.left;
        const int clientHeight = client.bottom - client.top;

        if (m_hIcon) {
            int x = caption.empty() ? (clientWidth - m_nIconWidth) / 2 : rect.left + m_nLeftMargin;
            int y = (clientHeight - m_nIconHeight) / 2;
            x += offset;
            y += offset;
            DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(m_hIcon.Get()), 0, x, y, m_nIconWidth,
                       m_nIconHeight, DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));
        }
        if (!caption.empty()) {
            SIZE extent{};
            GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
            int x;
            if (m_hIcon) {
                int free = clientWidth - extent.cx - m_nIconWidth - m_nLeftMargin - m_nIconGap;
                if (free < 0) free = 0;
                x = m_nLeftMargin + m_nIconWidth + m_nIconGap + free / 2;
            } else {
                x = (clientWidth - extent.cx) / 2;
            }
            int y = (clientHeight - extent.cy) / 2 - 1;
            x += offset;
            y += offset;
            SetBkMode(dc, TRANSPARENT);
            DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption.c_str()),
                       static_cast<WPARAM>(caption.size()), x, y, extent.cx, extent.cy,
                       DST_PREFIXTEXT | (disabled ? DSS_DISABLED : DSS_NORMAL));
        }
    }

    if (!disabled) {
        // The dotted frame is drawn by XOR: a focus change alone toggles it; a repaint starts
        // from a clean face and draws it only on the button that has the focus.
        const bool hasFocus = (item->itemState & ODS_FOCUS) != 0;
        const bool focusChanged = ((item->itemState ^ m_nLastState) & ODS_FOCUS) != 0;
        if (focusOnly ? focusChanged : hasFocus) {
            RECT focus = item->rcItem;
            const int inset = FocusInset(focus.right - focus.left, focus.bottom - focus.top);
            InflateRect(&focus, -inset, -inset);
            DrawFocusRect(dc, &focus);
        }
    }
    m_nLastAction = item->itemAction;
    m_nLastState = item->itemState;
}

}  // namespace vemra
