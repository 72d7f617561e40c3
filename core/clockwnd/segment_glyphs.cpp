#include "core/clockwnd/segment_glyphs.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace horolux {
namespace {

// A shape as written in the tables: the first point moves, the others draw lines unless marked
// as curve points.
struct ShapePoint {
    int x, y;
    bool curve = false;
};
using Shape = std::initializer_list<ShapePoint>;
constexpr bool C = true;

// Fourteen-segment base shapes.
constexpr Shape kCentreStraight = {{20, 13}, {20, 36}, {24, 40}, {28, 36}, {28, 13}};
constexpr Shape kCentreSmooth = {{20, 12},    {20, 25},    {22, 36, C}, {23, 39, C}, {24, 40, C},
                                 {25, 39, C}, {26, 36, C}, {28, 25},    {28, 12},    {26, 10, C},
                                 {24, 9, C},  {22, 10, C}, {20, 12}};
constexpr Shape kDiagonalStraight = {{5, 5}, {15, 35}, {20, 37}, {18, 25}};
constexpr Shape kDiagonalSmooth = {{10, 10}, {10, 13, C}, {11, 20, C}, {13, 28, C}, {21, 38},
                                   {21, 37}, {19, 26, C}, {15, 16, C}, {11, 10, C}, {10, 10}};
constexpr Shape kHalfStraight = {{6, 41}, {14, 45}, {18, 45}, {22, 41}, {18, 37}, {14, 37}};
constexpr Shape kHalfSmooth = {{8, 41}, {12, 45}, {16, 45}, {23, 41}, {16, 37}, {12, 37}};
constexpr Shape kVerticalStraight = {{4, 7}, {4, 40}, {11, 36}, {11, 26}};
constexpr Shape kVerticalSmooth = {{4, 7},      {4, 39},  {5, 40, C}, {6, 40, C}, {9, 37, C},
                                   {11, 33, C}, {11, 25}, {9, 14, C}, {5, 6, C},  {4, 7}};
constexpr Shape kTopStraight = {{6, 4}, {11, 11}, {37, 11}, {42, 4}};
constexpr Shape kTopSmooth = {{8, 4},     {7, 5, C},  {7, 6, C},  {9, 8, C},  {12, 9, C}, {14, 11},
                              {19, 11},   {21, 9, C}, {24, 7, C}, {27, 9, C}, {29, 11},   {34, 11},
                              {36, 9, C}, {39, 8, C}, {41, 6, C}, {41, 5, C}, {40, 4}};

// Seven-segment shapes.
constexpr Shape kSevenTopStraight = {{5, 4}, {12, 11}, {36, 11}, {43, 4}};
constexpr Shape kSevenTopSmooth = {{6, 4},   {5, 5, C}, {5, 6, C}, {8, 9, C},
                                   {12, 11}, {36, 11},  {39, 4}};
constexpr Shape kSevenLeftStraight = {{4, 6}, {4, 40}, {11, 36}, {11, 13}};
constexpr Shape kSevenLeftSmooth = {{4, 9},     {4, 39},  {6, 40, C}, {7, 40, C},
                                    {9, 38, C}, {11, 36}, {11, 12}};
constexpr Shape kSevenRightSmooth = {{37, 36}, {39, 38, C}, {41, 40, C}, {42, 40},   {44, 39},
                                     {44, 6},  {42, 4, C},  {41, 4, C},  {39, 8, C}, {37, 12}};
constexpr Shape kSevenMiddleStraight = {{6, 41}, {14, 45}, {34, 45}, {42, 41}, {34, 37}, {14, 37}};
constexpr Shape kSevenMiddleSmooth = {{8, 41}, {12, 45}, {36, 45}, {40, 41}, {36, 37}, {12, 37}};

constexpr Shape kDots[] = {
    {{4, 23}, {4, 32}, {13, 32}, {13, 23}},
    {{4, 50}, {4, 59}, {13, 59}, {13, 50}},
    {{4, 68}, {4, 77}, {13, 77}, {13, 68}},
};

enum class Mirror { kNone, kX, kY, kPoint };

Outline Make(Shape shape, Mirror mirror = Mirror::kNone) {
    const int maxX = kSegmentGlyphWidth - 1, maxY = kGlyphHeight - 1;
    Outline out;
    out.reserve(shape.size());
    for (const ShapePoint& p : shape) {
        UnitPoint u{p.x, p.y, p.curve ? PointType::kCurve : PointType::kLineTo};
        if (mirror == Mirror::kX || mirror == Mirror::kPoint) u.x = maxX - u.x;
        if (mirror == Mirror::kY || mirror == Mirror::kPoint) u.y = maxY - u.y;
        out.push_back(u);
    }
    if (!out.empty()) out.front().type = PointType::kMoveTo;
    return out;
}

Outline FourteenSegment(int segment, bool smooth) {
    const Shape centre = smooth ? kCentreSmooth : kCentreStraight;
    const Shape diagonal = smooth ? kDiagonalSmooth : kDiagonalStraight;
    const Shape half = smooth ? kHalfSmooth : kHalfStraight;
    const Shape vertical = smooth ? kVerticalSmooth : kVerticalStraight;
    const Shape top = smooth ? kTopSmooth : kTopStraight;
    switch (segment) {
        case 0:
            return Make(centre);
        case 1:
            return Make(diagonal);
        case 2:
            return Make(diagonal, Mirror::kX);
        case 3:
            return Make(diagonal, Mirror::kY);
        case 4:
            return Make(diagonal, Mirror::kPoint);
        case 5:
            return Make(centre, Mirror::kY);
        case 6:
            return Make(half);
        case 7:
            return Make(half, Mirror::kX);
        case 8:
            return Make(vertical);
        case 9:
            return Make(vertical, Mirror::kY);
        case 10:
            return Make(top, Mirror::kY);
        case 11:
            return Make(vertical, Mirror::kPoint);
        case 12:
            return Make(vertical, Mirror::kX);
        case 13:
            return Make(top);
        default:
            return {};
    }
}

Outline SevenSegment(int segment, bool smooth) {
    const Shape top = smooth ? kSevenTopSmooth : kSevenTopStraight;
    const Shape left = smooth ? kSevenLeftSmooth : kSevenLeftStraight;
    const Shape middle = smooth ? kSevenMiddleSmooth : kSevenMiddleStraight;
    switch (segment) {
        case 0:
            return Make(top);
        case 1:
            return Make(left);
        case 2:
            return smooth ? Make(kSevenRightSmooth) : Make(left, Mirror::kX);
        case 3:
            return Make(middle);
        case 4:
            return Make(left, Mirror::kY);
        case 5:
            return smooth ? Make(kSevenRightSmooth, Mirror::kY) : Make(left, Mirror::kPoint);
        case 6:
            return Make(top, Mirror::kY);
        default:
            return {};
    }
}

struct CodeEntry {
    char c;
    std::uint32_t code;
};

constexpr CodeEntry kSevenCodes[] = {
    {' ', 0x00}, {'0', 0x77}, {'1', 0x24}, {'2', 0x5D}, {'3', 0x6D}, {'4', 0x2E},
    {'5', 0x6B}, {'6', 0x7B}, {'7', 0x25}, {'8', 0x7F}, {'9', 0x6F}, {'-', 0x08},
};

constexpr CodeEntry kFourteenCodes[] = {
    {' ', 0x0000}, {'0', 0x3F00}, {'1', 0x1800}, {'2', 0x36C0}, {'3', 0x3CC0}, {'4', 0x19C0},
    {'5', 0x2DC0}, {'6', 0x2FC0}, {'7', 0x3800}, {'8', 0x3FC0}, {'9', 0x3DC0}, {'-', 0x00C0},
    {'A', 0x3BC0}, {'B', 0x3CA1}, {'C', 0x2700}, {'D', 0x3C21}, {'E', 0x27C0}, {'F', 0x23C0},
    {'G', 0x2F80}, {'H', 0x1BC0}, {'I', 0x2421}, {'J', 0x1E00}, {'K', 0x0354}, {'L', 0x0700},
    {'M', 0x1B06}, {'N', 0x1B12}, {'O', 0x3F00}, {'P', 0x33C0}, {'Q', 0x3F10}, {'R', 0x33D0},
    {'S', 0x2DC0}, {'T', 0x2021}, {'U', 0x1F00}, {'V', 0x030C}, {'W', 0x1B18}, {'X', 0x001E},
    {'Y', 0x11E0}, {'Z', 0x240C}, {'*', 0x00FF}, {'+', 0x00E1},
};

template <std::size_t N>
std::optional<std::uint32_t> Find(const CodeEntry (&table)[N], char c) {
    for (const CodeEntry& e : table)
        if (e.c == c) return e.code;
    return std::nullopt;
}

bool IsDigitSpaceOrMinus(char c) {
    return (c >= '0' && c <= '9') || c == ' ' || c == '-';
}

FloatPoint Bezier(const FloatPoint& p0, const FloatPoint& c1, const FloatPoint& c2,
                  const FloatPoint& p3, double t) {
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * c1.x + c * c2.x + d * p3.x, a * p0.y + b * c1.y + c * c2.y + d * p3.y};
}

