#include "core/geometry/dpi_scale.h"

#include <cstdint>

namespace horolux {

namespace {
constexpr int kPointsPerInch = 72;
}

int MulDivRound(int value, int numerator, int denominator) {
    if (denominator == 0) return value;
    std::int64_t product = std::int64_t{value} * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    // Half away from zero: the remainder's size decides, whatever the sign.
    const std::int64_t rounded =
        product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
    return ClampPixel(rounded);
}

int RescaleLength(int length, int fromDpi, int toDpi) {
    if (fromDpi <= 0 || toDpi <= 0) return length;
    return MulDivRound(length, toDpi, fromDpi);
}

PixelRect RescaleRect(const PixelRect& rect, int fromDpi, int toDpi) {
    return {RescaleLength(rect.left, fromDpi, toDpi), RescaleLength(rect.top, fromDpi, toDpi),
            RescaleLength(rect.right, fromDpi, toDpi), RescaleLength(rect.bottom, fromDpi, toDpi)};
}

int RescaleFontHeight(int height, int fromDpi, int toDpi) {
    if (height >= 0 || fromDpi <= 0 || toDpi <= 0) return RescaleLength(height, fromDpi, toDpi);
    const int points = MulDivRound(-height, kPointsPerInch, fromDpi);
    return -MulDivRound(points, toDpi, kPointsPerInch);
}

}  // namespace horolux
