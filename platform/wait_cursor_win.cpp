#include "platform/wait_cursor.h"

#include <windows.h>

namespace vemra {

CWaitCursor::CWaitCursor() : m_hPrevious(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}

CWaitCursor::~CWaitCursor() { SetCursor(static_cast<HCURSOR>(m_hPrevious)); }

void CWaitCursor::Restore() { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }

}  // namespace vemra
