#include "core/clockwnd/segment_glyphs.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace horolux {
namespace {

constexpr std::uint32_t kClockStyle = kSegmentFourteenDigits | kSegmentProportional;

Outline Points(std::initializer_list<std::pair<int, int>> xy) {
    Outline o;
    for (auto [x, y] : xy) o.push_back({x, y, o.empty() ? PointType::kMoveTo : PointType::kLineTo});
    return o;
}

TEST(SegmentGlyphs, CharactersPickKindAndLitSegments) {
    using K = GlyphKind;
    const struct {
        char c;
        std::uint32_t style;
        K kind;
        std::uint32_t code;
    } cases[] = {
        {'0', 0, K::kSevenSegment, 0x77},
        {'4', 0, K::kSevenSegment, 0x2E},
        {'-', 0, K::kSevenSegment, 0x08},
        {'0', 2, K::kFourteenSegment, 0x3F00},
        {' ', 6, K::kFourteenSegment, 0},
        {'A', 0, K::kFourteenSegment, 0x3BC0},
        {'K', 0, K::kFourteenSegment, 0x0354},
        {'*', 0, K::kFourteenSegment, 0x00FF},
        {'.', 0, K::kDot, 0x4},
        {':', 6, K::kDot, 0x3},
    };
    for (const auto& c : cases) {
        const auto g = MakeGlyph(c.c, c.style);
        ASSERT_TRUE(g) << c.c;
        EXPECT_EQ(g->kind, c.kind) << c.c;
        EXPECT_EQ(g->code, c.code) << c.c;
        const int segments = c.kind == K::kSevenSegment ? 7 : c.kind == K::kDot ? 3 : 14;
        EXPECT_EQ(g->outlines.size(), std::size_t(segments)) << c.c;
        EXPECT_EQ(g->width, c.kind == K::kDot ? 18 : 49) << c.c;
    }
    for (char c : {',', '/', 'a', '\0', static_cast<char>(0xC4)}) EXPECT_FALSE(MakeGlyph(c, 6));
}

TEST(SegmentGlyphs, TextsOfGlyphs) {
    // Two alarms with 12 and 5 minutes left, at the clock's style.
    const auto clock = BuildGlyphs("12::5", kClockStyle);
    ASSERT_EQ(clock.size(), 5u);
    EXPECT_EQ(clock[0].kind, GlyphKind::kFourteenSegment);
    EXPECT_EQ(clock[3].kind, GlyphKind::kDot);
    EXPECT_TRUE(clock[3].Lit(0) && clock[3].Lit(1));
    EXPECT_FALSE(clock[3].Lit(2)) << "the decimal point stays unlit";
    EXPECT_EQ(TotalWidth(clock), 183);
    // A character without a glyph takes no space.
    const auto ab = BuildGlyphs("A,B", 0);
    ASSERT_EQ(ab.size(), 2u);
    EXPECT_EQ(ab[1].code, 0x3CA1u);
    EXPECT_EQ(TotalWidth(ab), 98);
    EXPECT_TRUE(BuildGlyphs("", kClockStyle).empty());
}

TEST(SegmentGlyphs, UpperCaseLeavesTrailBytesAlone) {
    std::string text = "alarm 12:a-z";
    UpperCaseText(text);
    EXPECT_EQ(text, "ALARM 12:A-Z");
    // 0x82 0x61 is one double-byte character whose trail byte reads as 'a'; a lead byte at the
    // end has no trail byte.
    auto lead = [](unsigned char b) { return b == 0x82; };
    std::string dbcs =
        "a\x82"
        "ab\x82";
    UpperCaseText(dbcs, lead);
    EXPECT_EQ(dbcs,
              "A\x82"
              "aB\x82");
}

TEST(SegmentShapes, DerivedSegmentsAreMirrors) {
    using K = GlyphKind;
    const struct {
        K kind;
        int segment;
        Outline expected;
    } cases[] = {
        // From the diagonal (5,5) (15,35) (20,37) (18,25): mirror-x, mirror-y, both.
        {K::kFourteenSegment, 2, Points({{43, 5}, {33, 35}, {28, 37}, {30, 25}})},
        {K::kFourteenSegment, 3, Points({{5, 77}, {15, 47}, {20, 45}, {18, 57}})},
        {K::kFourteenSegment, 4, Points({{43, 77}, {33, 47}, {28, 45}, {30, 57}})},
        {K::kFourteenSegment, 11, Points({{44, 75}, {44, 42}, {37, 46}, {37, 56}})},
        // From the seven-segment left vertical (4,6) (4,40) (11,36) (11,13) and the top.
        {K::kSevenSegment, 2, Points({{44, 6}, {44, 40}, {37, 36}, {37, 13}})},
        {K::kSevenSegment, 5, Points({{44, 76}, {44, 42}, {37, 46}, {37, 69}})},
        {K::kSevenSegment, 6, Points({{5, 78}, {12, 71}, {36, 71}, {43, 78}})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SegmentOutline(c.kind, c.segment, false), c.expected) << c.segment;
    // The smooth lower right vertical mirrors the smooth upper right one, curve marks kept.
    const Outline upper = SegmentOutline(K::kSevenSegment, 2, true);
    const Outline lower = SegmentOutline(K::kSevenSegment, 5, true);
    ASSERT_EQ(upper.size(), 10u);
    for (std::size_t i = 0; i < upper.size(); ++i)
        EXPECT_EQ(lower[i], (UnitPoint{upper[i].x, 82 - upper[i].y, upper[i].type})) << i;
}

TEST(SegmentShapes, EveryOutlineStartsWithAMoveAndStaysInItsCell) {
    const struct {
        GlyphKind kind;
        int segments, width;
    } kinds[] = {{GlyphKind::kSevenSegment, 7, 49},
                 {GlyphKind::kFourteenSegment, 14, 49},
                 {GlyphKind::kDot, 3, 18}};
    for (const auto& k : kinds)
        for (bool smooth : {false, true})
            for (int s = 0; s < k.segments; ++s) {
                const Outline o = SegmentOutline(k.kind, s, smooth);
                SCOPED_TRACE(std::to_string(int(k.kind)) + "/" + std::to_string(s) + "/" +
                             std::to_string(smooth));
                ASSERT_GE(o.size(), 4u);
                EXPECT_EQ(o.front().type, PointType::kMoveTo);
                EXPECT_NE(o.back().type, PointType::kCurve) << "a curve run needs an end point";
                for (const UnitPoint& p : o)
                    EXPECT_TRUE(p.x >= 0 && p.x < k.width && p.y >= 0 && p.y < 83);
            }
}

TEST(SegmentLayout, PlacementOfTheGlyphRow) {
    const struct {
        int units, w, h;
        bool proportional;
        double left, top, sx, sy;
    } cases[] = {
        {183, 366, 83, true, 91.5, 0, 1, 1},   // width to spare: centred across
        {183, 183, 166, true, 0, 41.5, 1, 1},  // height to spare: centred down
        {183, 366, 83, false, 0, 0, 2, 1},     // stretched
        {0, 366, 83, true, 0, 0, 0, 0},        // nothing to show
    };
    for (const auto& c : cases) {
        const GlyphRowPlacement p = PlaceGlyphRow(c.units, c.w, c.h, c.proportional);
        EXPECT_DOUBLE_EQ(p.left, c.left) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(p.top, c.top) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(p.scaleX, c.sx) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(p.scaleY, c.sy) << c.w << "x" << c.h;
    }
}

TEST(SegmentLayout, SegmentsInPixels) {
    const auto glyphs = BuildGlyphs("12::5", kClockStyle);
    const auto paths = LayOutSegments(glyphs, 366, 83, kClockStyle);
    ASSERT_EQ(paths.size(), 14u + 14 + 3 + 3 + 14);
    // "1": its unlit centre vertical starts at (20,13), 91.5 pixels in, rounded half up.
    EXPECT_FALSE(paths[0].lit);
    EXPECT_EQ(paths[0].points.front(), (PathPoint{112, 13, PathOp::kMoveTo}));
    EXPECT_TRUE(paths[12].lit);
    // The second colon's upper dot (4,23)-(13,32) lies 91.5 + 49 + 49 + 18 pixels in.
    const SegmentPath& dot = paths[14 + 14 + 3];
    EXPECT_TRUE(dot.lit);
    EXPECT_EQ(dot.points, (std::vector<PathPoint>{{212, 23, PathOp::kMoveTo},
                                                  {212, 32, PathOp::kLineTo},
                                                  {221, 32, PathOp::kLineTo},
                                                  {221, 23, PathOp::kLineTo}}));
    // Stretched twice across, the same dot doubles its x and keeps its y.
    const auto wide = LayOutSegments(glyphs, 366, 83, kSegmentFourteenDigits);
    EXPECT_EQ(wide[14 + 14 + 3].points[2], (PathPoint{258, 32, PathOp::kLineTo}));
}

TEST(SegmentLayout, PixelsRoundHalfUpThenTruncate) {
    const struct {
        double v;
        int pixel;
    } cases[] = {
        {0.49, 0},
        {0.5, 1},
        {91.5, 92},
        {-0.5, 0},  // truncated towards zero after the half is added
        {-0.7, 0},
        {-1.6, -1},
        {2147483646.4, 2147483646},
        {2147483646.5, INT_MAX},
        {-2147483648.0, INT_MIN + 1},
        // Held at the int range.
        {2147483647.0, INT_MAX},
        {1e300, INT_MAX},
        {HUGE_VAL, INT_MAX},
        {-2147483649.5, INT_MIN},
        {-1e300, INT_MIN},
        {-HUGE_VAL, INT_MIN},
        {std::nan(""), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundPixel(c.v), c.pixel) << c.v;
}

TEST(SegmentLayout, PointsBeyondTheIntRangeAreHeldAtItsEnds) {
    const auto path = OutlineToPixels(Points({{0, 0}, {10, 0}, {10, 10}}), 0, 0, 1e9, -1e9);
    EXPECT_EQ(path, (std::vector<PathPoint>{{0, 0, PathOp::kMoveTo},
                                            {INT_MAX, 0, PathOp::kLineTo},
                                            {INT_MAX, INT_MIN, PathOp::kLineTo}}));
}

TEST(SegmentLayout, PenColoursMixAQuarterOfTheBackground) {
    EXPECT_EQ(SegmentPenColour(0, MakeColour(0, 255, 0)), MakeColour(0, 191, 0));
    EXPECT_EQ(SegmentPenColour(0, MakeColour(0, 128, 0)), MakeColour(0, 96, 0));
    EXPECT_EQ(SegmentPenColour(MakeColour(255, 2, 3), MakeColour(52, 0, 255)),
              MakeColour(102, 0, 192));
}

TEST(SegmentCurves, RunsOfCurvePointsBecomeOneCubicEach) {
    // Smooth seven-segment top: (6,4) (5,5)C (5,6)C (8,9)C (12,11) (36,11) (39,4).
    const auto path =
        OutlineToPixels(SegmentOutline(GlyphKind::kSevenSegment, 0, true), 0, 0, 1, 1);
    const PathOp ops[] = {PathOp::kMoveTo,   PathOp::kBezierTo, PathOp::kBezierTo,
                          PathOp::kBezierTo, PathOp::kLineTo,   PathOp::kLineTo};
    ASSERT_EQ(path.size(), std::size(ops));
    for (std::size_t i = 0; i < path.size(); ++i) EXPECT_EQ(path[i].op, ops[i]) << i;
    EXPECT_EQ(path[3], (PathPoint{12, 11, PathOp::kBezierTo}));
    // A run that ends the outline closes back to the first point.
    Outline open = Points({{0, 0}, {10, 0}});
    open.push_back({10, 10, PointType::kCurve});
    const auto closed = OutlineToPixels(open, 0, 0, 1, 1);
    ASSERT_EQ(closed.size(), 5u);
    EXPECT_EQ(closed.back(), (PathPoint{0, 0, PathOp::kBezierTo}));
}

TEST(SegmentCurves, FitRefinesTheExtrapolatedControlPoints) {
    auto at = [](FloatPoint p0, FloatPoint c1, FloatPoint c2, FloatPoint p3, double t) {
        const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        return FloatPoint{a * p0.x + b * c1.x + c * c2.x + d * p3.x,
                          a * p0.y + b * c1.y + c * c2.y + d * p3.y};
    };
    // Samples of known cubics at even parameters.
    const FloatPoint curves[][4] = {{{0, 0}, {10, 0}, {20, 0}, {30, 0}},
                                    {{0, 0}, {0, 30}, {40, 40}, {40, 0}},
                                    {{0, 0}, {-10, 20}, {30, 30}, {20, 5}}};
    for (const auto& k : curves) {
        std::vector<FloatPoint> s;
        for (int i = 0; i <= 4; ++i) s.push_back(at(k[0], k[1], k[2], k[3], i / 4.0));
        auto error = [&](FloatPoint c1, FloatPoint c2) {
            double e = 0;
            for (std::size_t i = 0; i < s.size(); ++i) {
                const FloatPoint p = at(s.front(), c1, c2, s.back(), i / 4.0);
                e += (p.x - s[i].x) * (p.x - s[i].x) + (p.y - s[i].y) * (p.y - s[i].y);
            }
            return e;
        };
        const FloatPoint start1{2 * s[1].x - s[0].x, 2 * s[1].y - s[0].y};
        const FloatPoint start2{2 * s[3].x - s[4].x, 2 * s[3].y - s[4].y};
        FloatPoint c1, c2;
        FitCubic(s, c1, c2);
        EXPECT_LT(error(c1, c2), 0.9 * error(start1, start2)) << k[1].y;
        // Each control point only moves along the line from its end through its start.
        EXPECT_NEAR((start1.x - s[0].x) * (c1.y - s[0].y), (start1.y - s[0].y) * (c1.x - s[0].x),
                    1e-6);
        EXPECT_NEAR((start2.x - s[4].x) * (c2.y - s[4].y), (start2.y - s[4].y) * (c2.x - s[4].x),
                    1e-6);
    }
}

}  // namespace
}  // namespace horolux
