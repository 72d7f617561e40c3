#include "ui/controls/star_credits.h"

#include "framework/dpi.h"
#include "framework/high_contrast.h"
#include "framework/message_map.h"

namespace ui {

namespace {

COLORREF Grey(std::uint8_t g) {
    return RGB(g, g, g);
}

void FillBlack(HDC dc, int width, int height) {
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

}  // namespace

namespace {
constexpr int kFontHeight = 24;
constexpr int kStarSide = 3;
}  // namespace

CStarCredits::CStarCredits(std::uint64_t seed) : m_random(seed) {
    MakeFont(fw::DpiOf(nullptr));
}

void CStarCredits::MakeFont(UINT dpi) {
    m_font.Reset(CreateFontA(horolux::ScaleToDpi(kFontHeight, static_cast<int>(dpi)), 0, 0, 0,
                             FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             "Tahoma"));
    m_fontDpi = dpi;
}

CStarCredits::~CStarCredits() {
    // Only when the object goes before its window; otherwise the timer ended with WM_DESTROY.
    if (m_hWnd) KillTimer(m_hWnd, kFrameTimer);
}

bool CStarCredits::SubclassDlgItem(UINT id, HWND parent) {
    if (!CWnd::SubclassDlgItem(id, parent)) return false;
    if (fw::DpiOf(m_hWnd) != m_fontDpi) MakeFont(fw::DpiOf(m_hWnd));
    GetClientRect(m_hWnd, &m_client);
    m_stars = horolux::NewStarField(m_random);
    m_scroll = Height();
    ComposeFrame();
    SetTimer(m_hWnd, kFrameTimer, kFrameMs, nullptr);
    return true;
}

bool CStarCredits::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CStarCredits;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_TIMER, &Self::OnTimer),
        fw::OnMessage(WM_ERASEBKGND, &Self::OnEraseBkgnd),
        fw::OnMessage(WM_PAINT, &Self::OnPaint),
        fw::OnMessage(WM_PRINTCLIENT, &Self::OnPrintClient),
        fw::OnMessage(WM_SIZE, &Self::OnSize),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
        fw::OnMessage(fw::kWmDpiChangedAfterParent, &Self::OnDpiChanged),
        fw::OnMessage(WM_GETOBJECT, &Self::OnGetObject),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

LRESULT CStarCredits::OnTimer(WPARAM id, LPARAM) {
    if (id == kFrameTimer) ComposeFrame();
    return Default();
}

LRESULT CStarCredits::OnEraseBkgnd(WPARAM, LPARAM) {
    return TRUE;  // the frame covers every pixel; erasing first would flash the dialog colour
}

LRESULT CStarCredits::OnPaint(WPARAM, LPARAM) {
    fw::PaintDC dc(m_hWnd);
    CopyFrameTo(dc);
    return 0;
}

LRESULT CStarCredits::OnPrintClient(WPARAM wp, LPARAM) {
    CopyFrameTo(reinterpret_cast<HDC>(wp));
    return 0;
}

LRESULT CStarCredits::OnSize(WPARAM, LPARAM) {
    const LRESULT result = Default();
    GetClientRect(m_hWnd, &m_client);
    if (m_frameDc) {
        m_frameSelect = fw::SelectObjectScope();  // the old bitmap out before it goes
        fw::WindowDC screen(nullptr);
        m_frameBitmap.Reset(CreateCompatibleBitmap(screen, Width(), Height()));
        m_frameSelect = fw::SelectObjectScope(m_frameDc, m_frameBitmap.Get());
    }
    return result;
}

LRESULT CStarCredits::OnDpiChanged(WPARAM, LPARAM) {
    // The area itself was resized with the dialog (OnSize); the letters follow.
    if (fw::DpiOf(m_hWnd) != m_fontDpi) MakeFont(fw::DpiOf(m_hWnd));
    return Default();
}

LRESULT CStarCredits::OnDestroy(WPARAM, LPARAM) {
    KillTimer(m_hWnd, kFrameTimer);
    return Default();
}

bool CStarCredits::MakeFrameImage() {
    if (m_frameDc && m_frameBitmap) return true;
    fw::WindowDC screen(nullptr);
    m_frameDc = fw::MemoryDC(screen);
    m_frameBitmap.Reset(CreateCompatibleBitmap(screen, Width(), Height()));
    if (!m_frameDc || !m_frameBitmap) {
        m_frameBitmap.Reset();
        m_frameDc = fw::MemoryDC();
        return false;
    }
    m_frameSelect = fw::SelectObjectScope(m_frameDc, m_frameBitmap.Get());
    return true;
}

void CStarCredits::ComposeFrame() {
    if (!MakeFrameImage()) return;
    HDC dc = m_frameDc;
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(255, 255, 255));
    FillBlack(dc, Width(), Height());
    if (!fw::HighContrast()) DrawStars(dc);  // no picture behind the text then
    DrawCredits(dc);
    ++m_frames;
    InvalidateRect(m_hWnd, &m_client, TRUE);
}

