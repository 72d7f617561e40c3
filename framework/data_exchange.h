#pragma once
// Moving values between a dialog's controls and its members: "take" reads the controls into the
// members, "push" writes the members into the controls. One DoDataExchange serves both.
#include <string>

#include "framework/win32.h"

namespace fw {

class DataExchange {
public:
    DataExchange(HWND dialog, bool take) : dialog_(dialog), take_(take) {}
    bool Taking() const { return take_; }
    HWND Dialog() const { return dialog_; }

    // Window text of an edit or static.
    void Text(int id, std::string& value);
    // Check box state: 0 unchecked, 1 checked, 2 indeterminate.
    void Check(int id, int& value);
    // Index of the checked button in the radio group that starts with firstId; -1 when none is.
    void Radio(int firstId, int& index);

private:
    HWND dialog_;
    bool take_;
};

// Sets a window's text only when it differs, so pushing unchanged members sends no EN_CHANGE
// and causes no flicker.
void SetWindowTextIfChanged(HWND hwnd, const std::string& text);
std::string GetWindowTextString(HWND hwnd);

}  // namespace fw
