#pragma once
// CTimeSourceDlg: which clock the program syncs from (the page, an Internet time server, a web
// server's clock, several sources at once), a test that measures the chosen one without setting
// the clock, and the last syncs. The caller reads the choice back after OK.
#include <functional>
#include <string>
#include <vector>

#include "core/sync/sync_request.h"
#include "core/timesource/time_source.h"
#include "framework/dialog.h"
#include "res/time_source_resource.h"
#include "timesync/source_measure.h"
#include "ui/controls/policy_lock.h"

namespace ui {

class CTimeSourceDlg : public fw::CDialog {
public:
    enum { IDD = IDD_TIME_SOURCE };
    // What Test found: the source's measurement, and for several sources each one's row and how
    // many were used.
    using Tested = timesync::RequestMeasurement;
    using Measure = std::function<Tested(const horolux::SyncRequest&)>;

    CTimeSourceDlg(horolux::TimeSourceChoice choice, std::vector<horolux::SyncRecord> history,
                   Measure measure, HWND parent = nullptr);

    horolux::TimeSourceChoice m_choice;
    std::vector<std::string> m_policyHeld;  // settings an administrator's policy holds

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnSourceChange();
    void OnTest();
    void EnableFields();
    void FillHistory();
    void FillTestRows(const std::vector<horolux::SourceRow>& sources);
    // The fields as a choice; false, after telling the user and putting the focus on the field,
    // when the chosen source's field does not name a source.
    bool TakeChoice(horolux::TimeSourceChoice& choice);

    PolicyLock m_policyLock;
    std::vector<horolux::SyncRecord> m_history;
    Measure m_measure;
    int m_source = 0;
    int m_requireAuthenticated = 0;
    std::string m_pageUrl, m_server, m_webUrl, m_autoSources, m_testResult;
};

}  // namespace ui
