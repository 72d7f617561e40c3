#pragma once
// The catch-all around broad handlers: an unexpected exception becomes a message box naming the
// handler and the system's last error code, and the program goes on.
#include <string>

#include "framework/message_box.h"
#include "platform/text.h"

namespace fw {

// where: "Class::Handler(signature)", e.g. "CHoroluxDlg::OnTimer(UINT nIDEvent)".
inline void ReportUnexpectedError(const char* where, DWORD lastError) {
    AppMessageBox(platform::Format("Unexpected error in %s \nError number: %d", where,
                                   static_cast<int>(lastError)));
}

// The system's last error code as it was when the exception being handled was thrown.
DWORD LastErrorAtThrow();

template <class Body>
void CatchAll(const char* where, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        ReportUnexpectedError(where, LastErrorAtThrow());
    }
}

}  // namespace fw
