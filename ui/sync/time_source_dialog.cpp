#include "ui/sync/time_source_dialog.h"

#include <algorithm>
#include <utility>

#include "core/sync/sync_outcome.h"
#include "core/timesource/ntp_exchange.h"
#include "core/timesource/source_selection.h"
#include "framework/accessible.h"
#include "framework/controls.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "framework/wait_cursor.h"
#include "timesync/http_stack.h"  // the page's address

namespace ui {

namespace {

constexpr char kBadServer[] =
    "A time server is a host name or address, with an optional \":port\"!";
constexpr char kBadUrl[] =
    "A web server's address begins with http:// or https:// and names a host!";
constexpr char kBadEntry[] =
    "Each line names one source: \"server:HOST\" or \"server:HOST:PORT\" for a time server, "
    "\"nts:HOST\" or \"nts:HOST:PORT\" for one asked over NTS, \"web:URL\" for a web server's "
    "clock!";
// Names for screen readers: each field's label is the radio button before it, which the
// standard proxy does not take for one, and the test's list and outcome have none.
constexpr fw::ControlName kReaderNames[] = {
    {IDC_PAGE_URL, "Time page"},       {IDC_TIME_SERVER, "Internet time server"},
    {IDC_WEB_URL, "Web server clock"}, {IDC_AUTO_SOURCES, "Automatic sources"},
    {IDC_TEST_RESULT, "Test outcome"}, {IDC_TEST_SOURCES, "Test results"},
    {IDC_SYNC_HISTORY, "Last syncs"},
};

// The lines of a multi-line edit, blank ones left out.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A row of texts, one a column, added to a report list at row.
void AddRow(const fw::ListView& list, int row, std::initializer_list<std::string> cells) {
    int column = 0;
    for (const std::string& cell : cells) {
        if (column == 0) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = const_cast<char*>(cell.c_str());
            list.InsertItem(item);
        } else {
            list.SetItemText(row, column, cell.c_str());
        }
        ++column;
    }
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    return text;
}

}  // namespace

CTimeSourceDlg::CTimeSourceDlg(horolux::TimeSourceChoice choice,
                               std::vector<horolux::SyncRecord> history, Measure measure,
                               HWND parent)
    : fw::CDialog(IDD, parent),
      m_choice(std::move(choice)),
      m_history(std::move(history)),
      m_measure(std::move(measure)) {}

bool CTimeSourceDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CTimeSourceDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnCommand(IDC_SOURCE_PAGE, &Self::OnSourceChange),
        fw::OnCommand(IDC_SOURCE_SERVER, &Self::OnSourceChange),
        fw::OnCommand(IDC_SOURCE_WEB, &Self::OnSourceChange),
        fw::OnCommand(IDC_SOURCE_AUTO, &Self::OnSourceChange),
        fw::OnCommand(IDC_TEST_SOURCE, &Self::OnTest),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CDialog::ProcessMessage(msg, wp, lp, result);
}

void CTimeSourceDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Radio(IDC_SOURCE_PAGE, m_source);
    dx.Text(IDC_PAGE_URL, m_pageUrl);
    dx.Text(IDC_TIME_SERVER, m_server);
    dx.Text(IDC_WEB_URL, m_webUrl);
    dx.Text(IDC_AUTO_SOURCES, m_autoSources);
    dx.Check(IDC_AUTO_AUTHENTICATED, m_requireAuthenticated);
}

BOOL CTimeSourceDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    fw::SetAccessibleNames(m_hWnd, kReaderNames);
    m_source = static_cast<int>(m_choice.source);
    m_pageUrl = std::string("http://") + timesync::kTimePageHost + timesync::kTimePagePath;
    m_server = m_choice.server;
    m_webUrl = m_choice.webUrl;
    m_autoSources = JoinLines(horolux::SourceEntryTexts(m_choice.autoSources));
    m_requireAuthenticated = m_choice.requireAuthenticated ? 1 : 0;
    UpdateData(false);
    EnableFields();

    const fw::ListView list(GetDlgItem(IDC_SYNC_HISTORY));
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    list.InsertColumns({{"When", 116}, {"Source", 92}, {"Offset", 100}, {"Outcome", 138}});
    FillHistory();
    const fw::ListView rows(GetDlgItem(IDC_TEST_SOURCES));
    rows.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    rows.InsertColumns({{"Source", 130}, {"Offset", 120}, {"Round trip", 70}, {"Verdict", 130}});
    return TRUE;
}

void CTimeSourceDlg::FillHistory() {
    const fw::ListView list(GetDlgItem(IDC_SYNC_HISTORY));
    list.DeleteAllItems();
    int row = 0;
    for (const horolux::SyncRecord& r : m_history)
        AddRow(list, row++,
               {r.when, r.source,
                r.offset && r.bound ? horolux::OffsetText(*r.offset, *r.bound) : "", r.outcome});
}