double FitError(const std::vector<FloatPoint>& s, const FloatPoint& c1, const FloatPoint& c2) {
    const std::size_t n = s.size();
    double error = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const FloatPoint p = Bezier(s.front(), c1, c2, s.back(), double(k) / double(n - 1));
        error += (p.x - s[k].x) * (p.x - s[k].x) + (p.y - s[k].y) * (p.y - s[k].y);
    }
    return error;
}

}  // namespace

std::optional<std::uint32_t> SevenSegmentCode(char c) {
    return Find(kSevenCodes, c);
}

std::optional<std::uint32_t> FourteenSegmentCode(char c) {
    return Find(kFourteenCodes, c);
}

std::optional<std::uint32_t> DotCode(char c) {
    if (c == '.') return 0x4;
    if (c == ':') return 0x3;
    return std::nullopt;
}

Outline SegmentOutline(GlyphKind kind, int segment, bool smooth) {
    switch (kind) {
        case GlyphKind::kSevenSegment:
            return SevenSegment(segment, smooth);
        case GlyphKind::kFourteenSegment:
            return FourteenSegment(segment, smooth);
        case GlyphKind::kDot:
            // Squares whatever the style.
            return segment >= 0 && segment < 3 ? Make(kDots[segment]) : Outline{};
    }
    return {};
}

