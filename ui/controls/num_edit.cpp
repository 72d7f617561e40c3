#include "ui/controls/num_edit.h"

#include <vector>

#include "framework/controls.h"
#include "framework/message_box.h"
#include "framework/message_map.h"

namespace ui {

void CNumEdit::ChangeValue(int steps) {
    SetValue(m_field.Stepped(GetValue(), steps));
}

void CNumEdit::GetRange(float& min, float& max) const {
    min = m_field.minimum();
    max = m_field.maximum();
}

int CNumEdit::IsValid(const std::string& text) {
    return Reported(m_field.Check(text));
}

int CNumEdit::IsValid() {
    return IsValid(WindowText());
}

bool CNumEdit::SetValue(float value) {
    const auto text = m_field.TextFor(value);
    if (!text) return false;
    SetWindowTextA(m_hWnd, text->c_str());
    return true;
}

float CNumEdit::GetValue() {
    const std::string text = WindowText();
    if (IsValid(text) != horolux::kNumberValid) return m_field.minimum();
    return m_field.ValueOf(text);
}

void CNumEdit::ConstructFormat(std::string& format, float value) {
    format = m_field.ConstructFormat(value);
}

bool CNumEdit::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const fw::MessageMap<CNumEdit> map = {
        fw::OnMessage(WM_CHAR, &CNumEdit::OnChar),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

LRESULT CNumEdit::OnChar(WPARAM wp, LPARAM) {
    if (horolux::IsSwallowedChar(static_cast<unsigned>(wp))) return 0;
    const std::string before = WindowText();
    Default();
    const std::string after = WindowText();
    const auto verdict = m_field.AfterKeystroke(before, after);
    if (!verdict.rejected) return 0;

    Reported(m_field.Check(after));
    if (verdict.restore) SetWindowTextA(m_hWnd, verdict.restore->c_str());
    const fw::Edit edit(m_hWnd);
    edit.SetSel(0, -1);
    edit.ScrollCaret();
    // Drop the rest of a fast burst of typing: it was aimed at the text just undone.
    MSG queued;
    while (PeekMessageA(&queued, m_hWnd, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
    return 0;
}

std::string CNumEdit::WindowText() const {
    const int length = GetWindowTextLengthA(m_hWnd);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int read = GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<size_t>(read > 0 ? read : 0));
}

int CNumEdit::Reported(int code) const {
    if (!m_verbose) return code;
    if (code == horolux::kNumberOutOfRange)
        fw::AppMessageBox("Given value is out of range.\n", MB_OK | MB_ICONERROR);
    else if (code == horolux::kNumberInvalid)
        fw::AppMessageBox("Characters must be a number.\n", MB_OK | MB_ICONERROR);
    return code;
}

}  // namespace ui
