#pragma once
#include "framework/win32.h"

namespace fw {

// Shows the hourglass for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Puts the hourglass back after something (a message box) changed the cursor.
    void Restore() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

private:
    HCURSOR m_previous;
};

}  // namespace fw