std::optional<Glyph> MakeGlyph(char c, std::uint32_t style) {
    Glyph g;
    std::optional<std::uint32_t> code;
    if (IsDigitSpaceOrMinus(c) && !(style & kSegmentFourteenDigits)) {
        g.kind = GlyphKind::kSevenSegment;
        g.width = kSegmentGlyphWidth;
        g.segmentCount = 7;
        code = SevenSegmentCode(c);
    } else if ((code = FourteenSegmentCode(c))) {
        g.kind = GlyphKind::kFourteenSegment;
        g.width = kSegmentGlyphWidth;
        g.segmentCount = 14;
    } else if ((code = DotCode(c))) {
        g.kind = GlyphKind::kDot;
        g.width = kDotGlyphWidth;
        g.segmentCount = 3;
    }
    if (!code) return std::nullopt;
    g.code = *code;
    const bool smooth = style & kSegmentSmooth;
    g.outlines.reserve(static_cast<std::size_t>(g.segmentCount));
    for (int i = 0; i < g.segmentCount; ++i)
        g.outlines.push_back(SegmentOutline(g.kind, i, smooth));
    return g;
}

void UpperCaseText(std::string& text, bool (*isLeadByte)(unsigned char)) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (isLeadByte && isLeadByte(b)) {
            ++i;  // its trail byte is no letter of its own
            continue;
        }
        if (b >= 'a' && b <= 'z') text[i] = static_cast<char>(b - 'a' + 'A');
    }
}

std::vector<Glyph> BuildGlyphs(const std::string& text, std::uint32_t style) {
    std::vector<Glyph> glyphs;
    for (char c : text)
        if (auto g = MakeGlyph(c, style)) glyphs.push_back(std::move(*g));
    return glyphs;
}

int TotalWidth(const std::vector<Glyph>& glyphs) {
    int total = 0;
    for (const Glyph& g : glyphs) total += g.width;
    return total;
}

GlyphRowPlacement PlaceGlyphRow(int totalUnits, int width, int height, bool proportional) {
    GlyphRowPlacement p;
    if (totalUnits <= 0) return p;
    p.scaleX = double(width) / totalUnits;
    p.scaleY = double(height) / kGlyphHeight;
    if (proportional) {
        const double s = std::min(p.scaleX, p.scaleY);
        p.scaleX = p.scaleY = s;
        p.left = (width - totalUnits * s) / 2;
        p.top = (height - kGlyphHeight * s) / 2;
    }
    return p;
}

