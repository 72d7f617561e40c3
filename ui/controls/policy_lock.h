#pragma once
// Controls whose setting an administrator's policy holds: shown with the policy's value,
// disabled, with the tip "Set by your administrator". A disabled control gets no mouse messages,
// so its tip is a tool on the dialog over the control's rectangle.
#include <set>
#include <span>
#include <string>
#include <vector>

#include "framework/win32.h"

namespace ui {

struct PolicyControl {
    int id;
    const char* value;  // the setting's name in the policy table
};

class PolicyLock {
public:
    // Disables every control of the table whose value is among held and gives it the tip. Call
    // it after each enabling of the dialog's controls; a tip is added once.
    void Apply(HWND dialog, std::span<const PolicyControl> controls,
               const std::vector<std::string>& held);

private:
    HWND m_tips = nullptr;  // owned by the dialog, destroyed with it
    std::set<int> m_tipped;
};

}  // namespace ui
