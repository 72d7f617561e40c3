#include "framework/data_exchange.h"

#include <vector>

namespace fw {

std::string GetWindowTextString(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextA(hwnd, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void SetWindowTextIfChanged(HWND hwnd, const std::string& text) {
    if (GetWindowTextString(hwnd) != text) SetWindowTextA(hwnd, text.c_str());
}

void DataExchange::Text(int id, std::string& value) {
    HWND control = GetDlgItem(dialog_, id);
    if (!control) return;
    if (take_)
        value = GetWindowTextString(control);
    else
        SetWindowTextIfChanged(control, value);
}

void DataExchange::Check(int id, int& value) {
    HWND control = GetDlgItem(dialog_, id);
    if (!control) return;
    if (take_)
        value = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DataExchange::Radio(int firstId, int& index) {
    HWND button = GetDlgItem(dialog_, firstId);
    if (take_) index = -1;
    // The group runs from its first button to the next control that starts a group.
    for (int i = 0; button; ++i) {
        if (take_) {
            if (SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) index = i;
        } else {
            SendMessageA(button, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        button = GetWindow(button, GW_HWNDNEXT);
        if (button && (GetWindowLongA(button, GWL_STYLE) & WS_GROUP)) break;
    }
}

}  // namespace fw
