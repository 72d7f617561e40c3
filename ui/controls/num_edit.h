#pragma once
// CNumEdit: an edit control that only ever holds one number within its range. Each typed
// character is checked once it has landed; one that leaves a broken or out-of-range text is
// undone at once. The value lives only in the window text.
#include <cstdint>
#include <string>

#include "core/controls/number_text.h"
#include "framework/wnd.h"

namespace ui {

class CNumEdit : public fw::CWnd {
public:
    CNumEdit() = default;

    // value + steps × delta, held within the range.
    virtual void ChangeValue(int steps);
    virtual float GetDelta() const { return m_field.delta(); }
    virtual void SetDelta(float delta) { m_field.set_delta(delta); }
    virtual void GetRange(float& min, float& max) const;
    virtual void SetRange(float min, float max) { m_field.SetRange(min, max); }
    virtual int GetVerbose() const { return m_verbose; }
    virtual void SetVerbose(int verbose) { m_verbose = verbose; }
    // Validity codes of horolux::NumberValidity; with verbose set, a broken or out-of-range
    // text is also reported in a message box.
    virtual int IsValid(const std::string& text);
    virtual int IsValid();
    // False, with the text left alone, when value lies outside the range.
    virtual bool SetValue(float value);
    // The text's number, or the minimum when the text is not valid.
    virtual float GetValue();
    // The fixed-point format for value ("%.2f"); widens the decimals shown from now on.
    virtual void ConstructFormat(std::string& format, float value);

    std::uint8_t GetDecimals() const { return m_field.decimals(); }

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnChar(WPARAM wp, LPARAM lp);
    std::string WindowText() const;
    int Reported(int code) const;

    horolux::NumberField m_field;
    int m_verbose = 0;  // no window of the program turns it on
};

}  // namespace ui
