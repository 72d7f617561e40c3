#pragma once
// The floating clock's arithmetic: where an anchored control goes when the window is resized,
// where a dragged window is put back onto the screen, the first-run placement, the stored
// placement and colour texts, and the minutes-left text it shows.
#include <cstdint>
#include <optional>
#include <string>

#include "core/alarms/alarm_store.h"
#include "core/geometry/pixel_rect.h"

namespace horolux {

// ---- Anchored layout -------------------------------------------------------------------------

// A point of the client area in percent of its width and height.
struct AnchorPoint {
    int x = 0, y = 0;
};
inline constexpr AnchorPoint kAnchorSameAsTopLeft{-1, -1};

// A control whose corners follow points of the client area, each at a fixed pixel margin.
struct Anchor {
    AnchorPoint topLeft, bottomRight;
    int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
};

// The anchor that keeps a control where it is now in a client area of width × height.
Anchor MakeAnchor(const PixelRect& control, int clientWidth, int clientHeight, AnchorPoint topLeft,
                  AnchorPoint bottomRight = kAnchorSameAsTopLeft);
// Where the anchored control goes in a client area of width × height.
PixelRect ArrangeAnchor(const Anchor& anchor, int clientWidth, int clientHeight);

// The size grip's square in the bottom-right corner of the client area.
PixelRect GripSquare(int clientWidth, int clientHeight, int gripWidth, int gripHeight);

// ---- Dragging and placing -------------------------------------------------------------------

// Puts a window that a drag moved from before to after back onto a screen of the given size at
// every edge it crossed; an edge the window already touched before the drag may be crossed.
PixelRect SnapOntoScreen(const PixelRect& before, const PixelRect& after, int screenWidth,
                         int screenHeight);

// The first run's place: the window 20 pixels wider and 10 taller (at 96 DPI; as much more as
// the display's scale is), centred on the screen.
PixelRect FirstRunRect(const PixelRect& window, int screenWidth, int screenHeight, int dpi);

// The stored placement: restored rectangle, show command and placement flags.
struct ClockPlacement {
    PixelRect normal;
    int showCmd = 0;
    int flags = 0;
    friend bool operator==(const ClockPlacement&, const ClockPlacement&) = default;
};

inline constexpr int kShowNormal = 1;        // SW_SHOWNORMAL
inline constexpr int kPlacementFlags = 0x7;  // the flags a placement record knows

// "%d,%d,%d,%d,%d,%d": left, top, right, bottom, show command, flags.
std::string FormatPlacement(const ClockPlacement& placement);
// The six numbers as the format reads them (blanks before a number, a sign, digits); nullopt
// when fewer than six are there or one does not fit an int. Text after the sixth is ignored.
std::optional<ClockPlacement> ParsePlacement(const std::string& text);
// A stored placement made fit to apply: shown normally, known flags only, at least the minimum
// and at most the screen's size, and not entirely off the screen (the whole desktop, which may
// span several monitors).
ClockPlacement SanitisePlacement(ClockPlacement placement, int minWidth, int minHeight,
                                 const PixelRect& screen);

// ---- Colours and the clock's text ----------------------------------------------------------

// A stored colour, read as a decimal number as strtol reads it (leading blanks, a sign, digits,
// anything after ignored). nullopt for no colour: no digits, 0, or a value that is no RGB colour
// (negative or beyond 0xFFFFFF), which the default colour then stands in for.
std::optional<std::uint32_t> ColourFromText(const std::string& text);
// A colour as stored: its decimal value.
std::string ColourText(std::uint32_t colour);

// The minutes left for each live alarm in slot order (a pending snooze's when it rings sooner),
// joined by "::"; empty without alarms. nowMs on the clock of the snoozes.
std::string AlarmClockText(const AlarmDataArray& alarms, std::int64_t nowMs);

}  // namespace horolux
