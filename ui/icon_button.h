#pragma once
// An owner-drawn push button with an icon at its left and its caption centred in the space to
// the right of the icon.

#include <windows.h>

#include "platform/win_handles.h"
#include "ui/dialog.h"

namespace vemra {

class CIconButton : public CSubclassedControl {
public:
    CIconButton();

    // Loads the icon resource at width x height; FALSE (and no icon) when it cannot be loaded.
    BOOL LoadButtonIcon(UINT iconId, int width, int height);
    void DrawItem(const DRAWITEMSTRUCT* item);

    // How far inside the item rectangle the focus rectangle lies.
    static int FocusInset(int width, int height);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    BOOL m_bImageLeft;
    int m_nLeftMargin;
    int m_nIconGap;
    CIconHandle m_hIcon;
    int m_nIconWidth = 0;
    int m_nIconHeight = 0;
    UINT m_nLastAction = 0;
    UINT m_nLastState = 0;
};

}  // namespace vemra
