#pragma once
// The hourglass shown while a long operation runs. Windows only; natively nothing happens.

namespace vemra {

class CWaitCursor {
public:
    CWaitCursor();    // shows the wait cursor
    ~CWaitCursor();   // puts the previous cursor back
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    // Shows the wait cursor again (dispatched messages may have changed it); cheap enough per
    // record: the cursor is set every few tens of milliseconds at most.
    void Restore();

private:
    void* m_hPrevious = nullptr;
};

}  // namespace vemra
