#include "core/controls/star_field.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace horolux {
namespace {

// Speeds, steps and scroll positions come from callers; keep their sums inside int.
int Clamped(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

}  // namespace

Star StarFrom(int rx, int ry, int rz) {
    return {rx % 1025 - 512, ry % 1025 - 512, rz % 513 - 256};
}

std::vector<Star> NewStarField(StarRandom& random, int count) {
    std::vector<Star> stars;
    stars.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const int rx = random.Next();
        const int ry = random.Next();
        const int rz = random.Next();
        stars.push_back(StarFrom(rx, ry, rz));
    }
    return stars;
}

void StepStar(Star& star, int speed) {
    long long z = static_cast<long long>(star.z) - speed;
    if (z > 255) z = -255;
    if (z < -255) z = 255;
    star.z = static_cast<std::int32_t>(z);
}

std::uint8_t StarGrey(int z) {
    return static_cast<std::uint8_t>((255 - static_cast<long long>(z)) & 0xFF);
}

StarDot ProjectStar(const Star& star, int width, int height) {
    const int depth = star.z + 256;
    return {star.x * 100 / depth + width / 2, star.y * 100 / depth + height / 2, StarGrey(star.z)};
}

CreditFrame PlaceCredits(int scroll, const std::vector<TextExtent>& lines, int width) {
    CreditFrame frame;
    frame.lines.resize(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const long long top =
            static_cast<long long>(scroll) + static_cast<long long>(i) * lines[i].height;
        CreditPlacement& place = frame.lines[i];
        place.y = Clamped(top);
        if (top > 0) {
            place.drawn = true;
            place.x = width / 2 - lines[i].width / 2;
            place.grey = static_cast<std::uint8_t>(std::min<long long>(top, 255));
        } else if (i + 1 == lines.size()) {
            frame.restart = true;
        }
    }
    return frame;
}

int NextScroll(int scroll, bool restart, int height, int step) {
    return Clamped(static_cast<long long>(restart ? height : scroll) - step);
}

RowSpan PerspectiveRow(int row, int width, int height) {
    if (height <= 0 || width <= 0) return {};
    const int scaled = static_cast<int>(static_cast<double>(width) * row / height);
    return {(width - scaled) / 2, scaled};
}

std::optional<Translation> FirstTranslation(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 4) return std::nullopt;
    return Translation{static_cast<std::uint16_t>(data[0] | data[1] << 8),
                       static_cast<std::uint16_t>(data[2] | data[3] << 8)};
}

std::string StringFileInfoPath(Translation translation, const std::string& name) {
    char block[9];
    std::snprintf(block, sizeof block, "%04x%04x", translation.language, translation.codePage);
    return std::string("\\StringFileInfo\\") + block + "\\" + name;
}

}  // namespace horolux