int RoundPixel(double v) {
    // Held at the int range (a not-a-number at 0), as a conversion out of it would be undefined.
    const double r = v + 0.5;
    if (std::isnan(r)) return 0;
    if (r >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

void FitCubic(const std::vector<FloatPoint>& s, FloatPoint& c1, FloatPoint& c2) {
    const std::size_t n = s.size();
    if (n < 3) {
        c1 = s.front();
        c2 = s.back();
        return;
    }
    // Start from the ends' tangents, extended by the first and last step.
    c1 = {2 * s[1].x - s[0].x, 2 * s[1].y - s[0].y};
    c2 = {2 * s[n - 2].x - s[n - 1].x, 2 * s[n - 2].y - s[n - 1].y};
    constexpr int kRounds = 2;
    constexpr int kMaxSteps = 200;  // the search converges long before; this only bounds it
    for (int round = 0; round < kRounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            FloatPoint& c = which == 0 ? c1 : c2;
            const FloatPoint& end = which == 0 ? s.front() : s.back();
            double factor = 0.5;
            double error = FitError(s, c1, c2);
            for (int step = 0; step < kMaxSteps && std::fabs(factor) >= 0.01; ++step) {
                const FloatPoint kept = c;
                c = {c.x + factor * (c.x - end.x), c.y + factor * (c.y - end.y)};
                const double tried = FitError(s, c1, c2);
                if (tried > error) {
                    c = kept;
                    factor *= -1.0 / 3.0;
                } else if (tried < error) {
                    error = tried;
                } else {
                    break;
                }
            }
        }
    }
}

std::vector<PathPoint> OutlineToPixels(const Outline& outline, double cellLeft, double cellTop,
                                       double unitX, double unitY) {
    const std::size_t n = outline.size();
    auto at = [&](std::size_t i) {
        return FloatPoint{cellLeft + outline[i].x * unitX, cellTop + outline[i].y * unitY};
    };
    auto pixel = [](const FloatPoint& p, PathOp op) {
        return PathPoint{RoundPixel(p.x), RoundPixel(p.y), op};
    };
    std::vector<PathPoint> path;
    path.reserve(n);
    for (std::size_t i = 0; i < n;) {
        if (i == 0 || outline[i].type != PointType::kCurve) {
            path.push_back(pixel(at(i), i == 0 ? PathOp::kMoveTo : PathOp::kLineTo));
            ++i;
            continue;
        }
        // A run of curve points between the point before and the point after it; a run that
        // ends the outline closes back to its first point, as the fill does.
        std::size_t j = i;
        while (j < n && outline[j].type == PointType::kCurve) ++j;
        std::vector<FloatPoint> samples{at(i - 1)};
        for (std::size_t k = i; k < j; ++k) samples.push_back(at(k));
        samples.push_back(at(j < n ? j : 0));
        FloatPoint c1, c2;
        FitCubic(samples, c1, c2);
        path.push_back(pixel(c1, PathOp::kBezierTo));
        path.push_back(pixel(c2, PathOp::kBezierTo));
        path.push_back(pixel(samples.back(), PathOp::kBezierTo));
        i = j + 1;
    }
    return path;
}

std::vector<SegmentPath> LayOutSegments(const std::vector<Glyph>& glyphs, int width, int height,
                                        std::uint32_t style) {
    std::vector<SegmentPath> paths;
    const GlyphRowPlacement place =
        PlaceGlyphRow(TotalWidth(glyphs), width, height, style & kSegmentProportional);
    int unitsBefore = 0;
    for (const Glyph& g : glyphs) {
        const double cellLeft = place.left + unitsBefore * place.scaleX;
        const double cellWidth = g.width * place.scaleX;
        const double cellHeight = kGlyphHeight * place.scaleY;
        for (int i = 0; i < g.segmentCount && i < int(g.outlines.size()); ++i)
            paths.push_back(
                {g.Lit(i), OutlineToPixels(g.outlines[std::size_t(i)], cellLeft, place.top,
                                           cellWidth / g.width, cellHeight / kGlyphHeight)});
        unitsBefore += g.width;
    }
    return paths;
}

Colour SegmentPenColour(Colour background, Colour segment) {
    // A quarter and three quarters are exact in binary, so whole-number division truncates alike.
    auto mix = [](int b, int s) { return (b + 3 * s) / 4; };
    return MakeColour(mix(RedOf(background), RedOf(segment)),
                      mix(GreenOf(background), GreenOf(segment)),
                      mix(BlueOf(background), BlueOf(segment)));
}

}  // namespace horolux
