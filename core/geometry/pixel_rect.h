#pragma once
// A rectangle in whole pixels; right and bottom lie outside it, as in the platform's rectangles.
#include <algorithm>
#include <cstdint>
#include <limits>

namespace horolux {

// A coordinate worked out in 64 bits, held at the ends of the int range: sizes come from outside
// (the list control, the fonts), and a sum of two ints must not wrap.
constexpr int ClampPixel(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return ClampPixel(std::int64_t{right} - left); }
    int Height() const { return ClampPixel(std::int64_t{bottom} - top); }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

}  // namespace horolux
