#include "framework/message_box.h"

#include "framework/app.h"

namespace fw {

int AppMessageBox(const std::string& text, UINT type, const char* caption) {
    CWinApp* app = CWinApp::Get();
    const std::string name = app ? app->AppName() : ExecutableBaseName();
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    return MessageBoxA(OwnerWindow(), text.c_str(), caption ? caption : name.c_str(), type);
}

}  // namespace fw
