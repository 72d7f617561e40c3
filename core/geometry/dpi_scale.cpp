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

PixelRect ScaleRect(const PixelRect& rect, int xTo, int xFrom, int yTo, int yFrom) {
    return {RescaleLength(rect.left, xFrom, xTo), RescaleLength(rect.top, yFrom, yTo),
            RescaleLength(rect.right, xFrom, xTo), RescaleLength(rect.bottom, yFrom, yTo)};
}

PixelSize FitWithin(PixelSize wanted, PixelSize room) {
    if (wanted.width <= room.width && wanted.height <= room.height) return wanted;
    if (wanted.width <= 0 || wanted.height <= 0 || room.width <= 0 || room.height <= 0) return {};
    // The tighter side decides: room.width / wanted.width against room.height / wanted.height.
    if (std::int64_t{room.width} * wanted.height <= std::int64_t{room.height} * wanted.width)
        return {room.width,
                static_cast<int>(std::int64_t{wanted.height} * room.width / wanted.width)};
    return {static_cast<int>(std::int64_t{wanted.width} * room.height / wanted.height),
            room.height};
}

int RescaleFontHeight(int height, int fromDpi, int toDpi) {
    if (height >= 0 || fromDpi <= 0 || toDpi <= 0) return RescaleLength(height, fromDpi, toDpi);
    const int points = MulDivRound(-height, kPointsPerInch, fromDpi);
    return -MulDivRound(points, toDpi, kPointsPerInch);
}

}  // namespace horolux