void CTimeSourceDlg::FillTestRows(const std::vector<horolux::SourceRow>& sources) {
    const fw::ListView rows(GetDlgItem(IDC_TEST_SOURCES));
    rows.DeleteAllItems();
    int row = 0;
    for (const horolux::SourceRow& s : sources)
        AddRow(rows, row++,
               {s.name, s.measured ? horolux::OffsetText(s.offset, s.bound) : "",
                s.measured ? std::to_string((s.roundTrip + 500) / 1000) + " ms" : "",
                horolux::VerdictText(s)});
}

void CTimeSourceDlg::EnableFields() {
    EnableWindow(GetDlgItem(IDC_TIME_SERVER),
                 m_source == static_cast<int>(horolux::TimeSource::TimeServer));
    EnableWindow(GetDlgItem(IDC_WEB_URL),
                 m_source == static_cast<int>(horolux::TimeSource::WebServer));
    EnableWindow(GetDlgItem(IDC_AUTO_SOURCES),
                 m_source == static_cast<int>(horolux::TimeSource::Automatic));
    EnableWindow(GetDlgItem(IDC_AUTO_AUTHENTICATED),
                 m_source == static_cast<int>(horolux::TimeSource::Automatic));
    static constexpr PolicyControl kPolicyControls[] = {
        {IDC_SOURCE_PAGE, "TimeSource"},   {IDC_SOURCE_SERVER, "TimeSource"},
        {IDC_SOURCE_WEB, "TimeSource"},    {IDC_SOURCE_AUTO, "TimeSource"},
        {IDC_TIME_SERVER, "TimeServer"},   {IDC_WEB_URL, "TimeWebUrl"},
        {IDC_AUTO_SOURCES, "AutoSources"}, {IDC_AUTO_AUTHENTICATED, "RequireAuthenticated"},
    };
    m_policyLock.Apply(m_hWnd, kPolicyControls, m_policyHeld);
}

void CTimeSourceDlg::OnSourceChange() {
    UpdateData(true);
    EnableFields();
}

bool CTimeSourceDlg::TakeChoice(horolux::TimeSourceChoice& choice) {
    UpdateData(true);
    choice.source = m_source >= 1 && m_source <= 3 ? static_cast<horolux::TimeSource>(m_source)
                                                   : horolux::TimeSource::Page;
    choice.server = m_server;
    choice.webUrl = m_webUrl;
    choice.requireAuthenticated = m_requireAuthenticated != 0;
    // The list is read here, where it is typed, and travels as entries from then on.
    const horolux::SourceEntriesRead read = horolux::ReadSourceEntries(Lines(m_autoSources));
    choice.autoSources.clear();
    bool pageListed = false;
    for (const horolux::SourceEntry& entry : read.entries) {
        if (entry.kind == horolux::TimeSource::Page)
            pageListed = true;
        else
            choice.autoSources.push_back(entry);
    }
    int badField = 0;
    const char* complaint = nullptr;
    if (choice.source == horolux::TimeSource::TimeServer &&
        (m_server.empty() || !horolux::ParseServerText(m_server))) {
        badField = IDC_TIME_SERVER;
        complaint = kBadServer;
    } else if (choice.source == horolux::TimeSource::WebServer && !horolux::UrlHost(m_webUrl)) {
        badField = IDC_WEB_URL;
        complaint = kBadUrl;
    } else if (choice.source == horolux::TimeSource::Automatic &&
               (choice.autoSources.empty() || pageListed || !read.ignored.empty())) {
        badField = IDC_AUTO_SOURCES;
        complaint = kBadEntry;
    }
    if (!complaint) return true;
    fw::AppMessageBox(complaint, MB_OK | MB_ICONEXCLAMATION);
    fw::NextDlgCtl(m_hWnd, GetDlgItem(badField));
    return false;
}

void CTimeSourceDlg::OnTest() {
    horolux::TimeSourceChoice choice;
    if (!TakeChoice(choice)) return;
    SetDlgItemTextA(m_hWnd, IDC_TEST_RESULT, "Measuring...");
    UpdateWindow(GetDlgItem(IDC_TEST_RESULT));
    fw::CWaitCursor wait;
    const Tested tested = m_measure(horolux::SyncRequestFor(choice));
    m_testResult =
        choice.source == horolux::TimeSource::Automatic
            ? horolux::SeveralSourcesLine(tested.combined, tested.used, tested.sources.size())
            : horolux::MeasurementLine(tested.combined, horolux::SourceName(choice));
    SetDlgItemTextA(m_hWnd, IDC_TEST_RESULT, m_testResult.c_str());
    FillTestRows(tested.sources);
}

void CTimeSourceDlg::OnOK() {
    horolux::TimeSourceChoice choice;
    if (!TakeChoice(choice)) return;
    // Fields of the sources not chosen are kept only when they name one.
    m_choice =
        horolux::SanitiseTimeSource(static_cast<int>(choice.source), choice.server, choice.webUrl);
    if (!choice.autoSources.empty()) m_choice.autoSources = choice.autoSources;
    m_choice.requireAuthenticated = choice.requireAuthenticated;
    EndDialog(IDOK);
}

}  // namespace ui
