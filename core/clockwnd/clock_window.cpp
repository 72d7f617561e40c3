#include "core/clockwnd/clock_window.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

#include "core/geometry/dpi_scale.h"
#include "core/text/ascii.h"

namespace horolux {
namespace {

// One "%d" at pos: blanks, a sign, at least one digit. nullopt when there is no number or it
// does not fit an int.
std::optional<int> ReadInt(const std::string& text, std::size_t& pos) {
    while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos >= text.size() || !IsAsciiDigit(text[pos])) return std::nullopt;
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    for (; pos < text.size() && IsAsciiDigit(text[pos]); ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > kLimit) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

PixelRect MovedTo(const PixelRect& r, int left, int top) {
    return {left, top, left + r.Width(), top + r.Height()};
}

int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

Anchor MakeAnchor(const PixelRect& control, int clientWidth, int clientHeight, AnchorPoint topLeft,
                  AnchorPoint bottomRight) {
    if (bottomRight.x == kAnchorSameAsTopLeft.x && bottomRight.y == kAnchorSameAsTopLeft.y)
        bottomRight = topLeft;
    Anchor a;
    a.topLeft = topLeft;
    a.bottomRight = bottomRight;
    a.marginLeft = control.left - topLeft.x * clientWidth / 100;
    a.marginTop = control.top - topLeft.y * clientHeight / 100;
    a.marginRight = control.right - bottomRight.x * clientWidth / 100;
    a.marginBottom = control.bottom - bottomRight.y * clientHeight / 100;
    return a;
}

PixelRect ArrangeAnchor(const Anchor& a, int clientWidth, int clientHeight) {
    return {a.topLeft.x * clientWidth / 100 + a.marginLeft,
            a.topLeft.y * clientHeight / 100 + a.marginTop,
            a.bottomRight.x * clientWidth / 100 + a.marginRight,
            a.bottomRight.y * clientHeight / 100 + a.marginBottom};
}

PixelRect GripSquare(int clientWidth, int clientHeight, int gripWidth, int gripHeight) {
    return {clientWidth - gripWidth, clientHeight - gripHeight, clientWidth, clientHeight};
}

PixelRect SnapOntoScreen(const PixelRect& before, const PixelRect& after, int screenWidth,
                         int screenHeight) {
    PixelRect r = after;
    if (before.top != 0 && r.top < 0) r = MovedTo(r, r.left, 0);
    if (before.left != 0 && r.left < 0) r = MovedTo(r, 0, r.top);
    if (before.right != screenWidth && r.right > screenWidth)
        r = MovedTo(r, screenWidth - r.Width(), r.top);
    if (before.bottom != screenHeight && r.bottom > screenHeight)
        r = MovedTo(r, r.left, screenHeight - r.Height());
    return r;
}

PixelRect FirstRunRect(const PixelRect& window, int screenWidth, int screenHeight, int dpi) {
    const int w = window.Width() + ScaleToDpi(20, dpi), h = window.Height() + ScaleToDpi(10, dpi);
    const int left = screenWidth / 2 - w / 2, top = screenHeight / 2 - h / 2;
    return {left, top, left + w, top + h};
}

std::string FormatPlacement(const ClockPlacement& p) {
    std::string out;
    for (int v :
         {p.normal.left, p.normal.top, p.normal.right, p.normal.bottom, p.showCmd, p.flags}) {
        if (!out.empty()) out += ',';
        out += std::to_string(v);
    }
    return out;
}

std::optional<ClockPlacement> ParsePlacement(const std::string& text) {
    int values[6] = {};
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') return std::nullopt;
            ++pos;
        }
        const auto v = ReadInt(text, pos);
        if (!v) return std::nullopt;
        values[i] = *v;
    }
    return ClockPlacement{{values[0], values[1], values[2], values[3]}, values[4], values[5]};
}

ClockPlacement SanitisePlacement(ClockPlacement p, int minWidth, int minHeight,
                                 const PixelRect& screen) {
    // A stored hidden, minimised or maximised state would leave a clock without caption or
    // task-bar button that the user cannot get back.
    p.showCmd = kShowNormal;
    p.flags &= kPlacementFlags;

    // One axis: size within the minimum and the screen, and back onto the screen when the
    // stored place lies wholly outside it (a place from another monitor set-up).
    auto fit = [](std::int64_t start, std::int64_t end, int minSize, int screenStart, int screenEnd,
                  int& outStart, int& outEnd) {
        const std::int64_t screenSize = std::int64_t{screenEnd} - screenStart;
        const std::int64_t size =
            std::max<std::int64_t>(std::min<std::int64_t>(end - start, screenSize), minSize);
        if (start + size <= screenStart || start >= screenEnd)
            start = std::clamp<std::int64_t>(start, screenStart,
                                             std::max<std::int64_t>(screenEnd - size, screenStart));
        outStart = ClampToInt(start);
        outEnd = ClampToInt(start + size);
    };
    const PixelRect r = p.normal;
    fit(r.left, r.right, minWidth, screen.left, screen.right, p.normal.left, p.normal.right);
    fit(r.top, r.bottom, minHeight, screen.top, screen.bottom, p.normal.top, p.normal.bottom);
    return p;
}

std::optional<std::uint32_t> ColourFromText(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    std::uint32_t value = 0;
    bool tooBig = false;
    for (; pos < text.size() && IsAsciiDigit(text[pos]); ++pos) {
        value = value * 10 + static_cast<std::uint32_t>(text[pos] - '0');
        if (value > 0xFFFFFF) {
            tooBig = true;
            break;
        }
    }
    if (tooBig || value == 0 || negative) return std::nullopt;
    return value;
}

std::string ColourText(std::uint32_t colour) {
    return std::to_string(colour);
}

std::string AlarmClockText(const AlarmDataArray& alarms, std::int64_t nowMs) {
    std::string text;
    bool first = true;
    for (std::size_t i = 0; i < alarms.GetSize(); ++i) {
        const AlarmData* alarm = alarms.GetAt(i);
        if (!alarm || !IsAlarmOn(*alarm)) continue;  // nothing to count down
        if (!first) text += "::";
        first = false;
        text += std::to_string(MinutesToRing(*alarm, nowMs));
    }
    return text;
}

}  // namespace horolux
