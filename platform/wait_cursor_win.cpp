#include "platform/wait_cursor.h"

#include <windows.h>

#include "platform/pacer.h"

namespace vemra {

namespace {
// Setting the cursor is a window-server call; messages that could change it are only
// dispatched every few tens of milliseconds too (PumpWaitingMessages).
CPacer g_restorePacer;
}  // namespace

CWaitCursor::CWaitCursor() : m_hPrevious(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}

CWaitCursor::~CWaitCursor() { SetCursor(static_cast<HCURSOR>(m_hPrevious)); }

void CWaitCursor::Restore() {
    static const HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
    if (g_restorePacer.Due()) SetCursor(wait);
}

}  // namespace vemra
