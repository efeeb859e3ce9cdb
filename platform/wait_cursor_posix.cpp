#include "platform/wait_cursor.h"

namespace vemra {

// A batch tool in a terminal has no pointer to change.
CWaitCursor::CWaitCursor() { m_hPrevious = nullptr; }
CWaitCursor::~CWaitCursor() = default;
void CWaitCursor::Restore() {}

}  // namespace vemra
