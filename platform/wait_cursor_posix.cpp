#include "platform/wait_cursor.h"

namespace vemra {

// A batch tool in a terminal has no pointer to change.
CWaitCursor::CWaitCursor() = default;
CWaitCursor::~CWaitCursor() = default;
void CWaitCursor::Restore() {}

}  // namespace vemra