void CStarCredits::DrawStars(HDC dc) {
    // The stock DC pen and brush take any colour: nothing is created per star.
    fw::SelectObjectScope pen(dc, GetStockObject(DC_PEN));
    fw::SelectObjectScope brush(dc, GetStockObject(DC_BRUSH));
    const int side = fw::ScaleFor(m_hWnd, kStarSide);
    for (horolux::Star& star : m_stars) {
        horolux::StepStar(star, m_starSpeed);
        const horolux::StarDot dot = horolux::ProjectStar(star, Width(), Height());
        SetDCPenColor(dc, Grey(dot.grey));
        SetDCBrushColor(dc, Grey(dot.grey));
        Ellipse(dc, dot.x, dot.y, dot.x + side, dot.y + side);
    }
}

void CStarCredits::DrawCredits(HDC frame) {
    const int width = Width(), height = Height();
    fw::MemoryDC text(frame);
    fw::Bitmap textImage(CreateCompatibleBitmap(frame, width, height));
    if (!text || !textImage) return;
    fw::SelectObjectScope image(text, textImage.Get());
    FillBlack(text, width, height);
    fw::BkModeScope transparent(text, TRANSPARENT);
    fw::SelectObjectScope font(text, m_font.Get());

    TEXTMETRICA metrics{};
    GetTextMetricsA(text, &metrics);
    std::vector<horolux::TextExtent> extents;
    extents.reserve(m_lines.size());
    for (const std::string& line : m_lines) {
        SIZE size{};
        GetTextExtentPoint32A(text, line.c_str(), static_cast<int>(line.size()), &size);
        // Wine measures an empty text 0 high; an empty last line would then restart the crawl
        // as soon as the first line is up.
        if (line.empty()) size.cy = metrics.tmHeight;
        extents.push_back({size.cx, size.cy});
    }
    const horolux::CreditFrame placed = horolux::PlaceCredits(m_scroll, extents, width);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const horolux::CreditPlacement& p = placed.lines[i];
        if (!p.drawn || m_lines[i].empty()) continue;
        SetTextColor(text, Grey(p.grey));
        TextOutA(text, p.x, p.y, m_lines[i].c_str(), static_cast<int>(m_lines[i].size()));
    }
    // The step is the 96-DPI one: the crawl keeps its pace at any scale.
    m_scroll =
        horolux::NextScroll(m_scroll, placed.restart, height, fw::ScaleFor(m_hWnd, m_scrollStep));

    // Each row squeezed towards the centre, the narrower the higher: the text recedes.
    fw::StretchModeScope mode(frame, HALFTONE);
    SetBrushOrgEx(frame, 0, 0, nullptr);
    for (int row = 0; row < height; ++row) {
        const horolux::RowSpan span = horolux::PerspectiveRow(row, width, height);
        if (span.width <= 0) continue;
        StretchBlt(frame, span.x, row, span.width, 1, text, 0, row, width, 1, SRCPAINT);
    }
}

void CStarCredits::CopyFrameTo(HDC dc) const {
    if (m_frameDc && fw::HighContrast())
        CopyFrameInSystemColours(dc);
    else if (m_frameDc)
        BitBlt(dc, 0, 0, Width(), Height(), m_frameDc, 0, 0, SRCCOPY);
    else
        FillBlack(dc, Width(), Height());
}

// Through a one-bit image: the black field becomes the window colour, every lit pixel the
// window's text colour, so the crawl is as sharp as any text of the system's.
void CStarCredits::CopyFrameInSystemColours(HDC dc) const {
    fw::MemoryDC mask(m_frameDc.Get());
    fw::Bitmap bits(CreateBitmap(Width(), Height(), 1, 1, nullptr));
    if (!mask || !bits) return;
    fw::SelectObjectScope select(mask, bits.Get());
    SetBkColor(m_frameDc, RGB(0, 0, 0));  // the colour that becomes the mask's 1 bits
    BitBlt(mask, 0, 0, Width(), Height(), m_frameDc, 0, 0, SRCCOPY);
    fw::TextColorScope text(dc, GetSysColor(COLOR_WINDOWTEXT));
    const COLORREF oldBackground = SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    BitBlt(dc, 0, 0, Width(), Height(), mask, 0, 0, SRCCOPY);
    SetBkColor(dc, oldBackground);
}

}  // namespace ui
