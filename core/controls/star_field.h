#pragma once
// The about box's credits screen in numbers: stars flying towards the viewer in a box of
// −512…512 × −512…512 × −256…256, credit lines crawling up and fading towards the top edge, and
// the perspective that narrows the text rows towards the top. Also the path of a string in a
// file's version information.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace horolux {

inline constexpr int kStarCount = 100;

// A seedable source of non-negative numbers (0 … 2³¹ − 1) for the star field.
class StarRandom {
public:
    explicit StarRandom(std::uint64_t seed = 1) : state_(seed) {}
    int Next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>(state_ >> 33);
    }

private:
    std::uint64_t state_;
};

struct Star {
    std::int32_t x = 0, y = 0, z = 0;
    bool operator==(const Star&) const = default;
};

// A star from three numbers r ≥ 0, in this order: x = r mod 1025 − 512, y likewise,
// z = r mod 513 − 256.
Star StarFrom(int rx, int ry, int rz);
std::vector<Star> NewStarField(StarRandom& random, int count = kStarCount);

// One frame's move: z − speed, wrapped so that z always ends within −255 … 255 (and z + 256,
// the divisor of the projection, is never 0).
void StepStar(Star& star, int speed);

// The star's grey: (255 − z) in eight bits, so white at z = 0 and black at 255 and at −1.
std::uint8_t StarGrey(int z);

struct StarDot {
    int x = 0, y = 0;  // top left of its 3 × 3 box
    std::uint8_t grey = 0;
    bool operator==(const StarDot&) const = default;
};
// Where a stepped star (z within −255 … 255) lands on a width × height area.
StarDot ProjectStar(const Star& star, int width, int height);

struct TextExtent {
    int width = 0, height = 0;
};

struct CreditPlacement {
    bool drawn = false;  // the line's top lies below the top edge
    int x = 0, y = 0;    // where its text starts
    std::uint8_t grey = 0;
};

struct CreditFrame {
    std::vector<CreditPlacement> lines;
    bool restart = false;  // the last line's top has reached the top edge
};

// Line i's top is scroll + i × its height, centred across width; it fades from white (below
// 255 pixels) to black at the top edge.
CreditFrame PlaceCredits(int scroll, const std::vector<TextExtent>& lines, int width);
// The scroll position for the next frame.
int NextScroll(int scroll, bool restart, int height, int step);

struct RowSpan {
    int x = 0, width = 0;
    bool operator==(const RowSpan&) const = default;
};
// Row r of the text image squeezed to width × r ÷ height and centred: nothing at the top row,
// nearly full width at the bottom.
RowSpan PerspectiveRow(int row, int width, int height);

// Language and code page of a version information's first translation.
struct Translation {
    std::uint16_t language = 0, codePage = 0;
};
// From the raw "\VarFileInfo\Translation" value (pairs of little-endian 16-bit words, language
// first); none when the value holds no whole pair.
std::optional<Translation> FirstTranslation(const std::uint8_t* data, std::size_t size);
// "\StringFileInfo\<language><code page>\<name>", both as four lowercase hexadecimal digits.
std::string StringFileInfoPath(Translation translation, const std::string& name);

}  // namespace horolux
